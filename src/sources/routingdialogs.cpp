#include "sources/routingdialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>

namespace vistrel::sources {
namespace {

QString PinCaption(int index, const DeviceInput &input) {
  return QStringLiteral("%1: %2 - %3").arg(index).arg(NomTypePin(input.physicalType), input.name);
}

QDialogButtonBox *OkCancel(QDialog *dialog, std::function<void()> onOk) {
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, onOk] {
    onOk();
    dialog->accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace

CrossbarDialog::CrossbarDialog(DeviceSettings &settings, bool sound, QWidget *parent)
    : QDialog(parent), settings_(settings), sound_(sound) {
  setWindowTitle(sound ? tr("Second Crossbar") : tr("Video Crossbar"));
  inputs_ = settings_.Inputs();
  soundInputs_ = settings_.AudioInputs();
  auto *form = new QFormLayout(this);
  form->addRow(tr("Output"), new QLabel(sound ? QStringLiteral("0: Audio Decoder") : QStringLiteral("0: Video Decoder"), this));
  input_ = new QComboBox(this);
  input_->setObjectName("CrossbarInput");
  const auto &shown = sound ? soundInputs_ : inputs_;
  for (size_t i = 0; i < shown.size(); ++i) input_->addItem(PinCaption(int(i), shown[i]));
  input_->setCurrentIndex(sound ? settings_.CurrentAudioInput() : settings_.CurrentInput());
  form->addRow(tr("Input"), input_);
  if (!sound && !soundInputs_.empty()) {
    link_ = new QCheckBox(tr("Link related streams"), this);
    link_->setChecked(true);
    related_ = new QLabel(this);
    form->addRow(link_);
    form->addRow(tr("Related input"), related_);
    connect(input_, &QComboBox::currentIndexChanged, this, &CrossbarDialog::ShowRelated);
    ShowRelated();
  }
  form->addRow(OkCancel(this, [this] { Apply(); }));
}

void CrossbarDialog::ShowRelated() {
  const int i = input_->currentIndex();
  const int related = i >= 0 && i < int(inputs_.size()) ? inputs_[size_t(i)].relatedAudio : -1;
  related_->setText(related >= 0 && related < int(soundInputs_.size()) ? PinCaption(related, soundInputs_[size_t(related)])
                                                                        : tr("none"));
}

bool CrossbarDialog::Apply() {
  const int i = input_->currentIndex();
  if (sound_) return settings_.SelectAudioInput(i);
  return link_ && link_->isChecked() ? RouterEntree(settings_, i) : settings_.SelectInput(i);
}

TvAudioDialog::TvAudioDialog(DeviceSettings &settings, QWidget *parent) : QDialog(parent), settings_(settings) {
  setWindowTitle(tr("TV Audio"));
  auto *form = new QFormLayout(this);
  modes_ = new QButtonGroup(this);
  const int current = settings_.CurrentTvAudioMode();
  for (const TvAudioMode &m : settings_.TvAudioModes()) {
    auto *button = new QRadioButton(m.name, this);
    button->setChecked(int(m.mode) == current);
    modes_->addButton(button, int(m.mode));
    form->addRow(button);
  }
  const QStringList received = settings_.TvAudioReceived();
  form->addRow(tr("Received"), new QLabel(received.isEmpty() ? tr("nothing") : received.join(QStringLiteral(", ")), this));
  form->addRow(OkCancel(this, [this] { Apply(); }));
}

bool TvAudioDialog::Choose(int mode) {
  QAbstractButton *button = modes_->button(mode);
  if (!button) return false;
  button->setChecked(true);
  return true;
}

bool TvAudioDialog::Apply() {
  const int mode = modes_->checkedId();
  return mode >= 0 && settings_.SetTvAudioMode(mode);
}

}  // namespace vistrel::sources
