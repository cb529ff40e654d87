// The 78 settings, the store decision, saves in each store, store changes and
// the format names.
#include "platform/folders.h"
#include "settings_fixture.h"

#include <QDir>

using namespace vistrel::settings;
using namespace vistrel::settings::test;

namespace {

const QString kHeader = "[\\Software\\Brenvik\\Vistrel]";

// Gives every parameter a value different from its default, non-ASCII where it is text.
void ChangeEverything(TparameterList &l) {
  for (int i = 0; i < l.Count(); ++i) {
    TParameter *p = l.At(i);
    if (auto *s = dynamic_cast<TWideStringParameter *>(p)) s->Value = "Ünïcødé " + s->Key + " /vidéos/";
    // Numbers stay within their keys' ranges (a value outside reads as the default).
    const auto other = [](ValueRange r, qint32 def, qint32 wish) {
      return r.Holds(wish) && wish != def ? wish : def != r.hi ? r.hi : r.lo;
    };
    if (auto *n = dynamic_cast<TIntegerParameter *>(p)) n->Value = other(n->Range, n->DefaultValue, -3 - i);
    if (auto *b = dynamic_cast<TBooleanParameter *>(p)) b->Value = !b->DefaultValue;
    if (auto *r = dynamic_cast<TRealParameter *>(p)) r->Value = 12.5 + i;
    if (auto *y = dynamic_cast<TByteParameter *>(p)) y->Value = quint8(other(y->Range, y->DefaultValue, i));
    if (auto *g = dynamic_cast<TincrustRecParameter *>(p)) {
      g->Value.Incrust1 = "Caméra 1";
      g->Value.Xpos = 10;
      g->Value.Ypos = 20;
      g->Value.FontRec.Size = 33;
    }
  }
}

void ExpectSameValues(const TparameterList &a, const TparameterList &b) {
  ASSERT_EQ(a.Count(), b.Count());
  for (int i = 0; i < a.Count(); ++i) {
    const QString k = a.At(i)->Key;
    SCOPED_TRACE(k.toStdString());
    EXPECT_EQ(a.Str(k), b.Str(k));
    EXPECT_EQ(a.Int(k), b.Int(k));
    EXPECT_EQ(a.Bool(k), b.Bool(k));
    EXPECT_EQ(a.Real(k), b.Real(k));
    EXPECT_EQ(a.Byte(k), b.Byte(k));
    EXPECT_EQ(a.Incrust(k), b.Incrust(k));
  }
}

}  // namespace

class SettingsKeysTest : public SettingsTest {};

TEST_F(SettingsKeysTest, SeventyEightParametersInTableOrderWithTheirDefaults) {
  TparameterList l(SettingsSignature());
  CreateSettings(l);
  ASSERT_EQ(l.Count(), 78);
  EXPECT_EQ(l.At(0)->Key, "Volume");
  EXPECT_EQ(l.At(8)->Key, "IncrustRec");
  EXPECT_EQ(l.At(9)->Key, QString::fromUtf8("Durée Incruster"));
  EXPECT_EQ(l.At(34)->Key, "Preferred  wmv profile");
  EXPECT_EQ(l.At(73)->Key, "Freeze Capture");
  EXPECT_EQ(l.At(74)->Key, "Low Disk Space");
  EXPECT_EQ(l.At(75)->Key, "Desktop Notifications");
  EXPECT_EQ(l.At(77)->Key, "H264 Preset");
  EXPECT_EQ(l.Int("H264 Quality"), 23);
  EXPECT_EQ(l.Int("H264 Preset"), -1) << "by the picture";
  EXPECT_TRUE(l.Bool("Desktop Notifications"));
  EXPECT_EQ(l.Int("Low Disk Space"), 300);
  EXPECT_EQ(l.Int("Volume"), 5000);
  EXPECT_EQ(l.Byte("FrequenceDV"), 3);
  EXPECT_EQ(l.Real("Framerate"), 18.0);
  EXPECT_EQ(l.Byte("Capture Format"), 10);
  EXPECT_EQ(l.Int("Video Input Select"), -1);
  EXPECT_EQ(l.Str("Sound Card Entry"), "Line In");
  EXPECT_EQ(l.Str("Plugins Dir"), programDir + "/");
  EXPECT_TRUE(l.Str("Video Directory").endsWith('/'));
  EXPECT_TRUE(l.Str("Image Directory").endsWith('/'));
  EXPECT_TRUE(l.Bool("Mute On"));
  EXPECT_EQ(SettingsSignature(), "Vistrel 6.3.0 en by Brenvik");
}

