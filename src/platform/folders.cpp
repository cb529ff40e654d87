#include "platform/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "platform/product.h"

namespace vistrel::platform {
namespace {

QString HomeFolder() { return QDir::homePath(); }

// QStandardPaths answers HOME itself, or a default like ~/Videos that may
// not exist, when no user directory is configured; only an existing folder
// other than HOME counts, so captures never head for a missing folder.
QString Configured(QStandardPaths::StandardLocation where) {
  const QString path = QStandardPaths::writableLocation(where);
  if (path.isEmpty() || !QFileInfo(path).isDir()) return {};
  if (QDir(path) == QDir(HomeFolder())) return {};
  return QDir::cleanPath(path);
}

QString ProgramDirOverride() { return qEnvironmentVariable("VISTREL_PROGRAM_DIR"); }

// Folders the package manager owns: nothing of the user's belongs there, even
// when run as root, where writing would succeed.
bool SystemFolder(const QString &folder) {
  for (const char *prefix : {"/usr", "/bin", "/sbin"})
    if (folder == QLatin1String(prefix) || folder.startsWith(QLatin1String(prefix) + u'/')) return true;
  return false;
}

}  // namespace

QString DocumentsFolder() {
  const QString docs = Configured(QStandardPaths::DocumentsLocation);
  return docs.isEmpty() ? HomeFolder() : docs;
}

QString PicturesFolder() {
  const QString pics = Configured(QStandardPaths::PicturesLocation);
  return pics.isEmpty() ? DocumentsFolder() : pics;
}

QString VideosFolder() {
  const QString videos = Configured(QStandardPaths::MoviesLocation);
  return videos.isEmpty() ? DocumentsFolder() : videos;
}

QString ProgramFolder() {
  const QString over = ProgramDirOverride();
  if (!over.isEmpty()) return QDir::cleanPath(over);
  if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
  return QFileInfo(ExecutablePath()).absolutePath();
}

QString ExecutablePath() {
  const QString over = ProgramDirOverride();
  if (!over.isEmpty()) return QDir::cleanPath(over) + "/vistrel";
  if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
  // Before the application object exists: the kernel's own answer.
  return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString PortableRefusal() {
  const QString folder = QDir::cleanPath(ProgramFolder());
  if (SystemFolder(folder))
    return QString("%1 is installed in %2, a folder of the system: its settings cannot be kept beside it.")
        .arg(kProductTitle, folder);
  // Installed under a prefix of the user's own (cmake --install --prefix ~/.local):
  // the menu entry installed with it says so.
  if (QFileInfo(folder).fileName() == u"bin" && QFileInfo::exists(folder + "/../share/applications/vistrel.desktop"))
    return QString("%1 is installed in %2, beside other programs: its settings cannot be kept beside it.")
        .arg(kProductTitle, folder);
  if (!CanWriteIn(folder))
    return QString("The folder of %1, %2, cannot be written: its settings cannot be kept beside it.")
        .arg(kProductTitle, folder);
  return {};
}

QString DefaultPluginsFolder() {
  if (PortableRefusal().isEmpty()) return ProgramFolder();
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/vistrel/plugins";
}

bool CanWriteIn(const QString &folder) {
  if (folder.isEmpty()) return false;
  QString existing = QDir::cleanPath(QDir(folder).absolutePath());
  while (!QFileInfo(existing).exists()) {
    const QString parent = QFileInfo(existing).absolutePath();
    if (parent == existing) return false;
    existing = parent;
  }
  if (!QFileInfo(existing).isDir()) return false;
  QTemporaryFile probe(existing + "/.vistrel-write-probe-XXXXXX");
  return probe.open() && probe.write("x", 1) == 1 && probe.flush();
}

}  // namespace vistrel::platform
