// The figures of a file being recorded: a real file growing on disk at a
// known pace beside a known free space, the words they are shown in, and the
// status bar panel through a real capture.
#include "app/capture_meter.h"

#include <QFile>

#include "app/capture_size_panel.h"
#include "recording_fixture.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

constexpr qint64 kMB = 1024 * 1024;

void Append(const QString &path, qint64 bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::Append));
  ASSERT_EQ(f.write(QByteArray(bytes, 'r')), bytes);
}

}  // namespace

TEST(CaptureMeter, AFileGrowingOnDiskGivesItsSizeRateAndTimeLeft) {
  const QString file = freshDir("meter") + "/clip.avi";
  qint64 free = 0;
  CaptureMeter meter([&](const QString &path) { return path == file ? free : -1; });
  meter.Start(file);
  const qint64 reserve = 50 * kMB;
  // 1 MB a second, then 3 MB a second: the 10 s window forgets the slow start.
  struct Step {
    qint64 ms, add, free;
    std::optional<double> rate;  // bytes per second
    std::optional<qint64> left;  // seconds
    QString text;
  } const steps[] = {
      {0, 0, 1000 * kMB, {}, {}, "0.00 MB"},
      {500, kMB / 2, 1000 * kMB, {}, {}, "0.50 MB"},
      {1000, kMB / 2, 999 * kMB, 1.0 * kMB, 949, "1.00 MB, 8.4 Mbit/s, 15 min left"},
      {10000, 9 * kMB, 990 * kMB, 1.0 * kMB, 940, "10.0 MB, 8.4 Mbit/s, 15 min left"},
      {20000, 30 * kMB, 960 * kMB, 3.0 * kMB, 303, "40.0 MB, 25.2 Mbit/s, 5 min left"},
      {21000, 3 * kMB, 40 * kMB, 3.0 * kMB, 0, "43.0 MB, 25.2 Mbit/s, under 1 min left"},
  };
  for (const Step &s : steps) {
    SCOPED_TRACE(s.ms);
    if (s.add) Append(file, s.add);
    free = s.free;
    meter.Measure(s.ms, reserve);
    EXPECT_EQ(meter.SizeBytes(), QFileInfo(file).size());
    EXPECT_EQ(meter.BytesPerSecond().has_value(), s.rate.has_value());
    if (s.rate && meter.BytesPerSecond()) EXPECT_NEAR(*meter.BytesPerSecond(), *s.rate, 1.0);
    EXPECT_EQ(meter.SecondsLeft(), s.left);
    EXPECT_EQ(meter.Text(), s.text);
  }
  // A free space that cannot be read leaves the time out, not a wrong one.
  free = -1;
  meter.Measure(22000, reserve);
  EXPECT_FALSE(meter.SecondsLeft());
  // The next part of a cut starts from nothing.
  const QString next = QFileInfo(file).path() + "/clip 2.avi";
  Append(next, kMB);
  meter.Start(next);
  meter.Measure(23000, reserve);
  EXPECT_EQ(meter.SizeBytes(), kMB);
  EXPECT_FALSE(meter.BytesPerSecond());
}

TEST(CaptureMeter, TimeLeftInWords) {
  const std::pair<qint64, const char *> cases[] = {{59, "under 1 min left"},
                                                   {3599, "59 min left"},
                                                   {3600, "1 h 0 min left"},
                                                   {2 * 3600 + 14 * 60 + 59, "2 h 14 min left"}};
  for (const auto &[seconds, text] : cases) EXPECT_EQ(CaptureMeter::LeftText(seconds), text) << seconds;
}

TEST(CaptureMeter, ThePanelShowsARunningCaptureAndGoesWithIt) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Choose(w.AudioBox(), kMicrophone);
  w.Format(5);
  auto *panel = w.form.findChild<CaptureSizePanel *>("CaptureSizePanel");
  ASSERT_NE(panel, nullptr);
  EXPECT_FALSE(panel->isVisible());
  const QString before = w.form.StatusText(1);
  START_CAPTURE(w);
  EXPECT_TRUE(panel->isVisible());
  ASSERT_TRUE(SpinUntil([&] { return panel->text().contains("left"); }, 8000)) << panel->text().toStdString();
  const QString file = w.form.Recording().File();
  EXPECT_EQ(panel->Meter().File(), file);
  EXPECT_GT(panel->Meter().SizeBytes(), 0);
  EXPECT_LE(panel->Meter().SizeBytes(), QFileInfo(file).size());
  EXPECT_TRUE(panel->text().contains("bit/s"));
  w.RecordFor(300);
  EXPECT_EQ(w.form.Etat(), esPreview);
  EXPECT_FALSE(panel->isVisible());
  EXPECT_EQ(w.form.StatusText(1), before) << "the other panels keep their texts";
}
