#pragma once
// The test capture card's inputs and picture controls, the way the device
// dialogs see a TV card's crossbar, sound crossbar, tuner and video controls.
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
  TestCaptureCardControls(GstElement *pattern, GstElement *balance, GstElement *tone)
      : pattern_(pattern), balance_(balance), tone_(tone) {}

  QStringList Inputs() const { return {QStringLiteral("Composite"), QStringLiteral("S-Video"), QStringLiteral("Tuner")}; }
  int Input() const;
  // False for an input that does not exist; the current one stays.
  bool SelectInput(int index);

  // The sound side: the tuner's sound or the line input beside the picture
  // inputs. Each has a pitch of its own, and the tuner's second language
  // another, so a switch can be heard and measured.
  QStringList AudioInputs() const { return {QStringLiteral("Tuner Audio"), QStringLiteral("Line")}; }
  // The sound input that goes with a picture input.
  static int RelatedAudio(int input) { return input == 2 ? 0 : 1; }
  int AudioInput() const;
  bool SelectAudioInput(int index);
  quint32 Frequency() const;
  void SetFrequency(quint32 kHz);
  // The V4L2 numbering of the sound modes: 0 mono, 1 stereo, 2 second
  // language, 3 first language, 4 both.
  int TvAudioMode() const;
  bool SetTvAudioMode(int mode);
  double Pitch() const;

  static std::vector<Control> Controls();
  std::optional<int> Value(const QString &name) const;
  // False for an unknown control; values are clamped to the control's range.
  bool SetValue(const QString &name, int value);

 private:
  void Apply(const QString &name, int value);
  void ApplyPitch();
  GstElement *pattern_;
  GstElement *balance_;
  GstElement *tone_;
  mutable std::mutex mutex_;
  int input_ = 0;
  int audioInput_ = 1;
  int tvAudioMode_ = 1;
  quint32 frequency_ = 471250;  // a UHF channel's picture carrier
  std::vector<std::pair<QString, int>> values_;
};

// The controls of a test capture card's source bin; null for other elements.
TestCaptureCardControls *TestCaptureCardControlsOf(GstElement *sourceBin);

}  // namespace vistrel::sources
