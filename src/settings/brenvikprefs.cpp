#include "settings/brenvikprefs.h"

#include "platform/dialogs.h"
#include "platform/folders.h"
#include "platform/registry.h"
#include "settings/saveprefsform.h"
#include "settings/settingskeys.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include <cstdio>

namespace vistrel::settings {

TBrenvikPreferences::TBrenvikPreferences(QWidget *ownerForm)
    : QObject(ownerForm), owner_(ownerForm), store_(std::make_unique<TNonePreferencesMan>()) {
  folder_ = WithTrailingSeparator(platform::ProgramFolder());
  if (owner_) owner_->installEventFilter(this);
}

TBrenvikPreferences::~TBrenvikPreferences() = default;

QString TBrenvikPreferences::IniFileName() const { return folder_ + titre + ".ini"; }

QString TBrenvikPreferences::RegistryKeyPath() const { return "Software\\Brenvik\\" + titre; }

TSavePreferences TBrenvikPreferences::DetectMode() const {
  if (QFileInfo::exists(IniFileName())) return TSavePreferences::spPortable;
  if (platform::Registry::User().KeyExists(RegistryKeyPath())) return TSavePreferences::spRegistre;
  return TSavePreferences::spNone;
}

void TBrenvikPreferences::SetMode(TSavePreferences mode) {
  if (mode == mode_) return;
  mode_ = mode;
  Reopen();
}

// The data of the mode left behind is removed only once the new store has been
// written (FinishStoreChange after a successful save), so a save that fails
// (an unwritable program folder) never costs the user the settings they had.
// "None" removes both at once: that is what the user asked for.
void TBrenvikPreferences::Reopen() {
  store_.reset();  // an ini store writes its changes now
  switch (mode_) {
    case TSavePreferences::spRegistre:
      store_ = std::make_unique<TRegPreferencesMan>(RegistryKeyPath());
      store_->OpenKey(QString(), true);
      break;
    case TSavePreferences::spPortable:
      store_ = std::make_unique<TIniPreferencesMan>(IniFileName(), true);
      break;
    case TSavePreferences::spNone:
      store_ = std::make_unique<TNonePreferencesMan>();
      break;
  }
  recordedFolder_.clear();
  if (mode_ == TSavePreferences::spPortable) {
    QString exe;
    if (store_->ReadString("ExeName", exe) && !ProgramFolderOfExeName(exe).isEmpty())
      recordedFolder_ = QFileInfo(exe).absolutePath();
  }
  if (OnChangeMode) OnChangeMode(mode_);
  if (mode_ == TSavePreferences::spNone) {
    DeleteIniSettings();
    DeleteRegistrySettings();
  } else {
    ScheduleStoreCleanup(quint8(mode_));
  }
}

bool TBrenvikPreferences::ReadBool(const QString &name, bool def) {
  bool v = def;
  return mode_ != TSavePreferences::spNone && store_->ReadBool(name, v) ? v : def;
}

qint32 TBrenvikPreferences::ReadInteger(const QString &name, qint32 def) {
  qint32 v = def;
  return mode_ != TSavePreferences::spNone && store_->ReadInteger(name, v) ? v : def;
}

QString TBrenvikPreferences::ReadString(const QString &name, const QString &def) {
  QString v = def;
  return mode_ != TSavePreferences::spNone && store_->ReadString(name, v) ? v : def;
}

PrefRect TBrenvikPreferences::ReadRect(const QString &name, const PrefRect &def) {
  PrefRect r = def;
  return mode_ != TSavePreferences::spNone && settings::ReadRect(*store_, name, r) ? r : def;
}

bool TBrenvikPreferences::WriteBool(const QString &name, bool value) {
  return mode_ != TSavePreferences::spNone && store_->WriteBool(name, value);
}

bool TBrenvikPreferences::WriteInteger(const QString &name, qint32 value) {
  return mode_ != TSavePreferences::spNone && store_->WriteInteger(name, value);
}

bool TBrenvikPreferences::WriteString(const QString &name, const QString &value) {
  return mode_ != TSavePreferences::spNone && store_->WriteString(name, value);
}

bool TBrenvikPreferences::WriteRect(const QString &name, const PrefRect &r) {
  return mode_ != TSavePreferences::spNone && settings::WriteRect(*store_, name, r);
}

void TBrenvikPreferences::FormShown() {
  if (shown_ || finished_) return;
  shown_ = true;
  mode_ = DetectMode();
  Reopen();
  if (OnLoadPrefs) OnLoadPrefs(*this);
}

std::optional<TSavePreferences> TBrenvikPreferences::AskMode() {
  if (ChooseMode) return ChooseMode();
  if (!platform::DialogService::Instance().ShowsBoxes()) {
    // Nobody can answer (unattended, or no screen): keep nothing, and say so.
    platform::DialogService::LogAnswered(TSavePrefsForm::QuestionText(), QStringLiteral("None"));
    return TSavePreferences::spNone;
  }
  TSavePrefsForm form(owner_);
  form.setWindowTitle(QStringLiteral("Saving the preferences of %1").arg(titre));
  form.exec();
  if (!form.Accepted()) return std::nullopt;
  return form.Choice();
}

bool TBrenvikPreferences::FormCloseQuery() {
  if (finished_) return true;
  if (PreviousCloseQuery) PreviousCloseQuery();
  if (mode_ == TSavePreferences::spNone) {
    const auto choice = AskMode();
    if (!choice) return false;  // asked again at the next close
    mode_ = *choice;
    Reopen();
  }
  if (mode_ != TSavePreferences::spNone) {
    while (!store_->CurrentPath().isEmpty()) store_->CloseKey();  // the header goes in the root key
    store_->WriteString("Version", version);
    store_->WriteString("Last saving",
                        QDateTime::currentDateTime().toString("yyyy/MM/dd hh:mm:ss"));
    store_->WriteString("ExeName", platform::ExecutablePath());
    if (OnSavePrefs) OnSavePrefs(*this);
    if (store_->Flush()) FinishStoreChange(quint8(mode_));
  }
  finished_ = true;
  if (owner_) owner_->removeEventFilter(this);
  return true;
}

bool TBrenvikPreferences::eventFilter(QObject *watched, QEvent *event) {
  if (watched == owner_ && !finished_) {
    if (event->type() == QEvent::Show) {
      FormShown();
    } else if (event->type() == QEvent::Close) {
      if (!FormCloseQuery()) {
        event->ignore();
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace vistrel::settings
