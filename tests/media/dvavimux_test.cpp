// The type-1 DV AVI writer fed by appsrc into a real file sink, and
// the files checked with our reader, ffprobe and gst-discoverer.
#include "media/dvavimux.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/audio/audio.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "media/aviheader.h"
#include "media/repair.h"
#include "media/repairfile.h"
#include "media/restamp.h"
#include "mediaprobe.h"
#include "mediatest.h"
#include "testenv.h"

using namespace vistrel;
using vistrel::media::BufferRef;

namespace {

// Real interleaved DV frames (picture and sound) from the stock encoder and
// DV muxer, made once per system.
const std::vector<BufferRef> &DvFrames(bool pal) {
  static std::vector<BufferRef> cache[2];
  std::vector<BufferRef> &frames = cache[pal ? 1 : 0];
  if (!frames.empty()) return frames;
  const QString launch =
      QString("videotestsrc num-buffers=10 pattern=ball ! videoconvert ! video/x-raw,width=720,height=%1,framerate=%2 ! "
              "avenc_dvvideo ! avmux_dv name=m audiotestsrc num-buffers=20 samplesperbuffer=%3 ! "
              "audio/x-raw,format=S16LE,rate=48000,channels=2 ! m. m. ! appsink name=out sync=false")
          .arg(pal ? 576 : 480)
          .arg(pal ? "25/1" : "30000/1001")
          .arg(pal ? 1920 : 1602);
  GError *error = nullptr;
  media::ElementRef pipeline = media::ElementRef::Adopt(gst_parse_launch(launch.toUtf8().constData(), &error));
  if (error) g_error_free(error);
  if (!pipeline) return frames;
  media::ElementRef sink = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  // The muxer's output is cut anywhere; whole frames are what a camcorder
  // delivers.
  QByteArray all;
  while (GstSample *s = gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 5 * GST_SECOND)) {
    GstMapInfo map;
    if (gst_buffer_map(gst_sample_get_buffer(s), &map, GST_MAP_READ)) {
      all.append(reinterpret_cast<const char *>(map.data), qsizetype(map.size));
      gst_buffer_unmap(gst_sample_get_buffer(s), &map);
    }
    gst_sample_unref(s);
  }
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  const qsizetype size = pal ? 144000 : 120000;
  for (qsizetype at = 0; at + size <= all.size(); at += size)
    frames.push_back(BufferRef::Adopt(gst_buffer_new_memdup(all.constData() + at, gsize(size))));
  return frames;
}

// Writes `count` frames (the sample frames over and over) into a file
// through appsrc → writer → filesink, as the capture graph does.
// `cut`: the writer never sees the end, as when the program is killed.
QString WriteDvAvi(const QString &name, int count, bool pal = true, guint64 limit = 0, int junk = 0, bool cut = false) {
  const QString file = test::freshDir("dvavi") + "/" + name;
  EXPECT_TRUE(media::RegisterDvAviMux());
  const QString launch = QString("appsrc name=in format=time caps=\"video/x-dv,systemstream=true,framerate=%1\" ! "
                                 "vistreldvavimux name=mux ! filesink location=\"%2\"")
                             .arg(pal ? "25/1" : "30000/1001", file);
  media::ElementRef pipeline = media::ElementRef::Adopt(gst_parse_launch(launch.toUtf8().constData(), nullptr));
  if (!pipeline) return file;
  media::ElementRef src = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "in"));
  media::ElementRef mux = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "mux"));
  if (limit) g_object_set(mux.get(), "riff-limit", limit, nullptr);
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  if (junk) {
    GstBuffer *b = gst_buffer_new_and_alloc(gsize(junk));
    gst_buffer_memset(b, 0, 0xAA, gsize(junk));
    gst_app_src_push_buffer(GST_APP_SRC(src.get()), b);
  }
  const auto &frames = DvFrames(pal);
  const GstClockTime frame = pal ? GST_SECOND / 25 : GST_SECOND * 1001 / 30000;
  for (int i = 0; i < count && !frames.empty(); ++i) {
    GstBuffer *b = gst_buffer_copy(frames[std::size_t(i) % frames.size()].get());
    GST_BUFFER_PTS(b) = GstClockTime(i) * frame;
    GST_BUFFER_DURATION(b) = frame;
    EXPECT_EQ(gst_app_src_push_buffer(GST_APP_SRC(src.get()), b), GST_FLOW_OK);
  }
  if (cut) {
    // Every frame written, then stopped with no end of stream.
    const qint64 least = 8192 + qint64(count) * (pal ? 144008 : 120008);
    for (int i = 0; i < 200 && QFileInfo(file).size() < least; ++i) g_usleep(50000);
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return file;
  }
  gst_app_src_end_of_stream(GST_APP_SRC(src.get()));
  media::GstRef<GstBus> bus = media::GstRef<GstBus>::Adopt(gst_element_get_bus(pipeline.get()));
  media::MessageRef done = media::MessageRef::Adopt(gst_bus_timed_pop_filtered(
      bus.get(), 20 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
  EXPECT_TRUE(done && GST_MESSAGE_TYPE(done.get()) == GST_MESSAGE_EOS);
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  return file;
}

}  // namespace

