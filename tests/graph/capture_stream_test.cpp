// The stream capture chains recorded from the built-in test devices, the
// files checked with ffprobe, gst-discoverer and our own readers.
#include "filters/vs_wavedest.h"
#include "graph/capture_mpeg.h"
#include "media/aviheader.h"
#include "media/pins.h"
#include "mediaprobe.h"
#include "preview_fixture.h"
#include "sources/avsources.h"

#include <QFile>
#include <QFileInfo>

using namespace vistrel;
using vistrel::test::PreviewFixture;
using vistrel::test::SpinUntil;

namespace vistrel::test {
// From testenv.h, whose event-loop wait clashes with the fixture's.
QString freshDir(const QString &hint);
}  // namespace vistrel::test

namespace {

struct CaptureStream : PreviewFixture {
  QString dir;
  void SetUp() override {
    PreviewFixture::SetUp();
    dir = test::freshDir("capture");
  }
  // Preview, then the chain built by `build` for about `ms`, then stopped
  // (finalizing the file). False when the builder refused.
  bool Record(const std::function<bool(const QString &)> &build, const QString &file, int ms = 3000) {
    EXPECT_TRUE(dm.LancerGraphe());
    SpinUntil([] { return false; }, 300);
    dm.StopGraph();
    if (!build(file)) return false;
    EXPECT_TRUE(dm.LancerGraphe());
    QString error;
    auto conn = QObject::connect(&dm.fg(), &media::Graph::ErrorOccurred, [&](const QString &m) { error = m; });
    SpinUntil([] { return false; }, ms);
    EXPECT_TRUE(dm.StopGraph());
    QObject::disconnect(conn);
    EXPECT_TRUE(dm.fg().LastStopFinalized());
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return true;
  }
  QString File(const char *name) const { return dir + "/" + name; }
};

QByteArray ReadAll(const QString &file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 Le32(const QByteArray &b, int at) {
  return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16 |
         quint32(quint8(b[at + 3])) << 24;
}

}  // namespace

TEST_F(CaptureStream, WavFileHasItsHeaderByteForByte) {
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test Microphone")));
  dm.CaptureOptions.FrequenceDV = 1;  // the capture format asks for 32 kHz
  const QString file = File("sound.wav");
  ASSERT_TRUE(Record([&](const QString &f) { return dm.GrapheWav(f); }, file));
  const QByteArray b = ReadAll(file);
  ASSERT_GT(b.size(), 46);
  // 16-bit stereo PCM: an 18-byte format block, so the data starts at 46.
  EXPECT_EQ(b.left(4), "RIFF");
  EXPECT_EQ(b.mid(8, 8), "WAVEfmt ");
  const quint32 cb = Le32(b, 16);
  ASSERT_EQ(cb, 18u);
  EXPECT_EQ(b.mid(20 + int(cb), 4), "data");
  const quint32 data = Le32(b, 24 + int(cb));
  EXPECT_EQ(qint64(data) + 46, b.size());
  EXPECT_EQ(Le32(b, 4), data + 38);
  EXPECT_EQ(quint16(quint8(b[20]) | quint8(b[21]) << 8), 1);  // PCM
  const quint32 rate = Le32(b, 24);
  const quint32 bytesPerSecond = Le32(b, 28);
  EXPECT_EQ(rate, 32000u);
  EXPECT_EQ(bytesPerSecond, 128000u);
  ASSERT_GT(bytesPerSecond, 0u);
  EXPECT_NEAR(double(data) / bytesPerSecond, 3.0, 0.5);
  const test::Probe p = test::FfProbe(file);
  EXPECT_EQ(p.container, "wav");
  EXPECT_EQ(p.Field("audio", "sample_rate").toUInt(), rate);
  EXPECT_NEAR(p.duration, 3.0, 0.5);
}

TEST_F(CaptureStream, WavAndMp3NeedASoundDevice) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  EXPECT_FALSE(dm.GrapheWav(File("none.wav")));
  EXPECT_FALSE(dm.GrapheMp3(File("none.mp3")));
  EXPECT_FALSE(QFile::exists(File("none.wav")));
}

