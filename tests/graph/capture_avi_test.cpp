// The AVI capture chains recording from the built-in test devices, checked
// with ffprobe and the program's own AVI reader.
#include "capture_fixture.h"

#include <QFileInfo>
#include "filters/vs_controlunit.h"
#include "filters/vs_timestamper.h"
#include "graph/capture_avi_rules.h"
#include "media/aviheader.h"
#include "media/droppedframes.h"
#include "media/pins.h"

#include <atomic>

using namespace vistrel;
using vistrel::test::CaptureFixture;
using vistrel::test::StreamOf;
using vistrel::test::Streams;

namespace {

// Picture and sound of a file from a live source end together (within one
// frame period), and each lasts as long as what went into the file.
void ExpectInStep(CaptureFixture &f, const std::vector<test::ProbedStream> &streams, double framePeriod) {
  const auto *video = StreamOf(streams, "video");
  const auto *audio = StreamOf(streams, "audio");
  ASSERT_TRUE(video && audio);
  f.ExpectLasts(video->duration, "video");
  f.ExpectLasts(audio->duration, "audio");
  EXPECT_LT(std::abs(video->duration - audio->duration), framePeriod)
      << "video " << video->duration << " s, audio " << audio->duration << " s";
}

}  // namespace

// Each AVI chain from the devices that feed it, recorded twice in one graph:
// the DV muxer and the AVI writer live for the run, and a second recording
// once gave them a second pair of inputs beside the first, so the second
// file stayed empty.
struct AviCase {
  const char *file, *video, *audio;  // audio null: no sound device
  std::function<void(CaptureSettings &)> options;
  std::function<bool(Tdm &, const QString &)> build;
  const char *videoCodec, *tag;  // tag null: not checked
  int height;                    // 0: the source's
  const char *audioCodec;        // null: no sound stream
  int rate;
  double inStepWithin;  // how far picture and sound may end apart
};

