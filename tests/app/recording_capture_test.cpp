// Real captures from the test devices through the main window: files in a
// row, Cut, every format, Image by Image, a device lost mid-capture, and the
// scene file of the test DV camcorder. (Failures: recording_failures_test.cpp.)

#include <QProcess>

#include "app/recording_journal.h"
#include "filters/dvcodes.h"
#include "filters/vs_scenedetect.h"
#include "recording_fixture.h"
#include "sessionlist/fichierlistbox.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

const QString kDvVideo = QStringLiteral("DV Source - Video");

int PreferredFormat(RecordingWindow &w) { return w.FormatBox()->findData(9) >= 0 ? 9 : 5; }

}  // namespace

TEST(RecordingCapture, TwoCapturesAndACutGiveConsecutiveListedFiles) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Choose(w.AudioBox(), kMicrophone);
  w.Format(PreferredFormat(w));
  const QString ext = ExtensionOfCurrent(w);

  START_CAPTURE(w);
  EXPECT_TRUE(w.Cut()->isEnabled());
  EXPECT_FALSE(w.VideoBox()->isEnabled());
  EXPECT_EQ(w.Capture()->text(), "Stop Capture");
  w.Run(1500);
  w.PressCapture();
  EXPECT_EQ(w.form.Etat(), esPreview);
  EXPECT_FALSE(w.Cut()->isEnabled());
  EXPECT_EQ(w.Capture()->text(), "Capture");

  // The journal names the one file being written, and nothing once it is finished.
  const RecordingJournal journal(RecordingJournal::DefaultPath());
  const auto journaled = [&journal] {
    QStringList files;
    for (const JournalEntry &e : journal.Entries()) files << e.file;
    return files;
  };
  EXPECT_TRUE(journaled().isEmpty());
  START_CAPTURE(w);
  EXPECT_EQ(journaled(), QStringList({w.folder + "/Video_1" + ext}));
  w.Run(1200);
  w.PressCut();
  EXPECT_EQ(w.form.Etat(), esCapture) << "a cut goes on recording";
  EXPECT_EQ(journaled(), QStringList({w.folder + "/Video_2" + ext}));
  w.Run(1200);
  w.PressCapture();
  EXPECT_EQ(w.form.Etat(), esPreview);
  EXPECT_TRUE(journaled().isEmpty());

  ASSERT_EQ(w.recorded.size(), 3);
  for (int i = 0; i < 3; ++i) {
    const QString file = w.recorded[i];
    EXPECT_EQ(file, w.folder + "/Video_" + QString::number(i) + ext);
    ExpectPlayable(file, true, -1, 0.5);
    EXPECT_LT(DiscovererDuration(file), 3.0) << file.toStdString();
  }
  EXPECT_EQ(w.form.NomVideo(), w.folder + "/Video_3" + ext);
  // The List panel holds the three parts in order.
  auto *list = w.form.FichierListbox();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list->Entry(i)->FullName, w.recorded[i]);
  EXPECT_TRUE(w.NewFrames(2)) << "the preview runs again";
}

TEST(RecordingCapture, ImageByImageWithoutAGrabLeavesNoFile) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Format(8);
  START_CAPTURE(w);
  EXPECT_TRUE(w.form.Recording().ImageByImage());
  w.Run(800);
  w.PressCapture();
  EXPECT_FALSE(w.form.Recording().ImageByImage());
  EXPECT_TRUE(w.Files().isEmpty()) << w.Files().join(", ").toStdString();
  EXPECT_EQ(w.recorded.size(), 0) << "a file that is not there is not listed";
}

TEST(RecordingCapture, DeviceLostMidCaptureKeepsTheFileAndComesBack) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Format(PreferredFormat(w));
  START_CAPTURE(w);
  w.Run(1200);
  // The camera's source reports that the device went away.
  GstElement *src = w.dm.CurrentVideoDevice()->Device->SourceFilter.get();
  ASSERT_NE(src, nullptr);
  GError *err = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "device unplugged");
  gst_element_post_message(src, gst_message_new_error(GST_OBJECT(src), err, "test"));
  g_error_free(err);
  ASSERT_TRUE(SpinUntil([&] { return w.recorded.size() == 1; }, 5000));
  EXPECT_EQ(w.form.Etat(), esPreview);
  EXPECT_GT(DiscovererDuration(w.recorded[0]), 0.3);
  EXPECT_TRUE(SpinUntil([&] { return w.form.Parameters().Bool("Notifier"); }, 1000)) << "notifications given back";
  EXPECT_TRUE(w.form.Recording().File().isEmpty());
  EXPECT_TRUE(w.Capture()->isEnabled()) << "a new capture can start";
}