TEST_F(CaptureStream, Mp3FileIsAPlainMpegAudioStreamThatDecodes) {
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test Microphone")));
  dm.CaptureOptions.Mp3Bitrate = 128;
  const QString file = File("sound.mp3");
  ASSERT_TRUE(Record([&](const QString &f) { return dm.GrapheMp3(f); }, file));
  const test::Probe p = test::FfProbe(file);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.container, "mp3");
  EXPECT_EQ(p.streams, QStringList{"audio:mp3"});
  EXPECT_EQ(p.Field("audio", "bit_rate"), "128000");
  EXPECT_NEAR(p.duration, 3.0, 0.5);
  // Decoding the whole file gives about three seconds of sound.
  QProcess decode;
  decode.start("ffmpeg", {"-v", "error", "-i", file, "-f", "null", "-"});
  ASSERT_TRUE(decode.waitForFinished(30000));
  EXPECT_EQ(decode.exitCode(), 0) << decode.readAllStandardError().toStdString();
  EXPECT_NEAR(test::DiscovererDuration(file), 3.0, 0.5);
}

TEST_F(CaptureStream, WmvWithSoundHasBothStreamsAndASaneDuration) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test Microphone")));
  dm.CaptureOptions.WmvMediaIndex = 0;
  dm.CaptureOptions.WmvDefaultProfile = 2;  // Low: 320x240
  const QString file = File("both.wmv");
  ASSERT_TRUE(Record([&](const QString &f) { return dm.GrapheWmv(f); }, file));
  const test::Probe p = test::FfProbe(file);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.container, "asf");
  EXPECT_EQ(p.Count("video"), 1);
  EXPECT_EQ(p.Field("video", "codec_name"), "wmv2");
  EXPECT_EQ(p.Field("video", "width"), "320");
  EXPECT_EQ(p.Count("audio"), 1);
  EXPECT_EQ(p.Field("audio", "codec_name"), "wmav2");
  EXPECT_NEAR(p.duration, 3.0, 0.5);  // never the encoders' 1000-hour offset
  EXPECT_NEAR(test::DiscovererDuration(file), 3.0, 0.5);
}

TEST_F(CaptureStream, WmvWithoutSoundDeviceHasNoAudioStream) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  dm.CaptureOptions.WmvMediaIndex = 4;  // system profile 3 of version 8: 300 kbps, 320x240
  dm.CaptureOptions.WmvVersion = 2;
  const QString file = File("video.wmv");
  ASSERT_TRUE(Record([&](const QString &f) { return dm.GrapheWmv(f); }, file));
  const test::Probe p = test::FfProbe(file);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.streams, QStringList{"video:wmv2"});
  EXPECT_NEAR(p.duration, 3.0, 0.5);
}

TEST_F(CaptureStream, WmvRefusesAProfileThatDoesNotExist) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  dm.CaptureOptions.WmvMediaIndex = 0;
  dm.CaptureOptions.WmvDefaultProfile = 4;
  EXPECT_FALSE(dm.GrapheWmv(File("x.wmv")));
  dm.CaptureOptions.WmvMediaIndex = 99;
  EXPECT_FALSE(dm.GrapheWmv(File("y.wmv")));
  // An audio-only profile with no sound device has nothing to record.
  dm.CaptureOptions.WmvMediaIndex = 6;  // version 4: "Audio for FM radio quality"
  dm.CaptureOptions.WmvVersion = 0;
  EXPECT_FALSE(dm.GrapheWmv(File("z.wmv")));
}

TEST_F(CaptureStream, DvType1IsOneInterleavedStreamOfWholeFrames) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("DV Source - Video")));
  ASSERT_TRUE(dm.ConnecterAudio(Audio("DV Source - Audio")));
  const QString file = File("dv1.avi");
  ASSERT_TRUE(Record([&](const QString &f) { return dm.GrapheDV1Natif(f); }, file));
  const media::AviFile avi = media::ReadAviFile(file);
  ASSERT_TRUE(avi.valid) << avi.error;
  ASSERT_EQ(avi.streams.size(), 1u);
  EXPECT_EQ(avi.streams[0].type, "iavs");
  EXPECT_EQ(avi.streams[0].handler, "dvsd");
  EXPECT_EQ(avi.streams[0].length, avi.TotalChunks());
  EXPECT_NEAR(avi.streams[0].length / 25.0, 3.0, 0.5);
  const test::Probe p = test::FfProbe(file);
  EXPECT_EQ(p.Field("video", "codec_name"), "dvvideo");
  EXPECT_NEAR(p.duration, 3.0, 0.5);
  EXPECT_NEAR(test::DiscovererDuration(file), 3.0, 0.5);
}