TEST(DvAviMux, OneFormFileIsASingleInterleavedStreamWithIndex) {
  ASSERT_FALSE(DvFrames(true).empty());
  const QString file = WriteDvAvi("short.avi", 50);
  const media::AviFile avi = media::ReadAviFile(file);
  ASSERT_TRUE(avi.valid) << avi.error << " size " << QFileInfo(file).size();
  EXPECT_TRUE(avi.error.empty()) << avi.error;
  ASSERT_EQ(avi.forms.size(), 1u);
  ASSERT_EQ(avi.streams.size(), 1u);
  const media::AviStreamHeader &s = avi.streams[0];
  EXPECT_EQ(s.type, "iavs");
  EXPECT_EQ(s.handler, "dvsd");
  EXPECT_EQ(s.scale, 1u);
  EXPECT_EQ(s.rate, 25u);
  EXPECT_EQ(s.length, 50u);
  EXPECT_EQ(s.format.size(), 32u);  // DVINFO
  EXPECT_EQ(avi.mainFrames, 50u);
  EXPECT_EQ(avi.odmlFrames, 50u);
  EXPECT_EQ(avi.width, 720u);
  EXPECT_EQ(avi.height, 576u);
  EXPECT_EQ(avi.TotalChunks(), 50u);
  EXPECT_EQ(avi.idx1Entries, 50u);
  EXPECT_EQ(avi.standardIndexEntries, 50u);
  EXPECT_EQ(s.superIndexEntries, 1u);
  EXPECT_EQ(s.superIndexFrames, 50u);

  const test::Probe p = test::FfProbe(file, true);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.container, "avi");
  EXPECT_EQ(p.Count("video"), 1);
  EXPECT_EQ(p.Field("video", "codec_name"), "dvvideo");
  EXPECT_EQ(p.Count("audio"), 1);  // the sound inside the DV frames
  EXPECT_NEAR(p.duration, 2.0, 0.1);
  EXPECT_EQ(p.Field("video", "nb_read_packets"), "50");
  EXPECT_NEAR(test::DiscovererDuration(file), 2.0, 0.1);
}

