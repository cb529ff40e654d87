#pragma once
// Small shell operations: number formatting for file names, the trash, and
// handing files, folders and programs over to the desktop.
#include <QString>
#include <QStringList>

class QWidget;

namespace vistrel::platform {

// The last two characters of "00" followed by n in decimal: 5 -> "05",
// 2024 -> "24".
QString DeuxChiffres(int n);

// Moves a file to the user's trash (freedesktop trash under XDG_DATA_HOME, or
// the volume's own trash). True only when the file is no longer at path.
// False leaves the file exactly where and as it was; a caller about to write
// over it must then not do so.
bool Recycle(const QString &path);

// Opens the file manager with path selected (org.freedesktop.FileManager1
// over the session bus); without a bus or file manager service, opens the
// folder holding it as ShowFolder does, telling the user when that fails too.
// Never waits for the file manager. False when nothing could be shown at once
// (the path and its folder are not there, or nothing opens the folder).
bool ShowInFileManager(const QString &path);

// Opens a folder in the desktop's file manager. A folder that is not there,
// or a desktop where nothing opens folders, is told to the user through the
// dialog service (the folder is not made); false then.
bool ShowFolder(const QString &folder, QWidget *parent = nullptr);

// Opens a file, folder or URL with the desktop's default application.
// False for an empty text or a local path that does not exist.
bool OpenWithShell(const QString &pathOrUrl);

// Starts a program detached from this one. False when it cannot be started.
bool RunProgram(const QString &program, const QStringList &args);

}  // namespace vistrel::platform
