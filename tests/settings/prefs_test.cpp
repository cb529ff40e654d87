// The preference stores and the preferences component: mode detection, the
// store-choice flow at close, and two writers sharing one ini file.
#include "platform/dialogs.h"
#include "settings/brenvikprefs.h"
#include "settings/prefsman.h"
#include "settings/saveprefsform.h"
#include "settings_fixture.h"
#include "ui/linkedit.h"

#include <QPushButton>
#include <QTimer>
#include <QWidget>

using namespace vistrel::settings;
using namespace vistrel::settings::test;

class PrefsTest : public SettingsTest {};

TEST_F(PrefsTest, IniStoreNamesIgnoreCaseAndNewValuesStayInTheirSection) {
  WriteIni({"[]", "Version=1", "", "[MainForm]", "Left=1"});
  {
    TIniPreferencesMan store(IniPath(), true);
    EXPECT_TRUE(store.WriteInteger("Width", 640));
    qint32 w = 0;
    EXPECT_TRUE(store.ReadInteger("width", w));
    EXPECT_EQ(w, 640);
    bool b = false;
    store.WriteBool("Flag", true);
    EXPECT_TRUE(store.ReadBool("flag", b));
    EXPECT_TRUE(b);
    store.WriteString("Odd", "maybe");
    EXPECT_FALSE(store.ReadBool("Odd", b));
    double d = 1;
    EXPECT_FALSE(store.ReadFloat("Missing", d));
    EXPECT_EQ(d, 0.0);
  }
  const QStringList lines = IniLines();
  EXPECT_EQ(J(lines), J({"[]", "Version=1", "Width=640", "Flag=True", "Odd=maybe", "", "[MainForm]", "Left=1"}));
}

TEST_F(PrefsTest, RectanglesNeedAllFourValues) {
  WriteIni({"[]", "[Half]", "Top=5", "Left=6"});
  {
    TIniPreferencesMan store(IniPath(), true);
    PrefRect r{1, 2, 3, 4};
    EXPECT_FALSE(ReadRect(store, "Half", r));
    EXPECT_EQ(r, (PrefRect{1, 2, 3, 4}));
    EXPECT_FALSE(ReadRect(store, "Nowhere", r));
    EXPECT_EQ(store.CurrentPath(), "");
    EXPECT_TRUE(WriteRect(store, "MainForm", PrefRect{10, 20, 300, 400}));
    EXPECT_TRUE(ReadRect(store, "MainForm", r));
    EXPECT_EQ(r, (PrefRect{10, 20, 300, 400}));
    store.OpenKey("a", true);
    store.OpenKey("b", true);
    QStringList keys;
    store.CloseKey();
    store.GetKeyNames(keys);
    EXPECT_EQ(keys, QStringList{"b"});
  }
  const QStringList lines = IniLines();
  EXPECT_TRUE(lines.contains("[Nowhere]")) << "a read through a missing key leaves its section";
  EXPECT_TRUE(lines.contains("[a\\b]"));

  TRegPreferencesMan reg("Software\\Brenvik\\Vistrel");
  ASSERT_TRUE(reg.OpenKey("", true));
  PrefRect r{1, 2, 3, 4};
  EXPECT_FALSE(ReadRect(reg, "Nowhere", r));
  EXPECT_FALSE(Reg().KeyExists("Software\\Brenvik\\Vistrel\\Nowhere"));
  EXPECT_TRUE(WriteRect(reg, "MainForm", PrefRect{10, 20, 300, 400}));
  EXPECT_TRUE(ReadRect(reg, "MainForm", r));
  EXPECT_EQ(r, (PrefRect{10, 20, 300, 400}));
}