TEST(DvAviMux, PastTheLimitTheFileGoesOnInOpenDmlForms) {
  // About seven frames a form: a 100-frame file spreads over many forms.
  const QString file = WriteDvAvi("long.avi", 100, true, 1024 * 1024);
  const media::AviFile avi = media::ReadAviFile(file);
  ASSERT_TRUE(avi.valid) << avi.error << " size " << QFileInfo(file).size();
  EXPECT_TRUE(avi.error.empty()) << avi.error;
  ASSERT_GT(avi.forms.size(), 10u);
  EXPECT_EQ(avi.forms[0].listType, "AVI ");
  for (std::size_t i = 1; i < avi.forms.size(); ++i) {
    EXPECT_EQ(avi.forms[i].listType, "AVIX");
    // Every form's size field covers exactly what is in the file up to the next.
    const std::uint64_t end = avi.forms[i].offset + 8 + avi.forms[i].size;
    if (i + 1 < avi.forms.size()) {
      EXPECT_EQ(end, avi.forms[i + 1].offset);
    }
    EXPECT_LE(avi.forms[i].size + 8ull, 1024ull * 1024ull);
  }
  EXPECT_EQ(avi.TotalChunks(), 100u);
  EXPECT_EQ(avi.streams[0].length, 100u);
  EXPECT_EQ(avi.odmlFrames, 100u);
  EXPECT_EQ(avi.streams[0].superIndexEntries, avi.forms.size());
  EXPECT_EQ(avi.streams[0].superIndexFrames, 100u);
  EXPECT_EQ(avi.standardIndexEntries, 100u);
  // The classic index and the main header count the first form only.
  EXPECT_EQ(avi.idx1Entries, avi.mainFrames);
  EXPECT_LT(avi.mainFrames, 100u);

  const test::Probe p = test::FfProbe(file, true);
  ASSERT_TRUE(p.ok);
  EXPECT_NEAR(p.duration, 4.0, 0.1);
  EXPECT_EQ(p.Field("video", "nb_read_packets"), "100");
  EXPECT_NEAR(test::DiscovererDuration(file), 4.0, 0.1);
}

TEST(DvAviMux, NtscJunkAndEmptyInputsGiveRightFiles) {
  const media::AviFile ntsc = media::ReadAviFile(WriteDvAvi("ntsc.avi", 30, false));
  ASSERT_TRUE(ntsc.valid) << ntsc.error;
  EXPECT_EQ(ntsc.streams[0].scale, 1001u);
  EXPECT_EQ(ntsc.streams[0].rate, 30000u);
  EXPECT_EQ(ntsc.height, 480u);
  EXPECT_EQ(ntsc.TotalChunks(), 30u);
  // Bytes that are not DV before the frames are left out, the frames kept.
  const media::AviFile skipped = media::ReadAviFile(WriteDvAvi("junk.avi", 10, true, 0, 1000));
  EXPECT_EQ(skipped.TotalChunks(), 10u);
  // End of stream before any frame: a valid file with nothing in it.
  const media::AviFile empty = media::ReadAviFile(WriteDvAvi("empty.avi", 0));
  ASSERT_TRUE(empty.valid) << empty.error;
  EXPECT_EQ(empty.TotalChunks(), 0u);
  EXPECT_EQ(empty.streams[0].length, 0u);
}

TEST(DvAviMux, DvInfoComesFromTheFramesPacks) {
  GstMapInfo map;
  ASSERT_FALSE(DvFrames(true).empty());
  ASSERT_TRUE(gst_buffer_map(DvFrames(true)[0].get(), &map, GST_MAP_READ));
  EXPECT_TRUE(media::DvFrameIs625(map.data, map.size));
  const auto info = media::DvInfoFromFrame(map.data, map.size);
  gst_buffer_unmap(DvFrames(true)[0].get(), &map);
  EXPECT_NE(info[0], 0u);  // AAUX source: the sound's rate and mode
  EXPECT_NE(info[4], 0u);  // VAUX source
  EXPECT_EQ(info[6] | info[7], 0u);
  ASSERT_FALSE(DvFrames(false).empty());
  ASSERT_TRUE(gst_buffer_map(DvFrames(false)[0].get(), &map, GST_MAP_READ));
  EXPECT_FALSE(media::DvFrameIs625(map.data, map.size));
  gst_buffer_unmap(DvFrames(false)[0].get(), &map);
  // Short or missing frames give no packs and no crash.
  EXPECT_EQ(media::DvInfoFromFrame(nullptr, 0)[0], 0u);
  const std::uint8_t junk[100] = {0x7F, 0xFF, 0xFF, 0xFF};
  media::DvInfoFromFrame(junk, sizeof junk);
}

