// Source activation: the Sources panel's boxes filled from the devices found,
// the chosen video and audio sources connected into the preview, the format
// list following the sources, and the reaction to devices coming and going.
#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include "app/camcorders.h"
#include "app/recorder.h"
#include "app/recording_names.h"
#include "app/source_choices.h"
#include "app/sourcesstate.h"
#include "filters/vs_superposer.h"
#include "media/debug.h"
#include "platform/dialogs.h"
#include "settings/captureformats.h"
#include "settings/parameters.h"
#include "settings/settings.h"
#include "sources/devicesettings.h"
#include "sources/enumerator.h"
#include "sources/mediatypes.h"
#include "ui/videowindow.h"

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::App)

namespace vistrel {

using sources::kNoAudioStream;
using sources::kNoVideoStream;

namespace {

// Actions that make no sense without a picture; each is looked up by name so
// the ones not built yet are simply skipped.
const char *const kVideoActions[] = {"saGrab",     "saCapturerBascule", "taIncruster", "acVertFlip",
                                     "acHorzFlip", "acSliders",         "tafullscreen"};
const char *const kAudioActions[] = {"taMute", "acIncVolume", "acDecVolume"};

bool TemporallyCompressed(const QString &codec) {
  const QString c = codec.toLower();
  return c.contains("mpeg") || c.contains("h264") || c.contains("h265") || c.contains("theora");
}


void SetTextGreyed(QComboBox *box, bool greyed) {
  QPalette p = box->palette();
  p.setColor(QPalette::Text, greyed ? Qt::gray : box->parentWidget()->palette().color(QPalette::Text));
  p.setColor(QPalette::ButtonText, greyed ? Qt::gray : box->parentWidget()->palette().color(QPalette::ButtonText));
  box->setPalette(p);
}

// The video window says that the chosen picture device sends nothing
// (empty: the picture again).
void MontrerAbsence(QWidget *videoWindow, const QString &device) {
  auto *window = static_cast<ui::VideoWindow *>(videoWindow);
  const QString text = device.isEmpty() ? QString() : "no picture from " + device;
  if (text == window->Message()) return;
  GST_INFO("video window: %s", text.isEmpty() ? "the picture" : text.toUtf8().constData());
  window->ShowMessage(text);
}

// The saved choice of a source box; nothing while the setting holds its
// default (never chosen).
QString SavedChoice(const settings::TparameterList &params, const QString &key) {
  auto *p = params.Get<settings::TWideStringParameter>(key);
  return p && p->Value != p->DefaultValue ? p->Value : QString();
}

// The code of a format by its name in the box, or -1.
int FormatNamed(const QString &name) {
  for (int code = 0; code < settings::kCaptureFormatCount; ++code)
    if (settings::CaptureFormatName(code) == name) return code;
  return -1;
}

// Presence is judged by the moniker; a plug-in's device is its own to watch.
sources::DeviceMoniker WatchedMoniker(const sources::TCaptureDevice &device) {
  return device.Kind == sources::DeviceKind::PlugIn ? sources::DeviceMoniker() : device.Moniker;
}

// A saved device not listed now keeps its place in its box (before the
// "no … stream" entry) while the catalog waits for it; true when it does.
bool HoldAwaitedPlace(QComboBox *box, const sources::SourceCatalog *catalog, const QString &name,
                      const QString &saved) {
  if (box->findText(name) >= 0 || !catalog || !catalog->Awaits(name, saved)) return false;
  QSignalBlocker block(box);
  box->insertItem(std::max(0, box->count() - 1), name);
  return true;
}

// The awaited name becomes `now`; an entry kept in the box only for the
// device that was away goes when it is no longer waited for.
void ForgetAwaited(QComboBox *box, QString &awaited, const QString &now) {
  if (!awaited.isEmpty() && awaited != now && awaited != box->currentText()) {
    QSignalBlocker block(box);
    box->removeItem(box->findText(awaited));
  }
  awaited = now;
}

}  // namespace

TCaptureForm::SourcesState &TCaptureForm::Src() {
  if (src_) return *src_;
  src_ = new SourcesState(this);
  auto *f = SourcesFrame;
  auto *layout = qobject_cast<QBoxLayout *>(f->layout());
  lbVideo = new QLabel(f);
  lbVideo->setObjectName("lbVideo");
  lbAudio = new QLabel(f);
  lbAudio->setObjectName("lbAudio");
  ActualiserVideoSpeedBtn = new QPushButton("Refresh the sources", f);
  ActualiserVideoSpeedBtn->setObjectName("ActualiserVideoSpeedBtn");
  ActualiserVideoSpeedBtn->setToolTip("Look for capture devices again");
  if (layout) {
    layout->insertWidget(layout->indexOf(f->cboxvideo) + 1, lbVideo);
    layout->insertWidget(layout->indexOf(f->cboxAudio) + 1, lbAudio);
    layout->insertWidget(layout->indexOf(f->cbFormatCapture) - 1, ActualiserVideoSpeedBtn);
  }
  connect(ActualiserVideoSpeedBtn, &QPushButton::clicked, this, [this] { ActualiserVideoBtnClick(); });
  f->cbEntries->hide();
  if (f->lbEntries) f->lbEntries->hide();
  PreparerMenusReglages();
  // Only the user's choices reach the handlers; the controller fills the
  // boxes with their signals blocked.
  connect(f->cboxvideo, &QComboBox::activated, this, [this] { cboxVideoChange(); });
  connect(f->cboxAudio, &QComboBox::activated, this, [this] { cboxAudioChange(); });
  connect(f->cbFormatCapture, &QComboBox::activated, this,
          [this, f] { cbFormatCaptureClick(f->cbFormatCapture->currentData().toInt()); });
  connect(f->cbEntries, &QComboBox::activated, this, [this] { SourcesFramecbEntriesChange(); });
  connect(HelpFrame->sourceList, &QListWidget::itemChanged, this, [this] {
    if (!src_->fillingChecklist) ActualiserVideoBtnClick();
  });
  connect(&sources::SystemDeviceEnumerator::Instance(), &sources::SystemDeviceEnumerator::DeviceChange, this,
          [this] { DeviceChangeNotification(); });
  src_->watch = new sources::DeviceWatch(sources::SystemDeviceEnumerator::Instance(), src_);
  connect(src_->watch, &sources::DeviceWatch::gone, this, &TCaptureForm::DeviceGone);
  connect(src_->watch, &sources::DeviceWatch::back, this, &TCaptureForm::DeviceBack);
  src_->refresh.setSingleShot(true);
  connect(&src_->refresh, &QTimer::timeout, this, [this] {
    if (closed_) return;
    // Sources are never rebuilt under a running recording.
    if (etat_ == esCapture || etat_ == esCaptureProgrammee) return src_->refresh.start(1000);
    RafraichirSources(false);
  });
  connect(OptionsFrame->options->cbNotifier, &QCheckBox::toggled, this, [this](bool on) {
    params_->SetBool("Notifier", on);
    AppliquerNotifier(on);
  });
  return *src_;
}

bool TCaptureForm::VideoConnectee() const { return dm_ && dm_->CurrentVideoDevice(); }
bool TCaptureForm::AudioConnectee() const { return dm_ && dm_->CurrentAudioDevice(); }

bool TCaptureForm::VerrouActif() const {
  if (auto *lock = findChild<QAction *>("taLock")) return lock->isChecked();
  return params_->Bool("Preview Locked");
}

void TCaptureForm::ChargerSourcesExclues() {
  auto &s = Src();
  const QStringList names = params_->Str("Sources Exclues").split('\n', Qt::SkipEmptyParts);
  QStringList trimmed;
  for (const QString &n : names)
    if (!n.trimmed().isEmpty()) trimmed << n.trimmed();
  if (s.catalog) s.catalog->Checklist.SetUnticked(trimmed);
  else pendingUnticked_ = trimmed;
  RemplirListeSources();
}

void TCaptureForm::RemplirListeSources() {
  auto &s = Src();
  auto *list = HelpFrame->sourceList;
  s.fillingChecklist = true;
  list->clear();
  QStringList names = s.catalog ? s.catalog->Checklist.Names() : pendingUnticked_;
  for (const QString &n : names) {
    auto *item = new QListWidgetItem(n, list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    const bool ticked = s.catalog ? s.catalog->Checklist.IsTicked(n) : false;
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
  }
  s.fillingChecklist = false;
}

void TCaptureForm::LoadPlugins(const QString &folder) {
  auto &s = Src();
  s.plugins.Clear();
  plugins::ChargerPlugins(s.plugins, folder);
}

std::vector<std::pair<QString, bool>> TCaptureForm::PluginLines() {
  std::vector<std::pair<QString, bool>> lines;
  for (const auto &line : plugins::PluginReport(Src().plugins)) lines.emplace_back(line.Text, line.Usable);
  return lines;
}

bool TCaptureForm::ChargerDrivers() {
  auto &s = Src();
  // After close the lists are gone for good (and must not be rebuilt from
  // inside their own release).
  if (!dm_ || closed_) return false;
  if (!s.catalog) {
    s.dm = dm_;
    s.catalog = std::make_unique<sources::SourceCatalog>(dm_->Slots(), sources::SystemDeviceEnumerator::Instance());
    // Devices a plug-in claims by name are handed to that plug-in.
    s.catalog->VideoDevices.SetPluginHook(plugins::MakePluginHook(s.plugins, dm_->Slots()));
    s.catalog->AudioDevices.SetPluginHook(plugins::MakePluginHook(s.plugins, dm_->Slots()));
    s.catalog->Checklist.SetUnticked(pendingUnticked_);
    pendingUnticked_.clear();
    s.catalog->StopCurrentSources = [this] { LibererSources(); };
    s.catalog->StopSourcesOf = [this](sources::TCaptureDevice *device) {
      if (!dm_) return;
      dm_->StopGraph();
      if (dm_->CurrentVideoDevice() && dm_->CurrentVideoDevice()->Device == device) {
        src_->watch->DropSource(sources::WatchRole::Picture);
        dm_->DeconnecterVideo(dm_->CurrentVideoDevice(), true);
      }
      if (dm_->CurrentAudioDevice() && dm_->CurrentAudioDevice()->Device == device) {
        src_->watch->DropSource(sources::WatchRole::Sound);
        dm_->DeconnecterAudio(dm_->CurrentAudioDevice(), true);
      }
    };
    // Size, rate and codec of some sources are known only once frames flow.
    connect(dm_, &Tdm::VideoFactsChanged, this, [this] {
      if (VideoConnectee()) lbVideo->setText(LabelVideo());
    });
    connect(dm_, &Tdm::AudioFactsChanged, this, [this] {
      if (AudioConnectee()) lbAudio->setText(LabelAudio());
    });
  }
  auto &catalog = *s.catalog;
  // The user's ticks in the Help panel decide what is listed.
  auto *list = HelpFrame->sourceList;
  for (int i = 0; i < list->count(); ++i)
    catalog.Checklist.Add(list->item(i)->text(), list->item(i)->checkState() == Qt::Checked);
  for (const QString &n : SourcesExclues) catalog.ExcludeDevice(n);

  auto *f = SourcesFrame;
  QStringList videoBox, audioBox;
  for (int i = 0; i < f->cboxvideo->count(); ++i) videoBox << f->cboxvideo->itemText(i);
  for (int i = 0; i < f->cboxAudio->count(); ++i) audioBox << f->cboxAudio->itemText(i);
  const bool ok = catalog.ChargerDrivers(videoBox, audioBox);
  {
    QSignalBlocker bv(f->cboxvideo), ba(f->cboxAudio);
    f->cboxvideo->clear();
    f->cboxvideo->addItems(videoBox);
    f->cboxAudio->clear();
    f->cboxAudio->addItems(audioBox);
  }
  RemplirListeSources();
  AfficherNoVideo(true);
  AfficherAudio(false);
  return ok;
}

void TCaptureForm::LibererSources() {
  if (!dm_) return;
  if (src_ && src_->watch) {
    src_->watch->DropSource(sources::WatchRole::Picture);
    src_->watch->DropSource(sources::WatchRole::Sound);
  }
  dm_->StopGraph();
  if (dm_->CurrentVideoDevice()) dm_->DeconnecterVideo(dm_->CurrentVideoDevice(), true);
  if (dm_->CurrentAudioDevice()) dm_->DeconnecterAudio(dm_->CurrentAudioDevice(), true);
  // At close the window stops receiving frames; the lists go while the graph exists.
  if (closed_ && src_) {
    src_->catalog.reset();
    dm_->SetVideoWindow(nullptr);
  }
}

QString TCaptureForm::LabelVideo() const {
  QString text = QString("%1 - %2x%3").arg(dm_->SourceCodec()).arg(dm_->SourceWidth()).arg(dm_->SourceHeight());
  if (dm_->SourceFps() > 0) text += QString(" - %1 fps").arg(dm_->SourceFps(), 0, 'f', 2);
  return text;
}

QString TCaptureForm::LabelAudio() const {
  return QString("%1 Hz %2 bits %3 channels").arg(dm_->AudioRate()).arg(dm_->AudioBits()).arg(dm_->AudioChannels());
}

void TCaptureForm::AfficherNoVideo(bool noVideo, const QString &awaited) {
  noVideo_->setVisible(noVideo && awaited.isEmpty());
  videoWindow_->setVisible(!noVideo || !awaited.isEmpty());
  MontrerAbsence(videoWindow_, awaited);
  if (noVideo) {
    videoFrame_->layout()->setContentsMargins(12, 12, 12, 12);
    if (lbVideo) lbVideo->clear();
  }
  for (const char *name : kVideoActions)
    if (auto *a = findChild<QAction *>(name)) a->setEnabled(!noVideo);
  if (auto *a = findChild<QAction *>("saIntervallo")) a->setEnabled(!noVideo);
  IntervalloSansVideo(noVideo);
}

void TCaptureForm::AfficherAudio(bool visible) {
  if (lbAudio) lbAudio->setVisible(visible);
  for (const char *name : kAudioActions)
    if (auto *a = findChild<QAction *>(name)) a->setVisible(visible);
}

bool TCaptureForm::ActiverVideo(const QString &name) {
  Src();
  auto *box = SourcesFrame->cboxvideo;
  if (!dm_) return false;
  auto *current = dm_->CurrentVideoDevice();
  if (current && current->Name == name) return true;
  if (!current && name == kNoVideoStream && src_->awaited[0].isEmpty()) {
    const int stored = box->findText(params_->Str("Source video"));
    box->setCurrentIndex(stored >= 0 ? stored : box->findText(kNoVideoStream));
    AfficherNoVideo(true);
    return true;
  }
  // A change of picture ends a running capture first.
  if (etat_ == esCapture || etat_ == esCaptureProgrammee) ArreterGraphe();

  // The saved device is away: it keeps its place in the box and is taken
  // again when it comes back.
  const bool awaited = HoldAwaitedPlace(box, src_->catalog.get(), name, SavedChoice(*params_, "Source video"));
  int index = box->findText(name);
  const QString used = index >= 0 ? name : box->itemText(0);
  box->setCurrentIndex(index >= 0 ? index : 0);
  sources::TVideoSource *source = nullptr;
  if (used != kNoVideoStream && src_->catalog && !awaited) {
    source = src_->catalog->FindVideo(used);
    if (!source && !src_->catalog->VideoSources.empty()) source = src_->catalog->VideoSources.front().get();
  }

  if (!source) {
    if (current) {
      dm_->StopGraph();
      dm_->DeconnecterVideo(current, true);
    }
    ForgetAwaited(box, src_->awaited[0], awaited ? name : QString());
    if (!awaited) {
      box->setCurrentIndex(box->findText(kNoVideoStream));
      params_->SetStr("Source video", kNoVideoStream);
      src_->watch->Forget(sources::WatchRole::Picture);
    }
    AfficherNoVideo(true, src_->awaited[0]);
    if (!RelanceDifferee) dm_->LancerGraphe();
    emit sourcesChanged();
    return true;
  }

  dm_->StopGraph();
  if (current) dm_->DeconnecterVideo(current, true);
  // The stream's ratio is read as it connects, by the setting in force now.
  dm_->SetMpeg2RatioNormal(params_->Bool("Mpeg2 Ratio Normal"));
  dm_->SetVideoStartChoices(NumMediatype, params_->Int("Video Input Select"));
  if (!dm_->ConnecterVideo(source)) {
    // Left out for the rest of the session; the lists come back without it.
    const QString device = source->Device->DeviceName;
    // A source that fails is left out without a word, but one whose stream
    // can never be negotiated is told, with what it offers, once the lists
    // are back (the refresh makes the source anew; the message would hold it up).
    const bool unreadable = !sources::UnreadablePictureOffer(source->Device->Moniker.Caps()).isEmpty();
    const QString refused = source->Name, why = dm_->fg().LastFailure();
    if (!SourcesExclues.contains(device)) SourcesExclues << device;
    ActualiserVideoBtnClick();
    if (unreadable && !why.isEmpty())
      platform::DialogService::Instance().Error(
          QStringLiteral("The video source \"%1\" cannot be used: %2.").arg(refused, why), this);
    return false;
  }
  ForgetAwaited(box, src_->awaited[0], {});
  AfficherNoVideo(false);
  src_->watch->Watch(sources::WatchRole::Picture, source->Name, source->Device->DeviceName,
                     WatchedMoniker(*source->Device), source->Device->SourceFilter.get());
  lbVideo->setText(LabelVideo());
  params_->SetStr("Source video", source->Name);
  box->setCurrentIndex(box->findText(source->Name));
  SetInterfacePreview();
  if (auto *a = findChild<QAction *>("taFreezeCapture")) a->setEnabled(!TemporallyCompressed(dm_->SourceCodec()));
  // A new source starts the inlay's timing over.
  if (auto *superposer = dm_->Superposer())
    superposer->SetWhen(params_->Byte("When Incrust"), params_->Int(QString::fromUtf8("Durée Incruster")));
  if (!RelanceDifferee) dm_->LancerGraphe();
  emit sourcesChanged();
  return true;
}

bool TCaptureForm::ActiverAudio(const QString &name) {
  Src();
  if (!dm_) return false;
  auto *box = SourcesFrame->cboxAudio;
  dm_->StopGraph();
  // The saved device is away: it keeps its place and is waited for.
  const bool awaited = HoldAwaitedPlace(box, src_->catalog.get(), name, SavedChoice(*params_, "Audio source"));
  int index = box->findText(name);
  // A name not listed (nothing saved yet) gets the sound that goes with the
  // picture rather than whatever happens to be listed first.
  if (index < 0 && src_->catalog)
    if (auto *paired = src_->catalog->PairedAudio(dm_->CurrentVideoDevice())) index = box->findText(paired->Name);
  const QString used = index >= 0 ? box->itemText(index) : box->itemText(0);
  box->setCurrentIndex(index >= 0 ? index : 0);
  auto *current = dm_->CurrentAudioDevice();
  bool ok = true;
  ForgetAwaited(box, src_->awaited[1], awaited ? name : QString());
  if (current && current->Name == used) {
    // Already connected: nothing to change.
  } else if (awaited) {
    if (current) dm_->DeconnecterAudio(current, true);
    AfficherAudio(false);
    RemplirEntrees(nullptr);
    lbAudio->setText("no sound from " + name);
    lbAudio->show();
  } else if (used == kNoAudioStream || used.isEmpty() || !src_->catalog) {
    if (current) dm_->DeconnecterAudio(current, true);
    AfficherAudio(false);
    RemplirEntrees(nullptr);
    params_->SetStr("Audio source", kNoAudioStream);
    src_->watch->Forget(sources::WatchRole::Sound);
  } else {
    sources::TAudioSource *source = src_->catalog->FindAudio(used);
    if (!source && !src_->catalog->AudioSources.empty()) source = src_->catalog->AudioSources.front().get();
    if (current) dm_->DeconnecterAudio(current, true);
    if (source && dm_->ConnecterAudio(source)) {
      src_->watch->Watch(sources::WatchRole::Sound, source->Name, source->Device->DeviceName,
                         WatchedMoniker(*source->Device), source->Device->SourceFilter.get());
      lbAudio->setText(LabelAudio());
      AfficherAudio(true);
      params_->SetStr("Audio source", source->Name);
      RemplirEntrees(source->Device);
    } else if (source) {
      ok = false;
      const QString device = source->Device->DeviceName;
      if (!SourcesExclues.contains(device)) SourcesExclues << device;
      ActualiserVideoBtnClick();
    }
  }
  SourcesFrame->cbFormatCapture->setVisible(VideoConnectee() || AudioConnectee());
  if (!RelanceDifferee) dm_->LancerGraphe();
  emit sourcesChanged();
  return ok;
}

QList<int> TCaptureForm::FormatsOffered() const {
  const auto *device = VideoConnectee() ? dm_->CurrentVideoDevice()->Device : nullptr;
  return settings::OfferedFormats(device ? device->NativeFormat1 : 0, device ? device->NativeFormat2 : 0,
                                  device != nullptr, AudioConnectee());
}

void TCaptureForm::ActiverFormatCapture(int format) {
  Src();
  auto *box = SourcesFrame->cbFormatCapture;
  const QList<int> codes = FormatsOffered();
  {
    QSignalBlocker block(box);
    box->clear();
    for (int code : codes) box->addItem(settings::CaptureFormatName(code), code);
    const int index = box->findData(format);
    box->setCurrentIndex(index >= 0 ? index : 0);
  }
  box->setVisible(!codes.isEmpty());
  const int chosen = box->currentIndex() >= 0 ? box->currentData().toInt() : 0;
  // While a chosen device is away the format it needs may not be offered;
  // the saved one stays for its return.
  const bool away = !src_->awaited[0].isEmpty() || !src_->awaited[1].isEmpty();
  if (!away || box->findData(format) >= 0) params_->SetByte("Capture Format", quint8(chosen));

  recorder_->Names().SetFormat(chosen);
  ShowVideoName();
  const settings::CaptureFormatInfo &row = settings::CaptureFormat(chosen);
  // A box is greyed for a source the format leaves unused, not for "no …
  // stream": greyed then, it read as out of use, with no way back by mouse.
  SetTextGreyed(SourcesFrame->cboxAudio, row.GreysAudioSource() && AudioConnectee());
  SetTextGreyed(SourcesFrame->cboxvideo, row.GreysVideoSource() && VideoConnectee());
  SetInterfacePreview();
  emit sourcesChanged();
}

void TCaptureForm::cboxVideoChange() {
  const QString text = SourcesFrame->cboxvideo->currentText();
  auto *current = dm_ ? dm_->CurrentVideoDevice() : nullptr;
  if (current && current->Name == text) return;
  if (!current && text == kNoVideoStream && src_->awaited[0].isEmpty()) return;
  ActiverVideo(text);
  params_->SetStr("Want video source", text);
  AccorderAudio();
  ActiverFormatCapture(
      FormatAfterVideoChange(params_->Byte("Capture Format"), WantedFormat(), VideoConnectee(), VerrouActif()));
}

int TCaptureForm::WantedFormat() const { return FormatNamed(params_->Str("Want Format capture")); }

void TCaptureForm::AccorderAudio() {
  auto *video = dm_ ? dm_->CurrentVideoDevice() : nullptr;
  if (!video || !src_->catalog) return;
  auto *audio = dm_->CurrentAudioDevice();
  if (audio && audio->Device == video->Device) return;
  // A device's own sound goes with its picture; the sound of another
  // picture device does not stay behind when the picture leaves it. A
  // microphone or sound card the user chose stays with any picture that has
  // no sound of its own.
  sources::TAudioSource *paired = src_->catalog->OwnAudio(video->Device);
  if (!paired && audio && audio->Device && audio->Device->VideoStreams > 0)
    paired = src_->catalog->PairedAudio(video);
  if (!paired) return;
  const QString name = paired->Name;
  ActiverAudio(name);
  params_->SetStr("Want audio source", name);
}

void TCaptureForm::cboxAudioChange() {
  const QString text = SourcesFrame->cboxAudio->currentText();
  ActiverAudio(text);
  params_->SetStr("Want audio source", text);
  ActiverFormatCapture(FormatAfterAudioChange(params_->Byte("Capture Format"), AudioConnectee(), VerrouActif()));
}

void TCaptureForm::cbFormatCaptureClick(int format) {
  ActiverFormatCapture(format);
  params_->SetStr("Want Format capture", SourcesFrame->cbFormatCapture->currentText());
}

void TCaptureForm::SourcesFramecbEntriesChange() {
  auto *box = SourcesFrame->cbEntries;
  params_->SetStr("Sound Card Entry", box->currentText());
  auto *audio = dm_ ? dm_->CurrentAudioDevice() : nullptr;
  if (!audio || !audio->Device) return;
  if (auto settings = sources::SettingsOf(*audio->Device)) {
    const auto inputs = settings->Inputs();
    for (int i = 0; i < int(inputs.size()); ++i)
      if (inputs[size_t(i)].name == box->currentText()) settings->SelectInput(i);
  }
}

void TCaptureForm::RemplirEntrees(const sources::TCaptureDevice *device) {
  auto *box = SourcesFrame->cbEntries;
  QSignalBlocker block(box);
  box->clear();
  // Only a sound card has inputs to choose from; a picture device's inputs
  // are its crossbar, in the video settings menu.
  std::unique_ptr<sources::DeviceSettings> settings;
  if (device && device->Kind == sources::DeviceKind::Audio) settings = sources::SettingsOf(*device);
  if (settings) {
    const auto inputs = settings->Inputs();
    for (const auto &in : inputs) box->addItem(in.name);
    // The input the card records from now is the entry.
    const int current = settings->CurrentInput();
    if (current >= 0 && current < int(inputs.size())) params_->SetStr("Sound Card Entry", inputs[size_t(current)].name);
  }
  const int index = box->findText(params_->Str("Sound Card Entry"));
  box->setCurrentIndex(index >= 0 ? index : 0);
  box->setVisible(box->count() > 0);
  if (SourcesFrame->lbEntries) SourcesFrame->lbEntries->setVisible(box->count() > 0);
}

void TCaptureForm::RafraichirSources(bool withSystemReport, const QString &lostDevice) {
  // Reached again from inside an activation when a source fails: the inner
  // refresh keeps the caller's deferred start rather than running the graph
  // in the middle of the caller's chain of activations.
  auto *f = SourcesFrame;
  const QString video = f->cboxvideo->currentText(), audio = f->cboxAudio->currentText();
  // The format in force, also the one kept while a device it needs is away.
  const int format = params_->Byte("Capture Format");
  bool loaded = false;
  {
    TCamescopes *cams = Camescopes();
    if (cams) cams->RelectureDesSources = true;
    loaded = ChargerDrivers();
    if (cams) cams->RelectureDesSources = false;
  }
  if (!loaded) return;
  // A device that raised an error and is still listed would fail again at
  // once and bring us back here in a loop; it is left out like a device that
  // failed to connect.
  if (!lostDevice.isEmpty() && src_->catalog) {
    bool listed = false;
    for (auto *list : {&src_->catalog->VideoDevices, &src_->catalog->AudioDevices})
      for (int i = 0; i < list->Count(); ++i) listed = listed || list->Item(i)->DeviceName == lostDevice;
    if (listed) {
      if (!SourcesExclues.contains(lostDevice)) SourcesExclues << lostDevice;
      if (!ChargerDrivers()) return;
    }
  }
  const bool deferred = RelanceDifferee;
  RelanceDifferee = true;
  ActiverVideo(video);
  ActiverAudio(audio);
  ActiverFormatCapture(format);
  RelanceDifferee = deferred;
  if (!deferred && dm_) dm_->LancerGraphe();
  if (withSystemReport) SetSystem();
}

void TCaptureForm::ActualiserVideoBtnClick() { RafraichirSources(true); }

void TCaptureForm::DeviceChangeNotification() {
  if (demarrageEnCours_ || closed_) return;
  // Notifications are set aside during a recording (a refresh would stop
  // the sources under the file); a recorded device that goes away is the
  // device watch's to tell, and any other change waits until the end.
  if (etat_ == esCapture || etat_ == esCaptureProgrammee) {
    QTimer::singleShot(1000, this, [this] { DeviceChangeNotification(); });
    return;
  }
  // A chosen device that is away is taken as soon as it is listed, whatever
  // the notification setting.
  const bool awaiting = src_ && (!src_->awaited[0].isEmpty() || !src_->awaited[1].isEmpty());
  if (!params_->Bool("Notifier") && !awaiting) return;
  DemanderRafraichissement(0);
}

void TCaptureForm::DemanderRafraichissement(int delayMs) {
  auto &s = Src();
  if (!s.refresh.isActive() || s.refresh.remainingTime() > delayMs) s.refresh.start(delayMs);
}

void TCaptureForm::DeviceGone(const QString &name, const QDateTime &when) {
  if (closed_) return;
  auto &s = Src();
  const auto role = s.watch->RoleOf(name);
  if (!role) return;
  const QString device = s.watch->DeviceName(*role);
  QString told;
  if (etat_ == esCapture || etat_ == esCaptureProgrammee) {
    told = recorder_->EndForLostDevice(device, when);
    if (!told.isEmpty()) {
      AppliquerVolume();
      SetInterfacePreview();
    }
  }
  switch (*role) {
    case sources::WatchRole::Picture:
      MontrerAbsence(videoWindow_, name);
      break;
    case sources::WatchRole::Sound:
      lbAudio->setText("no sound from " + name);
      break;
  }
  // A device that is no longer listed leaves the graph and is waited for;
  // one that is listed but sends nothing stays connected until it sends again.
  if (!s.watch->IsStalled(*role)) DemanderRafraichissement(0);
  if (!told.isEmpty()) platform::DialogService::Instance().Error(told, this);
}

void TCaptureForm::DeviceBack(const QString &name) {
  if (closed_) return;
  auto &s = Src();
  const auto role = s.watch->RoleOf(name);
  if (!role) return;
  // Left out after failing as it went away: it is another device now.
  const QString device = s.watch->DeviceName(*role);
  SourcesExclues.removeAll(device);
  if (s.catalog) s.catalog->FailedDevices.removeAll(device);
  const bool picture = *role == sources::WatchRole::Picture;
  auto *connected = picture ? static_cast<sources::TavStrel *>(dm_ ? dm_->CurrentVideoDevice() : nullptr)
                            : static_cast<sources::TavStrel *>(dm_ ? dm_->CurrentAudioDevice() : nullptr);
  if (connected && connected->Name == name && !s.refresh.isActive()) {
    // Frames again from the device that stayed connected.
    if (picture)
      MontrerAbsence(videoWindow_, {});
    else
      lbAudio->setText(LabelAudio());
    return;
  }
  DemanderRafraichissement(0);
}

void TCaptureForm::GraphDeviceLost(const QString &deviceName) {
  if (closed_) return;
  auto &s = Src();
  // A device that delivered before its error went away (unplugged, its
  // server ended) and is waited for; one that never delivered is broken and
  // is left out, so the refresh does not fail on it again in a loop.
  const auto role = s.watch->RoleOfDevice(deviceName);
  const bool wentAway = role && (s.watch->Delivered(*role) || s.watch->IsGone(*role));
  // The capture ends the normal way (file finished and listed) and the
  // controller is back in preview even if no source comes back; the user is
  // told once the sources are up again, so the message does not hold them.
  QString told;
  if (etat_ == esCapture || etat_ == esCaptureProgrammee) {
    told = recorder_->EndForLostDevice(deviceName, role ? s.watch->GoneSince(*role) : QDateTime());
    if (!told.isEmpty()) {
      AppliquerVolume();
      SetInterfacePreview();
    }
  }
  if (wentAway) {
    if (*role == sources::WatchRole::Picture) MontrerAbsence(videoWindow_, s.watch->Name(*role));
    // The device lists may not have heard of its removal yet.
    DemanderRafraichissement(250);
  } else {
    RafraichirSources(false, deviceName);
  }
  if (!told.isEmpty()) platform::DialogService::Instance().Error(told, this);
}

void TCaptureForm::AppliquerNotifier(bool notifier) {
  auto &s = Src();
  disconnect(s.lostHook);
  if (!notifier && dm_)
    s.lostHook = connect(&dm_->fg(), &media::Graph::DeviceLost, this,
                         [this](const QString &graphName, const QString &) { GraphDeviceLost(graphName); },
                         Qt::QueuedConnection);
}

void TCaptureForm::CopierSourcesDansPrefs() {
  auto &p = *params_;
  auto *f = SourcesFrame;
  if (f->cboxvideo->count()) p.SetStr("Source video", f->cboxvideo->currentText());
  if (f->cboxAudio->count()) p.SetStr("Audio source", f->cboxAudio->currentText());
  if (f->cbFormatCapture->currentIndex() >= 0) p.SetByte("Capture Format", quint8(f->cbFormatCapture->currentData().toInt()));
  QString excluded;
  auto *list = HelpFrame->sourceList;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->checkState() != Qt::Checked) excluded += list->item(i)->text() + "\n";
  p.SetStr("Sources Exclues", excluded);
}

}  // namespace vistrel
