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

namespace vistrel::platform {
namespace {

constexpr int kFileManagerTimeoutMs = 2000;

bool OpenFolder(const QString &folder) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

}  // namespace

QString DeuxChiffres(int n) { return (QStringLiteral("00") + QString::number(n)).right(2); }

bool ShowInFileManager(const QString &path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  const QString absolute = info.absoluteFilePath();
  const QString folder = info.isDir() ? absolute : info.absolutePath();
  if (!info.exists()) return QFileInfo(folder).isDir() && OpenFolder(folder);

  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return OpenFolder(folder);

  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(absolute).toString()} << QString();
  // Asynchronous: the UI goes on at once; when no file manager answers in
  // time, the folder is opened instead.
  auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kFileManagerTimeoutMs));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder](QDBusPendingCallWatcher *w) {
    if (w->isError()) OpenFolder(folder);
    w->deleteLater();
  });
  return true;
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