// A recording cut off before its end (a kill) leaves zero sizes and counts
// and no index for the form being written; the repair brings back every
// frame, over several RIFF forms, and a second repair changes nothing.
TEST(DvAviMux, CutOffFileIsRepairedOverEveryForm) {
  ASSERT_FALSE(DvFrames(true).empty());
  const QString file = WriteDvAvi("cut.avi", 40, true, 1'000'000, 0, true);

  const media::RepairResult r = media::RepairRecordingFile(file);
  EXPECT_EQ(r.outcome, media::RepairOutcome::Repaired) << r.detail;
  EXPECT_NEAR(r.seconds, 1.6, 0.01);
  const media::AviFile avi = media::ReadAviFile(file);
  ASSERT_TRUE(avi.valid) << avi.error;
  EXPECT_TRUE(avi.error.empty()) << avi.error;
  ASSERT_GT(avi.forms.size(), 3u);
  EXPECT_EQ(avi.streams[0].length, 40u);
  EXPECT_EQ(avi.odmlFrames, 40u);
  EXPECT_EQ(avi.streams[0].superIndexEntries, avi.forms.size());
  EXPECT_EQ(avi.streams[0].superIndexFrames, 40u);
  EXPECT_EQ(avi.standardIndexEntries, 40u);
  EXPECT_EQ(avi.mainFrames, avi.idx1Entries);  // the first form's frames
  const test::Probe p = test::FfProbe(file, true);
  EXPECT_EQ(p.Field("video", "nb_read_packets"), "40");
  EXPECT_NEAR(p.duration, 1.6, 0.05);
  EXPECT_NEAR(test::DiscovererDuration(file), 1.6, 0.05);

  test::ExpectWholeAndUntouched(file);
}

// The cut went through a frame: the frames before it are all kept, the
// broken one goes, and a file the writer finished is left byte for byte.
TEST(DvAviMux, CutThroughAFrameKeepsTheWholeOnesAndFinishedFilesStay) {
  ASSERT_FALSE(DvFrames(true).empty());
  const QString file = WriteDvAvi("torn.avi", 12, true, 0, 0, true);
  ASSERT_TRUE(QFile::resize(file, QFileInfo(file).size() - 50000));
  EXPECT_EQ(media::RepairRecordingFile(file).outcome, media::RepairOutcome::Repaired);
  const test::Probe p = test::FfProbe(file, true);
  EXPECT_EQ(p.Field("video", "nb_read_packets"), "11");

  test::ExpectWholeAndUntouched(WriteDvAvi("whole.avi", 30, true, 1'000'000));
}

// A repair killed at any of its writes is finished by the next one: nothing
// it had not written yet may make the file look whole (the OpenDML total
// frames, written last, once stayed 0 and the file was called whole).
TEST(DvAviMux, ARepairKilledAtAnyWriteIsFinishedByTheNext) {
  ASSERT_FALSE(DvFrames(true).empty());
  const QString file = WriteDvAvi("killed.avi", 40, true, 1'000'000, 0, true);
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray raw = f.readAll();
  const std::vector<std::uint8_t> cut(raw.begin(), raw.end());
  const int kills = test::ExpectEveryKilledRepairFinished(cut, media::RepairAvi);
  EXPECT_GT(kills, 20) << "a repair of several forms writes many fields";
}

