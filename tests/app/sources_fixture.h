#pragma once
// A main window started with the built-in test devices, for the source tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>

#include "actions/uraccourcis.h"
#include "app/mainform.h"
#include "app/plaque.h"
#include "app/recorder.h"
#include "app/recording_names.h"
#include "app/scenefile.h"
#include "graph/avgraph.h"
#include "platform/dialogs.h"
#include "settings/settings.h"
#include "sources/avsources.h"
#include "testenv.h"
#include "ui/videowindow.h"

namespace vistrel::test {

struct StartedWindow {
  TCaptureForm form;
  Tdm dm;
  Tplaque plaque;
  TRaccourcisForm raccourcis;

  StartedWindow() {
    platform::DialogService::Instance().ClearHistory();  // what earlier tests were asked
    form.Attach(&dm, &plaque, &raccourcis);
    form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spNone; };
    form.show();
    AwaitStartup();
  }
  // A constructor cannot end the test: this marks it failed, and its own
  // checks then meet a window that never finished starting.
  void AwaitStartup() {
    ASSERT_TRUE(SpinUntil([&] { return form.StartupDone(); }, 5000)) << "the start-up never finished";
  }
  ~StartedWindow() { form.close(); }

  ui::VideoWindow *Window() { return static_cast<ui::VideoWindow *>(form.VideoWindow()); }
  QComboBox *VideoBox() { return form.SourcesFrame->cboxvideo; }
  QComboBox *AudioBox() { return form.SourcesFrame->cboxAudio; }
  QComboBox *FormatBox() { return form.SourcesFrame->cbFormatCapture; }
  QStringList Items(QComboBox *box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
  }
  // What a user's pick in a box does: select, then announce the activation.
  void Choose(QComboBox *box, const QString &text) {
    const int i = box->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    box->setCurrentIndex(i);
    emit box->activated(i);
  }
  // Frames painted from now on reach `n` within `ms`.
  bool NewFrames(int n = 2, int ms = 2000) {
    Window()->ResetCounters();
    return SpinUntil([&] { return Window()->FramesShown() >= n; }, ms);
  }
  QString CurrentVideo() { return dm.CurrentVideoDevice() ? dm.CurrentVideoDevice()->Name : QString(); }
  QString CurrentAudio() { return dm.CurrentAudioDevice() ? dm.CurrentAudioDevice()->Name : QString(); }
};

// The settings menus of the Sources panel, as the two buttons open them.
inline QMenu *OpenSettingsMenu(StartedWindow &w, bool video) {
  (video ? w.form.btnVideoSettings : w.form.btnAudioSettings)->click();
  return w.form.findChild<QMenu *>(video ? "VideoSettingsMenu" : "AudioSettingsMenu");
}
inline QAction *MenuItem(QMenu *menu, const QString &text) {
  for (auto *a : menu->actions())
    if (a->text() == text) return a;
  return nullptr;
}
// The menu's captions, "-" for a separator.
inline QStringList MenuTexts(QMenu *menu) {
  QStringList out;
  for (auto *a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

inline const QString kCamera = QStringLiteral("Vistrel Test Camera");
inline const QString kCardVideo = QStringLiteral("Vistrel Test Capture Card - Video");
inline const QString kMicrophone = QStringLiteral("Vistrel Test Microphone");

}  // namespace vistrel::test
