#include "settings/optionsframe.h"

#include <gst/gst.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "media/gstref.h"
#include "media/h264encoders.h"
#include "platform/dialogs.h"
#include "platform/folders.h"
#include "settings/codecs.h"
#include "settings/settingskeys.h"
#include "ui/fitting.h"

namespace vistrel::settings {

namespace {

// Items this short share one row even in the narrowest panel; longer ones
// stand one under the other, where their captions may wrap.
constexpr int kShortItem = 6;
// Group titles this short fit the narrowest panel.
constexpr int kShortTitle = 24;

QButtonGroup *Radios(QGroupBox *box, const QStringList &items) {
  auto *group = new QButtonGroup(box);
  const bool row = std::all_of(items.begin(), items.end(), [](const QString &i) { return i.size() <= kShortItem; });
  QBoxLayout *layout =
      row ? static_cast<QBoxLayout *>(new QHBoxLayout(box)) : static_cast<QBoxLayout *>(new QVBoxLayout(box));
  for (int i = 0; i < items.size(); ++i) {
    auto *b = new ui::WrapRadioButton(items[i], box);
    group->addButton(b, i);
    layout->addWidget(b);
  }
  return group;
}

// Checks item `id`, or none when there is no such item.
void Check(QButtonGroup *group, int id) {
  if (QAbstractButton *b = group->button(id)) {
    b->setChecked(true);
    return;
  }
  group->setExclusive(false);
  for (QAbstractButton *b : group->buttons()) b->setChecked(false);
  group->setExclusive(true);
}

QString FactoryLongName(const QString &factory) {
  const auto f = media::FactoryRef::Adopt(gst_element_factory_find(factory.toUtf8().constData()));
  if (!f) return factory;
  return QString::fromUtf8(gst_element_factory_get_metadata(f.get(), GST_ELEMENT_METADATA_LONGNAME));
}

}  // namespace

TOptionsFrame::TOptionsFrame(TparameterList &params, QWidget *parent) : QFrame(parent), params_(params) {
  BuildPages();
}

void TOptionsFrame::BuildPages() {
  auto *outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);  // the panel around it has its own
  auto *title = new QLabel("Settings (F10)", this);
  outer->addWidget(title);
  Pages = new QTabWidget(this);
  // Every page's name is shown: the panel is as wide as its tab bar.
  Pages->setUsesScrollButtons(false);
  Pages->setElideMode(Qt::ElideNone);
  outer->addWidget(Pages, 1);

  // A check box that writes its parameter as soon as it changes.
  auto check = [this](QWidget *page, QLayout *layout, const QString &caption, const QString &key) {
    auto *cb = new ui::WrapCheckBox(caption, page);
    layout->addWidget(cb);
    connect(cb, &QCheckBox::toggled, this, [this, key](bool on) {
      if (!loading_) params_.SetBool(key, on);
    });
    return cb;
  };
  // A radio group that stores its item index.
  auto radios = [this](QWidget *page, QLayout *layout, const QString &caption, const QStringList &items,
                       const QString &key) {
    // A group box's title never wraps: a long caption goes above the box.
    const bool wraps = caption.size() > kShortTitle;
    if (wraps) {
      auto *title = new QLabel(caption, page);
      title->setWordWrap(true);
      layout->addWidget(title);
    }
    auto *box = new QGroupBox(wraps ? QString() : caption, page);
    layout->addWidget(box);
    QButtonGroup *group = Radios(box, items);
    if (!key.isEmpty())
      connect(group, &QButtonGroup::idClicked, this, [this, key](int id) {
        if (loading_) return;
        params_.SetInt(key, id);
        params_.SetByte(key, quint8(id));
      });
    return group;
  };

