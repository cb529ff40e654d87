// The RIFF/AVI reader and the video rate rewrite, on files a real muxer wrote
// and on damaged ones.
#include "media/aviheader.h"
#include "media/gstref.h"
#include "mediaprobe.h"
#include "testenv.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

// Two seconds of 25 fps picture and sound from avimux.
QString RealAvi() {
  const QString file = test::freshDir("avi") + "/real.avi";
  const QString launch = QString(
                             "audiotestsrc num-buffers=20 samplesperbuffer=4800 ! audio/x-raw,rate=48000,channels=2 ! "
                             "avimux name=m ! filesink location=\"%1\" videotestsrc num-buffers=50 ! "
                             "video/x-raw,format=I420,width=64,height=48,framerate=25/1 ! m.")
                             .arg(file);
  media::ElementRef pipeline = media::ElementRef::Adopt(gst_parse_launch(launch.toUtf8().constData(), nullptr));
  if (!pipeline) return file;
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  media::GstRef<GstBus> bus = media::GstRef<GstBus>::Adopt(gst_element_get_bus(pipeline.get()));
  media::MessageRef(media::MessageRef::Adopt(gst_bus_timed_pop_filtered(
      bus.get(), 20 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))));
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  return file;
}

QByteArray ReadAll(const QString &file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString &file, const QByteArray &bytes) {
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QByteArray Le32(quint32 x) {
  QByteArray b(4, 0);
  for (int i = 0; i < 4; ++i) b[i] = char(x >> (8 * i));
  return b;
}

QByteArray Chunk(const QByteArray &id, const QByteArray &data) {
  return id + Le32(quint32(data.size())) + data + (data.size() & 1 ? QByteArray(1, 0) : QByteArray());
}

}  // namespace

TEST(AviHeader, ReadsWhatAvimuxWroteAndRewritesOnlyTheVideoRate) {
  const QString file = RealAvi();
  const QByteArray before = ReadAll(file);
  const media::AviFile was = media::ReadAviFile(file);
  ASSERT_TRUE(was.valid) << was.error;
  EXPECT_TRUE(was.error.empty()) << was.error;
  ASSERT_EQ(was.streams.size(), 2u);
  const media::AviStreamHeader *video = was.VideoStream();
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->length, 50u);
  EXPECT_EQ(double(video->rate) / video->scale, 25.0);
  EXPECT_EQ(was.width, 64u);
  EXPECT_EQ(was.chunksPerStream, (std::vector<std::uint64_t>{50, 20}));
  EXPECT_EQ(was.idx1Entries, 70u);

  ASSERT_TRUE(media::RewriteAviVideoRate(file, 1, 5));
  const QByteArray after = ReadAll(file);
  ASSERT_EQ(after.size(), before.size());
  const media::AviFile now = media::ReadAviFile(file);
  EXPECT_EQ(now.VideoStream()->scale, 1u);
  EXPECT_EQ(now.VideoStream()->rate, 5u);
  // Nothing changed outside the video stream header's scale and rate.
  for (int i = 0; i < before.size(); ++i)
    if (before[i] != after[i]) {
      EXPECT_GE(i, int(video->offset) + 20);
      EXPECT_LT(i, int(video->offset) + 28);
    }
  // 50 frames at 5 per second.
  EXPECT_NEAR(test::FfProbe(file).Field("video", "duration").toDouble(), 10.0, 0.1);
}

TEST(AviHeader, RewriteRefusesWhatItCannotPatchAndLeavesItAlone) {
  const QString dir = test::freshDir("avi-bad");
  EXPECT_FALSE(media::RewriteAviVideoRate(dir + "/missing.avi", 1, 25));
  const QByteArray wav = "RIFF" + Le32(4 + 8 + 16) + "WAVE" + Chunk("fmt ", QByteArray(16, 1));
  Write(dir + "/sound.wav", wav);
  EXPECT_FALSE(media::RewriteAviVideoRate(dir + "/sound.wav", 1, 25));
  EXPECT_EQ(ReadAll(dir + "/sound.wav"), wav);
  // A zero rate would make every reader divide by zero.
  const QString real = RealAvi();
  const QByteArray original = ReadAll(real);
  EXPECT_FALSE(media::RewriteAviVideoRate(real, 0, 25));
  EXPECT_FALSE(media::RewriteAviVideoRate(real, 1, 0));
  EXPECT_EQ(ReadAll(real), original);
}

TEST(AviHeader, DamagedFilesAreReportedNotBelieved) {
  const QByteArray real = ReadAll(RealAvi());
  ASSERT_GT(real.size(), 1000);
  // Cut in the middle of the frames: the header still reads, the cut is named.
  const media::AviFile cut = media::ReadAviBytes(real.constData(), std::size_t(real.size() / 2));
  EXPECT_TRUE(cut.valid);
  EXPECT_FALSE(cut.error.empty());
  EXPECT_LT(cut.TotalChunks(), 70u);

  // A list that claims more than the file holds, and lists nested without end.
  QByteArray lie = "RIFF" + Le32(0x7FFFFFF0) + "AVI " + "LIST" + Le32(0x7FFFFFF0) + "hdrl" + Chunk("avih", QByteArray(56, 0));
  const media::AviFile big = media::ReadAviBytes(lie.constData(), std::size_t(lie.size()));
  EXPECT_TRUE(big.valid);
  EXPECT_NE(big.error.find("past"), std::string::npos);
  QByteArray nested = Chunk("avih", QByteArray(56, 0));
  for (int i = 0; i < 40; ++i) nested = "LIST" + Le32(quint32(nested.size() + 4)) + "hdrl" + nested;
  nested = "RIFF" + Le32(quint32(nested.size() + 4)) + "AVI " + nested;
  const media::AviFile deep = media::ReadAviBytes(nested.constData(), std::size_t(nested.size()));
  EXPECT_NE(deep.error.find("deep"), std::string::npos);

  // Not RIFF at all, or a RIFF form of another kind.
  const QByteArray text = "hello, not a video";
  EXPECT_FALSE(media::ReadAviBytes(text.constData(), std::size_t(text.size())).valid);
  const QByteArray wav = "RIFF" + Le32(4) + "WAVE";
  EXPECT_FALSE(media::ReadAviBytes(wav.constData(), std::size_t(wav.size())).valid);
  EXPECT_FALSE(media::ReadAviBytes(nullptr, 0).valid);
}
