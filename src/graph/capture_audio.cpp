// Sound-only capture chains: a WAV file through the program's own "Wave Dest"
// and an MP3 file.
#include "graph/capture_avi_parts.h"
#include "graph/capture_common.h"

namespace vistrel {

bool Tdm::GrapheWav(const QString &file) {
  BeginCaptureBuild();
  if (!currentAudio_) return FailCapture("no sound device is connected");
  GstElement *wave = capture::AddOwn(*this, QStringLiteral("Wave Dest"));
  if (!wave) return FailCapture("the WAV writer (Wave Dest) could not be added");
  if (!capture::AddFileWriter(*this, FileWriter, QStringLiteral("FileWriter"), file))
    return FailCapture("the WAV file writer could not be set up");
  const media::PadRef tap = capture::TapAudio(*this);
  if (!tap) return FailCapture("the sound could not be tapped for the capture");
  if (!FormatAudioCapture(true)) return FailCapture("the sound format of the capture could not be set");
  GstElement *tamponer = capture::AddAudioTamponer(*this);
  if (!tamponer) return FailCapture("the sound could not reach its time stamper");
  if (!avicapture::Link(fg(), tamponer, wave) || !avicapture::Link(fg(), wave, FileWriter.get()))
    return FailCapture("the sound could not reach the WAV file");
  avicapture::DeclareBranch(*this, tap.get(), FileWriter.get());
  return true;
}

bool Tdm::GrapheMp3(const QString &file) {
  BeginCaptureBuild();
  if (!currentAudio_) return FailCapture("no sound device is connected");
  if (!mp3.IsBound()) return FailCapture("no MP3 encoder (lamemp3enc) is installed");
  if (!capture::AddFileWriter(*this, FileWriter, QStringLiteral("FileWriter"), file))
    return FailCapture("the MP3 file writer could not be set up");
  if (!fg().AddFilter(mp3.Element(), QStringLiteral("mp3"))) return FailCapture("the MP3 encoder could not be added");
  // Constant bit rate: every reader can tell the duration from the size.
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(mp3.Element()), "cbr"))
    g_object_set(mp3.Element(), "target", 1 /* bitrate */, "bitrate", CaptureOptions.Mp3Bitrate, "cbr", TRUE, nullptr);
  const media::PadRef tap = capture::TapAudio(*this);
  if (!tap) return FailCapture("the sound could not be tapped for the capture");
  if (!FormatAudioCapture(true)) return FailCapture("the sound format of the capture could not be set");
  GstElement *tamponer = capture::AddAudioTamponer(*this);
  if (!tamponer) return FailCapture("the sound could not reach its time stamper");
  // The encoded stream is the file: an MP3 file is its frames, with no RIFF
  // header around them.
  if (!avicapture::Link(fg(), tamponer, mp3.Element()) || !avicapture::Link(fg(), mp3.Element(), FileWriter.get()))
    return FailCapture("the sound could not reach the MP3 file through the encoder");
  if (!FormatAudioCapture(false)) return FailCapture("the sound format of the capture could not be set");
  avicapture::DeclareBranch(*this, tap.get(), FileWriter.get());
  return true;
}

}  // namespace vistrel
