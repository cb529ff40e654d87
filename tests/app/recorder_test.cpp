// The recorder driven with the test devices and no window, as a command file
// drives a capture: start, Cut, stop in every recording format, and the
// endings that must leave a playable file. Files are read back with ffprobe,
// gst-discoverer and a full ffmpeg decode.
#include "app/recorder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>

#include "app/recording_journal.h"
#include "filters/vs_controlunit.h"
#include "graph/avgraph.h"
#include "media/wmvprofiles.h"
#include "mediaprobe.h"
#include "settings/codecs.h"
#include "settings/parameters.h"
#include "settings/settingskeys.h"
#include "sources/enumerator.h"
#include "sources/sourcecatalog.h"
#include "testenv.h"
#include "ui/videowindow.h"

namespace vistrel::test {
namespace {

using settings::CaptureFormatCode;
using C = CaptureFormatCode;

void RunFor(int ms) { SpinFor(ms); }

struct Sources {
  const char *video, *audio;  // box texts; null for none
};

struct RecorderFixture : ::testing::Test {
  Tdm dm;
  sources::SystemDeviceEnumerator enumerator;
  std::unique_ptr<sources::SourceCatalog> catalog;
  ui::VideoWindow window;
  Recorder recorder{&dm};
  QString dir = freshDir("recorder");
  struct Finished {
    QString file;
    bool kept;
    int dropped, notDropped;
  };
  std::vector<Finished> finished;

