// The scene file, byte by byte, as the reading program expects it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/scenefile.h"
#include "testenv.h"

namespace {

using vistrel::TSceneFile;
using vistrel::filters::DVInfo;

std::uint32_t U32(const QByteArray &b, qsizetype at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | std::uint8_t(b[at + i]);
  return v;
}
int U16(const QByteArray &b, qsizetype at) { return std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8; }

DVInfo Frame(std::uint32_t n) {
  DVInfo i;
  i.FrameNumber = n;
  return i;
}

QByteArray ReadAll(const QString &name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A fresh current folder, so that a relative name of a chosen length can be used.
struct InFreshDir {
  QString previous = QDir::currentPath();
  InFreshDir() { QDir::setCurrent(vistrel::test::freshDir("scn")); }
  ~InFreshDir() { QDir::setCurrent(previous); }
};

}  // namespace

TEST(SceneFile, OneReportWithASixteenCharacterPath) {
  InFreshDir dir;
  const QString name = "0123456789ab.scn";
  TSceneFile scn;
  ASSERT_TRUE(scn.OuvrirScn(name));
  scn.SceneScn(Frame(0), Frame(249));  // the report at stop of a capture without scene change
  scn.FermerScn();
  const QByteArray b = ReadAll(name);
  const QByteArray expected =
      QByteArray::fromHex("6326010004000000ffff03000a00") + "SourceTape" + char(16) + name.toLatin1() +
      QByteArray(8, '\0') + QByteArray::fromHex("0100") + QByteArray::fromHex("ffff01000400") + "ClipP" +
      QByteArray(3, '\0') + QByteArray::fromHex("ffff01000500") + "Scene" + QByteArray(5, '\0') +
      QByteArray::fromHex("fa000000000000000180") + char(16) + name.toLatin1() + QByteArray(8, '\0') +
      QByteArray::fromHex("fa000000");
  EXPECT_EQ(b.toHex(), expected.toHex());
  EXPECT_EQ(U16(b, 49), 1);  // count field at 33 + L
}

TEST(SceneFile, LaterReportsAndTheCount) {
  InFreshDir dir;
  const QString name = "three.scn";
  const int L = name.size();
  TSceneFile scn;
  ASSERT_TRUE(scn.OuvrirScn(name));
  scn.SceneScn(Frame(0), Frame(250));
  scn.SceneScn(Frame(250), Frame(500));
  scn.SceneScn(Frame(500), Frame(612));
  // Reports are on disk as they come; the count only when the file closes.
  EXPECT_EQ(U16(ReadAll(name), 33 + L), 0);
  scn.FermerScn();
  const QByteArray b = ReadAll(name);
  ASSERT_EQ(b.size(), 65 + L + (23 + L) + 2 * 35);
  EXPECT_EQ(U16(b, 33 + L), 3);
  const qsizetype second = 65 + L + 23 + L;
  // S = 251, N = 501 - 251 + 1 = 251.
  EXPECT_EQ(b.mid(second, 35).toHex(), "0380f00000000580" "00fb000000fb000000" "000000000700" "fb000000fb000000fb000000");
  EXPECT_EQ(U32(b, second + 35 + 13), 113u);  // 613 - 501 + 1
}

TEST(SceneFile, LimitsAndFailures) {
  InFreshDir dir;
  TSceneFile scn;
  ASSERT_TRUE(scn.OuvrirScn("many.scn"));
  for (std::uint32_t i = 0; i < TSceneFile::kMaxReports + 5; ++i) scn.SceneScn(Frame(i), Frame(i + 1));
  scn.FermerScn();
  const QByteArray b = ReadAll("many.scn");
  EXPECT_EQ(U16(b, 33 + 8), 32768);
  EXPECT_EQ(b.size(), 65 + 8 + 23 + 8 + qsizetype(TSceneFile::kMaxReports - 1) * 35);

  EXPECT_FALSE(scn.OuvrirScn("no/such/folder/x.scn"));
  EXPECT_FALSE(scn.Ouvert());
  scn.SceneScn(Frame(0), Frame(1));  // nothing open: ignored
  // A path too long for its one-byte length is refused rather than written unreadable.
  EXPECT_FALSE(scn.OuvrirScn(QString(300, 'a') + ".scn"));
  EXPECT_FALSE(scn.Ouvert());

  // Opening a second file finishes the first one with its count.
  ASSERT_TRUE(scn.OuvrirScn("a.scn"));
  scn.SceneScn(Frame(0), Frame(10));
  ASSERT_TRUE(scn.OuvrirScn("b.scn"));
  scn.FermerScn();
  EXPECT_EQ(U16(ReadAll("a.scn"), 33 + 5), 1);
  EXPECT_EQ(TSceneFile::NameFor("/v.d/Video_3.avi"), "/v.d/Video_3.scn");
}