TEST_F(CaptureFixture, EveryAviChainRecordsTwiceInOneGraphWhatItsOptionsAsk) {
  const char *card = "Vistrel Test Capture Card - Video", *cardSound = "Vistrel Test Capture Card - Audio";
  const char *camera = "Vistrel Test Camera", *microphone = "Vistrel Test Microphone";
  const char *camcorder = "DV Source - Video", *camcorderSound = "DV Source - Audio";
  const std::vector<AviCase> cases{
      {"native", card, cardSound, [](CaptureSettings &o) { o.FrequenceDV = 2; },
       [](Tdm &d, const QString &f) { return d.GrapheAviNatif(f); }, "rawvideo", nullptr, 0, "pcm_s16le", 44100, 0.04},
      {"xvid", camera, nullptr, [](CaptureSettings &o) { o.DivxFourCC = "XVID"; },
       [](Tdm &d, const QString &f) { return d.GrapheDivx(f); }, "mpeg4", "XVID", 0, nullptr, 0, 0},
      // Picture and sound joined into DV frames, and the sound kept beside them.
      {"recomp", card, cardSound, [](CaptureSettings &o) { o.FrequenceDV = 3; },
       [](Tdm &d, const QString &f) { return d.GrapheDV2Recomp(f); }, "dvvideo", nullptr, 576, "pcm_s16le", 48000,
       0.04},
      // NTSC at 44.1 kHz, a sound the DV muxer cannot carry in the frames.
      {"ntsc", camera, microphone,
       [](CaptureSettings &o) {
         o.StandardDV = 1;
         o.FrequenceDV = 0;
       },
       [](Tdm &d, const QString &f) { return d.GrapheDV2Recomp(f); }, "dvvideo", nullptr, 480, "pcm_s16le", 44100,
       0.04},
      // The splitter sends each frame's sound before the frame itself
      // reaches the native branch, so the stop lets one frame more of sound
      // than of picture through, never more and never less.
      {"dv2native", camcorder, camcorderSound, [](CaptureSettings &) {},
       [](Tdm &d, const QString &f) { return d.GrapheDV2Natif(f); }, "dvvideo", nullptr, 576, "pcm_s16le", 48000,
       0.045},
  };
  for (const AviCase &c : cases) {
    SCOPED_TRACE(c.file);
    ASSERT_TRUE(dm.ConnecterVideo(Video(c.video)));
    if (c.audio) {
      ASSERT_TRUE(dm.ConnecterAudio(Audio(c.audio)));
    }
    dm.CaptureOptions = CaptureSettings{};
    c.options(dm.CaptureOptions);
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(round);
      const QString file = File(c.file) + QString::number(round) + ".avi";
      ASSERT_TRUE(c.build(dm, file));
      // Frames are written as they come, not held back until the stop.
      Record(2000, [&] {
        EXPECT_GT(QFileInfo(file).size(), 50000);
        EXPECT_GT(dm.CaptureNotDropped(), 25);
        EXPECT_GE(dm.CaptureDropped(), 0);
      });
      ExpectPreviewBack();
      EXPECT_EQ(dm.CaptureDropped(), -1) << "no counter once the chain is down";
      const auto streams = Streams(file);
      const auto *video = StreamOf(streams, "video");
      ASSERT_TRUE(video);
      ASSERT_EQ(streams.size(), c.audioCodec ? 2u : 1u);
      EXPECT_EQ(video->codec, c.videoCodec);
      if (c.tag) {
        EXPECT_EQ(video->tag, c.tag);
        const media::AviFile avi = media::ReadAviFile(file);
        ASSERT_TRUE(avi.VideoStream());
        EXPECT_EQ(avi.VideoStream()->handler, c.tag);
      }
      EXPECT_EQ(video->height, c.height ? c.height : dm.SourceHeight());
      if (!c.audioCodec) {
        ExpectLasts(video->duration, "video");
        continue;
      }
      const auto *audio = StreamOf(streams, "audio");
      EXPECT_EQ(audio->codec, c.audioCodec);
      EXPECT_EQ(audio->sampleRate, c.rate);
      ExpectInStep(*this, streams, std::max(c.inStepWithin, 1.0 / dm.SourceFps()));
    }
    dm.DeconnecterVideo(dm.CurrentVideoDevice(), true);
    if (c.audio) dm.DeconnecterAudio(dm.CurrentAudioDevice(), true);
  }
}

TEST_F(CaptureFixture, DivxWithMp3NamesDx50AndCutGivesTwoCompleteFiles) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Capture Card - Video")));
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test Capture Card - Audio")));
  dm.CaptureOptions.WantMp3 = true;
  ASSERT_TRUE(dm.GrapheDivx(File("part1.avi")));
  for (const char *name : {"part1.avi", "part2.avi"}) {
    SCOPED_TRACE(name);
    // Cut: the stopped chain writes the next part into a new file.
    if (name != std::string("part1.avi")) {
      ASSERT_TRUE(dm.ChangerFichierCapture(settings::CutBy::RenameSink, File(name)));
    }
    Record(2500);
    const auto streams = Streams(File(name));
    ASSERT_EQ(streams.size(), 2u);
    const auto *video = StreamOf(streams, "video");
    EXPECT_EQ(video->codec, "mpeg4");
    EXPECT_EQ(video->tag, "DX50");
    EXPECT_GT(video->width, 0);
    EXPECT_EQ(StreamOf(streams, "audio")->codec, "mp3");
    ExpectLasts(video->duration, "video");
  }
  ExpectPreviewBack();
}