  void SetUp() override {
    enumerator.AddProvider(sources::MakeTestDeviceProvider(&enumerator));
    catalog = std::make_unique<sources::SourceCatalog>(dm.Slots(), enumerator);
    QStringList videoBox, audioBox;
    ASSERT_TRUE(catalog->ChargerDrivers(videoBox, audioBox));
    window.resize(320, 240);
    dm.SetVideoWindow(&window);
    QObject::connect(&recorder, &Recorder::finished, &recorder,
                     [this](const QString &file, bool kept, int dropped, int notDropped) {
                       finished.push_back({file, kept, dropped, notDropped});
                     });
    recorder.Names().SetFields(dir, "Part", false);
  }
  void TearDown() override {
    recorder.Finish();
    dm.DataModuleDestroy();
    dm.SetVideoWindow(nullptr);
  }
  void Connect(const Sources &s) {
    if (s.video) {
      ASSERT_TRUE(dm.ConnecterVideo(catalog->FindVideo(QString::fromUtf8(s.video)))) << s.video;
    }
    if (s.audio) {
      ASSERT_TRUE(dm.ConnecterAudio(catalog->FindAudio(QString::fromUtf8(s.audio)))) << s.audio;
    }
    ASSERT_TRUE(dm.LancerGraphe());
  }
  static RecordingOptions Options(CaptureFormatCode format) {
    RecordingOptions o;
    o.format = format;
    o.imageRate = 10;
    if (const auto codecs = settings::AvailableDivxCodecs(); !codecs.isEmpty()) {
      o.chain.DivxFactory = codecs.front().factory;
      o.chain.DivxFourCC = codecs.front().fourcc;
    }
    o.chain.FrequenceDV = 3;
    return o;
  }
  // An Image-by-Image file takes a frame only when the grab opens the gate.
  void LetImagesIn(int n) {
    for (int i = 0; i < n; ++i) {
      dm.ControlFilter()->Gate = true;
      recorder.CountImage();
      RunFor(250);
    }
  }
  void RecordPart(CaptureFormatCode format, int ms) {
    if (format == C::ImageByImage)
      LetImagesIn(ms / 250);
    else
      RunFor(ms);
  }
};

struct CutCase {
  CaptureFormatCode format;
  Sources sources;
};

void PrintTo(const CutCase &c, std::ostream *os) { *os << settings::CaptureFormat(c.format).name; }

std::string Name(const ::testing::TestParamInfo<CutCase> &info) {
  std::string n = settings::CaptureFormat(info.param.format).name;
  for (char &c : n)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return n;
}

const Sources kCameraAndMicrophone{"Vistrel Test Camera", "Vistrel Test Microphone"};
const Sources kDv{"DV Source - Video", "DV Source - Audio"};
const Sources kCard{"Vistrel Test Capture Card - Video", "Vistrel Test Capture Card - Audio"};
const Sources kMpegCard{"Vistrel Test MPEG Encoder - Video", "Vistrel Test MPEG Encoder - Audio"};

struct RecorderCut : RecorderFixture, ::testing::WithParamInterface<CutCase> {};

// Two complete files under two names: each plays to its length, each header
// states it (players seek by it), each decodes from start to end.
TEST_P(RecorderCut, KeepsBothPartsPlayableAndSeekable) {
  const CutCase c = GetParam();
  Connect(c.sources);
  ASSERT_TRUE(recorder.Start(Options(c.format))) << recorder.Failure().toStdString();
  const QString first = recorder.File();
  EXPECT_TRUE(first.endsWith(settings::CaptureFormat(c.format).extension)) << first.toStdString();
  RecordPart(c.format, 2500);
  QSignalSpy cuts(&recorder, &Recorder::cut);
  ASSERT_TRUE(recorder.Cut()) << recorder.Failure().toStdString();
  ASSERT_EQ(cuts.size(), 1);
  const QString second = recorder.File();
  EXPECT_NE(second, first);
  EXPECT_EQ(cuts[0][0].toString(), first);
  EXPECT_EQ(cuts[0][1].toString(), second);
  RecordPart(c.format, 2500);
  const int framesOverall = recorder.NotDropped();
  ASSERT_TRUE(recorder.Stop());
  EXPECT_FALSE(recorder.Recording());

  ASSERT_EQ(finished.size(), 2u);
  // Each part is listed with its own frames; the status counts the whole recording.
  const bool counted = finished[0].notDropped >= 0;
  EXPECT_EQ(counted, finished[1].notDropped >= 0);
  if (counted && c.format != C::ImageByImage) {
    for (const Finished &f : finished) EXPECT_GT(f.notDropped, 20) << f.file.toStdString();
    // The parts are as long as each other: a second part counting the first's frames would be twice as long.
    EXPECT_LT(finished[1].notDropped, finished[0].notDropped * 8 / 5);
    EXPECT_GT(framesOverall, finished[0].notDropped) << "the status counts the whole recording";
  }
  EXPECT_EQ(finished[0].file, first);
  EXPECT_EQ(finished[1].file, second);
  const bool images = c.format == C::ImageByImage;
  for (const Finished &f : finished) {
    SCOPED_TRACE(f.file.toStdString());
    ASSERT_TRUE(f.kept);
    ASSERT_TRUE(QFileInfo(f.file).size() > 4096) << QFileInfo(f.file).size() << " bytes";
    const Probe probe = FfProbe(f.file);
    ASSERT_TRUE(probe.ok) << "ffprobe cannot read it";
    const bool picture = settings::CaptureFormat(c.format).picture;
    EXPECT_EQ(probe.Count("video") > 0, picture);
    EXPECT_EQ(probe.Count("audio") > 0, settings::CaptureFormat(c.format).sound);
    // Image by Image plays its frames at 10 a second: about one second a part.
    const double least = images ? 0.5 : 1.5;
    EXPECT_GT(probe.duration, least) << "the header states no length";
    EXPECT_LT(probe.duration, 6.0);
    QString report;
    EXPECT_GT(DiscovererDuration(f.file, &report), least) << report.toStdString();
    EXPECT_EQ(DecodeErrors(f.file).toStdString(), "") << "decode errors";
  }
  // Nothing else was left in the folder: no stray or empty file,
  // beyond the tape report of each part of a recording from a DV source.
  const bool reports = app::TapeReports::ReportsOn(c.format) && c.sources.video == kDv.video;
  EXPECT_EQ(QFileInfo::exists(app::TapeReportNameFor(second)), reports);
  EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), reports ? 4 : 2)
      << QDir(dir).entryList(QDir::Files).join(", ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    EveryRecordingFormat, RecorderCut,
    ::testing::Values(CutCase{C::DV1Native, kDv}, CutCase{C::DV2Native, kDv}, CutCase{C::Mpeg2Native, kMpegCard},
                      CutCase{C::Mpeg1Native, kMpegCard}, CutCase{C::AviNative, kCameraAndMicrophone},
                      CutCase{C::DV2Recomp, kCameraAndMicrophone}, CutCase{C::Wmv, kCameraAndMicrophone},
                      CutCase{C::ImageByImage, {"Vistrel Test Camera", nullptr}},
                      CutCase{C::Divx, kCameraAndMicrophone}, CutCase{C::Wav, kCameraAndMicrophone},
                      CutCase{C::Mp3, kCameraAndMicrophone}, CutCase{C::Mp4, kCameraAndMicrophone}),
    Name);

// The encoded format takes every kind of picture: a card's, a camcorder's DV.
INSTANTIATE_TEST_SUITE_P(Mp4FromTheCardAndTheCamcorder, RecorderCut,
                         ::testing::Values(CutCase{C::Mp4, kCard}, CutCase{C::Mp4, kDv}),
                         [](const ::testing::TestParamInfo<CutCase> &info) {
                           return std::string(info.param.sources.video == kCard.video ? "card" : "camcorder");
                         });

TEST_F(RecorderFixture, AFormatThatRecordsNothingIsRefusedAndThePreviewRunsOn) {
  Connect(kCameraAndMicrophone);
  QSignalSpy failures(&recorder, &Recorder::failed);
  EXPECT_FALSE(recorder.Start(Options(C::Default)));
  EXPECT_FALSE(recorder.Recording());
  EXPECT_EQ(failures.size(), 1);
  EXPECT_TRUE(recorder.Failure().contains("\"Default\"")) << recorder.Failure().toStdString();
  EXPECT_TRUE(recorder.Failure().contains("What failed: this format has no capture chain"))
      << recorder.Failure().toStdString();
  EXPECT_TRUE(recorder.Failure().endsWith("Nothing was recorded.")) << recorder.Failure().toStdString();
  EXPECT_TRUE(finished.empty()) << "nothing is listed";
  EXPECT_TRUE(QDir(dir).entryList(QDir::Files).isEmpty());
  EXPECT_TRUE(SpinUntil([&] { return dm.fg().State() == GST_STATE_PLAYING; }, 5000)) << "the preview comes back";
}

TEST_F(RecorderFixture, ACutOntoAFolderStopsWithTheFirstPartKept) {
  Connect(kCameraAndMicrophone);
  ASSERT_TRUE(recorder.Start(Options(C::AviNative)));
  const QString first = recorder.File();
  // The name the cut would take is a folder (made behind the program's back).
  VideoNames probe = recorder.Names();
  probe.Advance();
  ASSERT_TRUE(QDir().mkpath(probe.Current()));
  RunFor(1500);
  EXPECT_FALSE(recorder.Cut());
  EXPECT_TRUE(recorder.Failure().contains("is a folder")) << recorder.Failure().toStdString();
  recorder.Stop();
  ASSERT_EQ(finished.size(), 1u);
  EXPECT_EQ(finished[0].file, first);
  EXPECT_GT(FfProbe(first).duration, 1.0);
}

TEST_F(RecorderFixture, AStopWithoutARecordingAndASecondStopListNothing) {
  Connect(kCameraAndMicrophone);
  recorder.StopGraph();
  EXPECT_TRUE(finished.empty());
  ASSERT_TRUE(recorder.Start(Options(C::Wav)));
  RunFor(1000);
  recorder.StopGraph();
  recorder.StopGraph();
  EXPECT_EQ(finished.size(), 1u) << "a file is handed out once";
  EXPECT_TRUE(recorder.Recording()) << "the chain stays until the capture ends";
  recorder.Finish();
  EXPECT_FALSE(recorder.Recording());
  EXPECT_EQ(finished.size(), 1u);
}

// A camera that is listed but sends nothing from the capture's start (a
// producer that hangs as it is reopened): once it counts as lost, the AVI
// that got no frame of it is removed and the message says nothing was
// recorded, rather than a file that no player opens and a message that says
// it keeps the capture.
TEST_F(RecorderFixture, AViFromACameraThatSendsNothingIsRemovedInEveryAviFormat) {
  Connect(kCameraAndMicrophone);
  GstElement *camera = dm.fg().FindFilter("Vistrel Test Camera");
  ASSERT_NE(camera, nullptr);
  // The picture leaves by its first source pad (a camcorder has a second).
  ASSERT_NE(camera->srcpads, nullptr);
  media::PadRef pad = media::PadRef::Borrow(GST_PAD(camera->srcpads->data));
  const gulong drop = gst_pad_add_probe(
      pad.get(), GST_PAD_PROBE_TYPE_BUFFER, [](GstPad *, GstPadProbeInfo *, gpointer) { return GST_PAD_PROBE_DROP; },
      nullptr, nullptr);
  for (C format : {C::AviNative, C::DV2Recomp, C::Divx}) {
    SCOPED_TRACE(settings::CaptureFormat(format).name);
    finished.clear();
    ASSERT_TRUE(recorder.Start(Options(format)));
    const QString file = recorder.File();
    RunFor(1500);
    const QString message = recorder.EndForLostDevice("Vistrel Test Camera", QDateTime::currentDateTime());
    EXPECT_TRUE(message.contains("Nothing was recorded in " + file)) << message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(file));
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_FALSE(finished[0].kept);
  }
  gst_pad_remove_probe(pad.get(), drop);
}

