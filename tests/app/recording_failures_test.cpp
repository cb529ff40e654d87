// What a capture leaves when things go wrong, through the main window: every
// format records a second file in the same session, a device lost mid-capture
// is told with the file that holds what was recorded, the next capture after a
// loss still writes, the disk reserve stops a capture finished and refuses a
// start, and no run leaves an empty file behind. (A real small file system:
// e2e_diskfull.sh.)
#include <cstdint>
#include <vector>

#include "recording_fixture.h"
#include "settings/codecs.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// What a driver does when its device is unplugged: the source posts an error.
void LoseDevice(GstElement *src) {
  GError *err = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "device unplugged");
  gst_element_post_message(src, gst_message_new_error(GST_OBJECT(src), err, "test"));
  g_error_free(err);
}

bool HasEmptyFile(RecordingWindow &w) {
  for (const QString &f : w.Files())
    if (QFileInfo(w.folder + "/" + f).size() == 0) return true;
  return false;
}

// The formats of `wanted` this system can offer: DivX needs a codec, mp3 an
// encoder; every other one is always there.
std::vector<int> OfferedHere(const std::vector<int> &wanted) {
  std::vector<int> out;
  for (const int f : wanted)
    if (!(f == 9 && settings::AvailableDivxCodecs().isEmpty()) && !(f == 12 && !settings::Mp3EncoderAvailable()))
      out.push_back(f);
  return out;
}

}  // namespace

// Every format the test devices feed, twice in one session: a playable
// file each time, as long as what went into it.
TEST(RecordingFailures, EveryFormatRecordsTwiceInOneSession) {
  RecordingWindow w;
  std::vector<int> wanted, ran;
  for (const FormatCase &c : EveryFormatCase()) {
    SCOPED_TRACE(c.format);
    wanted.push_back(c.format);
    w.Choose(w.VideoBox(), c.video);
    w.Choose(w.AudioBox(), c.audio);
    if (w.FormatBox()->findData(c.format) < 0) continue;
    ran.push_back(c.format);
    w.Format(c.format);
    for (int run = 0; run < 2; ++run) {
      SCOPED_TRACE(run);
      const qsizetype before = w.recorded.size();
      START_CAPTURE(w);
      w.RecordFor(1200);
      ASSERT_EQ(w.recorded.size(), before + 1);
      const QString file = w.recorded.back();
      EXPECT_TRUE(file.endsWith(ExtensionFormatCapture(c.format))) << file.toStdString();
      ExpectPlayable(file, c.hasVideo, c.hasAudio);
      // The container's length by ffprobe, which reads every packet
      // (gst-discoverer estimates an MPEG program stream's from its packs).
      w.ExpectLasts(FfProbe(file).duration, c.hasVideo ? "video" : "audio");
    }
  }
  // The MPEG encoder streams MPEG-2 until its pin is set otherwise, so its
  // MPEG-1 native format is not offered here.
  std::erase(wanted, 4);
  EXPECT_EQ(ran, OfferedHere(wanted)) << "formats that ran";
  EXPECT_FALSE(HasEmptyFile(w)) << w.Files().join(", ").toStdString();
}

TEST(RecordingFailures, ALostMicrophoneIsToldAndTheNextCaptureStillWrites) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Choose(w.AudioBox(), kMicrophone);
  const int format = w.FormatBox()->findData(9) >= 0 ? 9 : 5;
  w.Format(format);
  START_CAPTURE(w);
  const QString file = w.form.Recording().File();
  w.Run(1500);
  platform::DialogService::Instance().ClearHistory();
  LoseDevice(w.dm.CurrentAudioDevice()->Device->SourceFilter.get());
  ASSERT_TRUE(SpinUntil([&] { return w.recorded.size() == 1; }, 5000));
  ASSERT_TRUE(SpinUntil([&] { return !w.Dialogs().isEmpty(); }, 2000)) << "the user is told";
  const QString told = w.Dialogs().join("\n");
  EXPECT_TRUE(told.contains("\"" + kMicrophone + "\"")) << told.toStdString();
  EXPECT_TRUE(told.contains(file)) << told.toStdString();
  EXPECT_TRUE(told.contains("until")) << told.toStdString();
  EXPECT_EQ(w.form.Etat(), esPreview);
  ExpectPlayable(w.recorded[0], true, true);

  // The camera goes on alone; the next capture in the same format writes.
  START_CAPTURE(w);
  w.Run(1500);
  w.PressCapture();
  ASSERT_EQ(w.recorded.size(), 2);
  ExpectPlayable(w.recorded[1], true, -1);
  EXPECT_FALSE(HasEmptyFile(w)) << w.Files().join(", ").toStdString();
}