  // "Pref"
  auto *pref = new QWidget;
  auto *pl = new QVBoxLayout(pref);
  cbConfirmerVideo = check(pref, pl, "Confirm before replacing a video", "Confirmer Video");
  cbConfirmerImage = check(pref, pl, "Confirm before replacing an existing image", "Confirmer Image");
  cbNotifier = check(pref, pl, "Notify the changes in capture sources", "Notifier");
  cbDesktopNotices = check(pref, pl, "Desktop notifications for scheduled recordings, faults and interval grabs",
                           "Desktop Notifications");
  cbActiverSuperposition = check(pref, pl, "Allow inlay", "Activer Superposition");
  rgPrefs = radios(pref, pl, "How to save the preferences when quit",
                   {"Normal Mode (registry)", "Portable Mode (USB key)", "Do not save when quit"}, {});
  // An installed program cannot keep an ini file beside itself; the button says why.
  const QString refusal = platform::PortableRefusal();
  rgPrefs->button(1)->setEnabled(refusal.isEmpty());
  rgPrefs->button(1)->setToolTip(refusal);
  connect(rgPrefs, &QButtonGroup::idClicked, this, [this](int id) {
    if (loading_) return;
    ApplyStoreChoice(params_, quint8(id));
    LoadFromParameters();  // portable mode may have moved the folders
    emit storeModeChanged(id);
  });
  cbMpeg2ratioNormal = check(pref, pl, "Display the normal mpeg2 with ratio  4x3", "Mpeg2 Ratio Normal");
  {
    auto *row = new QHBoxLayout;
    auto *question = new QLabel("Ask before a capture when the disk has less free space than", pref);
    question->setWordWrap(true);
    row->addWidget(question, 1);
    seLowDisk = new QSpinBox(pref);
    seLowDisk->setRange(0, 100000);
    seLowDisk->setSingleStep(50);
    seLowDisk->setSuffix(" MB");
    row->addWidget(seLowDisk, 0, Qt::AlignBottom);
    pl->addLayout(row);
    connect(seLowDisk, &QSpinBox::valueChanged, this, [this](int mb) {
      if (!loading_) params_.SetInt("Low Disk Space", mb);
    });
  }
  sbSave = new QPushButton("Save", pref);
  pl->addWidget(sbSave);
  connect(sbSave, &QPushButton::clicked, this, &TOptionsFrame::saveRequested);
  pl->addStretch();
  Pages->addTab(pref, "Pref");

  // "Wmv"
  auto *wmv = new QWidget;
  auto *wl = new QVBoxLayout(wmv);
  gbStandardProfiles = new QGroupBox("Standard profiles of wmv", wmv);
  auto *sl = new QFormLayout(gbStandardProfiles);
  auto *versionBox = new QGroupBox(gbStandardProfiles);
  rgversion = Radios(versionBox, {"4", "7", "8"});
  sl->addRow("Version", versionBox);
  cboxMedia = new QComboBox(gbStandardProfiles);
  sl->addRow(cboxMedia);
  wl->addWidget(gbStandardProfiles);
  // The chosen profile is kept as it changes: a recording reads its settings
  // from the store, not from this box.
  connect(cboxMedia, &QComboBox::currentTextChanged, this, [this](const QString &name) {
    if (!loading_ && !name.isEmpty()) params_.SetStr("Profil Windows media", name);
  });
  connect(rgversion, &QButtonGroup::idClicked, this, [this](int id) {
    SelectWmvVersion(id);
    if (!loading_) params_.SetInt("Version wmv", id);
  });
  rgProfiles = radios(wmv, wl, "Default Profiles", {"High", "Medium", "Low", "Internet"}, "Profile wmv");
  gbDefaultProfiles = qobject_cast<QGroupBox *>(rgProfiles->parent());
  cbDefaultProfile = check(wmv, wl, "Use the default profiles", "Default Profile");
  connect(cbDefaultProfile, &QCheckBox::toggled, this, [this] { UpdateProfileGroups(); });
  wl->addStretch();
  Pages->addTab(wmv, "Wmv");

