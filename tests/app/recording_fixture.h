#pragma once
// A started main window whose captures go to a fresh folder, driven through
// the Capture and Cut actions as a user or a command file drives them.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

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

inline QString ExtensionOfCurrent(RecordingWindow &w) {
  return ExtensionFormatCapture(w.FormatBox()->currentData().toInt());
}

}  // namespace vistrel::test
