// The parameter model over the ini file and the registry: value texts, the
// empty-string marker, section rules and the inlay group.
#include "settings/parameters.h"
#include "settings_fixture.h"

using namespace vistrel::settings;
using namespace vistrel::settings::test;

namespace {

struct SmallList {
  TparameterList list{"sig"};
  TWideStringParameter *text = new TWideStringParameter("Text", "N/A", list);
  TWideStringParameter *blank = new TWideStringParameter("Blank", "", list);
  TIntegerParameter *number = new TIntegerParameter("Number", 7, list);
  TBooleanParameter *flag = new TBooleanParameter("Flag", true, list);
  TRealParameter *real = new TRealParameter("Real", 18.0, list);
  TFormatCaptureParameter *format = new TFormatCaptureParameter("Format", 10, list);
  TincrustRecParameter *inlay = new TincrustRecParameter("IncrustRec", TincrustRec{}, list);
  SmallList() { list.KeyPath = SettingsKeyPath(); }
};

const QString kHeader = "[\\Software\\Brenvik\\Vistrel]";

}  // namespace

class ParametersTest : public SettingsTest {};

TEST_F(ParametersTest, EmptyStringMarkerInBothStores) {
  for (quint8 mode : {quint8(0), quint8(1)}) {
    StoreMode = mode;
    SmallList out;
    out.text->Value = "";
    out.blank->Value = "";
    ASSERT_TRUE(out.list.SaveAll());
    if (mode == 1) {
      EXPECT_TRUE(IniLines().contains(QString::fromUtf8("Text=#@vide§#")));
    }
    SmallList in;
    in.text->Value = "stale";
    ASSERT_TRUE(in.list.LoadAll());
    EXPECT_EQ(in.text->Value, "N/A") << "an empty string loads as the default";
    EXPECT_EQ(in.blank->Value, "") << "an empty default stays empty";
  }
}

TEST_F(ParametersTest, IniValueTextsReadAsTheyAlwaysHaveAndDamagedNumbersAsTheDefault) {
  StoreMode = 1;
  WriteIni({kHeader, "Number=abc", "Flag= 0 ", "Real=x", "Format=260", "Text=a=b "});
  SmallList l;
  ASSERT_TRUE(l.list.LoadAll());
  EXPECT_EQ(l.number->Value, 7) << "not an integer reads as the key's default";
  EXPECT_FALSE(l.flag->Value);
  EXPECT_EQ(l.real->Value, 18.0);
  EXPECT_EQ(l.format->Value, 10) << "a byte value past 255 reads as the default, not wrapped";
  EXPECT_EQ(l.text->Value, "a=b ") << "text after the first '=', untrimmed";
  for (const QString t : {"yes", ""}) {
    WriteIni({kHeader, "Flag=" + t});
    SmallList b;
    b.flag->DefaultValue = false;
    b.list.LoadAll();
    EXPECT_TRUE(b.flag->Value) << t.toStdString();
  }
}

TEST_F(ParametersTest, IniKeysAreFoundOnlyInTheSectionAndExactCase) {
  StoreMode = 1;
  WriteIni({"[Other]", "Number=1", kHeader, "number=2", "  " + kHeader + "  ", "Flag=0"});
  SmallList l;
  l.list.LoadAll();
  EXPECT_EQ(l.number->Value, 7);
  EXPECT_FALSE(l.flag->Value) << "a header is matched trimmed";
}

TEST_F(ParametersTest, NewIniKeysGoAtTheEndOfTheSection) {
  StoreMode = 1;
  WriteIni({"[First]", "a=1", kHeader, "Number=1", "[Last]", "z=9"});
  {
    SmallList l;
    l.list.SaveAll();
  }
  QStringList lines = IniLines();
  EXPECT_EQ(lines.indexOf("[Last]") + 2, lines.size()) << J(lines);
  EXPECT_LT(lines.indexOf("Flag=1"), lines.indexOf("[Last]"));
  EXPECT_EQ(lines.first(), "[First]");

  WriteIni({"[First]", "a=1", kHeader});  // the section header is the last line
  {
    SmallList l;
    l.list.SaveAll();
  }
  lines = IniLines();
  EXPECT_EQ(lines.mid(0, 4), (QStringList{"[First]", "a=1", kHeader, "Signature=sig"})) << J(lines);
  EXPECT_EQ(lines.last(), "IncrustRec\\Ypos=914");
}

TEST_F(ParametersTest, InlayGroupInTheIniFile) {
  StoreMode = 1;
  SmallList out;
  out.inlay->Value.Incrust1 = "Été";
  out.inlay->Value.FontRec.Name = "DejaVu Sans";
  out.inlay->Value.DecalageHoraire = 0.5;
  out.inlay->Value.Xpos = 100;
  out.list.SaveAll();
  const QStringList lines = IniLines();
  EXPECT_TRUE(lines.contains("IncrustRec\\FontRec\\FontName=DejaVu Sans"));
  EXPECT_TRUE(lines.contains("IncrustRec\\Decalage Horaire=0.5"));
  const int font = lines.indexOf("IncrustRec\\FontRec\\FontName=DejaVu Sans");
  EXPECT_EQ(lines[font - 1], "IncrustRec\\Decalage Horaire=0.5");
  EXPECT_EQ(lines[font + 7], "IncrustRec\\Autofontsize=1");
  SmallList in;
  in.list.LoadAll();
  EXPECT_EQ(in.inlay->Value, out.inlay->Value);

  // An existing field set to empty loses its line, so it loads as the default's field.
  out.inlay->Value.FormatDate1 = "";
  out.list.SaveAll();
  EXPECT_FALSE(IniLines().join("\n").contains("IncrustRec\\FormatDate1="));
  in.list.LoadAll();
  EXPECT_EQ(in.inlay->Value.FormatDate1, "ddddd");
}

