#pragma once
// What the capture builders need to know from the user's settings. The
// controller fills it before each build, so the graph module does not depend
// on the settings store.
#include <QString>

namespace vistrel {

struct CaptureSettings {
  // DV side.
  bool GarderFormatDV = false;      // "Garder Format DV"
  bool FrequenceDVNative = false;   // "Frequence DV native"
  int FrequenceDV = 3;              // "FrequenceDV": 1 32 kHz, 2 44.1 kHz, 3 48 kHz
  int StandardDV = 0;               // "Standard DV": 0 PAL, else NTSC
  int RatioDV = 0;                  // "RatioDV"
  // DivX / Xvid.
  int RatioDivX = 0;                // "Ratio DivX"
  bool DvDemiSiDivX = false;        // "DV demi si DivX"
  bool WantMp3 = true;              // "Want Mp3"
  QString DivxFactory;              // the MPEG-4 ASP encoder element chosen
  QString DivxFourCC = "DX50";      // "DX50" or "XVID"
  int DivxBitrate = 4000;           // kbit/s
  int Mp3Bitrate = 128;             // kbit/s
  // Windows Media.
  int WmvMediaIndex = 0;            // item of the profile list; 0 = use WmvDefaultProfile
  int WmvVersion = 2;               // 0 "4", 1 "7", 2 "8"
  int WmvDefaultProfile = 0;        // 0 High, 1 Medium, 2 Low, 3 Internet
  // MP4 (H.264).
  int H264Quality = 23;  // "H264 Quality": constant quality, lower is better
  int H264Preset = -1;   // "H264 Preset": index of media::kH264Presets, -1 by the picture
};

}  // namespace vistrel
