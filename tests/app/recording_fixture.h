#pragma once
// A started main window whose captures go to a fresh folder, driven through
// the Capture and Cut actions as a user or a command file drives them.
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>

#include "actions/superaction.h"
#include "app/cockpit_state.h"
#include "app/recording_names.h"
#include "mediaprobe.h"
#include "recordedspan.h"
#include "sources_fixture.h"
#include "testenv.h"

namespace vistrel::test {

struct RecordingWindow : StartedWindow {
  QString folder;
  QStringList recorded;  // files finished and listed, in order
  // What goes into the capture's files, watched from just after its start
  // (the first buffers may pass before), and the time since it was asked.
  std::unique_ptr<RecordedSpan> span;
  QElapsedTimer sinceStart;
  double ranSeconds = 0;  // from the Capture press to the stop of the last RecordFor()
  explicit RecordingWindow(bool withDate = false) {
    QObject::connect(&form, &TCaptureForm::captureRecorded, &form,
                     [this](const QString &file, int, int) { recorded << file; });
    platform::DialogService::Instance().SetUnattended(platform::DlgAnswer::Yes);
    folder = freshDir("captures");
    form.leVideoDirectory->setText(folder);
    form.VideoDirectoryChange();
    if (form.cbVideoDate->isChecked() != withDate) {
      form.cbVideoDate->setChecked(withDate);
      form.cbVideoDateClick();
    }
  }
  ~RecordingWindow() { platform::DialogService::Instance().SetUnattended(std::nullopt); }

  void Answer(platform::DlgAnswer a) { platform::DialogService::Instance().SetUnattended(a); }
  TCustomSuperAction *Capture() { return form.Action("saCapturerBascule"); }
  TCustomSuperAction *Cut() { return form.Action("acCouper"); }
  // The action as the Capture button runs it.
  void PressCapture() { Capture()->ExecuteInteractive(); }
  void PressCut() { Cut()->ExecuteInteractive(); }
  void Format(int code) {
    const int i = FormatBox()->findData(code);
    ASSERT_GE(i, 0) << "format " << code << " not offered";
    FormatBox()->setCurrentIndex(i);
    emit FormatBox()->activated(i);
  }
  // Lets the streams run for a while (the capture writes meanwhile).
  void Run(int ms) { SpinFor(ms); }
  // Lets a started capture run `ms` past its first buffers at the file,
  // then stops it with the Capture button.
  void RecordFor(int ms) {
    ASSERT_TRUE(span) << "no capture started";
    ASSERT_TRUE(SpinUntil([&] { return span->Started(); }, 10000)) << "nothing reached the file in 10 s";
    Run(ms);
    span->MarkStop();
    ranSeconds = sinceStart.elapsed() / 1000.0;
    PressCapture();
  }
  // A stream of the file RecordFor() finished lasts at least what was seen
  // going in and at most as long as the capture ran (an MPEG stream's
  // reordered pictures may start its clock a few frames early).
  void ExpectLasts(double fileSeconds, const char *kind) {
    ASSERT_TRUE(span);
    ExpectLastsAsRecorded(fileSeconds, *span, kind, ranSeconds, 0.2);
  }
  QStringList Dialogs() { return platform::DialogService::Instance().History(); }
  QStringList Files() { return QDir(folder).entryList(QDir::Files, QDir::Name); }
};

// Starts a capture; false with the messages shown when it did not start.
inline bool StartCapture(RecordingWindow &w, std::string *why) {
  platform::DialogService::Instance().ClearHistory();
  w.sinceStart.start();
  w.PressCapture();
  *why = w.Dialogs().join(" | ").toStdString();
  if (w.form.Etat() != esCapture) return false;
  w.span = std::make_unique<RecordedSpan>(w.dm.fg().Pipeline());
  return true;
}

#define START_CAPTURE(w)                                       \
  do {                                                         \
    std::string why;                                           \
    ASSERT_TRUE(StartCapture(w, &why)) << "did not start: " << why; \
  } while (0)

// gst-discoverer plays the file: its streams are there and it lasts more
// than `least` seconds. audio: 1 sound expected, 0 none, -1 either.
inline void ExpectPlayable(const QString &file, bool video, int audio, double least = 0.4) {
  SCOPED_TRACE(file.toStdString());
  QString info;
  const double seconds = DiscovererDuration(file, &info);
  EXPECT_EQ(info.contains("video #"), video) << info.toStdString();
  if (audio >= 0) {
    EXPECT_EQ(info.contains("audio #"), audio == 1) << info.toStdString();
  }
  EXPECT_GT(seconds, least) << info.toStdString();
}

// Every recording format with the test devices that feed it, and what its file holds.
struct FormatCase {
  QString video, audio;
  int format;
  bool hasVideo, hasAudio;
};
inline std::vector<FormatCase> EveryFormatCase() {
  const QString dvVideo = QStringLiteral("DV Source - Video"), dvAudio = QStringLiteral("DV Source - Audio");
  const QString mpegVideo = QStringLiteral("Vistrel Test MPEG Encoder - Video"),
                mpegAudio = QStringLiteral("Vistrel Test MPEG Encoder - Audio");
  return {
      {kCamera, kMicrophone, 5, true, true},   {kCamera, kMicrophone, 6, true, true},
      {kCamera, kMicrophone, 7, true, true},   {kCamera, kMicrophone, 9, true, true},
      {kCamera, kMicrophone, 11, false, true}, {kCamera, kMicrophone, 12, false, true},
      {kCamera, kMicrophone, 13, true, true},  {dvVideo, dvAudio, 1, true, true},
      {dvVideo, dvAudio, 2, true, true},       {mpegVideo, mpegAudio, 3, true, true},
      {mpegVideo, mpegAudio, 4, true, true},
  };
}

inline QString ExtensionOfCurrent(RecordingWindow &w) {
  return ExtensionFormatCapture(w.FormatBox()->currentData().toInt());
}

// The Schedule panel's start and end fields, `from` and `to` seconds after `now`.
inline void SetScheduleFields(TCaptureForm::CockpitState &c, const QDateTime &now, int from, int to) {
  auto set = [](QDateEdit *d, QSpinBox *h, QSpinBox *m, QSpinBox *s, const QDateTime &t) {
    d->setDate(t.date());
    h->setValue(t.time().hour());
    m->setValue(t.time().minute());
    s->setValue(t.time().second());
  };
  set(c.DateEdit1, c.RxSpinEdit1, c.RxSpinEdit2, c.RxSpinEdit3, now.addSecs(from));
  set(c.DateEdit2, c.RxSpinEdit4, c.RxSpinEdit5, c.RxSpinEdit6, now.addSecs(to));
}

}  // namespace vistrel::test
