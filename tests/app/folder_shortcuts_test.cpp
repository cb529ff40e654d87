// "Open the folder of captured videos" shows the session's last recording
// selected in the desktop's file manager, reached over a private session bus
// where a stand-in file manager records what it was asked to show.
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

}  // namespace

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