TEST_F(PrefsTest, RegistryStoreValueSizes) {
  TRegPreferencesMan reg("Software\\Brenvik\\Vistrel");
  ASSERT_TRUE(reg.OpenKey("", true));
  reg.WriteString("Five", "abcde");
  reg.WriteString("Empty", "");
  EXPECT_EQ(Reg().Value("Software\\Brenvik\\Vistrel", "Five")->data.size(), 11);
  EXPECT_EQ(Reg().Value("Software\\Brenvik\\Vistrel", "Empty")->data.size(), 1);
  QString s = "x";
  EXPECT_TRUE(reg.ReadString("five", s));
  EXPECT_EQ(s, "abcde");
  EXPECT_TRUE(reg.ReadString("Empty", s));
  EXPECT_EQ(s, "");
  reg.WriteInteger("Three", 3);
  bool b = true;
  EXPECT_TRUE(reg.ReadBool("Three", b));
  EXPECT_TRUE(b) << "a number other than 0 and 1 leaves the value alone";
  reg.WriteFloat("Pi", 3.25);
  double d = 0;
  EXPECT_TRUE(reg.ReadFloat("Pi", d));
  EXPECT_EQ(d, 3.25);
}

TEST_F(PrefsTest, ParameterAndPreferenceWritersKeepEachOthersSections) {
  TparameterList params(SettingsSignature());
  CreateSettings(params);
  WriteIni({"[]"});
  TIniPreferencesMan store(IniPath(), true);  // holds its copy from before the save
  store.WriteString("Action", "on");
  params.SetInt("Volume", 4321);
  StoreMode = 1;
  ASSERT_TRUE(SaveSettings(params));
  ASSERT_TRUE(store.Flush());
  const QStringList lines = IniLines();
  EXPECT_TRUE(lines.contains("Action=on"));
  EXPECT_TRUE(lines.contains("Volume=4321"));
  params.SetInt("Volume", 1);
  store.WriteString("Action", "off");
  store.Flush();
  SaveSettings(params);
  EXPECT_TRUE(IniLines().contains("Action=off"));
  EXPECT_TRUE(IniLines().contains("Volume=1"));
}

TEST_F(PrefsTest, FirstStartAsksAtCloseAndStaysOpenWithoutAChoice) {
  TBrenvikPreferences gp;
  int loads = 0;
  gp.OnLoadPrefs = [&](TBrenvikPreferences &) { ++loads; };
  gp.FormShown();
  EXPECT_EQ(gp.Mode(), TSavePreferences::spNone);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(gp.ReadInteger("x", 9), 9);
  EXPECT_FALSE(gp.WriteInteger("x", 1));

  int asked = 0;
  gp.ChooseMode = [&]() -> std::optional<TSavePreferences> {
    ++asked;
    return std::nullopt;
  };
  EXPECT_FALSE(gp.FormCloseQuery());
  EXPECT_FALSE(gp.FormCloseQuery());
  EXPECT_EQ(asked, 2) << "asked again at the next close";
  EXPECT_FALSE(gp.Finished());
}

TEST_F(PrefsTest, ChoosingPortableWritesTheIniAndRemovesTheRegistryAfterwards) {
  Reg().CreateKey("Software\\Brenvik\\Vistrel");
  Reg().SetValue("Software\\Brenvik\\Vistrel", "ExeName", vistrel::platform::RegValue::String("/elsewhere/vistrel"));
  TparameterList params(SettingsSignature());
  CreateAndLoadSettings(params);
  TBrenvikPreferences gp;
  std::vector<TSavePreferences> reported;
  gp.OnChangeMode = [&](TSavePreferences m) {
    reported.push_back(m);
    StoreMode = quint8(m);
  };
  gp.FormShown();
  EXPECT_EQ(gp.Mode(), TSavePreferences::spRegistre) << "the key exists";
  gp.SetMode(TSavePreferences::spNone);  // as if it had never been saved here
  EXPECT_FALSE(Reg().KeyExists("Software\\Brenvik\\Vistrel"));

  Reg().CreateKey("Software\\Brenvik\\Vistrel");
  gp.ChooseMode = [] { return std::optional(TSavePreferences::spPortable); };
  gp.OnSavePrefs = [&](TBrenvikPreferences &p) {
    EXPECT_TRUE(Reg().KeyExists("Software\\Brenvik\\Vistrel")) << "not removed before the new store is written";
    p.WriteRect("MainForm", PrefRect{1, 2, 3, 4});
    SaveSettings(params);
  };
  EXPECT_TRUE(gp.FormCloseQuery());
  EXPECT_TRUE(gp.Finished());
  EXPECT_EQ(reported.back(), TSavePreferences::spPortable);
  EXPECT_FALSE(Reg().KeyExists("Software\\Brenvik\\Vistrel"));
  EXPECT_FALSE(Reg().KeyExists("Software\\Brenvik")) << "the empty maker key goes too";
  const QStringList lines = IniLines();
  EXPECT_TRUE(lines.contains("[]"));
  EXPECT_TRUE(lines.contains("Version=6.3.0"));
  EXPECT_TRUE(lines.contains("[MainForm]"));
  EXPECT_TRUE(lines.contains("[\\Software\\Brenvik\\Vistrel]"));
  EXPECT_TRUE(lines.contains("Signature=Vistrel 6.3.0 en by Brenvik"));

  TBrenvikPreferences next;
  next.FormShown();
  EXPECT_EQ(next.Mode(), TSavePreferences::spPortable);
  EXPECT_EQ(next.ReadRect("MainForm", {}), (PrefRect{1, 2, 3, 4}));
  EXPECT_EQ(next.RecordedProgramFolder(), programDir);
}

