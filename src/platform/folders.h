#pragma once
// Where the program keeps and finds things on this machine: the user's
// shell folders (XDG user directories) and the folder of the program itself.
#include <QString>

namespace vistrel::platform {

// The user's documents folder (XDG user directory); HOME when it is not
// configured or does not exist.
QString DocumentsFolder();
// The user's pictures folder; the documents folder when it is not configured
// or does not exist.
QString PicturesFolder();
// The user's videos folder; the documents folder when it is not configured
// or does not exist.
QString VideosFolder();

// The folder the program runs from (ini file, plug-ins). VISTREL_PROGRAM_DIR
// overrides it so tests and demo runs can point it at a scratch folder.
QString ProgramFolder();
// The program's own executable; VISTREL_PROGRAM_DIR + "/vistrel" when set.
QString ExecutablePath();

// Why settings cannot be kept in a file beside the program ("Portable"): the
// program is installed in a folder of the system (under /usr, /bin, /sbin) or
// under a prefix of its own (a bin folder with the menu entry installed in
// ../share/applications), or its folder cannot be written. Empty when they can, as for a program run from
// the folder it was built or unpacked in.
QString PortableRefusal();
// Where plug-ins are looked for unless the user chose a folder: beside a program
// that keeps its settings beside it, else the user's own data folder
// ($XDG_DATA_HOME/vistrel/plugins), which an installed program can write.
QString DefaultPluginsFolder();

// Whether a file can be made in `folder`, found by making one (mode bits say
// nothing for root or on a read-only mount). A folder not there yet counts as
// writable when its nearest existing parent is, since it can be made; nothing
// is left behind.
bool CanWriteIn(const QString &folder);

}  // namespace vistrel::platform
