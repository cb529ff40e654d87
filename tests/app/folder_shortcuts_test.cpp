// "Open the folder of captured videos" shows the session's last recording
// selected in the desktop's file manager, reached over a private session bus
// where a stand-in file manager records what it was asked to show; where no
// file manager answers, or the folder is not there, the user is told so.
#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QPushButton>

#include "recording_fixture.h"
#include "sessionlist/fichierlistbox.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

class FakeFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
 public:
  QStringList shown;
 public slots:
  void ShowItems(const QStringList &uris, const QString &) { shown << uris; }
};

// A session bus of our own for the whole test, ended by its process.
struct PrivateBus {
  QProcess daemon;
  QString address;
  PrivateBus() {
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000)) return;
    address = QString::fromUtf8(daemon.readLine()).trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
  }
  ~PrivateBus() {
    daemon.terminate();
    daemon.waitForFinished(3000);
  }
};

// While it lives, programs are looked for only in `dir`: with an empty one, the
// desktop of a machine with no file manager or browser installed. (The
// offscreen platform of the tests opens nothing anyway; a launcher that is
// there is tried under a real X server, xvfb_open_folder.sh.)
struct ProgramsOnlyIn {
  QByteArray path = qgetenv("PATH");
  explicit ProgramsOnlyIn(const QString &dir) {
    qputenv("PATH", dir.toUtf8());
    qunsetenv("BROWSER");
    qunsetenv("DEFAULT_BROWSER");
  }
  ~ProgramsOnlyIn() { qputenv("PATH", path); }
};

}  // namespace

TEST(FolderShortcuts, AFolderThatCannotBeShownIsToldWithItsPath) {
  PrivateBus bus;  // a bus where no file manager is registered
  if (bus.address.isEmpty()) GTEST_SKIP() << "no dbus-daemon";
  RecordingWindow w;
  const QString shown = freshDir("videos"), images = freshDir("images");
  const QString missing = freshDir("gone") + "/never made";
  const QString recorded = w.folder + "/clip.avi";
  QFile clip(recorded);
  ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
  clip.write("RIFF");
  clip.close();
  auto &p = w.form.Parameters();
  const QString cannot = " cannot be shown: no file manager is installed or answering.";
  struct Case {
    const char *what;
    std::function<void()> press;
    QString told;
  } const cases[] = {
      {"the Folders panel's video button",
       [&] {
         p.SetStr("Video Directory", shown + "/");
         w.form.DossiersFrame->btnOuvrirVideo->click();
       },
       "The folder " + shown + cannot},
      {"the Folders panel's image button",
       [&] {
         p.SetStr("Image Directory", images);
         w.form.DossiersFrame->btnOuvrirImage->click();
       },
       "The folder " + images + cannot},
      {"the action, nothing recorded, a folder not there",
       [&] {
         p.SetStr("Video Directory", missing + "/");
         w.form.Action("acOuvrirDossierVideos")->ExecuteInteractive();
       },
       "The folder " + missing + " does not exist."},
      {"the Sources panel's button, after a recording",
       [&] {
         w.form.AjouterSession(recorded, 0, 10);
         w.form.SourcesFrame->btnDossierVideos->click();
       },
       "The folder " + w.folder + cannot},
  };
  auto &dialogs = platform::DialogService::Instance();
  {
    ProgramsOnlyIn none(freshDir("no-programs"));
    for (const Case &c : cases) {
      SCOPED_TRACE(c.what);
      dialogs.ClearHistory();
      c.press();
      EXPECT_TRUE(SpinUntil([&] { return !dialogs.History().isEmpty(); }, 5000));
      EXPECT_EQ(dialogs.History().join("\n").toStdString(), c.told.toStdString());
    }
  }
  EXPECT_FALSE(QFileInfo::exists(missing)) << "the folder is not made by showing it";
}

TEST(FolderShortcuts, TheLastRecordingIsShownSelectedInTheFileManager) {
  PrivateBus bus;
  if (bus.address.isEmpty()) GTEST_SKIP() << "no dbus-daemon";
  FakeFileManager manager;
  QDBusConnection other = QDBusConnection::connectToBus(bus.address, "file-manager");
  ASSERT_TRUE(other.isConnected());
  ASSERT_TRUE(other.registerObject("/org/freedesktop/FileManager1", &manager, QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(other.registerService("org.freedesktop.FileManager1"));

  RecordingWindow w;
  QStringList files;
  for (const char *name : {"b second.avi", "a first.avi"}) {
    files << w.folder + "/" + name;
    QFile f(files.last());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("RIFF");
  }
  // Recorded in this order; the list sorts "a first" before "b second".
  for (const QString &file : files) w.form.AjouterSession(file, 0, 10);
  ASSERT_EQ(w.form.FichierListbox()->Count(), 2);

  w.form.SourcesFrame->btnDossierVideos->click();
  ASSERT_TRUE(SpinUntil([&] { return !manager.shown.isEmpty(); }, 3000));
  EXPECT_EQ(manager.shown, QStringList{QUrl::fromLocalFile(files.last()).toString()});
  QDBusConnection::disconnectFromBus("file-manager");
}

#include "folder_shortcuts_test.moc"