  // "DivX"
  auto *divx = new QWidget;
  auto *dl = new QVBoxLayout(divx);
  auto *codecBox = new QGroupBox("DivX video", divx);
  auto *cl = new QVBoxLayout(codecBox);
  cboxdivx = new QComboBox(codecBox);
  cl->addWidget(cboxdivx);
  auto *buttons = new QHBoxLayout;
  sbPropDivx = new QPushButton("Properties", codecBox);
  sbVersionDivx = new QPushButton("version", codecBox);
  sbPropDivx->setEnabled(false);  // these encoders have no configuration dialog of their own
  buttons->addWidget(sbPropDivx);
  buttons->addWidget(sbVersionDivx);
  cl->addLayout(buttons);
  dl->addWidget(codecBox);
  connect(cboxdivx, &QComboBox::currentTextChanged, this, [this](const QString &name) {
    if (loading_ || name.isEmpty()) return;
    params_.SetStr("Divx favori", name);
    emit divxCodecChanged(name);
  });
  connect(sbVersionDivx, &QPushButton::clicked, this, [this] {
    if (const auto codec = DivxCodecByName(SelectedDivxCodec()))
      platform::DialogService::Instance().Information(
          "<b>" + codec->friendlyName + "</b><br>" + FactoryLongName(codec->factory) + " (" +
              codec->fourcc + ")",
          this);
  });
  cbDemiTaille = check(divx, dl, "Height of DivX image <= 288", "Demi Taille");
  rgRatioDivX = radios(divx, dl, QString(), {"Normal", "4x3", "16x9", "native"}, "Ratio DivX");
  cbMp3 = check(divx, dl, "Mp3 Compression", "Want Mp3");
  connect(cbMp3, &QCheckBox::toggled, this, [this] { UpdateMp3Visibility(); });
  gbMp3 = new QGroupBox("Mp3", divx);
  auto *ml = new QFormLayout(gbMp3);
  cboxBitratemp3 = new QComboBox(gbMp3);
  cboxBitratemp3->addItems(Mp3BitrateItems());
  ml->addRow("Bitrate in kbits per s", cboxBitratemp3);
  sbPropMp3 = new QPushButton("Advanced", gbMp3);
  sbPropMp3->setEnabled(false);  // no property pages for this encoder
  ml->addRow(sbPropMp3);
  dl->addWidget(gbMp3);
  connect(cboxBitratemp3, &QComboBox::currentTextChanged, this, [this](const QString &text) {
    if (loading_ || !mp3Available_) return;
    bool ok = false;
    const int kbps = text.toInt(&ok);
    if (!ok) {
      cboxBitratemp3->setCurrentText("128");
      return;
    }
    WriteMp3Bitrate(kbps);
  });
  lbNoMp3 = new QLabel("Install an MP3 encoder (GStreamer's lamemp3enc) to compress the sound to MP3.", divx);
  lbNoMp3->setWordWrap(true);
  dl->addWidget(lbNoMp3);
  dl->addStretch();
  divxPage_ = Pages->addTab(divx, "DivX");

  // "Images"
  auto *img = new QWidget;
  auto *il = new QVBoxLayout(img);
  rgExtension = radios(img, il, QString(), {"bmp", "jpeg"}, "Extension des images");
  auto *jpeg = new QGroupBox("Jpeg quality", img);
  auto *jl = new QVBoxLayout(jpeg);
  TrackBar1 = new QSlider(Qt::Horizontal, jpeg);
  TrackBar1->setRange(1, 100);
  TrackBar1->setValue(50);
  jl->addWidget(TrackBar1);
  il->addWidget(jpeg);
  connect(TrackBar1, &QSlider::valueChanged, this, [this](int v) {
    if (!loading_) params_.SetInt("Jpeg quality", v);
  });
  cbDeInterlacer = check(img, il, "Always deinterlace the grabbed images", "Internal Deinterlacer");
  il->addStretch();
  Pages->addTab(img, "Images");

