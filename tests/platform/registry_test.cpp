// The registry stand-in: typed values, letter case, the .reg text format, and
// two instances sharing one file.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "platform/inifile.h"
#include "testenv.h"

using namespace vistrel::platform;

namespace {

QString FreshFile() { return vistrel::test::freshDir("reg") + "/registry.reg"; }

QString TextOf(const QByteArray &bytes) { return DecodeIniLines(bytes).join("\n"); }

}  // namespace

TEST(Registry, KeysAndValuesIgnoreLetterCaseAndSurviveReopening) {
  const QString file = FreshFile();
  {
    Registry reg(file);
    ASSERT_TRUE(reg.CreateKey("\\Software\\Brenvik\\Vistrel"));
    EXPECT_TRUE(reg.SetValue("Software\\Brenvik\\Vistrel", "ExeName", RegValue::String("/opt/vistrel")));
    EXPECT_TRUE(reg.SetValue("software\\BRENVIK\\vistrel", "Volume", RegValue::Dword(5000)));
    EXPECT_TRUE(reg.SetValue("Software\\Brenvik\\Vistrel", "Framerate", RegValue::Binary(QByteArray("\x01\x02", 2))));
    EXPECT_FALSE(reg.SetValue("Software\\Missing", "x", RegValue::Dword(1))) << "keys are created explicitly";
    reg.CreateKey("Software\\Brenvik\\Caméra");
    EXPECT_TRUE(reg.SetValue("Software\\Brenvik\\Caméra", "Dossier vidéo", RegValue::String("/home/zoë/Vidéos/")));
  }
  Registry again(file);
  EXPECT_EQ(again.Value("SOFTWARE\\Brenvik\\Vistrel", "exename")->AsString(), "/opt/vistrel");
  EXPECT_EQ(again.Value("Software\\Brenvik\\Vistrel", "VOLUME")->AsDword(), 5000u);
  EXPECT_EQ(again.Value("Software\\Brenvik\\Vistrel", "Framerate")->data, QByteArray("\x01\x02", 2));
  EXPECT_EQ(again.SubKeyNames("Software\\Brenvik"), (QStringList{"Caméra", "Vistrel"}));
  EXPECT_EQ(again.Value("Software\\Brenvik\\CAMÉRA", "dossier VIDÉO")->AsString(), "/home/zoë/Vidéos/");
  EXPECT_EQ(again.ValueNames("Software\\Brenvik\\Vistrel").size(), 3);
}

TEST(Registry, DeleteKeyRemovesEverythingUnderIt) {
  Registry reg(FreshFile());
  reg.CreateKey("Software\\Brenvik\\Vistrel\\IncrustRec\\FontRec");
  reg.CreateKey("Software\\Brenvik\\Quorrel");
  EXPECT_TRUE(reg.DeleteKey("Software\\Brenvik\\Vistrel"));
  EXPECT_FALSE(reg.KeyExists("Software\\Brenvik\\Vistrel\\IncrustRec"));
  EXPECT_TRUE(reg.KeyExists("Software\\Brenvik\\Quorrel"));
  EXPECT_FALSE(reg.DeleteKey("Software\\Brenvik\\Vistrel"));
  EXPECT_FALSE(reg.DeleteKey("")) << "the root is never deleted";
}

