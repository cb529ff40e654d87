// A TV card's sound is an ALSA card of its own, beside the card's V4L2 node;
// which broadcast channels are heard is the tuner's setting, reached through
// that node. The two are found on the same board (PCI functions of one slot)
// or the same USB device (interfaces of one device).
#include "sources/devicesettings.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace vistrel::sources {
namespace {

// The physical device a sysfs device belongs to: a USB interface
// ("1-1.2:1.1") is a part of its device, a PCI function ("0000:03:00.1") of
// its slot.
QString PhysicalDevice(const QString &sysfsDevice) {
  const QString path = QFileInfo(sysfsDevice).canonicalFilePath();
  if (path.isEmpty()) return {};
  const QString last = QFileInfo(path).fileName();
  static const QRegularExpression usbInterface(QStringLiteral("^\\d+-[\\d.]+:\\d+\\.\\d+$"));
  static const QRegularExpression pciFunction(QStringLiteral("^[0-9a-f]{4}:[0-9a-f]{2}:[0-9a-f]{2}\\.[0-7]$"));
  if (usbInterface.match(last).hasMatch()) return QFileInfo(path).path();
  if (pciFunction.match(last).hasMatch()) return path.left(path.size() - 2);
  return path;
}

// The sound card's settings with the TV sound of the tuner on its board;
// everything else is the card's own (when its mixer could be opened).
class SoundCardWithTuner : public DeviceSettings {
 public:
  SoundCardWithTuner(std::unique_ptr<DeviceSettings> card, std::unique_ptr<DeviceSettings> tuner)
      : card_(std::move(card)), tuner_(std::move(tuner)) {}
  std::vector<DeviceInput> Inputs() const override { return card_ ? card_->Inputs() : std::vector<DeviceInput>{}; }
  int CurrentInput() const override { return card_ ? card_->CurrentInput() : -1; }
  bool SelectInput(int index) override { return card_ && card_->SelectInput(index); }
  std::vector<DeviceControl> Controls() const override {
    return card_ ? card_->Controls() : std::vector<DeviceControl>{};
  }
  bool SetControl(quint32 id, int value) override { return card_ && card_->SetControl(id, value); }
  std::vector<TvAudioMode> TvAudioModes() const override { return tuner_->TvAudioModes(); }
  int CurrentTvAudioMode() const override { return tuner_->CurrentTvAudioMode(); }
  bool SetTvAudioMode(int mode) override { return tuner_->SetTvAudioMode(mode); }
  QStringList TvAudioReceived() const override { return tuner_->TvAudioReceived(); }

 private:
  std::unique_ptr<DeviceSettings> card_, tuner_;
};

}  // namespace

QString SiblingVideoNode(const QString &alsaCard, const QString &sysRoot) {
  static const QRegularExpression hw(QStringLiteral("^hw:(\\d+)"));
  const auto m = hw.match(alsaCard);
  if (!m.hasMatch()) return {};
  const QString board = PhysicalDevice(sysRoot + QStringLiteral("/class/sound/card%1/device").arg(m.captured(1)));
  if (board.isEmpty()) return {};
  const QDir v4l(sysRoot + QStringLiteral("/class/video4linux"));
  for (const QString &node : v4l.entryList({QStringLiteral("video*")}, QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name))
    if (PhysicalDevice(v4l.filePath(node) + QStringLiteral("/device")) == board) return QStringLiteral("/dev/") + node;
  return {};
}

std::unique_ptr<DeviceSettings> OpenSoundCardSettings(const QString &card) {
  auto mixer = OpenAlsaMixerSettings(card);
  const QString node = SiblingVideoNode(card);
  auto tuner = node.isEmpty() ? nullptr : OpenV4l2Settings(node);
  if (!tuner || tuner->TvAudioModes().empty()) return mixer;
  return std::make_unique<SoundCardWithTuner>(std::move(mixer), std::move(tuner));
}

}  // namespace vistrel::sources