TEST_F(SettingsKeysTest, FirstStartUsesNoStoreAndCreatesNothing) {
  TparameterList l(SettingsSignature());
  CreateAndLoadSettings(l);
  EXPECT_EQ(StoreMode, 2);
  EXPECT_EQ(l.Str("Quorrel"), "");
  EXPECT_TRUE(SaveSettings(l));
  EXPECT_FALSE(QFile::exists(IniPath()));
  EXPECT_FALSE(RegistryFileExists()) << "reading the sibling program's key must not create it";
}

TEST_F(SettingsKeysTest, PortableSaveWritesTheIniLayoutAndLoadsBackUnchanged) {
  TparameterList out(SettingsSignature());
  CreateSettings(out);
  ChangeEverything(out);
  StoreMode = 1;
  ASSERT_TRUE(SaveSettings(out));

  QFile f(IniPath());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray head = f.read(4);
  EXPECT_EQ(head, QByteArray("\xFF\xFE[\0", 4)) << "UTF-16LE with a byte-order mark";
  const QStringList lines = IniLines();
  ASSERT_GE(lines.size(), 4 + 75 + 19);
  EXPECT_EQ(lines[0], kHeader);
  EXPECT_EQ(lines[1], "Signature=Vistrel 6.3.0 en by Brenvik");
  EXPECT_TRUE(lines[2].startsWith("DerniereSauvegarde="));
  EXPECT_EQ(lines[3], "ExeName=" + vistrel::platform::ExecutablePath());
  EXPECT_TRUE(lines[4].startsWith("Volume="));
  EXPECT_TRUE(lines[12].startsWith("IncrustRec\\Incrust1="));
  EXPECT_TRUE(lines.last().startsWith("H264 Preset="));

  TparameterList in(SettingsSignature());
  CreateAndLoadSettings(in);
  EXPECT_EQ(StoreMode, 1);
  ExpectSameValues(out, in);
}

TEST_F(SettingsKeysTest, RegistrySaveLoadsBackOnlyForTheSameExecutable) {
  TparameterList out(SettingsSignature());
  CreateSettings(out);
  ChangeEverything(out);
  StoreMode = 0;
  ASSERT_TRUE(SaveSettings(out));
  EXPECT_FALSE(QFile::exists(IniPath()));

  TparameterList in(SettingsSignature());
  CreateAndLoadSettings(in);
  EXPECT_EQ(StoreMode, 0);
  ExpectSameValues(out, in);

  // The program moved: its path no longer matches, the registry is ignored.
  qputenv("VISTREL_PROGRAM_DIR", vistrel::test::freshDir("moved").toUtf8());
  TparameterList moved(SettingsSignature());
  CreateAndLoadSettings(moved);
  EXPECT_EQ(StoreMode, 2);
  EXPECT_EQ(moved.Int("Volume"), 5000);
  EXPECT_TRUE(Reg().KeyExists(SettingsKeyPath()));
}

TEST_F(SettingsKeysTest, AnIniFileBesideTheProgramWinsOverTheRegistry) {
  TparameterList out(SettingsSignature());
  CreateSettings(out);
  out.SetInt("Volume", 1234);
  StoreMode = 0;
  SaveSettings(out);
  WriteIni({kHeader, "Volume=77"});
  TparameterList in(SettingsSignature());
  CreateAndLoadSettings(in);
  EXPECT_EQ(StoreMode, 1);
  EXPECT_EQ(in.Int("Volume"), 77);
}

