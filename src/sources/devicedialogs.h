#pragma once
// The device settings dialogs, generated from what the device offers: its
// controls, its capture formats and its tuner; and the settings menus that
// open them.
#include "sources/devicesettings.h"
#include "sources/mediatypes.h"

#include <QDialog>

#include <functional>

class QMenu;
class QSpinBox;
class QListWidget;

namespace vistrel::sources {

// One row per control: a slider with its value for numbers, a check box for
// switches; changes reach the device at once. Camera controls come in a
// group of their own.
class DeviceControlsDialog : public QDialog {
  Q_OBJECT
 public:
  DeviceControlsDialog(DeviceSettings &settings, const QString &title, QWidget *parent = nullptr);
  // Puts every control back to its default.
  void ResetDefaults();

 private:
  DeviceSettings &settings_;
  std::vector<std::function<void()>> resetters_;
};

// The capture pad's media types; the chosen entry is 1-based (0: none).
class CaptureFormatDialog : public QDialog {
  Q_OBJECT
 public:
  CaptureFormatDialog(const MediaTypeList &list, int current, QWidget *parent = nullptr);
  int Selected() const;
  void Select(int oneBased);

 private:
  QListWidget *list_;
};

class TunerDialog : public QDialog {
  Q_OBJECT
 public:
  TunerDialog(DeviceSettings &settings, QWidget *parent = nullptr);
  // Applies the frequency entered (kHz); false when the tuner refused it.
  bool Apply();
  QSpinBox *FrequencyBox() const { return frequency_; }

 private:
  DeviceSettings &settings_;
  QSpinBox *frequency_;
};

// Fills the menu from the model: one action per dialog item (tag = menu
// position), a "Video Input" submenu of checkable inputs, or the single
// disabled item "[no settings tab]" when there is nothing. `onItem` gets the
// item's text; `onInput` the input index and answers whether it was routed.
void FillSettingsMenu(QMenu *menu, const SettingsMenuModel &model, std::function<void(const QString &)> onItem,
                      std::function<bool(int)> onInput);

}  // namespace vistrel::sources
