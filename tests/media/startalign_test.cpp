// The start aligner on real pads: buffers are pushed in the order two
// streaming threads would deliver them, and what comes out is checked.
#include "media/startalign.h"

#include <gst/audio/audio.h>
#include <gtest/gtest.h>

#include <vector>

#include "media/gstref.h"

namespace vistrel::media {
namespace {

constexpr int kRate = 48000;
constexpr GstClockTime kMs = GST_MSECOND;

// A source pad linked to a sink pad that keeps what reaches it.
struct Stream {
  PadRef src, sink;
  std::vector<BufferRef> got;

  explicit Stream(const char *caps) {
    src = PadRef::Adopt(gst_pad_new("src", GST_PAD_SRC));
    sink = PadRef::Adopt(gst_pad_new("sink", GST_PAD_SINK));
    gst_pad_set_chain_function(sink.get(), [](GstPad *pad, GstObject *, GstBuffer *b) {
      static_cast<Stream *>(gst_pad_get_element_private(pad))->got.push_back(BufferRef::Adopt(b));
      return GST_FLOW_OK;
    });
    gst_pad_set_element_private(sink.get(), this);
    gst_pad_set_active(src.get(), TRUE);
    gst_pad_set_active(sink.get(), TRUE);
    gst_pad_link(src.get(), sink.get());
    gst_pad_push_event(src.get(), gst_event_new_stream_start("s"));
    gst_pad_push_event(src.get(), gst_event_new_caps(CapsRef::Adopt(gst_caps_from_string(caps)).get()));
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    gst_pad_push_event(src.get(), gst_event_new_segment(&segment));
  }
  ~Stream() {
    gst_pad_set_active(src.get(), FALSE);
    gst_pad_set_active(sink.get(), FALSE);
  }
  void Push(GstClockTime pts, gsize bytes, GstClockTime duration, guint8 fill = 0x40) {
    GstBuffer *b = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    gst_buffer_memset(b, 0, fill, bytes);
    GST_BUFFER_PTS(b) = pts;
    GST_BUFFER_DURATION(b) = duration;
    gst_pad_push(src.get(), b);
  }
};

// Stereo S16 sound: 4 bytes a sample; 20 ms blocks as sound servers give.
constexpr const char *kSound = "audio/x-raw,format=S16LE,rate=48000,channels=2,layout=interleaved";
constexpr gsize kBlock = 960 * 4;

struct Pair {
  Stream video{"video/x-raw,format=I420,width=2,height=2,framerate=25/1"};
  Stream audio{kSound};
  StartAligner aligner;
  // `queued`: the sound is also kept in step where it enters its sink, as
  // past a capture tap's queue.
  explicit Pair(bool queued = false) {
    aligner.WatchVideo(video.src.get());
    aligner.WatchAudio(audio.src.get(), queued ? audio.sink.get() : nullptr);
  }
  void Frame(GstClockTime pts) { video.Push(pts, 6, 40 * kMs); }
  void Sound(GstClockTime pts) { audio.Push(pts, kBlock, 20 * kMs); }
};

gsize Bytes(const BufferRef &b) { return gst_buffer_get_size(b.get()); }

TEST(StartAligner, PictureAndSoundLeaveTogetherWhicheverCameFirst) {
  {
    // The sound begins 50 ms after the camera: the frames before it go, the
    // first frame after it starts both, and the sound block across that
    // frame's time loses what came before it.
    Pair p;
    p.Frame(0);
    p.Frame(40 * kMs);  // no sound yet: both dropped
    p.Sound(50 * kMs);  // no picture start yet: dropped
    p.Frame(80 * kMs);
    p.Sound(70 * kMs);
    p.Sound(90 * kMs);
    ASSERT_EQ(p.video.got.size(), 1u);
    ASSERT_EQ(p.audio.got.size(), 2u);
    EXPECT_EQ(GST_BUFFER_PTS(p.video.got[0].get()), 80 * kMs);
    EXPECT_EQ(p.aligner.Start(), 80 * kMs);
    // The block at 70 ms loses its first 10 ms (480 samples).
    EXPECT_EQ(GST_BUFFER_PTS(p.audio.got[0].get()), 80 * kMs);
    EXPECT_EQ(Bytes(p.audio.got[0]), kBlock - 480 * 4);
    EXPECT_EQ(GST_BUFFER_DURATION(p.audio.got[0].get()), 10 * kMs);
    EXPECT_TRUE(GST_BUFFER_FLAG_IS_SET(p.audio.got[0].get(), GST_BUFFER_FLAG_DISCONT));
    EXPECT_EQ(GST_BUFFER_PTS(p.audio.got[1].get()), 90 * kMs);
    EXPECT_EQ(Bytes(p.audio.got[1]), kBlock);
  }
  {
    // The sound reached the chain before the camera's first frame, which
    // is stamped earlier than the sound now arriving: the sound is led in
    // with silence from the frame's time, so the first beep stays in step.
    Pair p;
    p.Sound(0);
    p.Sound(20 * kMs);
    p.Sound(40 * kMs);  // all before the picture's start was known
    p.Frame(30 * kMs);
    p.Sound(60 * kMs);
    ASSERT_EQ(p.video.got.size(), 1u);
    ASSERT_EQ(p.audio.got.size(), 1u);
    const GstBuffer *first = p.audio.got[0].get();
    EXPECT_EQ(GST_BUFFER_PTS(first), 30 * kMs);
    EXPECT_EQ(gst_buffer_get_size(const_cast<GstBuffer *>(first)), kBlock + 1440 * 4);
    EXPECT_EQ(GST_BUFFER_DURATION(first), 50 * kMs);
    // The lead-in is silence, the block after it is the sound as it came.
    guint8 lead = 0xff, kept = 0;
    gst_buffer_extract(const_cast<GstBuffer *>(first), 0, &lead, 1);
    gst_buffer_extract(const_cast<GstBuffer *>(first), 1440 * 4, &kept, 1);
    EXPECT_EQ(lead, 0);
    EXPECT_EQ(kept, 0x40);
  }
}

TEST(StartAligner, OnceStartedEveryBufferPassesAsItCame) {
  Pair p;
  p.Sound(0);
  p.Frame(0);
  p.Sound(0);  // exactly on the start: untouched
  for (int i = 1; i < 10; ++i) {
    p.Frame(i * 40 * kMs);
    p.Sound(i * 20 * kMs);
  }
  EXPECT_EQ(p.video.got.size(), 10u);
  EXPECT_EQ(p.audio.got.size(), 10u);
  for (const auto &b : p.audio.got) EXPECT_EQ(Bytes(b), kBlock);
}

TEST(StartAligner, AStreamWhosePartnerNeverComesRecordsAlone) {
  {
    Pair p;  // a microphone that gives nothing
    for (int i = 0; i <= 60; ++i) p.Frame(i * 40 * kMs);
    // Two seconds of frames waited for it; from then on the picture records.
    ASSERT_FALSE(p.video.got.empty());
    EXPECT_EQ(GST_BUFFER_PTS(p.video.got[0].get()), kAlignWait);
    EXPECT_EQ(p.video.got.size(), 11u);
    // A sound that turns up late follows as it comes.
    p.Sound(2500 * kMs);
    EXPECT_EQ(p.audio.got.size(), 1u);
  }
  {
    Pair p;  // a camera that gives nothing
    for (int i = 0; i <= 150; ++i) p.Sound(i * 20 * kMs);
    ASSERT_FALSE(p.audio.got.empty());
    EXPECT_EQ(GST_BUFFER_PTS(p.audio.got[0].get()), kAlignWait);
    p.Frame(3100 * kMs);
    EXPECT_EQ(p.video.got.size(), 1u);
  }
  {
    // A chain with no sound at all is never held.
    Stream video("video/x-raw,format=I420,width=2,height=2,framerate=25/1");
    StartAligner aligner;
    aligner.WatchVideo(video.src.get());
    video.Push(0, 6, 40 * kMs);
    EXPECT_EQ(video.got.size(), 1u);
  }
}

TEST(StartAligner, CodedSoundIsOnlyDroppedBeforeTheStart) {
  Stream video("video/x-raw,format=I420,width=2,height=2,framerate=25/1");
  Stream audio("audio/mpeg,mpegversion=1,layer=3,rate=48000,channels=2");
  StartAligner aligner;
  aligner.WatchVideo(video.src.get());
  aligner.WatchAudio(audio.src.get());
  audio.Push(0, 100, 24 * kMs);
  video.Push(40 * kMs, 6, 40 * kMs);
  audio.Push(24 * kMs, 100, 24 * kMs);  // ends at 48 ms: across the start, kept whole
  audio.Push(48 * kMs, 100, 24 * kMs);
  ASSERT_EQ(audio.got.size(), 2u);
  EXPECT_EQ(Bytes(audio.got[0]), 100u);
  EXPECT_EQ(GST_BUFFER_PTS(audio.got[0].get()), 24 * kMs);
}

TEST(StartAligner, SoundACoderDelaysStartsThatMuchLater) {
  // MP3's 1105 samples of lead-in: the sound fed to the coder starts 1105
  // samples after the picture, so what a player hears first is in step.
  Pair p;
  p.aligner.LeadSound(kMp3CodingDelay);
  p.Sound(0);
  p.Frame(0);
  p.Sound(0);  // 960 samples: all before the lead ends
  p.Sound(20 * kMs);
  p.Sound(40 * kMs);
  ASSERT_EQ(p.audio.got.size(), 2u);
  const guint64 cut = kMp3CodingDelay - 960;
  EXPECT_EQ(Bytes(p.audio.got[0]), kBlock - cut * 4);
  EXPECT_EQ(GST_BUFFER_PTS(p.audio.got[0].get()), gst_util_uint64_scale_int(kMp3CodingDelay, GST_SECOND, kRate));
}

GstClockTime SoundTime(const std::vector<BufferRef> &got) {
  GstClockTime sum = 0;
  for (const BufferRef &b : got) sum += gst_util_uint64_scale_int(Bytes(b) / 4, GST_SECOND, kRate);
  return sum;
}

// A program held for a second: the sound comes back a second later in time.
// With a picture filler it is led in with silence over the gap, so picture
// and sound stay as long as each other; without one it goes as it comes, as
// the picture does. Either way the gap is told once, when it ends.
TEST(StartAligner, AfterAStallTheSoundKeepsStepWithThePicture) {
  for (const bool filler : {true, false}) {
    SCOPED_TRACE(filler ? "with a frame filler" : "without");
    Pair p(true);
    if (filler) p.aligner.FillSoundGaps();
    p.Sound(0);
    p.Frame(0);
    GstClockTime t = 20 * kMs;
    for (; t < 200 * kMs; t += 20 * kMs) p.Sound(t);
    EXPECT_TRUE(p.aligner.TakeGaps().empty());
    // Sources catching up come back in several jumps: one stall.
    for (GstClockTime back : {900 * kMs, 1300 * kMs}) {
      t = back;
      p.Sound(t);
      t += 20 * kMs;
      p.Frame(t);
    }
    EXPECT_TRUE(p.aligner.TakeGaps().empty()) << "not told before the streams have gone on past it";
    for (; t < 2400 * kMs; t += 20 * kMs) {
      p.Sound(t);
      if (t % (40 * kMs) == 0) p.Frame(t);
    }
    const std::vector<CaptureGap> gaps = p.aligner.TakeGaps();
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_EQ(gaps[0].filled, filler);
    EXPECT_NEAR(double(gaps[0].lengthMs), 1080, 60);
    EXPECT_TRUE(p.aligner.TakeGaps(true).empty()) << "told once";
    const GstClockTime sound = SoundTime(p.audio.got);
    if (filler)
      EXPECT_NEAR(double(sound), double(2400 * kMs), double(kStepTolerance)) << "the sound lasts as long as the time";
    else
      EXPECT_LT(sound, 1500 * kMs) << "the gap left out";
  }
}

TEST(StartAligner, SoundThatOverlapsIsCutAndAGraphStartedAgainIsFollowed) {
  Pair p(true);
  p.aligner.FillSoundGaps();
  p.Sound(0);
  p.Frame(0);
  for (GstClockTime t = 20 * kMs; t < 2000 * kMs; t += 20 * kMs) p.Sound(t);
  const size_t before = p.audio.got.size();
  p.Sound(1900 * kMs);  // all of it written already
  EXPECT_EQ(p.audio.got.size(), before) << "sound already written is not written twice";
  // A Cut that renames the file starts the graph again: its time begins at 0.
  p.Sound(0);
  p.Sound(20 * kMs);
  ASSERT_EQ(p.audio.got.size(), before + 2);
  EXPECT_EQ(Bytes(p.audio.got.back()), kBlock) << "nothing cut or led in";
  EXPECT_TRUE(p.aligner.TakeGaps(true).empty());
}

TEST(StartAligner, SoundEditRule) {
  const GstClockTime start = 100 * kMs;
  EXPECT_TRUE(SoundEditFor(60 * kMs, 960, kRate, start).drop);  // ends at 80 ms
  EXPECT_TRUE(SoundEditFor(80 * kMs, 960, kRate, start).drop);  // ends exactly at the start
  EXPECT_EQ(SoundEditFor(90 * kMs, 960, kRate, start).trimSamples, 480u);
  EXPECT_EQ(SoundEditFor(130 * kMs, 960, kRate, start).padSamples, 1440u);
  const SoundEdit none = SoundEditFor(start, 960, kRate, start);
  EXPECT_FALSE(none.drop);
  EXPECT_EQ(none.trimSamples + none.padSamples, 0u);
  // A buffer is never cut to nothing, nor judged without a rate.
  EXPECT_LE(SoundEditFor(start - 20 * kMs + 1, 960, kRate, start).trimSamples, 959u);
  EXPECT_FALSE(SoundEditFor(0, 960, 0, start).drop);
}

}  // namespace
}  // namespace vistrel::media