// Holes over the indexes and forms of a killed file of several forms: over a
// middle form's ix00 (rebuilt at the end, the super index finds it), over the
// first form's idx1 (the OpenDML index covers every frame), and across the
// end of the first form into the second (the lost RIFF AVIX header's frames
// go on in the first form). Every frame whose header the hole spared stays.
TEST(DvAviMux, HolesOverIndexesAndFormsKeepEveryWholeFrame) {
  ASSERT_FALSE(DvFrames(true).empty());
  const QString cut = WriteDvAvi("holes.avi", 40, true, 1'000'000, 0, true);
  const QString reference = cut + ".whole.avi";
  ASSERT_TRUE(QFile::copy(cut, reference));
  ASSERT_EQ(media::RepairRecordingFile(reference).outcome, media::RepairOutcome::Repaired);
  const test::RiffFile riff = test::ReadRiff(reference);
  ASSERT_TRUE(riff.valid);
  std::vector<test::RiffChunk> ix, forms, frames;
  test::RiffChunk idx1;
  for (const test::RiffChunk &c : riff.chunks) {
    if (c.id == "ix00") ix.push_back(c);
    if (c.id == "RIFF:AVIX") forms.push_back(c);
    if (c.id == "00dc") frames.push_back(c);
    if (c.id == "idx1") idx1 = c;
  }
  ASSERT_GE(ix.size(), 3u);
  ASSERT_GE(forms.size(), 2u);
  ASSERT_GT(idx1.offset, 0);
  const auto firstAfter = [&frames](qint64 at) {
    for (const test::RiffChunk &c : frames)
      if (c.offset > at) return c;
    return frames.back();
  };
  const test::RiffChunk lastOfFirst = *std::prev(
      std::find_if(frames.begin(), frames.end(), [&](const test::RiffChunk &c) { return c.offset > forms[0].offset; }));
  const qint64 boundaryFrom = lastOfFirst.offset + 50'000, boundaryTo = firstAfter(forms[0].offset).offset + 50'000;
  const struct {
    const char *name;
    qint64 at, n;
  } cases[] = {{"over a middle form's ix00", ix[1].offset, ix[1].size + 8},
               {"over the idx1", idx1.offset, 64},
               {"across the first form's end", boundaryFrom, boundaryTo - boundaryFrom}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const QString holed = cut + "." + QString::number(c.at) + ".avi";
    ASSERT_TRUE(QFile::copy(cut, holed));
    const test::HoleDamage damage = test::WriteHoles(reference, holed, {{c.at, c.n}}, 0);
    test::ExpectHolesSkipped(reference, holed, damage);
    const media::AviFile avi = media::ReadAviFile(holed);
    EXPECT_TRUE(avi.valid) << avi.error;
    EXPECT_EQ(avi.standardIndexEntries, 40u - unsigned(damage.lostVideo));
  }
}

// A camcorder's frames are stamped as they arrive, off the DV splitter's own
// frame grid, which it ends each frame's sound on: the sound must still last
// what it holds, or the AVI writer sums the durations into a header that
// says the sound is shorter than the picture.
TEST(DvAviMux, SplitSoundLastsWhatItHoldsWhateverTheFramesTimes) {
  const auto &frames = DvFrames(true);
  ASSERT_FALSE(frames.empty());
  media::ElementRef pipeline = media::ElementRef::Adopt(gst_parse_launch(
      "appsrc name=in format=time caps=\"video/x-dv,systemstream=true,framerate=25/1\" ! dvdemux name=d "
      "d.audio ! appsink name=out sync=false",
      nullptr));
  ASSERT_TRUE(pipeline);
  media::ElementRef src = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "in"));
  media::ElementRef sink = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
  media::PadRef in = media::PadRef::Adopt(gst_element_get_static_pad(sink.get(), "sink"));
  media::AttachSampleDurations(in.get());
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  constexpr int kFrames = 25;
  const GstClockTime frame = GST_SECOND / 25, offGrid = 3200 * GST_USECOND;
  for (int i = 0; i < kFrames; ++i) {
    GstBuffer *b = gst_buffer_copy(frames[std::size_t(i) % frames.size()].get());
    GST_BUFFER_PTS(b) = offGrid + GstClockTime(i) * frame;
    GST_BUFFER_DURATION(b) = frame;
    ASSERT_EQ(gst_app_src_push_buffer(GST_APP_SRC(src.get()), b), GST_FLOW_OK);
  }
  gst_app_src_end_of_stream(GST_APP_SRC(src.get()));
  GstClockTime claimed = 0, held = 0;
  int buffers = 0;
  while (GstSample *s = gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 5 * GST_SECOND)) {
    GstAudioInfo info;
    ASSERT_TRUE(gst_audio_info_from_caps(&info, gst_sample_get_caps(s)));
    GstBuffer *b = gst_sample_get_buffer(s);
    claimed += GST_BUFFER_DURATION(b);
    held += gst_util_uint64_scale_int(gst_buffer_get_size(b) / GST_AUDIO_INFO_BPF(&info), GST_SECOND,
                                      GST_AUDIO_INFO_RATE(&info));
    ++buffers;
    gst_sample_unref(s);
  }
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  EXPECT_EQ(buffers, kFrames);
  EXPECT_NEAR(double(held) / GST_SECOND, 1.0, 0.01) << "the frames' sound";
  EXPECT_EQ(claimed, held);
}