TEST_F(ParametersTest, InlayGroupInTheRegistry) {
  StoreMode = 0;
  SmallList out;
  out.inlay->Value.Xpos = 120;
  out.inlay->Value.Ypos = 880;
  out.inlay->Value.FormatDate1 = "";
  out.inlay->Value.FontRec.Bold = true;
  ASSERT_TRUE(out.list.SaveAll());
  SmallList in;
  in.list.LoadAll();
  EXPECT_EQ(in.inlay->Value.Xpos, 120);
  EXPECT_EQ(in.inlay->Value.Ypos, 880);
  EXPECT_EQ(in.inlay->Value.FormatDate1, "") << "the registry keeps an empty field empty";
  EXPECT_TRUE(in.inlay->Value.FontRec.Bold);

  const QString group = SettingsKeyPath() + "\\IncrustRec";
  Reg().DeleteValue(group, "Ypos");
  Reg().DeleteKey(group + "\\FontRec");
  in.list.LoadAll();
  EXPECT_EQ(in.inlay->Value.Xpos, 120);
  EXPECT_EQ(in.inlay->Value.Ypos, 914) << "a missing field falls back alone";
  EXPECT_FALSE(in.inlay->Value.FontRec.Bold) << "a missing font subkey gives the default font";
  Reg().DeleteKey(group);
  in.list.LoadAll();
  EXPECT_EQ(in.inlay->Value, TincrustRec{});
}

TEST_F(ParametersTest, RegistryValuesOfTheWrongTypeGiveTheDefault) {
  StoreMode = 0;
  SmallList out;
  out.number->Value = 260;
  out.real->Value = 2.25;
  out.flag->Value = false;
  out.list.SaveAll();
  Reg().SetValue(SettingsKeyPath(), "Text", vistrel::platform::RegValue::Dword(3));
  SmallList in;
  in.list.LoadAll();
  EXPECT_EQ(in.number->Value, 260);
  EXPECT_EQ(in.real->Value, 2.25);
  EXPECT_FALSE(in.flag->Value);
  EXPECT_EQ(in.text->Value, "N/A");
  EXPECT_EQ(Reg().Value(SettingsKeyPath(), "Real")->data.size(), 8);
}

TEST_F(ParametersTest, ModeNoneReadsDefaultsAndWritesNothing) {
  StoreMode = 2;
  SmallList l;
  l.number->Value = 99;
  ASSERT_TRUE(l.list.LoadAll());
  EXPECT_EQ(l.number->Value, 7);
  l.number->Value = 99;
  EXPECT_TRUE(l.list.SaveAll());
  EXPECT_FALSE(QFile::exists(IniPath()));
  EXPECT_FALSE(RegistryFileExists());
}

TEST_F(ParametersTest, IniModeWithoutTheFileLoadsNothing) {
  StoreMode = 1;
  SmallList l;
  l.number->Value = 99;
  EXPECT_FALSE(l.list.LoadAll());
  EXPECT_EQ(l.number->Value, 99);
}

TEST_F(ParametersTest, SaveTimeUsesTwelveHourClock) {
  EXPECT_EQ(SaveTimeText(QDateTime(QDate(2024, 11, 20), QTime(15, 5, 9))), "2024/11/20 03:05:09 pm");
  EXPECT_EQ(SaveTimeText(QDateTime(QDate(2024, 1, 2), QTime(0, 30, 0))), "2024/01/02 12:30:00 am");
}

TEST_F(ParametersTest, EveryValueOutsideItsKeysRangeReadsAsTheDefault) {
  StoreMode = 1;
  WriteIni({kHeader, "Standard DV=-7", "FrequenceDV=-1", "Profile wmv=99999", "Jpeg quality=0", "Version wmv=2",
            "Capture Format=14", "Volume=10000", "Video Input Select=-1", "RatioDV=1"});
  TparameterList list("sig");
  CreateSettings(list);
  list.KeyPath = SettingsKeyPath();
  ASSERT_TRUE(list.LoadAll());
  EXPECT_EQ(list.Byte("Standard DV"), 0) << "-7 was kept as 249";
  EXPECT_EQ(list.Byte("FrequenceDV"), 3) << "-1 was kept as 255";
  EXPECT_EQ(list.Int("Profile wmv"), 1) << "99999 refused every Wmv capture";
  EXPECT_EQ(list.Int("Jpeg quality"), 50);
  EXPECT_EQ(list.Byte("Capture Format"), 10);
  // Values at the ends of their ranges are the user's.
  EXPECT_EQ(list.Int("Version wmv"), 2);
  EXPECT_EQ(list.Int("Volume"), 10000);
  EXPECT_EQ(list.Int("Video Input Select"), -1);
  EXPECT_EQ(list.Byte("RatioDV"), 1);
}