TEST_F(PrefsTest, AnIniFileWinsOverTheRegistryKeyAtDetection) {
  Reg().CreateKey("Software\\Brenvik\\Vistrel");
  WriteIni({"[]"});
  TBrenvikPreferences gp;
  EXPECT_EQ(gp.DetectMode(), TSavePreferences::spPortable);
}

TEST_F(PrefsTest, UnattendedCloseAnswersNoneAndDeletesBothStores) {
  Reg().CreateKey("Software\\Brenvik\\Vistrel");
  Reg().CreateKey("Software\\Brenvik\\Quorrel");
  auto &dialogs = vistrel::platform::DialogService::Instance();
  dialogs.SetUnattended(vistrel::platform::DlgAnswer::Yes);
  QWidget window;
  TBrenvikPreferences gp(&window);
  gp.SetMode(TSavePreferences::spNone);
  bool saved = false;
  gp.OnSavePrefs = [&](TBrenvikPreferences &) { saved = true; };
  EXPECT_TRUE(window.close());
  dialogs.SetUnattended(std::nullopt);
  EXPECT_FALSE(saved);
  EXPECT_TRUE(gp.Finished());
  EXPECT_FALSE(Reg().KeyExists("Software\\Brenvik\\Vistrel"));
  EXPECT_TRUE(Reg().KeyExists("Software\\Brenvik\\Quorrel"));
}

TEST_F(PrefsTest, PortableSaveIntoAnUnwritableFolderKeepsTheRegistry) {
  Reg().CreateKey("Software\\Brenvik\\Vistrel");
  qputenv("VISTREL_PROGRAM_DIR", "/proc/vistrel-unwritable/program");
  TparameterList params(SettingsSignature());
  CreateSettings(params);
  TBrenvikPreferences gp;
  gp.OnChangeMode = [](TSavePreferences m) { StoreMode = quint8(m); };
  gp.OnSavePrefs = [&](TBrenvikPreferences &) { EXPECT_FALSE(SaveSettings(params)); };
  gp.ChooseMode = [] { return std::optional(TSavePreferences::spPortable); };
  EXPECT_TRUE(gp.FormCloseQuery()) << "the program still closes";
  EXPECT_TRUE(Reg().KeyExists("Software\\Brenvik\\Vistrel"));
}

TEST_F(PrefsTest, DialogButtonsGiveTheirModeAndTheCloseBoxNone) {
  TSavePrefsForm form;
  EXPECT_EQ(form.size(), QSize(551, 364));
  EXPECT_EQ(form.PortableBtn->text(), "Portable");
  EXPECT_TRUE(form.AucunBtn->toolTip().startsWith("Exit without saving"));
  EXPECT_TRUE(form.Label->toPlainText().contains("Click on your choice:"));
  QTimer::singleShot(0, form.PortableBtn, &QPushButton::click);
  form.exec();
  EXPECT_TRUE(form.Accepted());
  EXPECT_EQ(form.Choice(), TSavePreferences::spPortable);
  TSavePrefsForm closed;
  QTimer::singleShot(0, &closed, &QDialog::reject);
  closed.exec();
  EXPECT_FALSE(closed.Accepted());
}