// Every sound frame handed to the muxer is given back once written: a muxer
// that kept them grew the program by megabytes an hour of recording.
TEST_F(CaptureFixture, DivxKeepsNoSoundFrameOnceWrittenAndItsSoundLastsAsLongAsThePicture) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Capture Card - Video")));
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test Capture Card - Audio")));
  dm.CaptureOptions.WantMp3 = true;
  ASSERT_TRUE(dm.GrapheDivx(File("held.avi")));
  GstElement *mp3 = dm.fg().FindFilter(QStringLiteral("mp3"));
  ASSERT_NE(mp3, nullptr);
  struct Count {
    std::atomic<int> made{0}, alive{0};
  };
  static Count count;
  count.made = 0;
  count.alive = 0;
  media::PadRef out = media::PadRef::Adopt(gst_element_get_static_pad(mp3, "src"));
  gst_pad_add_probe(
      out.get(), GST_PAD_PROBE_TYPE_BUFFER,
      [](GstPad *, GstPadProbeInfo *info, gpointer) {
        ++count.made;
        ++count.alive;
        gst_mini_object_weak_ref(GST_MINI_OBJECT(GST_PAD_PROBE_INFO_BUFFER(info)),
                                 [](gpointer, GstMiniObject *) { --count.alive; }, nullptr);
        return GST_PAD_PROBE_OK;
      },
      nullptr, nullptr);
  Record(3000);
  EXPECT_GT(count.made.load(), 60) << "about 40 MP3 frames a second";
  EXPECT_LE(count.alive.load(), 2) << "frames still held after the file was finished";
  ExpectPreviewBack();
  const auto streams = Streams(File("held.avi"));
  ASSERT_EQ(streams.size(), 2u);
  EXPECT_NEAR(StreamOf(streams, "audio")->duration, StreamOf(streams, "video")->duration, 0.1);
}

TEST_F(CaptureFixture, ImageByImageWritesOneFramePerOpening) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  std::atomic<int> stops{0};
  ASSERT_TRUE(dm.GrapheImageParImage(File("ibi.avi"), [&] { ++stops; }));
  filters::Tvs_ControlFilter &gate = *dm.ControlFilter();
  ASSERT_TRUE(dm.LancerGraphe());
  Wait(300);
  for (int i = 0; i < 10; ++i) {
    gate.Gate = true;
    test::MsUntil([&] { return !gate.Gate; }, 2000);
    Wait(60);
  }
  ASSERT_TRUE(dm.StopGraph());
  EXPECT_GE(stops.load(), 1) << "the controller hears when the file ends";
  EXPECT_EQ(dm.CaptureNotDropped(), 10);
  ExpectPreviewBack();
  const media::AviFile avi = media::ReadAviFile(File("ibi.avi"));
  ASSERT_TRUE(avi.valid) << avi.error;
  ASSERT_EQ(avi.chunksPerStream.size(), 1u);
  EXPECT_EQ(avi.chunksPerStream[0], 10u);
  stops = 0;
  dm.StopGraph();
  EXPECT_EQ(stops.load(), 0) << "the handler leaves with the chain";
  EXPECT_EQ(StreamOf(Streams(File("ibi.avi")), "video")->codec, "dvvideo");
}

TEST(CaptureRules, AudioRateAndDvStandard) {
  CaptureSettings s;
  s.FrequenceDV = 0;
  EXPECT_EQ(CaptureAudioRate(s, false, 48000), 44100);
  s.FrequenceDV = 1;
  EXPECT_EQ(CaptureAudioRate(s, true, 48000), 32000);
  // The camcorder's own rate only when the DV format is kept, asked for and known.
  s.GarderFormatDV = s.FrequenceDVNative = true;
  s.FrequenceDV = 3;
  EXPECT_EQ(CaptureAudioRate(s, true, 32000), 32000);
  EXPECT_EQ(CaptureAudioRate(s, true, 22050), 48000);
  EXPECT_EQ(CaptureAudioRate(s, false, 32000), 48000);

  CaptureSettings d;
  EXPECT_FALSE(CaptureDvNtsc(d, false, 1));
  d.StandardDV = 1;
  EXPECT_TRUE(CaptureDvNtsc(d, false, 0));
  d.GarderFormatDV = true;
  EXPECT_FALSE(CaptureDvNtsc(d, true, 0)) << "the camcorder's system wins when its format is kept";
  EXPECT_TRUE(CaptureDvNtsc(d, true, 2)) << "unknown system: the setting";
}

