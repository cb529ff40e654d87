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
std::uint16_t U16(const QByteArray &b, qsizetype at) { return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8); }

DVInfo Frame(std::uint32_t n) {
  DVInfo i;
  i.FrameNumber = n;
  return i;
}

QByteArray ReadAll(const QString &name) {
  QFile f(name);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
  return f.readAll();
}

// Runs in a fresh folder so that a relative name of a chosen length can be used.
struct InFreshDir {
  QString previous = QDir::currentPath();
  InFreshDir() { QDir::setCurrent(vistrel::test::freshDir("scn")); }
  ~InFreshDir() { QDir::setCurrent(previous); }
};

}  // namespace

TEST(SceneFile, OneReportWithASixteenCharacterPath) {
  InFreshDir dir;
  const QString name = "0123456789ab.scn";  // 16 characters
  TSceneFile scn;
  ASSERT_TRUE(scn.OuvrirScn(name));
  scn.SceneScn(Frame(0), Frame(249));  // only the report at stop
  scn.FermerScn();
  EXPECT_FALSE(scn.Ouvert());

  const QByteArray b = ReadAll(name);
  const QByteArray head = QByteArray::fromHex("6326010004000000ffff03000a00") + "SourceTape";
  EXPECT_EQ(b.left(24), head);
  EXPECT_EQ(std::uint8_t(b[24]), 16);
  EXPECT_EQ(b.mid(25, 16), name.toLatin1());
  EXPECT_EQ(b.mid(41, 8), QByteArray(8, '\0'));
  EXPECT_EQ(U16(b, 49), 1);  // count field at 33 + L
  const QByteArray table = QByteArray::fromHex("ffff01000400") + "ClipP" + QByteArray(3, '\0') +
                           QByteArray::fromHex("ffff01000500") + "Scene" + QByteArray(5, '\0');
  EXPECT_EQ(b.mid(51, 30), table);
  // First record at 65 + L: E, fixed bytes, the path again, E.
  EXPECT_EQ(U32(b, 81), 250u);
  EXPECT_EQ(b.mid(85, 6), QByteArray::fromHex("000000000180"));
  EXPECT_EQ(std::uint8_t(b[91]), 16);
  EXPECT_EQ(b.mid(92, 16), name.toLatin1());
  EXPECT_EQ(b.mid(108, 8), QByteArray(8, '\0'));
  EXPECT_EQ(U32(b, 116), 250u);
  EXPECT_EQ(b.size(), 65 + 16 + 23 + 16);
}

TEST(SceneFile, ThreeReportsGiveTwoLaterRecords) {
  InFreshDir dir;
  const QString name = "three.scn";
  const int L = name.size();
  TSceneFile scn;
  ASSERT_TRUE(scn.OuvrirScn(name));
  scn.SceneScn(Frame(0), Frame(250));
  scn.SceneScn(Frame(250), Frame(500));
  scn.SceneScn(Frame(500), Frame(612));
  // Reports are on disk as they come; the count is written when the file is closed.
  const QByteArray during = ReadAll(name);
  ASSERT_EQ(during.size(), 65 + L + (23 + L) + 2 * 35);
  EXPECT_EQ(U16(during, 33 + L), 0);
  scn.FermerScn();
  const QByteArray b = ReadAll(name);
  ASSERT_EQ(b.size(), 65 + L + (23 + L) + 2 * 35);
  EXPECT_EQ(U16(b, 33 + L), 3);
  const qsizetype second = 65 + L + 23 + L;
  EXPECT_EQ(b.mid(second, 9), QByteArray::fromHex("0380f0000000058000"));
  EXPECT_EQ(U32(b, second + 9), 251u);   // S
  EXPECT_EQ(U32(b, second + 13), 251u);  // N = E - S + 1 = 501 - 251 + 1
  EXPECT_EQ(b.mid(second + 17, 6), QByteArray::fromHex("000000000700"));
  EXPECT_EQ(U32(b, second + 23), 251u);
  EXPECT_EQ(U32(b, second + 27), 251u);
  EXPECT_EQ(U32(b, second + 31), 251u);
  EXPECT_EQ(U32(b, second + 35 + 13), 113u);  // 613 - 501 + 1
}

TEST(SceneFile, ReportsBeyondTheLimitAreDropped) {
  InFreshDir dir;
  TSceneFile scn;
  ASSERT_TRUE(scn.OuvrirScn("many.scn"));
  for (std::uint32_t i = 0; i < TSceneFile::kMaxReports + 5; ++i) scn.SceneScn(Frame(i), Frame(i + 1));
  scn.FermerScn();
  const QByteArray b = ReadAll("many.scn");
  EXPECT_EQ(U16(b, 33 + 8), 32768);
  EXPECT_EQ(b.size(), 65 + 8 + 23 + 8 + qsizetype(TSceneFile::kMaxReports - 1) * 35);
}

TEST(SceneFile, FailuresLeaveNothingOpen) {
  InFreshDir dir;
  TSceneFile scn;
  EXPECT_FALSE(scn.OuvrirScn("no/such/folder/x.scn"));
  EXPECT_FALSE(scn.Ouvert());
  scn.SceneScn(Frame(0), Frame(1));  // ignored, no crash
  scn.FermerScn();
  // A path whose length does not fit the one-byte field is refused, not truncated.
  EXPECT_FALSE(scn.OuvrirScn(QString(300, 'a') + ".scn"));
  EXPECT_FALSE(scn.Ouvert());

  // Opening a second file finishes the first one with its count.
  ASSERT_TRUE(scn.OuvrirScn("a.scn"));
  scn.SceneScn(Frame(0), Frame(10));
  ASSERT_TRUE(scn.OuvrirScn("b.scn"));
  scn.FermerScn();
  EXPECT_EQ(U16(ReadAll("a.scn"), 33 + 5), 1);
  EXPECT_EQ(U16(ReadAll("b.scn"), 33 + 5), 0);
}

TEST(SceneFile, NameBesideTheVideo) {
  EXPECT_EQ(TSceneFile::NameFor("/v/Video_3.avi"), "/v/Video_3.scn");
  EXPECT_EQ(TSceneFile::NameFor("/v.d/Video"), "/v.d/Video.scn");
  EXPECT_EQ(TSceneFile::StoredPath(QString::fromUtf8("/v/é€.scn")), QByteArray("/v/\xe9?.scn"));
}