  // "DV"
  auto *dv = new QWidget;
  auto *vl = new QVBoxLayout(dv);
  rgStandard = radios(dv, vl, "Standard", {"Pal", "Ntsc"}, "Standard DV");
  rgFrequenceDV = radios(dv, vl, "Frequency", {"32.000 Hz", "44.100 Hz", "48.000 Hz"}, {});
  // The items stand for the codes 1..3 (32000, 44100, 48000 Hz); code 0, the
  // native rate, has its own check box below.
  connect(rgFrequenceDV, &QButtonGroup::idClicked, this, [this](int id) {
    if (loading_) return;
    QString text = rgFrequenceDV->button(id)->text();
    text.remove('.').remove(" Hz");
    params_.SetByte("FrequenceDV", quint8(DVFrequencyFromName(text)));
  });
  cbfrequenceDVNative = check(dv, vl, "Keep the native frequency if possible", "Frequence DV native");
  rgDVRatio = radios(dv, vl, "Ratio", {"4x3", "16x9"}, "RatioDV");
  cbGarderFormatDV = check(dv, vl, "Keep the format DV", "Garder Format DV");
  cbDVDemiSiDivX = check(dv, vl, "Half format if compressed in DivX", "DV demi si DivX");
  cbScn = check(dv, vl, "Create a scn file", "scn");
  auto *nd = new QFormLayout;
  leNoDatecode = new QLineEdit(dv);
  nd->addRow("Display if no datecode", leNoDatecode);
  vl->addLayout(nd);
  connect(leNoDatecode, &QLineEdit::textChanged, this, [this](const QString &t) {
    if (!loading_) params_.SetStr("No Datecode", t);
  });
  vl->addStretch();
  Pages->addTab(dv, "DV");

  // The MP4 format's picture, quality and speed, under the WMV settings (a
  // page of its own would widen the tab bar past a 1024-pixel screen); the
  // sound is AAC at a fixed rate.
  auto *h264 = new QGroupBox("mp4 (H.264) video", wmv);
  auto *hl = new QFormLayout(h264);
  seH264Quality = new QSpinBox(h264);
  seH264Quality->setRange(0, media::kH264MaxQuality);
  seH264Quality->setToolTip("Constant quality: lower is better and bigger, 18 to 28 is usual");
  hl->addRow("Quality (lower is better)", seH264Quality);
  cboxH264Preset = new QComboBox(h264);
  // The box's items are the stored values plus one: "auto" is -1.
  cboxH264Preset->addItem("auto");
  for (const char *preset : media::kH264Presets) cboxH264Preset->addItem(QString::fromLatin1(preset));
  cboxH264Preset->setToolTip(
      "Faster presets take less of the processor and make bigger files; auto: veryfast up to 720p30, "
      "ultrafast above");
  hl->addRow("Speed", cboxH264Preset);
  lbMp4Encoders = new QLabel(h264);
  lbMp4Encoders->setWordWrap(true);
  hl->addRow(lbMp4Encoders);
  wl->insertWidget(wl->count() - 1, h264);  // above the page's stretch
  connect(seH264Quality, &QSpinBox::valueChanged, this, [this](int q) {
    if (!loading_) params_.SetInt("H264 Quality", q);
  });
  connect(cboxH264Preset, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!loading_ && i >= 0) params_.SetInt("H264 Preset", i - 1);
  });
}

void TOptionsFrame::Populate() {
  QStringList names;
  for (const DivxCodec &c : AvailableDivxCodecs()) names.append(c.friendlyName);
  Populate(names, Mp3EncoderAvailable());
}

void TOptionsFrame::Populate(const QStringList &codecNames, bool mp3Available) {
  loading_ = true;
  const DivxChoice choice = ChooseDivx(codecNames, params_.Str("Divx favori"));
  cboxdivx->clear();
  cboxdivx->addItems(choice.names);
  divxAvailable_ = !choice.names.isEmpty();
  if (divxAvailable_) cboxdivx->setCurrentIndex(choice.selected);
  Pages->setTabVisible(divxPage_, divxAvailable_);
  mp3Available_ = mp3Available;
  loading_ = false;
  LoadBitrate();
  UpdateMp3Visibility();
  if (divxAvailable_) emit divxCodecChanged(cboxdivx->currentText());
}