TEST(RecordingCapture, DvCaptureWritesASceneFileMatchingTheDateJumps) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kDvVideo);
  ASSERT_EQ(w.CurrentVideo(), kDvVideo);
  w.form.OptionsFrame->options->cbScn->setChecked(true);
  w.form.Parameters().SetBool("scn", true);
  const int format = w.FormatBox()->findData(2) >= 0 ? 2 : 1;
  w.Format(format);
  START_CAPTURE(w);
  const QString scnName = TSceneFile::NameFor(w.form.Recording().File());
  w.RecordFor(11500);
  ASSERT_EQ(w.recorded.size(), 1);
  // The date jumps in the frames the file holds, taken out of it by ffmpeg:
  // what the scene file must report, whatever the window saw meanwhile.
  const QString frames = freshDir("dvframes") + "/frames.dv";
  QProcess copy;
  copy.start("ffmpeg",
             {"-nostdin", "-v", "error", "-i", w.recorded[0], "-map", "0:v:0", "-c", "copy", "-f", "rawvideo", frames});
  ASSERT_TRUE(copy.waitForFinished(60000) && copy.exitCode() == 0) << copy.readAllStandardError().toStdString();
  QFile dv(frames);
  ASSERT_TRUE(dv.open(QIODevice::ReadOnly));
  const QByteArray all = dv.readAll();
  const auto *bytes = reinterpret_cast<const std::uint8_t *>(all.constData());
  const qsizetype frameSize = filters::DVSystem(bytes, all.size()) == 1 ? 120000 : 144000;
  ASSERT_GT(all.size(), 25 * frameSize);
  int jumps = 0;
  double last = 0;
  for (qsizetype at = 0; at + frameSize <= all.size(); at += frameSize) {
    filters::DVInfo now;
    filters::BuildDVInfo(bytes + at, std::size_t(frameSize), now);
    if (!now.DateValid) continue;
    if (last != 0 && std::abs(now.DateTime - last) > 2.0 / 86400.0) ++jumps;
    last = now.DateTime;
  }
  QFile f(scnName);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << scnName.toStdString();
  const QByteArray b = f.readAll();
  const int L = std::uint8_t(b[24]);
  const int count = std::uint8_t(b[33 + L]) | std::uint8_t(b[34 + L]) << 8;
  EXPECT_GE(jumps, 1);
  EXPECT_EQ(count, jumps + 1) << "one report per jump and one at stop";
  EXPECT_EQ(b.size(), 65 + L + 23 + L + (count - 1) * 35);
}

TEST(RecordingCapture, ImageByImageFramesPlayAtTheChosenRate) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Format(8);
  w.form.leFramerate->setText("5,0");
  w.form.FramerateExit();
  EXPECT_DOUBLE_EQ(w.form.Parameters().Real("Framerate"), 5.0);
  START_CAPTURE(w);
  const QString stillName = w.form.NomImage;
  auto *grab = w.form.Action("saGrab");
  for (int i = 0; i < 5; ++i) {
    grab->ExecuteInteractive();
    w.Run(300);
  }
  const int images = w.form.Recording().Images();
  w.PressCapture();
  ASSERT_EQ(w.recorded.size(), 1);
  EXPECT_GE(images, 1);
  // A grab lets a frame into the file instead of saving a still.
  EXPECT_EQ(w.form.NomImage, stillName);
  EXPECT_FALSE(QFileInfo::exists(stillName));
  // 5 frames at 5 images a second: about one second, whatever the camera's rate.
  const double seconds = DiscovererDuration(w.recorded[0]);
  EXPECT_NEAR(seconds, images / 5.0, 0.25);
}

TEST(RecordingCapture, ImagesPerSecondBoxRefusesWhatIsNotARate) {
  RecordingWindow w;
  for (const char *bad : {"abc", "0", "-3"}) {
    platform::DialogService::Instance().ClearHistory();
    w.form.leFramerate->setText(bad);
    w.form.FramerateExit();
    EXPECT_EQ(w.form.leFramerate->text(), "18,0") << bad;
    EXPECT_DOUBLE_EQ(w.form.Parameters().Real("Framerate"), 18.0);
    EXPECT_EQ(w.Dialogs(), QStringList{"The value of \"images/second\" is not correct\nEnter a decimal value"});
  }
}

TEST(RecordingCapture, ClosingDuringACaptureFinishesAndListsTheFile) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Format(PreferredFormat(w));
  START_CAPTURE(w);
  w.Run(1200);
  w.form.close();
  ASSERT_EQ(w.recorded.size(), 1);
  EXPECT_GT(DiscovererDuration(w.recorded[0]), 0.5);
}

TEST(RecordingCapture, ChangingTheSourceDuringACaptureFinishesIt) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Format(PreferredFormat(w));
  START_CAPTURE(w);
  w.Run(1200);
  // What a command file's source_video does while the box itself is disabled.
  w.form.ActiverVideo(kCardVideo);
  ASSERT_EQ(w.recorded.size(), 1);
  EXPECT_EQ(w.form.Etat(), esPreview);
  EXPECT_GT(DiscovererDuration(w.recorded[0]), 0.5);
  EXPECT_TRUE(w.NewFrames(2));
  START_CAPTURE(w);  // and the next capture starts from a clean graph
  w.Run(800);
  w.PressCapture();
  EXPECT_EQ(w.recorded.size(), 2);
}
