#pragma once
// Which optional encoders this system offers: MPEG-4 ASP compressors (shown as
// DivX and Xvid flavours), the MP3 encoder and its bit-rate setting.
#include <QString>
#include <QStringList>

#include <optional>

namespace vistrel::settings {

struct DivxCodec {
  QString friendlyName;  // contains "DivX" or "Xvid"
  QString factory;       // the GStreamer encoder element
  QString fourcc;        // "DX50" or "XVID": what the AVI header names
};

// Every MPEG-4 ASP video encoder element of the registry, in rank order, each
// as a DivX and an Xvid entry.
QList<DivxCodec> AvailableDivxCodecs();
std::optional<DivxCodec> DivxCodecByName(const QString &friendlyName);

// The names kept from an enumeration (those whose lower-case form contains
// "divx" or "xvid"), and which one to select: `favourite` when it is kept,
// else the last one naming Xvid, else the first; -1 when none is kept.
struct DivxChoice {
  QStringList names;
  int selected = -1;
};
DivxChoice ChooseDivx(const QStringList &enumerated, const QString &favourite);

bool Mp3EncoderAvailable();  // lamemp3enc

// The MP3 encoder keeps its own bit rate (kbit/s) in the registry stand-in.
QString Mp3SettingsKey();  // \Software\GNU\LAME MPEG Layer III Audio Encoder Filter
std::optional<int> ReadMp3Bitrate();
bool WriteMp3Bitrate(int kbps);
QStringList Mp3BitrateItems();  // "32" ... "320"

}  // namespace vistrel::settings
