#pragma once
// The program's settings: the 74 parameters with their keys and defaults, the
// decision where they are read from, their save, the removal of a store, and
// the names of the capture formats and DV audio rates.
#include "settings/parameters.h"

#include <QString>

namespace vistrel::settings {

// "\Software\Brenvik\Vistrel": registry key path and ini section of the settings.
QString SettingsKeyPath();
// "Vistrel 6.3.0 en by Brenvik", given to the list when it is created.
QString SettingsSignature();

// Where the settings are read from at start: 1 when Vistrel.ini is beside the
// program; 0 when the registry's "ExeName" is this executable (letter case
// ignored); 2 otherwise.
quint8 DetectStoreMode();

// Builds the 74 parameters into the list (emptying it first) with their defaults.
void CreateSettings(TparameterList &list);
// Sets KeyPath, decides StoreMode, builds the parameters and loads them. In ini
// mode, folders saved under another program folder are moved to the current one.
void CreateAndLoadSettings(TparameterList &list);
// SaveAll; false when the store could not be written. Never throws, shows nothing.
bool SaveSettings(TparameterList &list);

bool DeleteRegistrySettings();
bool DeleteIniSettings();

// A store change made in the options panel: StoreMode := mode; "none" removes
// both stores at once. Leaving a store removes its data only after the next
// successful save in the new store, so a failed save never loses settings.
// In portable mode the three folders are moved into the program's folder.
void ApplyStoreChoice(TparameterList &list, quint8 mode);
// Records that the data of the stores other than `keep` goes at the next
// successful save in `keep` (see FinishStoreChange).
void ScheduleStoreCleanup(quint8 keep);
// Forgets a scheduled removal (a new run of the choice, or tests).
void CancelStoreCleanup();
// Called after a successful save in `savedMode`: removes the stores left behind.
void FinishStoreChange(quint8 savedMode);

// The string value of a key under the current user's root; empty when the key
// or value is missing. The key is never created.
QString ReadRegistryString(const QString &keyPath, const QString &valueName);

// The program folder (with its trailing separator) an "ExeName" value names;
// empty when the value is not a full path to a program of this one's name.
QString ProgramFolderOfExeName(const QString &exe);
QString RebasePath(const QString &path, const QString &oldFolder, const QString &newFolder);

// A folder path with its final separator.
QString WithTrailingSeparator(const QString &folder);

QString CaptureFormatName(int code);
QString CaptureFormatShortName(int code);
// The format's code by its name ("None" for none); Default for any other text.
int CaptureFormatFromName(const QString &name);
// The same, but -1 for a text that names no format.
int CaptureFormatNamed(const QString &name);
int DVFrequencyFromName(const QString &name);
// The sample rate the graph builder uses for a DV audio rate code.
int DVFrequencyHz(int code);

}  // namespace vistrel::settings
