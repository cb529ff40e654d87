// The tape-health report of real captures from the damaged test tape, in each
// DV recording format: what the report lists against the damage on the tape,
// the live counts against the report, and --dv-report on the recorded file.
#include "app/tape_report.h"

#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "app/recorder.h"
#include "app/tape_health.h"
#include "filters/dvcodes.h"
#include "graph/avgraph.h"
#include "media/gstref.h"
#include "sources/avsources.h"
#include "sources/enumerator.h"
#include "sources/sourcecatalog.h"
#include "sources/testdevice_dv.h"
#include "sources/testdevices.h"
#include "testenv.h"
#include "ui/videowindow.h"

namespace vistrel::test {
namespace {

using C = settings::CaptureFormatCode;

QJsonObject ReadReport(const QString &recording) {
  QFile f(app::TapeReportNameFor(recording));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QJsonDocument::fromJson(f.readAll()).object();
}

// The tape position of a listed frame, from its time code.
std::int64_t TapePosition(const QJsonObject &frame) {
  const QStringList f = frame["timecode"].toString().split(':');
  if (f.size() != 4) return -1;
  std::int64_t at = ((f[0].toInt() * 60 + f[1].toInt()) * 60 + f[2].toInt()) * 25 + f[3].toInt();
  const sources::TestTapeDamage &d = sources::TestDvTape::kDamage;
  return at >= d.TimecodeBreakAt + d.TimecodeLeap ? at - d.TimecodeLeap : at;
}

// What the damaged tape holds between two tape positions, as report lines.
QStringList DamageBetween(std::int64_t first, std::int64_t last) {
  const sources::TestTapeDamage &d = sources::TestDvTape::kDamage;
  QStringList lines;
  for (std::int64_t at = first + 1; at <= last; ++at) {  // the first frame has no predecessor to jump from
    if (at >= d.ConcealFirst && at < d.ConcealFirst + d.ConcealFrames)
      lines << QString("%1 video_concealed %2").arg(at).arg(d.ConcealBlocks);
    if (at >= d.AudioFirst && at < d.AudioFirst + d.AudioFrames)
      lines << QString("%1 audio_errors %2").arg(at).arg(d.AudioSamples);
    if (at == d.TimecodeBreakAt) lines << QString("%1 timecode_jump %2").arg(at).arg(d.TimecodeLeap + 1);
    if (at == d.RecStartAt) lines << QString("%1 rec_start 0").arg(at);
  }
  return lines;
}

struct Listed {
  QStringList lines;         // "tape-position event extent"
  std::int64_t offset = -1;  // tape position minus frame number, the same for every frame
  bool offsetsAgree = true;
};

Listed ListedEvents(const QJsonObject &report) {
  Listed l;
  for (const QJsonValue &v : report["frames"].toArray()) {
    const QJsonObject frame = v.toObject();
    const std::int64_t at = TapePosition(frame);
    const std::int64_t offset = at - frame["frame"].toInteger();
    if (l.offset < 0) l.offset = offset;
    l.offsetsAgree &= offset == l.offset;
    for (const QJsonValue &e : frame["events"].toArray())
      l.lines << QString("%1 %2 %3").arg(at).arg(e["type"].toString()).arg(e["extent"].toInt());
  }
  return l;
}

// The time code of every frame of a DV AVI, in file order, read on its own.
QStringList FileTimecodes(const QString &file) {
  QStringList codes;
  GError *err = nullptr;
  media::ElementRef pipeline = media::ElementRef::Adopt(gst_parse_launch(
      ("filesrc location=\"" + file + "\" ! avidemux ! video/x-dv ! appsink name=out sync=false").toUtf8().constData(),
      &err));
  media::ErrorPtr error(err);
  if (!pipeline || error) return codes;
  media::ElementRef sink = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  while (media::SampleRef s =
             media::SampleRef::Adopt(gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 5 * GST_SECOND))) {
    GstMapInfo map;
    GstBuffer *buf = gst_sample_get_buffer(s.get());
    if (!gst_buffer_map(buf, &map, GST_MAP_READ)) break;
    const filters::DvTimecode tc = filters::DecodeTimecode(map.data, map.size, 0);
    codes << QString::asprintf("%02d:%02d:%02d:%02d", tc.Hours, tc.Minutes, tc.Seconds, tc.Frames);
    gst_buffer_unmap(buf, &map);
  }
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  return codes;
}

struct TapeReportFixture : ::testing::TestWithParam<C> {
  Tdm dm;
  sources::SystemDeviceEnumerator enumerator;
  std::unique_ptr<sources::SourceCatalog> catalog;
  ui::VideoWindow window;
  Recorder recorder{&dm};
  QString dir = freshDir("tapereport");
  QStringList finished;
  sources::TestDvTape *tape = nullptr;