TEST(CaptureRules, VideoLabel) {
  EXPECT_EQ(VideoLabelText(720, 576, 400000, 25.0), "720x576 - 25 fps");
  EXPECT_EQ(VideoLabelText(720, 480, 333667, 10000000.0 / 333667), "720x480 - 29.97 fps");
  EXPECT_EQ(VideoLabelText(360, 288, 0, 25.0), "360x288");
  EXPECT_EQ(VideoLabelText(1, 1, 1, 12.125), "1x1 - 12.12 fps") << "ties go to even";
}

TEST(DroppedFrames, GapsInTheFrameNumbering) {
  media::DroppedFrames::Counts c;
  auto push = [&](guint64 offset, guint64 end) {
    GstBuffer *b = gst_buffer_new();
    GST_BUFFER_OFFSET(b) = offset;
    GST_BUFFER_OFFSET_END(b) = end;
    media::DroppedFrames::NoteArrival(c, b);
    gst_buffer_unref(b);
  };
  push(0, 1);
  push(1, 2);
  push(4, 5);  // 2 and 3 never came
  push(5, 6);
  EXPECT_EQ(c.gaps.load(), 2);
  push(GST_BUFFER_OFFSET_NONE, GST_BUFFER_OFFSET_NONE);  // unnumbered: nothing to say
  push(9, 10);
  push(3, 4);  // renumbered from lower: not a loss
  push(5000000, 5000001);  // a jump too large to be frames lost
  EXPECT_EQ(c.gaps.load(), 2);
  EXPECT_EQ(c.in.load(), 8);
}

TEST_F(CaptureFixture, DivxFromDvAtHalfSizeAndBackToFullSize) {
  auto *dv = Video("DV Source - Video");
  ASSERT_TRUE(dm.ConnecterVideo(dv));
  ASSERT_TRUE(dm.LancerGraphe());
  ASSERT_TRUE(FramesShown(2, 4000));  // the DV stream states its size with its first frames
  ASSERT_TRUE(dm.StopGraph());
  QStringList labels;
  QObject::connect(&dm, &Tdm::VideoLabelChanged, [&](QString text) { labels << text; });
  dm.CaptureOptions.DvDemiSiDivX = true;
  ASSERT_TRUE(dm.GrapheDivx(File("half.avi")));
  EXPECT_TRUE(dm.Slots().DvHalfSize);
  Record(1500);
  ExpectPreviewBack();
  EXPECT_FALSE(dm.Slots().DvHalfSize);
  EXPECT_TRUE(vistrel::test::SpinUntil([&] { return dm.PreviewPictureSize() == QSize(720, 576); }, 3000))
      << "full size again after the capture";
  const auto streams = Streams(File("half.avi"));
  ASSERT_EQ(streams.size(), 1u);
  EXPECT_EQ(streams[0].width, 360);
  EXPECT_EQ(streams[0].height, 288);
  ASSERT_EQ(labels.size(), 2);
  EXPECT_EQ(labels[1], "720x576 - 25 fps");
}

TEST_F(CaptureFixture, TakingTheChainDownLeavesThePreviewAsItWas) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Capture Card - Video")));
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test Capture Card - Audio")));
  const std::size_t previewFilters = dm.fg().Filters().size();
  // A build that fails half-way (no file name) and full builds of every
  // format: each comes down to the same preview, tap pins free again.
  EXPECT_FALSE(dm.GrapheDivx(QString()));
  ASSERT_TRUE(dm.RetirerCapture());
  EXPECT_EQ(dm.fg().Filters().size(), previewFilters);
  const std::function<bool()> builds[] = {
      [&] { return dm.GrapheAviNatif(File("a.avi")); }, [&] { return dm.GrapheDV2Recomp(File("b.avi")); },
      [&] { return dm.GrapheDivx(File("c.avi")); }, [&] { return dm.GrapheImageParImage(File("d.avi"), {}); }};
  for (const auto &build : builds) {
    ASSERT_TRUE(build());
    EXPECT_GT(dm.fg().Filters().size(), previewFilters);
    ASSERT_TRUE(dm.RetirerCapture());
    EXPECT_EQ(dm.fg().Filters().size(), previewFilters) << dm.fg().DotGraph().left(600).toStdString();
    EXPECT_EQ(media::Pins(dm.infdecvideo.get()).size(), 2u) << "the tap's pin went back";
    EXPECT_EQ(dm.fg().RecordingBranchCount(), 0);
  }
  window.ResetCounters();
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_TRUE(FramesShown(3, 4000));
}