QString TOptionsFrame::SelectedDivxCodec() const { return cboxdivx->currentText(); }

void TOptionsFrame::LoadBitrate() {
  if (!mp3Available_) return;
  loading_ = true;
  const QString wanted = QString::number(ReadMp3Bitrate().value_or(128));
  cboxBitratemp3->setCurrentIndex(cboxBitratemp3->findText("128"));
  if (cboxBitratemp3->findText(wanted) >= 0) cboxBitratemp3->setCurrentText(wanted);
  loading_ = false;
}

void TOptionsFrame::UpdateMp3Visibility() {
  const bool both = mp3Available_ && divxAvailable_;
  cbMp3->setVisible(both);
  cboxBitratemp3->setVisible(both);
  sbPropMp3->setVisible(both);
  gbMp3->setVisible(mp3Available_ && cbMp3->isChecked());
  lbNoMp3->setVisible(!mp3Available_);
}

void TOptionsFrame::UpdateProfileGroups() {
  gbDefaultProfiles->setVisible(cbDefaultProfile->isChecked());
  gbStandardProfiles->setVisible(!cbDefaultProfile->isChecked());
}

void TOptionsFrame::SelectWmvVersion(int index) {
  Check(rgversion, index);
  cboxMedia->clear();
  for (const WmvProfile &p : WmvSystemProfiles(index)) cboxMedia->addItem(p.name);
  if (cboxMedia->count() > 0) cboxMedia->setCurrentIndex(0);
}

void TOptionsFrame::SelectPreferredProfile(const QString &name) {
  const int i = cboxMedia->findText(name);
  cboxMedia->setCurrentIndex(i >= 0 ? i : (cboxMedia->count() > 0 ? 0 : -1));
}

QStringList TOptionsFrame::ProfileEntries() const {
  QStringList entries;
  for (int i = 0; i < cboxMedia->count(); ++i) entries.append(cboxMedia->itemText(i));
  return entries;
}

void TOptionsFrame::SelectProfileEntry(int index) {
  if (index >= 0 && index < cboxMedia->count()) cboxMedia->setCurrentIndex(index);
}

WmvProfile TOptionsFrame::ChosenWmvProfile() const {
  if (cbDefaultProfile->isChecked()) return WmvDefaultProfile(rgProfiles->checkedId());
  const QList<WmvProfile> list = WmvSystemProfiles(rgversion->checkedId());
  const int i = cboxMedia->currentIndex();
  return i >= 0 && i < list.size() ? list[i] : WmvDefaultProfile(1);
}

int TOptionsFrame::DvFrequencyItemOf(int code) const {
  return code >= 1 && code <= 3 ? code - 1 : 1;  // the native rate shows as 44.1 kHz, as it is built
}

void TOptionsFrame::SetStoreModeIndex(int index) {
  loading_ = true;
  Check(rgPrefs, index);
  loading_ = false;
  StoreMode = quint8(index);
}