TEST(Registry, ExportsRegeditTextAndReadsItBackExactly) {
  Registry reg(FreshFile());
  reg.CreateKey("Software\\Brenvik\\Vistrel");
  const QString k = "Software\\Brenvik\\Vistrel";
  reg.SetValue(k, "Path", RegValue::String("C:\\Vidéos\\\"x\""));
  reg.SetValue(k, "", RegValue::String("default"));
  reg.SetValue(k, "n", RegValue::Dword(42));
  reg.SetValue(k, "Lines", RegValue::String("a\r\nb\r\n"));  // not expressible as "text"
  RegValue odd = RegValue::String("hello");
  odd.data.chop(1);  // 11 bytes, as the preference store writes strings
  reg.SetValue(k, "Odd", odd);

  const QByteArray bytes = reg.ExportText();
  ASSERT_GE(bytes.size(), 2);
  EXPECT_EQ(uchar(bytes[0]), 0xFF);
  EXPECT_EQ(uchar(bytes[1]), 0xFE);
  const QString text = TextOf(bytes);
  EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\n\n"));
  EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\Brenvik\\Vistrel]"));
  EXPECT_TRUE(text.contains("\"Path\"=\"C:\\\\Vidéos\\\\\\\"x\\\"\""));
  EXPECT_TRUE(text.contains("@=\"default\""));
  EXPECT_TRUE(text.contains("\"n\"=dword:0000002a"));
  EXPECT_TRUE(text.contains("\"Lines\"=hex(1):"));

  Registry copy(FreshFile());
  ASSERT_TRUE(copy.ImportText(bytes));
  for (const char *name : {"Path", "", "n", "Lines", "Odd"})
    EXPECT_EQ(copy.Value(k, name), reg.Value(k, name)) << name;
  EXPECT_EQ(copy.Value(k, "Odd")->data.size(), 11);
}

TEST(Registry, AcceptsUtf8TextWithContinuationsAndKeepsWhatItCannotRead) {
  const QByteArray text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\GNU\\LAME MPEG Layer III Audio Encoder Filter]\r\n"
      "\"Bitrate\"=dword:000000c0\r\n"
      "\"Blob\"=hex:01,02,\\\r\n  03,ff\r\n"
      "\"Broken\"=dword:zz\r\n"
      "; a comment\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
      "\"x\"=\"y\"\r\n";
  Registry reg(FreshFile());
  ASSERT_TRUE(reg.ImportText(text));
  const QString k = "Software\\GNU\\LAME MPEG Layer III Audio Encoder Filter";
  EXPECT_EQ(reg.Value(k, "Bitrate")->AsDword(), 192u);
  EXPECT_EQ(reg.Value(k, "Blob")->data, QByteArray("\x01\x02\x03\xff", 4));
  EXPECT_FALSE(reg.Value(k, "Broken"));
  const QString out = TextOf(reg.ExportText());
  EXPECT_TRUE(out.contains("\"Broken\"=dword:zz")) << "an unreadable line is kept";
  EXPECT_TRUE(out.contains("; a comment"));
  EXPECT_TRUE(out.contains("[HKEY_LOCAL_MACHINE\\Software\\Other]"));
}

TEST(Registry, GarbageFileGivesAnEmptyTreeAndIsNotLost) {
  const QString file = FreshFile();
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray("\x00\x01\xfe[[[\xff\n\"a\"=", 12));
  f.close();
  Registry reg(file);
  EXPECT_FALSE(reg.KeyExists("Software"));
  EXPECT_TRUE(reg.CreateKey("Software\\Brenvik"));
  EXPECT_TRUE(reg.KeyExists("Software\\Brenvik"));
  EXPECT_TRUE(TextOf(reg.ExportText()).contains("[[["));
}

TEST(Registry, TwoInstancesOnOneFileSeeEachOthersChanges) {
  const QString file = FreshFile();
  Registry a(file), b(file);
  a.CreateKey("Software\\A");
  b.CreateKey("Software\\B");
  a.SetValue("Software\\A", "v", RegValue::Dword(1));
  {
    Registry::Batch batch(b);
    b.SetValue("Software\\B", "w", RegValue::Dword(2));
    b.SetValue("Software\\B", "x", RegValue::Dword(3));
  }
  Registry c(file);
  EXPECT_EQ(c.Value("Software\\A", "v")->AsDword(), 1u);
  EXPECT_EQ(c.Value("Software\\B", "x")->AsDword(), 3u);
  EXPECT_EQ(a.Value("Software\\B", "w")->AsDword(), 2u) << "a re-reads the file b replaced";
  EXPECT_TRUE(a.LastWriteOk());
}

TEST(Registry, UnwritableFolderReportsTheFailure) {
  Registry reg("/proc/vistrel-no-such-dir/registry.reg");
  EXPECT_FALSE(reg.CreateKey("Software\\X"));
  EXPECT_FALSE(reg.LastWriteOk());
}