TEST_F(CaptureStream, AfterADvType1RecordingThePreviewRunsAndRecordsAgain) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("DV Source - Video")));
  for (const char *name : {"first.avi", "second.avi"}) {
    ASSERT_TRUE(Record([&](const QString &f) { return dm.GrapheDV1Natif(f); }, File(name), 1200));
    ASSERT_TRUE(dm.RetirerCapture());
    // Nothing of the chain is left hanging from the camcorder's tee.
    EXPECT_EQ(dm.fg().FindFilter("CaptureMux"), nullptr);
    QString error;
    auto conn = QObject::connect(&dm.fg(), &media::Graph::ErrorOccurred, [&](const QString &m) { error = m; });
    const int shown = window.FramesShown();
    ASSERT_TRUE(dm.LancerGraphe());
    EXPECT_TRUE(FramesShown(shown + 10, 3000));
    SpinUntil([] { return false; }, 300);
    QObject::disconnect(conn);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_NEAR(media::ReadAviFile(File(name)).TotalChunks() / 25.0, 1.2, 0.5);
  }
}

TEST_F(CaptureStream, CutGoesOnInANewDvType1File) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("DV Source - Video")));
  ASSERT_TRUE(Record([&](const QString &f) { return dm.GrapheDV1Natif(f); }, File("part1.avi"), 1000));
  ASSERT_TRUE(dm.ChangerFichierCapture(1, File("part2.avi")));
  ASSERT_TRUE(dm.LancerGraphe());
  SpinUntil([] { return false; }, 1000);
  ASSERT_TRUE(dm.StopGraph());
  for (const char *part : {"part1.avi", "part2.avi"}) {
    const media::AviFile avi = media::ReadAviFile(File(part));
    EXPECT_TRUE(avi.valid) << part << " " << avi.error;
    EXPECT_NEAR(avi.TotalChunks() / 25.0, 1.0, 0.4) << part;
  }
}

// Every chain comes down whole: the preview runs on without errors and the
// same chain can be built again on the freed taps.
TEST_F(CaptureStream, EachChainComesDownAndCanBeBuiltAgain) {
  struct Case {
    const char *video, *audio, *file;
    std::function<bool(const QString &)> build;
  };
  const std::vector<Case> cases{
      {nullptr, "Vistrel Test Microphone", "a.wav", [&](const QString &f) { return dm.GrapheWav(f); }},
      {nullptr, "Vistrel Test Microphone", "a.mp3", [&](const QString &f) { return dm.GrapheMp3(f); }},
      {"Vistrel Test Camera", "Vistrel Test Microphone", "a.wmv", [&](const QString &f) { return dm.GrapheWmv(f); }},
      {"Vistrel Test MPEG Encoder - Video", "Vistrel Test MPEG Encoder - Audio", "a.mpg",
       [&](const QString &f) { return dm.GrapheMpegNatif(f); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    if (c.video) {
      ASSERT_TRUE(dm.ConnecterVideo(Video(c.video)));
    }
    ASSERT_TRUE(dm.ConnecterAudio(Audio(c.audio)));
    for (int round = 0; round < 2; ++round) {
      const QString file = File(c.file) + QString::number(round);
      ASSERT_TRUE(Record(c.build, file, 800));
      ASSERT_TRUE(dm.RetirerCapture());
      EXPECT_GT(QFileInfo(file).size(), 1000);
      for (const char *name : {"FileWriter", "writer", "CaptureSink", "Wave Dest", "AudioCap Tamponer", "mp3", "muxer"}) {
        EXPECT_EQ(dm.fg().FindFilter(name), nullptr) << name;
      }
      QString error;
      auto conn = QObject::connect(&dm.fg(), &media::Graph::ErrorOccurred, [&](const QString &m) { error = m; });
      ASSERT_TRUE(dm.LancerGraphe());
      SpinUntil([] { return false; }, 300);
      QObject::disconnect(conn);
      EXPECT_TRUE(error.isEmpty()) << error.toStdString();
      dm.StopGraph();
    }
    if (c.video) dm.DeconnecterVideo(dm.CurrentVideoDevice, true);
    dm.DeconnecterAudio(dm.CurrentAudioDevice, true);
  }
}

TEST_F(CaptureStream, DvType1NeedsADvDevice) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  EXPECT_FALSE(dm.GrapheDV1Natif(File("dv1.avi")));
  dm.ConnecterVideo(nullptr);
  EXPECT_FALSE(dm.GrapheDV1Natif(File("dv1.avi")));
}

TEST_F(CaptureStream, Mpeg2NativeStreamIsCopiedIntoAProgramStream) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test MPEG Encoder - Video")));
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test MPEG Encoder - Audio")));
  const QString file = File("native.mpg");
  ASSERT_TRUE(Record([&](const QString &f) { return dm.GrapheMpegNatif(f); }, file));
  // Copied, not encoded again: no video encoder in the chain, and the
  // stream keeps the card's size and bit rate class.
  for (const auto &e : dm.fg().Filters()) {
    GstElementFactory *factory = gst_element_get_factory(e.get());
    const char *klass = factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    const bool insideSource = dm.fg().GraphNameOf(GST_OBJECT(e.get())).startsWith("Vistrel Test MPEG");
    if (!insideSource) {
      EXPECT_FALSE(klass && QByteArray(klass).contains("Encoder/Video")) << GST_OBJECT_NAME(e.get());
    }
  }
  const test::Probe p = test::FfProbe(file);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.container, "mpeg");
  EXPECT_EQ(p.Field("video", "codec_name"), "mpeg2video");
  EXPECT_EQ(p.Field("video", "width"), "720");
  EXPECT_EQ(p.Count("audio"), 1);
  EXPECT_EQ(p.Field("audio", "codec_name"), "mp2");
  EXPECT_NEAR(p.duration, 3.0, 0.5);
  // mpegpsmux writes one pack header (SCR) per group of pictures, and the
  // GStreamer demuxer estimates the length from the first time stamp after
  // the first pack to the last pack's SCR: up to two groups (2 x 0.48 s here)
  // short of the real length. ffprobe above reads every packet.
  const double discovered = test::DiscovererDuration(file);
  EXPECT_GT(discovered, 3.0 - 2 * 0.48 - 0.3);
  EXPECT_LT(discovered, 3.5);
}

