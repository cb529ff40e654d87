#pragma once
// Recording through the capture chains with the built-in test devices, and
// reading back what was written with ffprobe.
#include "preview_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <vector>

namespace vistrel::test {

QString freshDir(const QString &hint);  // tests/testenv.h

struct ProbedStream {
  QString type, codec, tag;
  int width = 0, height = 0, sampleRate = 0;
  double duration = 0;
  long long frames = 0;  // for PCM in AVI: samples
  long long packets = 0;
};

// The streams of a media file as ffprobe sees them; empty when it cannot read it.
inline std::vector<ProbedStream> Probe(const QString &file) {
  QProcess p;
  p.start("ffprobe", {"-v", "error", "-count_packets", "-show_entries",
                      "stream=codec_type,codec_name,codec_tag_string,width,height,sample_rate,duration,nb_frames,"
                      "nb_read_packets",
                      "-of", "json", file});
  p.waitForFinished(20000);
  std::vector<ProbedStream> out;
  if (p.exitCode() != 0) return out;
  for (const QJsonValue &v : QJsonDocument::fromJson(p.readAllStandardOutput()).object()["streams"].toArray()) {
    const QJsonObject s = v.toObject();
    out.push_back({s["codec_type"].toString(), s["codec_name"].toString(), s["codec_tag_string"].toString(),
                   s["width"].toInt(), s["height"].toInt(), s["sample_rate"].toString().toInt(),
                   s["duration"].toString().toDouble(), s["nb_frames"].toString().toLongLong(),
                   s["nb_read_packets"].toString().toLongLong()});
    // PCM in AVI states no duration, only its length in samples; constant
    // rate MP3 neither: its frames of 1152 samples (576 below 32 kHz) tell it.
    ProbedStream &last = out.back();
    if (last.duration <= 0 && last.codec.startsWith("pcm_") && last.sampleRate > 0)
      last.duration = double(last.frames) / last.sampleRate;
    if (last.duration <= 0 && last.codec == "mp3" && last.sampleRate > 0)
      last.duration = double(last.packets) * (last.sampleRate >= 32000 ? 1152 : 576) / last.sampleRate;
  }
  return out;
}

inline const ProbedStream *StreamOf(const std::vector<ProbedStream> &streams, const char *type) {
  for (const ProbedStream &s : streams)
    if (s.type == type) return &s;
  return nullptr;
}

struct CaptureFixture : PreviewFixture {
  QString dir;
  void SetUp() override {
    PreviewFixture::SetUp();
    dir = freshDir("capture");
  }
  QString File(const char *name) const { return dir + "/" + name; }
  static void Wait(int ms) {
    SpinUntil([] { return false; }, ms);
  }
  // Runs the built chain for `ms`, then stops it as the controller does.
  void Record(int ms) {
    ASSERT_TRUE(dm.LancerGraphe());
    Wait(ms);
    ASSERT_TRUE(dm.StopGraph());
    EXPECT_TRUE(dm.fg().LastStopFinalized());
  }
  // Takes the chain down and checks the preview shows frames again.
  void ExpectPreviewBack() {
    ASSERT_TRUE(dm.RetirerCapture());
    window.ResetCounters();
    ASSERT_TRUE(dm.LancerGraphe());
    EXPECT_TRUE(FramesShown(3, 4000)) << "the preview must run again after the capture";
    dm.StopGraph();
  }
};

}  // namespace vistrel::test