TEST(RecordingFailures, ALostCameraIsToldAndEveryFormatRecordsAgainAfterIt) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Choose(w.AudioBox(), kMicrophone);
  w.Format(6);
  START_CAPTURE(w);
  const QString file = w.form.Recording().File();
  w.Run(1200);
  platform::DialogService::Instance().ClearHistory();
  LoseDevice(w.dm.CurrentVideoDevice()->Device->SourceFilter.get());
  ASSERT_TRUE(SpinUntil([&] { return w.recorded.size() == 1; }, 5000));
  ASSERT_TRUE(SpinUntil([&] { return !w.Dialogs().isEmpty(); }, 2000));
  const QString told = w.Dialogs().join("\n");
  EXPECT_TRUE(told.contains("was lost during the capture, which stopped.")) << told.toStdString();
  EXPECT_TRUE(told.contains("The file " + file + " keeps what was recorded until")) << told.toStdString();
  ExpectPlayable(file, true, true);
  // Another video source, and every re-encoding format records after the loss.
  w.Choose(w.VideoBox(), kCardVideo);
  w.Choose(w.AudioBox(), kMicrophone);
  std::vector<int> ran;
  for (const int format : {6, 5, 9}) {
    SCOPED_TRACE(format);
    if (w.FormatBox()->findData(format) < 0) continue;
    ran.push_back(format);
    w.Format(format);
    const qsizetype before = w.recorded.size();
    START_CAPTURE(w);
    w.Run(1200);
    w.PressCapture();
    ASSERT_EQ(w.recorded.size(), before + 1);
    ExpectPlayable(w.recorded.back(), true, true);
  }
  EXPECT_EQ(ran, OfferedHere({6, 5, 9})) << "formats that ran";
  EXPECT_FALSE(HasEmptyFile(w)) << w.Files().join(", ").toStdString();
}

TEST(RecordingFailures, TheDiskReserveStopsACaptureFinishedAndToldInEverySoundFormat) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Choose(w.AudioBox(), kMicrophone);
  auto &graph = w.dm.fg();
  const std::int64_t reserve = graph.DiskReserve();
  std::vector<int> ran;
  for (const int format : {5, 6, 9, 11}) {
    SCOPED_TRACE(format);
    if (w.FormatBox()->findData(format) < 0) continue;
    ran.push_back(format);
    w.Format(format);
    START_CAPTURE(w);
    const QString file = w.form.Recording().File();
    w.Run(1500);
    // The disk looks nearly full from now on: the running capture stops by itself.
    platform::DialogService::Instance().ClearHistory();
    const qsizetype before = w.recorded.size();
    graph.SetDiskReserve(std::int64_t(1) << 60);
    ASSERT_TRUE(SpinUntil([&] { return w.recorded.size() == before + 1; }, 5000));
    graph.SetDiskReserve(reserve);
    EXPECT_EQ(w.form.Etat(), esPreview);
    const QString told = w.Dialogs().join("\n");
    EXPECT_TRUE(told.contains("The capture stopped because the disk holding " + w.folder + " has only"))
        << told.toStdString();
    EXPECT_TRUE(told.contains("The file " + file + " keeps what was recorded until")) << told.toStdString();
    ExpectPlayable(file, format != 11, true);
  }
  EXPECT_EQ(ran, OfferedHere({5, 6, 9, 11})) << "formats that ran";
}

TEST(RecordingFailures, ANearlyFullDiskRefusesTheStartAndALowOneAsksFirst) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Format(w.FormatBox()->findData(9) >= 0 ? 9 : 5);
  auto &graph = w.dm.fg();
  const std::int64_t reserve = graph.DiskReserve();
  graph.SetDiskReserve(std::int64_t(1) << 60);
  for (int attempt = 0; attempt < 2; ++attempt) {
    platform::DialogService::Instance().ClearHistory();
    w.PressCapture();
    EXPECT_EQ(w.form.Etat(), esPreview);
    ASSERT_EQ(w.Dialogs().size(), 1);
    EXPECT_TRUE(w.Dialogs()[0].contains("The capture does not start")) << w.Dialogs()[0].toStdString();
  }
  graph.SetDiskReserve(reserve);
  EXPECT_TRUE(w.Files().isEmpty()) << "no empty file at each try";

  // Under the low-disk figure the start is asked; No leaves nothing behind.
  w.form.Parameters().SetInt("Low Disk Space", 1 << 30);
  w.Answer(platform::DlgAnswer::No);
  platform::DialogService::Instance().ClearHistory();
  w.PressCapture();
  EXPECT_EQ(w.form.Etat(), esPreview);
  ASSERT_EQ(w.Dialogs().size(), 1);
  EXPECT_TRUE(w.Dialogs()[0].startsWith("Only ")) << w.Dialogs()[0].toStdString();
  EXPECT_TRUE(w.Files().isEmpty());
  w.Answer(platform::DlgAnswer::Yes);
  START_CAPTURE(w);
  w.Run(800);
  w.PressCapture();
  EXPECT_EQ(w.recorded.size(), 1);
  w.form.Parameters().SetInt("Low Disk Space", 300);
}
