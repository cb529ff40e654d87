// Sound-only capture chains: a WAV file through the program's own "Wave Dest"
// and an MP3 file.
#include "graph/capture_avi_parts.h"
#include "graph/capture_common.h"

namespace vistrel {

bool Tdm::GrapheWav(const QString &file) {
  if (!CurrentAudioDevice) return false;
  GstElement *wave = capture::AddOwn(*this, QStringLiteral("Wave Dest"));
  if (!wave || !capture::AddFileWriter(*this, FileWriter, QStringLiteral("FileWriter"), file)) return false;
  const media::PadRef tap = capture::TapAudio(*this);
  if (!tap) return false;
  FormatAudioCapture(true);
  GstElement *tamponer = capture::AddAudioTamponer(*this);
  if (!tamponer || !avicapture::Link(fg(), tamponer, wave) || !avicapture::Link(fg(), wave, FileWriter.get())) return false;
  avicapture::DeclareBranch(*this, tap.get(), FileWriter.get());
  return true;
}

bool Tdm::GrapheMp3(const QString &file) {
  if (!CurrentAudioDevice || !mp3.IsBound()) return false;
  if (!capture::AddFileWriter(*this, FileWriter, QStringLiteral("FileWriter"), file) ||
      !fg().AddFilter(mp3.Element(), QStringLiteral("mp3")))
    return false;
  // Constant bit rate: every reader can tell the duration from the size.
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(mp3.Element()), "cbr"))
    g_object_set(mp3.Element(), "target", 1 /* bitrate */, "bitrate", CaptureOptions.Mp3Bitrate, "cbr", TRUE, nullptr);
  const media::PadRef tap = capture::TapAudio(*this);
  if (!tap) return false;
  FormatAudioCapture(true);
  GstElement *tamponer = capture::AddAudioTamponer(*this);
  // The encoded stream is the file: an MP3 file is its frames, with no RIFF
  // header around them.
  if (!tamponer || !avicapture::Link(fg(), tamponer, mp3.Element()) ||
      !avicapture::Link(fg(), mp3.Element(), FileWriter.get()))
    return false;
  FormatAudioCapture(false);
  avicapture::DeclareBranch(*this, tap.get(), FileWriter.get());
  return true;
}

}  // namespace vistrel
