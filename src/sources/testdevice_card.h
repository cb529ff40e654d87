#pragma once
// The test capture card's inputs and picture controls, the way the device
// dialogs see a card's crossbar and video controls.
#include <gst/gst.h>

#include <QString>
#include <QStringList>

#include <mutex>
#include <optional>
#include <vector>

namespace vistrel::sources {

class TestCaptureCardControls {
 public:
  struct Control {
    QString name;  // "Brightness", "Contrast", "Saturation", "Hue"
    int minimum, maximum, step, defaultValue;
  };

  // Elements are borrowed from the card's bin, which owns this object.
  TestCaptureCardControls(GstElement *pattern, GstElement *balance) : pattern_(pattern), balance_(balance) {}

  QStringList Inputs() const { return {QStringLiteral("Composite"), QStringLiteral("S-Video")}; }
  int Input() const;
  // False for an input that does not exist; the current one stays.
  bool SelectInput(int index);

  static std::vector<Control> Controls();
  std::optional<int> Value(const QString &name) const;
  // False for an unknown control; values are clamped to the control's range.
  bool SetValue(const QString &name, int value);

 private:
  void Apply(const QString &name, int value);
  GstElement *pattern_;
  GstElement *balance_;
  mutable std::mutex mutex_;
  int input_ = 0;
  std::vector<std::pair<QString, int>> values_;
};

// The controls of a test capture card's source bin; null for other elements.
TestCaptureCardControls *TestCaptureCardControlsOf(GstElement *sourceBin);

}  // namespace vistrel::sources
