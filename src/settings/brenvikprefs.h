#pragma once
// TBrenvikPreferences: carries the user's choice of preference store, detects
// it when the main window is first shown, asks for it at the first close, and
// gives the rest of the program typed reads and writes on the chosen store.
//
// Wiring: construct it with the main window (it hooks the window's first show
// and its close through an event filter), or construct it with no window and
// call FormShown() / FormCloseQuery() from the window's own handlers.
#include "settings/prefsman.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace vistrel::settings {

class TBrenvikPreferences : public QObject {
  Q_OBJECT
 public:
  explicit TBrenvikPreferences(QWidget *ownerForm = nullptr);
  ~TBrenvikPreferences() override;

  QString titre = QStringLiteral("Vistrel");
  QString version = QStringLiteral("6.3.0");

  std::function<void(TSavePreferences)> OnChangeMode;
  std::function<void(TBrenvikPreferences &)> OnLoadPrefs;
  std::function<void(TBrenvikPreferences &)> OnSavePrefs;
  // The owner's own close question, run first (the close goes on whatever it answers).
  std::function<void()> PreviousCloseQuery;
  // Asks where to keep the preferences; nullopt when the dialog was closed
  // without a choice. Default: TSavePrefsForm, or "None" in an unattended run.
  std::function<std::optional<TSavePreferences>()> ChooseMode;

  TSavePreferences Mode() const { return mode_; }
  // Reopens the store when the mode changes.
  void SetMode(TSavePreferences mode);
  TPreferencesMan &Store() { return *store_; }

  QString IniFileName() const;      // F + titre + ".ini"
  QString RegistryKeyPath() const;  // Software\Brenvik\<titre>
  // The folder of the program recorded in the ini file ("ExeName"), in portable mode.
  QString RecordedProgramFolder() const { return recordedFolder_; }

  // Mode from what exists: the ini file, else the registry key, else none.
  TSavePreferences DetectMode() const;

  bool ReadBool(const QString &name, bool def);
  qint32 ReadInteger(const QString &name, qint32 def);
  QString ReadString(const QString &name, const QString &def);
  PrefRect ReadRect(const QString &name, const PrefRect &def);
  bool WriteBool(const QString &name, bool value);
  bool WriteInteger(const QString &name, qint32 value);
  bool WriteString(const QString &name, const QString &value);
  bool WriteRect(const QString &name, const PrefRect &r);

  // The window was shown: detect the mode, open its store, load.
  void FormShown();
  // The window is asked to close: false keeps it open (no choice was made).
  bool FormCloseQuery();
  // True once the close flow has run (the hooks are gone).
  bool Finished() const { return finished_; }

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void Reopen();
  std::optional<TSavePreferences> AskMode();

  QWidget *owner_ = nullptr;
  TSavePreferences mode_ = TSavePreferences::spNone;
  std::unique_ptr<TPreferencesMan> store_;
  QString folder_;
  QString recordedFolder_;
  bool shown_ = false;
  bool finished_ = false;
};

}  // namespace vistrel::settings
