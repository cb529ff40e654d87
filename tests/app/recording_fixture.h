#pragma once
// A started main window whose captures go to a fresh folder, driven through
// the Capture and Cut actions as a user or a command file drives them.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>

#include "actions/superaction.h"
#include "app/recording_names.h"
#include "sources_fixture.h"
#include "testenv.h"

namespace vistrel::test {

struct RecordingWindow : StartedWindow {
  QString folder;
  QStringList recorded;  // files finished and listed, in order
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
  void Run(int ms) { SpinFor([] { return false; }, ms); }
  QStringList Dialogs() { return platform::DialogService::Instance().History(); }
  QStringList Files() { return QDir(folder).entryList(QDir::Files, QDir::Name); }
};

// Starts a capture; false with the messages shown when it did not start.
inline bool StartCapture(RecordingWindow &w, std::string *why) {
  platform::DialogService::Instance().ClearHistory();
  w.PressCapture();
  *why = w.Dialogs().join(" | ").toStdString();
  return w.form.Etat() == esCapture;
}

#define START_CAPTURE(w)                                       \
  do {                                                         \
    std::string why;                                           \
    ASSERT_TRUE(StartCapture(w, &why)) << "did not start: " << why; \
  } while (0)

// The duration gst-discoverer finds in a file, in seconds; -1 when it cannot read it.
inline double Duration(const QString &file) {
  QProcess p;
  p.start("gst-discoverer-1.0", {file});
  if (!p.waitForFinished(20000)) return -1;
  const QString out = QString::fromUtf8(p.readAllStandardOutput());
  const int at = out.indexOf("Duration: ");
  if (p.exitCode() != 0 || at < 0) return -1;
  const QStringList hms = out.mid(at + 10, 17).trimmed().split(':');
  if (hms.size() != 3) return -1;
  return hms[0].toDouble() * 3600 + hms[1].toDouble() * 60 + hms[2].toDouble();
}

// What gst-discoverer tells of a file.
inline QString Discover(const QString &file) {
  QProcess p;
  p.start("gst-discoverer-1.0", {file});
  if (!p.waitForFinished(20000)) return {};
  return QString::fromUtf8(p.readAllStandardOutput());
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
      {dvVideo, dvAudio, 1, true, true},       {dvVideo, dvAudio, 2, true, true},
      {mpegVideo, mpegAudio, 3, true, true},   {mpegVideo, mpegAudio, 4, true, true},
  };
}

inline QString ExtensionOfCurrent(RecordingWindow &w) {
  return ExtensionFormatCapture(w.FormatBox()->currentData().toInt());
}

}  // namespace vistrel::test