void TOptionsFrame::LoadFromParameters() {
  loading_ = true;
  const auto &p = params_;
  TrackBar1->setValue(p.Int("Jpeg quality"));
  Check(rgExtension, p.Int("Extension des images"));
  cbConfirmerImage->setChecked(p.Bool("Confirmer Image"));
  cbConfirmerVideo->setChecked(p.Bool("Confirmer Video"));
  cbMpeg2ratioNormal->setChecked(p.Bool("Mpeg2 Ratio Normal"));
  seLowDisk->setValue(p.Int("Low Disk Space"));
  cbScn->setChecked(p.Bool("scn"));
  cbDVDemiSiDivX->setChecked(p.Bool("DV demi si DivX"));
  cbDeInterlacer->setChecked(p.Bool("Internal Deinterlacer"));
  leNoDatecode->setText(p.Str("No Datecode"));
  Check(rgStandard, p.Byte("Standard DV"));
  Check(rgFrequenceDV, DvFrequencyItemOf(p.Byte("FrequenceDV")));
  Check(rgDVRatio, p.Byte("RatioDV"));
  Check(rgRatioDivX, p.Byte("Ratio DivX"));
  cbfrequenceDVNative->setChecked(p.Bool("Frequence DV native"));
  cbGarderFormatDV->setChecked(p.Bool("Garder Format DV"));
  cbDemiTaille->setChecked(p.Bool("Demi Taille"));
  Check(rgProfiles, p.Int("Profile wmv"));
  cbNotifier->setChecked(p.Bool("Notifier"));
  cbDesktopNotices->setChecked(p.Bool("Desktop Notifications"));
  cbDefaultProfile->setChecked(p.Bool("Default Profile"));
  cbActiverSuperposition->setChecked(p.Bool("Activer Superposition"));
  cbMp3->setChecked(p.Bool("Want Mp3"));
  seH264Quality->setValue(p.Int("H264 Quality"));
  cboxH264Preset->setCurrentIndex(p.Int("H264 Preset") + 1);
  lbMp4Encoders->setText("Encoders: " + media::DescribeMp4Encoders(media::InstalledMp4Encoders()));
  Check(rgPrefs, StoreMode);
  loading_ = false;
  UpdateProfileGroups();
  UpdateMp3Visibility();
}

void TOptionsFrame::SaveToParameters() {
  auto &p = params_;
  p.SetInt("Jpeg quality", TrackBar1->value());
  p.SetInt("Extension des images", std::max(0, rgExtension->checkedId()));
  p.SetStr("Profil Windows media", cboxMedia->currentText());
  p.SetStr("Preferred  wmv profile", cboxMedia->currentText());
  p.SetBool("Confirmer Image", cbConfirmerImage->isChecked());
  p.SetBool("Confirmer Video", cbConfirmerVideo->isChecked());
  p.SetBool("Mpeg2 Ratio Normal", cbMpeg2ratioNormal->isChecked());
  p.SetBool("scn", cbScn->isChecked());
  p.SetBool("DV demi si DivX", cbDVDemiSiDivX->isChecked());
  p.SetBool("Internal Deinterlacer", cbDeInterlacer->isChecked());
  p.SetStr("No Datecode", leNoDatecode->text());
  if (rgStandard->checkedId() >= 0) p.SetByte("Standard DV", quint8(rgStandard->checkedId()));
  if (rgDVRatio->checkedId() >= 0) p.SetByte("RatioDV", quint8(rgDVRatio->checkedId()));
  if (rgRatioDivX->checkedId() >= 0) p.SetByte("Ratio DivX", quint8(rgRatioDivX->checkedId()));
  p.SetBool("Frequence DV native", cbfrequenceDVNative->isChecked());
  p.SetBool("Garder Format DV", cbGarderFormatDV->isChecked());
  p.SetBool("Demi Taille", cbDemiTaille->isChecked());
  if (rgProfiles->checkedId() >= 0) p.SetInt("Profile wmv", rgProfiles->checkedId());
  p.SetBool("Notifier", cbNotifier->isChecked());
  p.SetBool("Desktop Notifications", cbDesktopNotices->isChecked());
  p.SetBool("Default Profile", cbDefaultProfile->isChecked());
  p.SetBool("Activer Superposition", cbActiverSuperposition->isChecked());
  if (rgversion->checkedId() >= 0) p.SetInt("Version wmv", rgversion->checkedId());
  if (divxAvailable_) p.SetStr("Divx favori", cboxdivx->currentText());
  p.SetBool("Want Mp3", cbMp3->isChecked());
  p.SetInt("H264 Quality", seH264Quality->value());
  if (cboxH264Preset->currentIndex() >= 0) p.SetInt("H264 Preset", cboxH264Preset->currentIndex() - 1);
  if (rgPrefs->checkedId() >= 0) StoreMode = quint8(rgPrefs->checkedId());
}

}  // namespace vistrel::settings