  void SetUp() override {
    qputenv("VISTREL_TEST_DV_DAMAGE", "1");
    enumerator.AddProvider(sources::MakeTestDeviceProvider(&enumerator));
    catalog = std::make_unique<sources::SourceCatalog>(dm.Slots(), enumerator);
    QStringList videoBox, audioBox;
    ASSERT_TRUE(catalog->ChargerDrivers(videoBox, audioBox));
    window.resize(320, 240);
    dm.SetVideoWindow(&window);
    QObject::connect(&recorder, &Recorder::finished, &recorder, [this](const QString &file, bool kept, int, int) {
      if (kept) finished << file;
    });
    recorder.Names().SetFields(dir, "Tape", false);
    ASSERT_TRUE(dm.ConnecterVideo(catalog->FindVideo("DV Source - Video")));
    ASSERT_TRUE(dm.ConnecterAudio(catalog->FindAudio("DV Source - Audio")));
    ASSERT_TRUE(dm.LancerGraphe());
    ASSERT_TRUE(dm.CurrentVideoDevice() && dm.CurrentVideoDevice()->HealthChecker);
    tape = dynamic_cast<sources::TestDvTape *>(dm.CurrentVideoDevice()->Transport());
    ASSERT_TRUE(tape);
  }
  void TearDown() override {
    recorder.Finish();
    dm.DataModuleDestroy();
    dm.SetVideoWindow(nullptr);
    qunsetenv("VISTREL_TEST_DV_DAMAGE");
  }
  RecordingOptions Options() const {
    RecordingOptions o;
    o.format = GetParam();
    o.chain.FrequenceDV = 3;
    return o;
  }
  // Records from the tape position from on until the tape passed until.
  void Record(double from, double until) {
    tape->SetPosition(from);
    ASSERT_TRUE(recorder.Start(Options())) << recorder.Failure().toStdString();
    ASSERT_TRUE(SpinUntil([&] { return tape->Position() > until; }, 20000));
  }
};

TEST_P(TapeReportFixture, TheReportListsTheTapesDamageAtItsFramesAndTheLiveCountsAgree) {
  app::TapeHealth live;
  live.Attach(dm.CurrentVideoDevice()->HealthChecker);
  Record(0, 110);
  const double stoppedAt = tape->Position();
  recorder.Finish();
  SpinFor(200);  // the queued frame results
  live.Attach(nullptr);
  ASSERT_EQ(finished.size(), 1);
  const QJsonObject report = ReadReport(finished[0]);
  ASSERT_FALSE(report.isEmpty()) << "no report beside " << finished[0].toStdString();
  EXPECT_EQ(report["recording"].toString(), QFileInfo(finished[0]).fileName());
  EXPECT_EQ(report["system"].toString(), "625/50");

  const Listed listed = ListedEvents(report);
  EXPECT_TRUE(listed.offsetsAgree) << "frame numbers do not follow the tape";
  const QJsonObject summary = report["summary"].toObject();
  const std::int64_t frames = summary["frames"].toInteger();
  ASSERT_GT(frames, 100);
  // The file began a few frames into the tape and ran to where the capture stopped.
  ASSERT_GE(listed.offset, 0);
  EXPECT_LT(listed.offset, 30);
  EXPECT_LE(listed.offset + frames, std::int64_t(stoppedAt) + 1);
  EXPECT_EQ(listed.lines, DamageBetween(listed.offset, listed.offset + frames - 1))
      << QJsonDocument(report).toJson().toStdString();
  const sources::TestTapeDamage &d = sources::TestDvTape::kDamage;
  EXPECT_EQ(summary["damaged_frames"].toInt(), d.ConcealFrames + d.AudioFrames);
  EXPECT_EQ(summary["first_damaged"]["frame"].toInteger(), d.ConcealFirst - listed.offset);
  EXPECT_EQ(summary["last_damaged"]["frame"].toInteger(), d.AudioFirst + d.AudioFrames - 1 - listed.offset);
  EXPECT_EQ(summary["events"]["video_concealed"]["blocks"].toInt(), d.ConcealFrames * d.ConcealBlocks);

  EXPECT_EQ(app::TapeReportDamagedFrames(finished[0]), d.ConcealFrames + d.AudioFrames);
  EXPECT_EQ(live.Frames(), frames);
  EXPECT_EQ(live.DamagedFrames(), summary["damaged_frames"].toInt());
  ASSERT_TRUE(live.FirstDamaged() && live.LastDamaged());
  EXPECT_EQ(live.FirstDamaged()->Frame, summary["first_damaged"]["frame"].toInteger());
  EXPECT_EQ(live.LastDamaged()->Frame, summary["last_damaged"]["frame"].toInteger());

  // The native files hold the tape's own frames: the listed frame numbers are
  // their places in the file, and read back they give the same report.
  if (GetParam() == C::DV2Recomp) return;
  const QStringList codes = FileTimecodes(finished[0]);
  EXPECT_EQ(codes.size(), frames);
  for (const QJsonValue &v : report["frames"].toArray()) {
    const qint64 n = v["frame"].toInteger();
    ASSERT_LT(n, codes.size());
    EXPECT_EQ(codes[n], v["timecode"].toString()) << "frame " << n;
  }
  const QByteArray written = QJsonDocument(report).toJson();
  QFile::remove(app::TapeReportNameFor(finished[0]));
  QProcess p;
  p.start(VISTREL_BINARY, {"--dv-report", finished[0]});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_EQ(QJsonDocument(ReadReport(finished[0])).toJson().toStdString(), written.toStdString());
}

TEST_P(TapeReportFixture, ACleanStretchOfTapeGivesAnEmptyList) {
  Record(150, 200);
  recorder.Finish();
  ASSERT_EQ(finished.size(), 1);
  const QJsonObject report = ReadReport(finished[0]);
  ASSERT_FALSE(report.isEmpty());
  EXPECT_TRUE(report["frames"].toArray().isEmpty()) << QJsonDocument(report).toJson().toStdString();
  EXPECT_GT(report["summary"]["frames"].toInt(), 40);
  EXPECT_EQ(report["summary"]["damaged_frames"].toInt(), 0);
  EXPECT_TRUE(report["summary"]["first_damaged"].isNull());
}

INSTANTIATE_TEST_SUITE_P(DvFormats, TapeReportFixture, ::testing::Values(C::DV1Native, C::DV2Native, C::DV2Recomp),
                         [](const auto &info) { return std::to_string(int(info.param)); });

TEST(DvReportOption, AFileThatIsNotADvAviIsRefusedWithExitTwo) {
  const QString dir = freshDir("dvreport");
  const QString text = dir + "/notes.avi";
  QFile f(text);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("not a video at all");
  f.close();
  for (const QString &file : {text, dir + "/missing.avi"}) {
    QProcess p;
    p.start(VISTREL_BINARY, {"--dv-report", file});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(QString(p.readAllStandardError()).contains(file));
    EXPECT_FALSE(QFileInfo::exists(app::TapeReportNameFor(file)));
  }
}

}  // namespace
}  // namespace vistrel::test