TEST(Registry, AKeyOfManyValuesReadsWholeAndAFileTooLargeIsLeftAlone) {
  const QString file = FreshFile();
  QByteArray text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Many]\r\n";
  for (int v = 0; v < 20000; ++v) text += "\"Value" + QByteArray::number(v) + "\"=dword:" +
                                          QByteArray::number(v, 16).rightJustified(8, '0') + "\r\n";
  text += "\"VALUE7\"=dword:00000099\r\n";  // the same name in other letters replaces it
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  {
    Registry reg(file);
    EXPECT_EQ(reg.ValueNames("Software\\Many").size(), 20000);
    EXPECT_EQ(reg.Value("Software\\Many", "value19999")->AsDword(), 19999u);
    EXPECT_EQ(reg.Value("Software\\Many", "Value7")->AsDword(), 0x99u);
    EXPECT_TRUE(reg.DeleteValue("Software\\Many", "Value3"));
    EXPECT_FALSE(reg.ValueExists("Software\\Many", "value3"));
    EXPECT_EQ(reg.Value("Software\\Many", "Value4")->AsDword(), 4u) << "the values after a deleted one are found";
  }
  // Grown past anything settings take (here with zero bytes): not read, not written over.
  {
    QFile f(file);
    ASSERT_TRUE(f.resize(33 << 20));
  }
  const QByteArray before = [&] {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  Registry reg(file);
  EXPECT_FALSE(reg.KeyExists("Software\\Many"));
  EXPECT_FALSE(reg.CreateKey("Software\\Brenvik"));
  EXPECT_FALSE(reg.LastWriteOk());
  {
    Registry::Batch batch(reg);
    reg.CreateKey("Software\\Brenvik");
  }
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll() == before) << "the file is kept as it was";
}

TEST(Registry, DeepKeysNeitherOverflowNorGrowTheFile) {
  // A file of one key nested 100,000 levels (400 KB), beside the settings:
  // read, saved and closed without overflowing the stack; the deep key is
  // kept as it came and the file does not grow at the save.
  QString deep = "[HKEY_CURRENT_USER";
  for (int i = 0; i < 100000; ++i) deep += "\\a";
  deep += "]";
  const QString text =
      QStringLiteral("Windows Registry Editor Version 5.00\n\n") + deep +
      "\n\"x\"=dword:00000001\n\n[HKEY_CURRENT_USER\\Software\\Brenvik\\Vistrel]\n\"n\"=dword:0000002a\n";
  const QString file = FreshFile();
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
  }
  const qint64 before = QFileInfo(file).size();
  {
    Registry reg(file);
    EXPECT_EQ(reg.Value("Software\\Brenvik\\Vistrel", "n")->AsDword(), 42u);
    EXPECT_TRUE(reg.SetValue("Software\\Brenvik\\Vistrel", "n", RegValue::Dword(7)));
  }
  const QString saved = TextOf([&] {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }());
  EXPECT_TRUE(saved.contains(deep)) << "the deep key is kept";
  EXPECT_TRUE(saved.contains("\"x\"=dword:00000001"));
  EXPECT_LT(QFileInfo(file).size(), 3 * before) << "UTF-16 doubles the text, nothing more";
  Registry again(file);
  EXPECT_EQ(again.Value("Software\\Brenvik\\Vistrel", "n")->AsDword(), 7u);
}

TEST(Registry, AChainOfEmptyKeysIsWrittenOnceNotOncePerLevel) {
  const QString file = FreshFile();
  QString path = "Software";
  for (int i = 0; i < 400; ++i) path += "\\k";
  {
    Registry reg(file);
    ASSERT_TRUE(reg.CreateKey(path));
  }
  Registry again(file);
  EXPECT_TRUE(again.KeyExists(path)) << "an empty key stays";
  EXPECT_EQ(TextOf(again.ExportText()).count('['), 1) << TextOf(again.ExportText()).left(200).toStdString();
}
