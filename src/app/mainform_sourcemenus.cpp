// The video and audio groups' settings buttons: the device's dialogs and
// inputs offered in a menu while its source is out of the graph.
#include <QPushButton>
#include <QTimer>

#include "app/sourcesstate.h"
#include "settings/optionsframe.h"
#include "settings/settings.h"
#include "sources/devicedialogs.h"
#include "sources/mediatypes.h"
#include "sources/routingdialogs.h"

namespace vistrel {

void TCaptureForm::PreparerMenusReglages() {
  auto *f = SourcesFrame;
  auto *layout = qobject_cast<QBoxLayout *>(f->layout());
  btnVideoSettings = new QPushButton("Video settings", f);
  btnVideoSettings->setObjectName("btnVideoSettings");
  btnAudioSettings = new QPushButton("Audio settings", f);
  btnAudioSettings->setObjectName("btnAudioSettings");
  if (layout) {
    layout->insertWidget(layout->indexOf(lbVideo) + 1, btnVideoSettings);
    layout->insertWidget(layout->indexOf(lbAudio) + 1, btnAudioSettings);
  }
  src_->videoMenu = new QMenu(this);
  src_->videoMenu->setObjectName("VideoSettingsMenu");
  src_->audioMenu = new QMenu(this);
  src_->audioMenu->setObjectName("AudioSettingsMenu");
  // The Windows Media profiles at hand from the format box (right click).
  pmProfiles = new QMenu(this);
  pmProfiles->setObjectName("pmProfiles");
  connect(pmProfiles, &QMenu::aboutToShow, this, [this] { pmProfilesPopup(); });
  f->cbFormatCapture->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(f->cbFormatCapture, &QWidget::customContextMenuRequested, this,
          [this](const QPoint &at) { pmProfiles->popup(SourcesFrame->cbFormatCapture->mapToGlobal(at)); });
  connect(btnVideoSettings, &QPushButton::clicked, this, [this] { VideoSettingsMenuPopup(); });
  connect(btnAudioSettings, &QPushButton::clicked, this, [this] { AudioSettingsMenuPopup(); });
  for (bool video : {true, false}) {
    QMenu *menu = video ? src_->videoMenu : src_->audioMenu;
    // Leaving the menu without a choice must not leave the preview without its source.
    connect(menu, &QMenu::aboutToHide, this, [this, video] {
      QTimer::singleShot(0, this, [this, video] {
        if (src_->itemChosen || closed_) return;
        if (video) ActiverVideo(SourcesFrame->cboxvideo->currentText());
        else ActiverAudio(SourcesFrame->cboxAudio->currentText());
        if (dm_) dm_->LancerGraphe();
      });
    });
  }
}

void TCaptureForm::pmProfilesPopup() {
  auto *options = OptionsFrame->options;
  pmProfiles->clear();
  const QStringList entries = options->ProfileEntries();
  for (int i = 0; i < entries.size(); ++i) {
    QAction *item = pmProfiles->addAction(entries[i]);
    item->setCheckable(true);
    item->setChecked(i == options->cboxMedia->currentIndex());
    connect(item, &QAction::triggered, this, [options, i] { options->SelectProfileEntry(i); });
  }
}

void TCaptureForm::VideoSettingsMenuPopup() { SettingsMenuPopup(true); }
void TCaptureForm::AudioSettingsMenuPopup() { SettingsMenuPopup(false); }

void TCaptureForm::SettingsMenuPopup(bool video) {
  auto &s = Src();
  if (!dm_) return;
  sources::TavStrel *source = video ? static_cast<sources::TavStrel *>(dm_->CurrentVideoDevice())
                                    : static_cast<sources::TavStrel *>(dm_->CurrentAudioDevice());
  ArreterGraphe();
  if (video && dm_->CurrentVideoDevice()) dm_->DeconnecterVideo(dm_->CurrentVideoDevice(), false);
  if (!video && dm_->CurrentAudioDevice()) dm_->DeconnecterAudio(dm_->CurrentAudioDevice(), false);
  QMenu *menu = video ? s.videoMenu : s.audioMenu;
  menu->clear();
  s.itemChosen = false;
  std::unique_ptr<sources::DeviceSettings> settings;
  sources::SettingsMenuModel model;
  if (source && source->Device) {
    settings = sources::SettingsOf(*source->Device);
    sources::MediaTypeList formats, previews;
    if (video) {
      sources::FillMediaTypeList(*source->Device, formats);
      sources::FillPreviewTypeList(*source->Device, previews);
      model = sources::VideoMenuModel(settings.get(), formats.Count(), previews.Count());
    } else {
      sources::FillAudioFormatList(*source->Device, formats);
      model = sources::AudioMenuModel(settings.get(), formats.Count());
    }
  }
  // Kept until the menu is filled again (its input items route through it).
  s.menuSettings[video ? 0 : 1] = std::move(settings);
  sources::DeviceSettings *shared = s.menuSettings[video ? 0 : 1].get();
  sources::FillSettingsMenu(
      menu, model,
      [this, video](const QString &item) {
        src_->itemChosen = true;
        OuvrirReglage(video, item);
      },
      [this, shared](int input) {
        // Kept even when the device refuses it now: it is routed again at the next start.
        params_->SetInt("Video Input Select", input);
        return shared && sources::RouterEntree(*shared, input);
      });
  QPushButton *button = video ? btnVideoSettings : btnAudioSettings;
  menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

// The preview output's format is the device's for the session; the capture
// format is looked up again afterwards, as after the capture pin's dialog.
void TCaptureForm::ChoisirFormatPreview(sources::TCaptureDevice &device) {
  sources::MediaTypeList previews;
  sources::FillPreviewTypeList(device, previews);
  const int current = sources::TakeBackMediaType(previews, device.PreviewFormat().get(), 1);
  sources::CaptureFormatDialog dialog(previews, current, this);
  dialog.setWindowTitle(tr("Preview format"));
  if (dialog.exec() == QDialog::Accepted && dialog.Selected() >= 1)
    device.SetPreviewFormat(previews.Entries[size_t(dialog.Selected() - 1)].get());
  sources::MediaTypeList formats;
  sources::FillMediaTypeList(device, formats);
  NumMediatype = sources::TakeBackMediaType(formats, device.Format().get(), NumMediatype);
}

// The sound format, held by the device from its next splice on.
void TCaptureForm::ChoisirFormatAudio(sources::TCaptureDevice &device) {
  sources::MediaTypeList formats;
  sources::FillAudioFormatList(device, formats);
  int current = sources::TakeBackMediaType(formats, device.AudioFormat().get(), 0);
  // Nothing chosen yet: the entry of the sound as it flowed until the menu opened.
  for (int i = 0; current == 0 && i < formats.Count(); ++i) {
    const auto d = sources::DescribeAudioStream(formats.Entries[size_t(i)].get());
    if (d.AudioRate == dm_->AudioRate() && d.AudioBits == dm_->AudioBits() && d.AudioChannels == dm_->AudioChannels())
      current = i + 1;
  }
  sources::CaptureFormatDialog dialog(formats, current, this);
  dialog.setWindowTitle(tr("Audio capture format"));
  if (dialog.exec() == QDialog::Accepted && dialog.Selected() >= 1)
    device.SetAudioFormat(formats.Entries[size_t(dialog.Selected() - 1)].get());
}

void TCaptureForm::OuvrirReglage(bool video, const QString &item) {
  if (!dm_) return;
  // The source was taken out when the menu opened; find it again by its box text.
  auto *f = SourcesFrame;
  sources::TCaptureDevice *device = nullptr;
  if (src_->catalog) {
    if (video) {
      if (auto *v = src_->catalog->FindVideo(f->cboxvideo->currentText())) device = v->Device;
    } else if (auto *a = src_->catalog->FindAudio(f->cboxAudio->currentText())) {
      device = a->Device;
    }
  }
  if (device) {
    auto settings = sources::SettingsOf(*device);
    if (item == "Video Capture Pin...") {
      sources::MediaTypeList formats;
      sources::FillMediaTypeList(*device, formats);
      const int current = sources::TakeBackMediaType(formats, device->Format().get(), 0);
      sources::CaptureFormatDialog dialog(formats, current, this);
      if (dialog.exec() == QDialog::Accepted && sources::ApplyMediaType(*device, formats, dialog.Selected()))
        NumMediatype = sources::TakeBackMediaType(formats, device->Format().get(), NumMediatype);
    } else if (item == "Video Preview Pin...") {
      ChoisirFormatPreview(*device);
    } else if (item == "Audio Capture Pin...") {
      ChoisirFormatAudio(*device);
    } else if ((item == "Video Crossbar..." || item == "Second Crossbar...") && settings) {
      sources::CrossbarDialog dialog(*settings, item == "Second Crossbar...", this);
      dialog.exec();
      // What the card is routed to now is what the next start routes again.
      if (item == "Video Crossbar...") params_->SetInt("Video Input Select", settings->CurrentInput());
    } else if (item == "TV Audio..." && settings) {
      sources::TvAudioDialog dialog(*settings, this);
      dialog.exec();
    } else if (item == "TV Tuner..." && settings) {
      sources::TunerDialog dialog(*settings, this);
      if (dialog.exec() == QDialog::Accepted) dialog.Apply();
    } else if (settings) {
      sources::DeviceControlsDialog dialog(*settings, device->DisplayName, this);
      dialog.exec();
    }
  }
  // Connected again from scratch even when the source came back already
  // (the menu closed before its item ran), so what the dialog changed is
  // taken up by the new chain.
  dm_->StopGraph();
  if (video && dm_->CurrentVideoDevice()) dm_->DeconnecterVideo(dm_->CurrentVideoDevice(), false);
  if (!video && dm_->CurrentAudioDevice()) dm_->DeconnecterAudio(dm_->CurrentAudioDevice(), false);
  if (video) ActiverVideo(f->cboxvideo->currentText());
  else ActiverAudio(f->cboxAudio->currentText());
  ActiverFormatCapture(f->cbFormatCapture->currentData().toInt());
  dm_->LancerGraphe();
}

}  // namespace vistrel