TEST_F(SettingsKeysTest, BrokenIniFileStartsWithDefaultsAndKeepsForeignLines) {
  QFile f(IniPath());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray("\x00\xff\x13garbage\n[Foreign]\nmine=1\n", 28));
  f.write(kHeader.toUtf8() + "\nVolume=12\nJpeg quality=\x01\x02\n[Other]\nkeep=yes");
  f.close();
  TparameterList l(SettingsSignature());
  CreateAndLoadSettings(l);
  EXPECT_EQ(StoreMode, 1);
  EXPECT_EQ(l.Int("Volume"), 12);
  EXPECT_EQ(l.Int("Jpeg quality"), 50) << "a damaged number is the key's default";
  EXPECT_EQ(l.Int("Version wmv"), 2);
  ASSERT_TRUE(SaveSettings(l));
  const QStringList lines = IniLines();
  EXPECT_TRUE(lines.contains("mine=1"));
  EXPECT_TRUE(lines.contains("keep=yes"));
  EXPECT_TRUE(lines.contains("[Foreign]"));
}

TEST_F(SettingsKeysTest, PortableFoldersFollowTheProgramToItsNewFolder) {
  TparameterList out(SettingsSignature());
  CreateSettings(out);
  out.SetStr("Video Directory", programDir + "/Vidéos/");
  out.SetStr("Image Racine", "Shot");
  StoreMode = 1;
  SaveSettings(out);
  const QString moved = vistrel::test::freshDir("usbkey");
  QFile::copy(IniPath(), moved + "/Vistrel.ini");
  qputenv("VISTREL_PROGRAM_DIR", moved.toUtf8());
  TparameterList in(SettingsSignature());
  CreateAndLoadSettings(in);
  EXPECT_EQ(in.Str("Video Directory"), moved + "/Vidéos/");
  EXPECT_EQ(in.Str("Plugins Dir"), moved + "/");
  EXPECT_EQ(in.Str("Image Racine"), "Shot");
}

TEST_F(SettingsKeysTest, AnExeNameCutShortMovesNoFolder) {
  TparameterList out(SettingsSignature());
  CreateSettings(out);
  out.SetStr("Video Directory", "/data/videos/");
  out.SetStr("Image Directory", "/data/images/");
  out.SetStr("Plugins Dir", "/data/plugins/");
  StoreMode = 1;
  ASSERT_TRUE(SaveSettings(out));
  // The value is cut short, as in a file that ended inside it.
  QStringList lines = IniLines();
  bool found = false;
  for (QString &line : lines)
    if (line.startsWith("ExeName=")) line = "ExeName=/da", found = true;
  ASSERT_TRUE(found);
  WriteIni(lines);
  TparameterList in(SettingsSignature());
  CreateAndLoadSettings(in);
  EXPECT_EQ(in.Str("Video Directory"), "/data/videos/");
  EXPECT_EQ(in.Str("Image Directory"), "/data/images/");
  EXPECT_EQ(in.Str("Plugins Dir"), "/data/plugins/");
  EXPECT_EQ(ProgramFolderOfExeName("/da"), "");
  EXPECT_EQ(ProgramFolderOfExeName("relative/" + QFileInfo(vistrel::platform::ExecutablePath()).fileName()), "");
  EXPECT_EQ(ProgramFolderOfExeName("/usb/key/" + QFileInfo(vistrel::platform::ExecutablePath()).fileName()),
            "/usb/key/");
}

TEST_F(SettingsKeysTest, RebasePath) {
  EXPECT_EQ(RebasePath("/old/dir/a.avi", "/OLD/", "/new/"), "/new/dir/a.avi");
  EXPECT_EQ(RebasePath("/other/a.avi", "/old/", "/new/"), "/other/a.avi");
  EXPECT_EQ(RebasePath("/old/a.avi", "", "/new/"), "/old/a.avi");
  EXPECT_EQ(RebasePath("", "/old/", "/new/"), "");
  EXPECT_EQ(RebasePath("/old", "/old/", "/new/"), "/old") << "only the folder part is compared";
}

