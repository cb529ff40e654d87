#include "platform/shell.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "platform/dialogs.h"

namespace vistrel::platform {
namespace {

constexpr int kFileManagerTimeoutMs = 2000;

QString FolderText(const QString &folder) { return QDir::toNativeSeparators(QDir::cleanPath(folder)); }

}  // namespace

QString DeuxChiffres(int n) { return (QStringLiteral("00") + QString::number(n)).right(2); }

bool ShowInFileManager(const QString &path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  const QString absolute = info.absoluteFilePath();
  const QString folder = info.isDir() ? absolute : info.absolutePath();
  if (!info.exists()) return ShowFolder(folder);

  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return ShowFolder(folder);

  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(absolute).toString()} << QString();
  // Asynchronous: the UI goes on at once; when no file manager answers in
  // time, the folder is opened instead.
  auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kFileManagerTimeoutMs));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder](QDBusPendingCallWatcher *w) {
    if (w->isError()) ShowFolder(folder);
    w->deleteLater();
  });
  return true;
}

bool ShowFolder(const QString &folder, QWidget *parent) {
  if (!QFileInfo(folder).isDir()) {
    DialogService::Instance().Warning("The folder " + FolderText(folder) + " does not exist.", parent);
    return false;
  }
  if (QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::cleanPath(folder)))) return true;
  // Qt says why only on stderr, which a user started from a menu never sees.
  DialogService::Instance().Warning(
      "The folder " + FolderText(folder) + " cannot be shown: no file manager is installed or answering.", parent);
  return false;
}

bool OpenWithShell(const QString &pathOrUrl) {
  const QString text = pathOrUrl.trimmed();
  if (text.isEmpty()) return false;
  const QUrl url = QUrl::fromUserInput(text, QDir::currentPath(), QUrl::AssumeLocalFile);
  if (!url.isValid()) return false;
  if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return false;
  return QDesktopServices::openUrl(url);
}

bool RunProgram(const QString &program, const QStringList &args) {
  if (program.trimmed().isEmpty()) return false;
  return QProcess::startDetached(program, args);
}

}  // namespace vistrel::platform
