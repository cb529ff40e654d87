#include "sources/devicedialogs.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vistrel::sources {

DeviceControlsDialog::DeviceControlsDialog(DeviceSettings &settings, const QString &title, QWidget *parent)
    : QDialog(parent), settings_(settings) {
  setWindowTitle(title);
  auto *layout = new QVBoxLayout(this);
  auto *picture = new QGroupBox(tr("Picture"), this);
  auto *camera = new QGroupBox(tr("Camera"), this);
  auto *pictureForm = new QFormLayout(picture);
  auto *cameraForm = new QFormLayout(camera);
  for (const DeviceControl &c : settings_.Controls()) {
    QFormLayout *form = c.camera ? cameraForm : pictureForm;
    const quint32 id = c.id;
    if (c.boolean) {
      auto *box = new QCheckBox(this);
      box->setObjectName(c.name);
      box->setChecked(c.value != 0);
      connect(box, &QCheckBox::toggled, this, [this, id](bool on) { settings_.SetControl(id, on ? 1 : 0); });
      resetters_.push_back([box, c] { box->setChecked(c.defaultValue != 0); });
      form->addRow(c.name, box);
      continue;
    }
    auto *row = new QWidget(this);
    auto *h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto *slider = new QSlider(Qt::Horizontal, row);
    slider->setObjectName(c.name);
    slider->setRange(c.minimum, c.maximum);
    slider->setSingleStep(c.step);
    slider->setValue(c.value);
    auto *value = new QLabel(QString::number(c.value), row);
    h->addWidget(slider, 1);
    h->addWidget(value);
    connect(slider, &QSlider::valueChanged, this, [this, id, value](int v) {
      value->setText(QString::number(v));
      settings_.SetControl(id, v);
    });
    resetters_.push_back([slider, c] { slider->setValue(c.defaultValue); });
    form->addRow(c.name, row);
  }
  picture->setVisible(pictureForm->rowCount() > 0);
  camera->setVisible(cameraForm->rowCount() > 0);
  layout->addWidget(picture);
  layout->addWidget(camera);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close | QDialogButtonBox::RestoreDefaults, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
          &DeviceControlsDialog::ResetDefaults);
  layout->addWidget(buttons);
}

void DeviceControlsDialog::ResetDefaults() {
  for (auto &reset : resetters_) reset();
}

CaptureFormatDialog::CaptureFormatDialog(const MediaTypeList &list, int current, QWidget *parent) : QDialog(parent) {
  setWindowTitle(tr("Capture format"));
  auto *layout = new QVBoxLayout(this);
  list_ = new QListWidget(this);
  for (int i = 0; i < list.Count(); ++i) list_->addItem(DescribeMediaType(list.Entries[size_t(i)].get()));
  Select(current);
  layout->addWidget(list_);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

int CaptureFormatDialog::Selected() const { return list_->currentRow() + 1; }

void CaptureFormatDialog::Select(int oneBased) {
  if (oneBased >= 1 && oneBased <= list_->count()) list_->setCurrentRow(oneBased - 1);
}

TunerDialog::TunerDialog(DeviceSettings &settings, QWidget *parent) : QDialog(parent), settings_(settings) {
  setWindowTitle(tr("TV Tuner"));
  auto *form = new QFormLayout(this);
  frequency_ = new QSpinBox(this);
  frequency_->setRange(0, 2000000);
  frequency_->setSuffix(QStringLiteral(" kHz"));
  frequency_->setValue(int(settings_.Frequency()));
  form->addRow(tr("Frequency"), frequency_);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    Apply();
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

bool TunerDialog::Apply() { return settings_.SetFrequency(quint32(frequency_->value())); }

void FillSettingsMenu(QMenu *menu, const SettingsMenuModel &model, std::function<void(const QString &)> onItem,
                      std::function<bool(int)> onInput) {
  menu->clear();
  for (const QString &item : model.items) {
    if (item == QLatin1String("-")) {
      menu->addSeparator();
    } else if (item == QLatin1String("Video Input")) {
      QMenu *inputs = menu->addMenu(item);
      auto *group = new QActionGroup(inputs);
      for (int i = 0; i < model.inputs.size(); ++i) {
        QAction *a = inputs->addAction(model.inputs[i]);
        a->setCheckable(true);
        a->setData(i);
        a->setChecked(i == model.checkedInput);
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, a, [a, i, onInput] {
          const bool routed = onInput && onInput(i);
          a->setChecked(routed);
        });
      }
    } else {
      QAction *a = menu->addAction(item);
      a->setData(int(menu->actions().size() - 1));
      QObject::connect(a, &QAction::triggered, a, [item, onItem] {
        if (onItem) onItem(item);
      });
    }
  }
  if (menu->actions().isEmpty()) menu->addAction(kNoSettingsTab);
}

}  // namespace vistrel::sources
