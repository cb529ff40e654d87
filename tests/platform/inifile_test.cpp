// Ini line files: every encoding we may meet on read, the one we write, and
// merging the sections of two writers of one file.
#include "platform/inifile.h"
#include "testenv.h"

#include <gtest/gtest.h>

using namespace vistrel::platform;

namespace {
std::string J(const QStringList &l) { return l.join(" | ").toStdString(); }
}  // namespace

TEST(IniFile, DecodesEveryAcceptedEncoding) {
  const QStringList expected{"[Sec]", "Nom=Vidéo"};
  EXPECT_EQ(DecodeIniLines(EncodeIniLines(expected)), expected);
  QByteArray be("\xFE\xFF", 2);
  for (const QChar c : QString("[Sec]\nNom=Vidéo\n")) be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
  EXPECT_EQ(DecodeIniLines(be), expected);
  EXPECT_EQ(DecodeIniLines("\xEF\xBB\xBF[Sec]\r\nNom=Vid\xC3\xA9o"), expected);
  EXPECT_EQ(DecodeIniLines("[Sec]\rNom=Vid\xE9o\r\n"), expected) << "8-bit text of a Windows machine";
  EXPECT_TRUE(DecodeIniLines(QByteArray("\xFF\xFE[", 3)).isEmpty()) << "odd trailing byte dropped";
}

TEST(IniFile, WritesUtf16LeWithBomAndCrLf) {
  const QByteArray bytes = EncodeIniLines({"a", ""});
  EXPECT_EQ(bytes, QByteArray("\xFF\xFE" "a\0\r\0\n\0\r\0\n\0", 12));
}

TEST(IniFile, MergeKeepsTheOtherWritersSections) {
  const QStringList disk{"; top", "[A]", "x=1", "", "[B]", "y=2", "[C]", "z=3"};
  const QStringList mine{"[A]", "x=old", "[B]", "y=mine", "y2=new", "", "[D]", "d=4"};
  EXPECT_EQ(J(MergeIniSections(disk, mine, {"[B]", "[D]"})),
            J({"; top", "[A]", "x=1", "", "[B]", "y=mine", "y2=new", "", "[C]", "z=3", "[D]", "d=4"}));
  EXPECT_EQ(J(MergeIniSections(disk, {}, {"[C]"})), J({"; top", "[A]", "x=1", "", "[B]", "y=2"}));
}

TEST(IniFile, WriteThenReadAFileAndFailOnAnUnwritableFolder) {
  const QString path = vistrel::test::freshDir("ini") + "/Vistrel.ini";
  ASSERT_TRUE(WriteIniLines(path, {"[x]", "clé=été"}));
  QStringList lines;
  ASSERT_TRUE(ReadIniLines(path, lines));
  EXPECT_EQ(lines, (QStringList{"[x]", "clé=été"}));
  EXPECT_FALSE(WriteIniLines("/proc/no-such-dir/Vistrel.ini", lines));
  EXPECT_FALSE(ReadIniLines(path + ".missing", lines));
  EXPECT_TRUE(IsIniSectionHeader("  []  "));
  EXPECT_FALSE(IsIniSectionHeader("[abc"));
}