// The journal names the file being written, so a kill during the second part
// repairs that part; the first is finished and out of it.
TEST_F(RecorderFixture, TheJournalFollowsTheCutAndIsEmptyAfterTheStop) {
  Connect(kCameraAndMicrophone);
  RecordingJournal journal(RecordingJournal::DefaultPath());
  auto files = [&journal] {
    QStringList out;
    for (const JournalEntry &e : journal.Entries()) out << e.file;
    return out;
  };
  ASSERT_TRUE(recorder.Start(Options(C::Wav)));
  const QString first = recorder.File();
  EXPECT_EQ(files(), QStringList{first});
  RunFor(800);
  ASSERT_TRUE(recorder.Cut());
  EXPECT_EQ(files(), QStringList{recorder.File()});
  RunFor(800);
  recorder.Stop();
  EXPECT_TRUE(files().isEmpty()) << files().join(", ").toStdString();
}

// What a recording reads comes from the settings store, as the Settings panel
// left it, whatever its widgets show.
TEST(RecordingOptions, ComeFromTheSettingsStore) {
  settings::TparameterList p(settings::SettingsSignature());
  settings::CreateSettings(p);
  p.SetByte("Capture Format", quint8(settings::ToByte(C::Wmv)));
  p.SetBool("scn", true);
  p.SetReal("Framerate", 7.5);
  p.SetInt("Version wmv", 2);
  p.SetBool("Default Profile", false);
  const QList<media::WmvProfile> profiles = media::WmvSystemProfiles(2);
  ASSERT_GE(profiles.size(), 3);
  p.SetStr("Profil Windows media", profiles[2].name);
  RecordingOptions o = RecordingOptionsFrom(p);
  EXPECT_EQ(o.format, C::Wmv);
  EXPECT_TRUE(o.sceneFile);
  EXPECT_DOUBLE_EQ(o.imageRate, 7.5);
  EXPECT_EQ(o.chain.WmvMediaIndex, 3) << "the stored profile, counted from 1";

  // A profile name no list has any more: the first of the list, as the box shows.
  p.SetStr("Profil Windows media", "a profile of another machine");
  EXPECT_EQ(RecordingOptionsFrom(p).chain.WmvMediaIndex, 1);
  // The default profiles: no list entry.
  p.SetBool("Default Profile", true);
  EXPECT_EQ(RecordingOptionsFrom(p).chain.WmvMediaIndex, 0);

  // A corrupt stored format reads as "Default", which records nothing.
  p.SetByte("Capture Format", 200);
  EXPECT_EQ(RecordingOptionsFrom(p).format, C::Default);

  // The favourite MPEG-4 encoder when it is installed, else the first there is.
  const QList<settings::DivxCodec> codecs = settings::AvailableDivxCodecs();
  ASSERT_GE(codecs.size(), 2) << "DivX and Xvid are both offered";
  p.SetStr("Divx favori", codecs.back().friendlyName);
  EXPECT_EQ(RecordingOptionsFrom(p).chain.DivxFourCC, codecs.back().fourcc);
  EXPECT_EQ(RecordingOptionsFrom(p).chain.DivxFactory, codecs.back().factory);
  p.SetStr("Divx favori", "an encoder that is not installed");
  EXPECT_EQ(RecordingOptionsFrom(p).chain.DivxFourCC, codecs.front().fourcc);
}

}  // namespace
}  // namespace vistrel::test
