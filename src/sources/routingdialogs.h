#pragma once
// The pages of a card's routing: its crossbar (which input feeds the
// picture, and the sound with it), its sound crossbar, and the TV sound
// modes of its tuner. Each applies what was chosen when accepted.
#include "sources/devicesettings.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;

namespace vistrel::sources {

class CrossbarDialog : public QDialog {
  Q_OBJECT
 public:
  // The picture crossbar, or with `sound` the sound crossbar upstream of it.
  CrossbarDialog(DeviceSettings &settings, bool sound, QWidget *parent = nullptr);
  QComboBox *InputBox() const { return input_; }
  // Present on the picture crossbar of a card with sound inputs.
  QCheckBox *LinkBox() const { return link_; }
  // Routes the input chosen; false when the device refused it.
  bool Apply();

 private:
  void ShowRelated();
  DeviceSettings &settings_;
  bool sound_;
  std::vector<DeviceInput> inputs_, soundInputs_;
  QComboBox *input_;
  QCheckBox *link_ = nullptr;
  QLabel *related_ = nullptr;
};

class TvAudioDialog : public QDialog {
  Q_OBJECT
 public:
  TvAudioDialog(DeviceSettings &settings, QWidget *parent = nullptr);
  // Checks the button of a mode (its V4L2 number); false when not offered.
  bool Choose(int mode);
  bool Apply();

 private:
  DeviceSettings &settings_;
  QButtonGroup *modes_;
};

}  // namespace vistrel::sources
