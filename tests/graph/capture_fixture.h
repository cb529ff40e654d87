#pragma once
// Recording through the capture chains with the built-in test devices, and
// reading back what was written with ffprobe.
#include <memory>
#include <vector>

#include "mediaprobe.h"
#include "preview_fixture.h"
#include "recordedspan.h"

namespace vistrel::test {

struct ProbedStream {
  QString type, codec, tag;
  int width = 0, height = 0, sampleRate = 0;
  double duration = 0;
  long long frames = 0;  // for PCM in AVI: samples
  long long packets = 0;
};

// The streams of a media file as ffprobe sees them, every packet counted;
// empty when it cannot read it.
inline std::vector<ProbedStream> Streams(const QString &file) {
  std::vector<ProbedStream> out;
  for (const QJsonValue &v : FfProbe(file, true).raw) {
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
  std::unique_ptr<RecordedSpan> span;  // of the last Record()
  void SetUp() override {
    PreviewFixture::SetUp();
    dir = freshDir("capture");
  }
  QString File(const char *name) const { return dir + "/" + name; }
  static void Wait(int ms) { SpinFor(ms); }
  // Runs the built chain until the first buffers reach the file's writer and
  // `ms` more, then stops it as the controller does; no error on the way.
  // `whileRunning` looks at the capture just before the stop.
  void Record(int ms, const std::function<void()> &whileRunning = {}) {
    span = std::make_unique<RecordedSpan>(dm.fg().Pipeline());
    ASSERT_GT(span->Watched(), 0) << "no file writer in the chain";
    QString error;
    auto conn = QObject::connect(&dm.fg(), &media::Graph::ErrorOccurred, [&](const QString &m) { error = m; });
    ASSERT_TRUE(dm.LancerGraphe());
    MsUntil([&] { return span->Started(); }, 10000);
    ASSERT_TRUE(span->Started()) << "nothing reached the file in 10 s";
    Wait(ms);
    if (whileRunning) whileRunning();
    span->MarkStop();
    EXPECT_TRUE(dm.StopGraph());
    QObject::disconnect(conn);
    EXPECT_TRUE(dm.fg().LastStopFinalized());
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
  }
  // The preview first, then the chain `build` makes, recorded for `ms`.
  bool RecordBuilt(const std::function<bool(const QString &)> &build, const QString &file, int ms = 3000) {
    EXPECT_TRUE(dm.LancerGraphe());
    Wait(300);
    dm.StopGraph();
    if (!build(file)) return false;
    Record(ms);
    return true;
  }
  // The graph runs for `ms`; the first error it raised, or empty.
  QString RunClean(int ms) {
    QString error;
    auto conn = QObject::connect(&dm.fg(), &media::Graph::ErrorOccurred, [&](const QString &m) { error = m; });
    EXPECT_TRUE(dm.LancerGraphe());
    Wait(ms);
    QObject::disconnect(conn);
    return error;
  }
  // A stream of the last recording lasts as long as what went into it.
  void ExpectLasts(double fileSeconds, const char *kind) {
    ASSERT_TRUE(span);
    ExpectLastsAsRecorded(fileSeconds, *span, kind);
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