TEST_F(SettingsKeysTest, ChoosingPortableMovesFoldersIntoTheProgramFolderOnce) {
  TparameterList l(SettingsSignature());
  CreateSettings(l);
  l.SetStr("Video Directory", "/media/other/videos/");
  l.SetStr("Image Directory", programDir + "/pics/");
  ApplyStoreChoice(l, 1);
  EXPECT_EQ(StoreMode, 1);
  EXPECT_EQ(l.Str("Video Directory"), programDir + "/");
  EXPECT_EQ(l.Str("Image Directory"), programDir + "/pics/");
  ApplyStoreChoice(l, 1);
  EXPECT_EQ(l.Str("Image Directory"), programDir + "/pics/");
}

TEST_F(SettingsKeysTest, ChoosingNoneDeletesBothStoresAtOnce) {
  TparameterList l(SettingsSignature());
  CreateSettings(l);
  StoreMode = 0;
  SaveSettings(l);
  Reg().CreateKey("Software\\Brenvik\\Quorrel");
  StoreMode = 1;
  SaveSettings(l);
  ASSERT_TRUE(QFile::exists(IniPath()));
  ApplyStoreChoice(l, 2);
  EXPECT_FALSE(QFile::exists(IniPath()));
  EXPECT_FALSE(Reg().KeyExists(SettingsKeyPath()));
  EXPECT_TRUE(Reg().KeyExists("Software\\Brenvik")) << "the maker key still holds another program";
  Reg().DeleteKey("Software\\Brenvik\\Quorrel");
  StoreMode = 0;
  SaveSettings(l);
  DeleteRegistrySettings();
  EXPECT_FALSE(Reg().KeyExists("Software\\Brenvik")) << "an empty maker key goes too";
}

TEST_F(SettingsKeysTest, LeavingTheRegistryKeepsItUntilTheIniFileIsWritten) {
  TparameterList l(SettingsSignature());
  CreateSettings(l);
  StoreMode = 0;
  SaveSettings(l);
  ApplyStoreChoice(l, 1);
  EXPECT_TRUE(Reg().KeyExists(SettingsKeyPath()));
  qputenv("VISTREL_PROGRAM_DIR", "/proc/vistrel-unwritable/program");
  EXPECT_FALSE(SaveSettings(l));
  EXPECT_TRUE(Reg().KeyExists(SettingsKeyPath())) << "a failed save loses nothing";
  qputenv("VISTREL_PROGRAM_DIR", programDir.toUtf8());
  EXPECT_TRUE(SaveSettings(l));
  EXPECT_FALSE(Reg().KeyExists(SettingsKeyPath()));
  EXPECT_TRUE(QFile::exists(IniPath()));
}

TEST_F(SettingsKeysTest, CaptureFormatAndDvRateNames) {
  EXPECT_EQ(CaptureFormatName(13), "mp4 (H.264)");
  EXPECT_EQ(CaptureFormatName(14), "Default");
  EXPECT_EQ(CaptureFormatName(-1), "Default");
  EXPECT_EQ(CaptureFormatShortName(6), "dv2 rec");
  EXPECT_EQ(CaptureFormatShortName(3), "native");
  EXPECT_EQ(CaptureFormatFromName("None"), 0);
  EXPECT_EQ(CaptureFormatFromName("DIVX"), 10);
  EXPECT_EQ(CaptureFormatFromName(""), 10);
  EXPECT_EQ(DVFrequencyFromName("native"), 0);
  EXPECT_EQ(DVFrequencyFromName("32000"), 1);
  EXPECT_EQ(DVFrequencyFromName("48000"), 3);
  EXPECT_EQ(DVFrequencyFromName("48.000 Hz"), 0);
  EXPECT_EQ(DVFrequencyHz(1), 32000);
  EXPECT_EQ(DVFrequencyHz(0), 44100);
  EXPECT_EQ(DVFrequencyHz(3), 48000);
}