TEST_F(CaptureStream, Mpeg1NativeStreamGoesIntoAnMpeg1SystemStream) {
  auto *video = Video("Vistrel Test MPEG Encoder - Video");
  ASSERT_NE(video, nullptr);
  media::CapsRef mpeg1 = media::CapsRef::Adopt(gst_caps_from_string("video/mpeg,mpegversion=1,systemstream=false"));
  video->Device->SetFormat(mpeg1.get());
  ASSERT_TRUE(dm.ConnecterVideo(video));
  const QString file = File("native1.mpg");
  ASSERT_TRUE(Record([&](const QString &f) { return dm.GrapheMpegNatif(f); }, file));
  const test::Probe p = test::FfProbe(file);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.Field("video", "codec_name"), "mpeg1video");
  EXPECT_EQ(p.Field("video", "width"), "352");
  EXPECT_EQ(p.Count("audio"), 0);  // no sound device: no sound stream
  EXPECT_NEAR(p.duration, 3.0, 0.5);
}

TEST(MpegCandidates, MultiplexersAndEncodersFollowTheStreamTheyMustCarry) {
  capture::MpegCandidates c;
  media::CapsRef mpeg2 = media::CapsRef::Adopt(gst_caps_from_string("video/mpeg,mpegversion=2,systemstream=false"));
  media::CapsRef mpeg1 = media::CapsRef::Adopt(gst_caps_from_string("video/mpeg,mpegversion=1,systemstream=false"));
  media::CapsRef dv = media::CapsRef::Adopt(gst_caps_from_string("video/x-dv,systemstream=false"));
  ASSERT_TRUE(c.ChercherMux(mpeg2.get()));
  EXPECT_EQ(media::FactoryName(c.Muxers().front().get()), "mpegpsmux");  // primary rank first
  ASSERT_TRUE(c.ChercherMux(mpeg1.get()));
  for (const auto &f : c.Muxers()) EXPECT_NE(media::FactoryName(f.get()), "mpegpsmux");
  EXPECT_FALSE(c.ChercherMux(dv.get()));
  media::FilterSlot slot("muxer");
  EXPECT_FALSE(c.MuxSuivant(slot));  // an empty list has no next

  ASSERT_TRUE(c.ChercherEncodeurAudio());
  QStringList names;
  for (const auto &f : c.AudioEncoders()) names << media::FactoryName(f.get());
  EXPECT_FALSE(names.contains("lamemp3enc")) << "layer III is not what a program stream carries";
  EXPECT_TRUE(names.contains("twolamemp2enc") || names.contains("avenc_mp2"));
  media::FilterSlot enc("audioenc");
  int bound = 0;
  while (c.EncodeurAudioSuivant(enc)) ++bound;
  EXPECT_EQ(bound, names.size());
}