TEST_F(CaptureFixture, FrozenPictureDoesNotHoldTheSoundPreviewUp) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Capture Card - Video")));
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test Capture Card - Audio")));
  // Native DV type 2 has no sound gate: with the picture frozen the muxer
  // stops taking sound, and the tap must give way once its queue is full.
  ASSERT_TRUE(dm.GrapheDV2Natif(File("frozen.avi")));
  dm.ControlCaptureVideo()->SetFrozen(true);
  auto heard = std::make_shared<std::atomic<int>>(0);
  media::PadRef rendererIn = media::Pin(dm.AudioRenderer(), 0);
  const gulong probe = gst_pad_add_probe(
      rendererIn.get(), GST_PAD_PROBE_TYPE_BUFFER,
      [](GstPad *, GstPadProbeInfo *, gpointer n) {
        ++**static_cast<std::shared_ptr<std::atomic<int>> *>(n);
        return GST_PAD_PROBE_OK;
      },
      new std::shared_ptr<std::atomic<int>>(heard),
      [](gpointer n) { delete static_cast<std::shared_ptr<std::atomic<int>> *>(n); });
  ASSERT_TRUE(dm.LancerGraphe());
  Wait(3500);  // past the three seconds the sound tap holds
  const int before = heard->load();
  Wait(1000);
  EXPECT_GT(heard->load(), before) << "the sound preview stalled behind the capture";
  gst_pad_remove_probe(rendererIn.get(), probe);
  dm.ControlCaptureVideo()->SetFrozen(false);
  ASSERT_TRUE(dm.StopGraph());
  ExpectPreviewBack();
}

// A webcam's MJPEG: decoded for the preview and for the re-encoding
// formats, but stored as it comes by "avi native".
TEST_F(CaptureFixture, MjpegIsDecodedForThePreviewAndDivxButStoredAsItComesInNativeAvi) {
  auto *camera = Video("Vistrel Test Camera");
  ASSERT_TRUE(camera);
  media::CapsRef mjpeg = media::CapsRef::Adopt(gst_caps_from_string("image/jpeg,width=640,height=480,framerate=30/1"));
  ASSERT_TRUE(camera->Device->SetFormat(mjpeg.get()));
  ASSERT_TRUE(dm.ConnecterVideo(camera));
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_TRUE(FramesShown(3, 4000)) << "the preview shows decoded MJPEG";
  dm.StopGraph();

  ASSERT_TRUE(dm.GrapheAviNatif(File("mjpeg.avi")));
  Record(1500);
  ExpectPreviewBack();
  ASSERT_TRUE(dm.GrapheDivx(File("fromjpeg.avi")));
  Record(1500);
  ExpectPreviewBack();

  const auto native = Streams(File("mjpeg.avi"));
  ASSERT_TRUE(StreamOf(native, "video"));
  EXPECT_EQ(StreamOf(native, "video")->codec, "mjpeg");
  EXPECT_EQ(StreamOf(native, "video")->width, 640);
  const auto divx = Streams(File("fromjpeg.avi"));
  ASSERT_TRUE(StreamOf(divx, "video"));
  EXPECT_EQ(StreamOf(divx, "video")->codec, "mpeg4");
  camera->Device->SetFormat(nullptr);
}
