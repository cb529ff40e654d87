#include "settings/settingskeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

#include "media/h264encoders.h"
#include "platform/folders.h"
#include "platform/inifile.h"
#include "platform/product.h"
#include "platform/registry.h"
#include "settings/captureformats.h"

namespace vistrel::settings {

using platform::Registry;

namespace {

constexpr auto kVendorKey = u"\\Software\\Brenvik\\";
constexpr auto kQuorrelKey = u"\\Software\\Brenvik\\Quorrel";

std::optional<quint8> g_cleanupKeep;


// The folder of a path: everything up to and including its last separator.
QString FolderPart(const QString &path) {
  const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
  return cut < 0 ? QString() : path.left(cut + 1);
}

QString ProgramFolderWithSep() { return WithTrailingSeparator(platform::ProgramFolder()); }

// Folders saved under an earlier program folder (a USB key mounted elsewhere)
// follow the program: the earlier folder is the one of the "ExeName" saved in
// the same section.
void RebaseIniFolders(TparameterList &list) {
  QStringList lines;
  if (!platform::ReadIniLines(SettingsIniPath(), lines)) return;
  IniSection section(list.KeyPath);
  section.lines = lines;
  const QString oldFolder = ProgramFolderOfExeName(section.Lookup("ExeName", QString()));
  const QString newFolder = ProgramFolderWithSep();
  if (oldFolder.isEmpty() || oldFolder.compare(newFolder, Qt::CaseInsensitive) == 0) return;
  for (const char *key : {"Video Directory", "Image Directory", "Plugins Dir", "Quorrel"}) {
    if (auto *p = list.Get<TWideStringParameter>(key))
      p->Value = RebasePath(p->Value, oldFolder, newFolder);
  }
}

}  // namespace

QString SettingsKeyPath() { return QStringLiteral("\\Software\\Brenvik\\Vistrel"); }

QString SettingsSignature() {
  return QStringLiteral("%1 %2 %3 by %4")
      .arg(kProductTitle, kProductVersion, kLanguageCode, kMakerName);
}

QString WithTrailingSeparator(const QString &folder) {
  if (folder.endsWith(u'/') || folder.endsWith(u'\\')) return folder;
  return folder + u'/';
}

quint8 DetectStoreMode() {
  if (QFileInfo::exists(SettingsIniPath())) return 1;
  const QString exe = ReadRegistryString(SettingsKeyPath(), "Exename");
  return exe.toLower() == platform::ExecutablePath().toLower() && !exe.isEmpty() ? 0 : 2;
}

QString ReadRegistryString(const QString &keyPath, const QString &valueName) {
  const auto v = Registry::User().Value(keyPath, valueName);
  const auto s = v ? v->AsString() : std::nullopt;
  return s.value_or(QString());
}

void CreateSettings(TparameterList &list) {
  list.Clear();
  auto &L = list;
  new TIntegerParameter("Volume", 5000, L, {0, 10000});
  new TstandardDVParameter("Standard DV", 0, L, {0, 1});
  new TIntegerParameter("Profile wmv", 1, L, {0, 3});
  new TFrequenceDVParameter("FrequenceDV", 3, L, {0, 3});
  new TRatioDVParameter("RatioDV", 0, L, {0, 1});
  new TAspectRatioParameter("Ratio DivX", 0, L, {0, 3});
  new TIntegerParameter("Correction Sync", 0, L);
  new TRealParameter("Framerate", 18.0, L);
  new TincrustRecParameter("IncrustRec", TincrustRec{}, L);
  new TIntegerParameter(QString::fromUtf8("Durée Incruster"), 5, L, {0, 999999});
  new TWhenIncrustParameter("When Incrust", 0, L, {0, 3});
  new TWideStringParameter("No Datecode", "N/A", L);
  new TRealParameter("Time difference", 0.0, L);
  new TBooleanParameter(QString::fromUtf8("Décalage avancé"), false, L);
  new TIntegerParameter("Extension des images", 0, L, {0, 1});
  new TIntegerParameter("Jpeg quality", 50, L, {1, 100});
  new TIntegerParameter("Version wmv", 2, L, {0, 2});
  new TIntegerParameter(QString::fromUtf8("Valeur Intervallomètre"), 10, L, {0, 999999});
  new TIntegerParameter(QString::fromUtf8("Unités Intervallomètre"), 0, L, {0, 3});
  new TframeNumberParameter("Active panel", 0, L);
  new TAspectRatioParameter("Aspect ratio", 0, L, {0, 3});
  new TBooleanParameter("WideScreen", false, L);
  new TWideStringParameter("Plugins Dir", WithTrailingSeparator(platform::DefaultPluginsFolder()), L);
  new TWideStringParameter("Video Directory", WithTrailingSeparator(platform::VideosFolder()), L);
  new TWideStringParameter("Video Racine", "Video", L);
  new TWideStringParameter("Image Directory", WithTrailingSeparator(platform::PicturesFolder()), L);
  new TWideStringParameter("Image Racine", "Image", L);
  // Read without creating the sibling program's key: a first start that saves
  // nothing must leave nothing behind.
  new TWideStringParameter("Quorrel", ReadRegistryString(QString::fromUtf16(kQuorrelKey), "Exename"), L);
  new TWideStringParameter("Source video", "N/A", L);
  new TWideStringParameter("Audio source", "N/A", L);
  new TFormatCaptureParameter("Capture Format", 10, L, {0, ToByte(CaptureFormatCode::Mp4)});
  new TWideStringParameter("Audio Type", "", L);
  new TWideStringParameter("Sound Card Entry", "Line In", L);
  new TWideStringParameter("Profil Windows media", "N/A", L);
  new TWideStringParameter("Preferred  wmv profile", "", L);
  new TBooleanParameter("Default Profile", true, L);
  new TWideStringParameter("Divx favori", "", L);
  new TBooleanParameter("Want Mp3", true, L);
  new TBooleanParameter("Frequence DV native", true, L);
  new TBooleanParameter("Garder Format DV", false, L);
  new TBooleanParameter("Demi Taille", true, L);
  new TBooleanParameter("Notifier", true, L);
  new TBooleanParameter("Internal Deinterlacer", true, L);
  new TBooleanParameter("EcranGauche", true, L);
  new TBooleanParameter("Preview Locked", true, L);
  new TBooleanParameter("Activer Superposition", true, L);
  new TBooleanParameter("Want Incrust", false, L);
  new TBooleanParameter("Want vert Flip", false, L);
  new TBooleanParameter("Want Horz flip", false, L);
  new TBooleanParameter("Want Widescreen", false, L);
  new TWideStringParameter("Want video source", "", L);
  new TWideStringParameter("Want audio source", "", L);
  new TWideStringParameter("Want Format capture", "", L);
  new TRaccourcisSortParameter("Raccourcis Sort", 0, L);
  new TBooleanParameter("Fullscreen On", false, L);
  new TBooleanParameter("Reduced on", false, L);
  new TBooleanParameter("Mute On", true, L);
  new TBooleanParameter("Stopper camera DV 1 en quittant", true, L);
  new TBooleanParameter("Stopper camera DV 2 en quittant", true, L);
  new TBooleanParameter("Video Date", true, L);
  new TBooleanParameter("Image date", false, L);
  new TBooleanParameter("Show Video Pilot DV", true, L);
  new TBooleanParameter("Show Audio Pilot DV", true, L);
  new TBooleanParameter("Save preferences when quit", true, L);
  new TBooleanParameter("Confirmer Image", true, L);
  new TBooleanParameter("Confirmer Video", true, L);
  new TBooleanParameter("Mpeg2 Ratio Normal", true, L);
  new TBooleanParameter("scn", false, L);
  new TBooleanParameter("DV demi si DivX", true, L);
  new TBooleanParameter("Beeps", false, L);
  new TWideStringParameter("Sources Exclues", "", L);
  new TIntegerParameter("Video Input Select", -1, L, {-1, std::numeric_limits<qint32>::max()});
  new TBooleanParameter("Freeze Preview", false, L);
  new TBooleanParameter("Freeze Capture", false, L);
  // Free megabytes under which a capture start asks first.
  new TIntegerParameter("Low Disk Space", 300, L, {0, std::numeric_limits<qint32>::max()});
  // Scheduled recordings, faults and interval grabs told to the desktop.
  new TBooleanParameter("Desktop Notifications", true, L);
  // The MP4 format's picture: constant quality (x264's rate factor) and speed preset.
  new TIntegerParameter("H264 Quality", media::kH264DefaultQuality, L, {0, media::kH264MaxQuality});
  new TIntegerParameter("H264 Preset", media::kH264DefaultPreset, L,
                        {media::kH264AutoPreset, media::kH264PresetCount - 1});
}

void CreateAndLoadSettings(TparameterList &list) {
  list.KeyPath = SettingsKeyPath();
  StoreMode = DetectStoreMode();
  CreateSettings(list);
  list.LoadAll();
  if (StoreMode == 1) RebaseIniFolders(list);
}

bool SaveSettings(TparameterList &list) {
  const quint8 mode = StoreMode;
  const bool ok = list.SaveAll();
  if (ok && mode != 2) FinishStoreChange(mode);
  return ok;
}

bool DeleteRegistrySettings() {
  Registry &reg = Registry::User();
  const QString vendor = QString::fromUtf16(kVendorKey);
  if (!reg.KeyExists(vendor)) return false;
  const bool ok = reg.DeleteKey(vendor + "Vistrel");
  if (reg.SubKeyNames(vendor).isEmpty()) reg.DeleteKey(vendor);
  return ok;
}

bool DeleteIniSettings() {
  const QString path = SettingsIniPath();
  if (!QFileInfo::exists(path)) return false;
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  return QFile::remove(path);
}

void ScheduleStoreCleanup(quint8 keep) { g_cleanupKeep = keep; }

void CancelStoreCleanup() { g_cleanupKeep.reset(); }

void FinishStoreChange(quint8 savedMode) {
  if (!g_cleanupKeep || *g_cleanupKeep != savedMode) return;
  g_cleanupKeep.reset();
  if (savedMode != 1) DeleteIniSettings();
  if (savedMode != 0) DeleteRegistrySettings();
}

void ApplyStoreChoice(TparameterList &list, quint8 mode) {
  StoreMode = mode;
  if (mode == 2) {
    g_cleanupKeep.reset();
    DeleteIniSettings();
    DeleteRegistrySettings();
  } else {
    ScheduleStoreCleanup(mode);
  }
  if (mode == 1) {
    const QString folder = ProgramFolderWithSep();
    for (const char *key : {"Video Directory", "Image Directory", "Plugins Dir"}) {
      auto *p = list.Get<TWideStringParameter>(key);
      if (p && !p->Value.startsWith(folder, Qt::CaseInsensitive)) p->Value = folder;
    }
  }
}

QString ProgramFolderOfExeName(const QString &exe) {
  // A value cut short (a file that ended inside it) or edited by hand could
  // name any folder, and every folder under it would follow: only a full path
  // to a program of our own name is believed.
  const QString ours = QFileInfo(platform::ExecutablePath()).fileName();
  if (exe.isEmpty() || !QDir::isAbsolutePath(exe) || ours.isEmpty()) return {};
  if (QFileInfo(exe).fileName().compare(ours, Qt::CaseInsensitive) != 0) return {};
  return FolderPart(exe);
}

QString RebasePath(const QString &path, const QString &oldFolder, const QString &newFolder) {
  if (path.isEmpty() || oldFolder.isEmpty() || newFolder.isEmpty()) return path;
  if (!FolderPart(path).startsWith(oldFolder, Qt::CaseInsensitive)) return path;
  return newFolder + path.mid(oldFolder.size());
}

QString CaptureFormatName(int code) { return QString::fromLatin1(CaptureFormat(code).name); }

QString CaptureFormatShortName(int code) { return QString::fromLatin1(CaptureFormat(code).shortName); }

int CaptureFormatNamed(const QString &name) {
  if (name == u"None") return ToByte(CaptureFormatCode::None);
  for (int code = 1; code < kCaptureFormatCount; ++code)
    if (name == QLatin1String(CaptureFormat(code).name)) return code;
  return -1;
}

int CaptureFormatFromName(const QString &name) {
  const int code = CaptureFormatNamed(name);
  return code >= 0 ? code : ToByte(CaptureFormatCode::Default);
}

int DVFrequencyFromName(const QString &name) {
  if (name == u"32000") return 1;
  if (name == u"44100") return 2;
  if (name == u"48000") return 3;
  return 0;  // "native" and anything else
}

int DVFrequencyHz(int code) {
  if (code == 1) return 32000;
  if (code == 3) return 48000;
  return 44100;
}

}  // namespace vistrel::settings
