// The session list: sort keys, the list box's order, replacement and selection
// rules, the properties text and what dragging the selection carries.
#include <gtest/gtest.h>

#include <QMimeData>
#include <QUrl>

#include <memory>

#include "sessionlist/fichierlistbox.h"
#include "testenv.h"

using namespace vistrel::sessionlist;

namespace {

constexpr quint64 kGB = 1024ull * 1024 * 1024;

std::unique_ptr<TDataFichier> Entry(const QString &path, quint64 size = 0,
                                    const QDateTime &modified = QDateTime(QDate(2026, 12, 8), QTime(3, 29, 5))) {
  auto e = std::make_unique<TDataFichier>();
  e->SetPath(path);
  e->Size = size;
  e->Modified = modified;
  e->Created = modified;
  return e;
}

QStringList Names(const TFichierListbox &box) {
  QStringList out;
  for (int i = 0; i < box.Count(); ++i) out << box.Entry(i)->FileName;
  return out;
}

}  // namespace

TEST(SessionEntry, NamesAndKeys) {
  auto e = Entry("/data/Videos/Video_0.AVI", 5 * kGB + 1);
  EXPECT_EQ(e->FileName, "Video_0.AVI");
  EXPECT_EQ(e->Folder, "/data/Videos/");
  EXPECT_EQ(e->Extension, ".avi");
  EXPECT_EQ(e->BareName, "Video_0");
  EXPECT_EQ(e->Key(TSortIndex::alpha), "video_0.avi/data/videos/video_0.avi");
  EXPECT_EQ(e->Key(TSortIndex::path), "/data/videos/video_0.avi");
  EXPECT_EQ(e->Key(TSortIndex::extension), ".avi/data/videos/video_0.avi");
  EXPECT_EQ(e->Key(TSortIndex::modify), "20261208032905/data/videos/video_0.avi");
  EXPECT_EQ(e->Key(TSortIndex::size), "0000000000000001" "0000000040000001" "/data/videos/video_0.avi");

  // Captions and identifiers of the five modes.
  EXPECT_EQ(SortCaption(TSortIndex::alpha), "in alphabetical order");
  EXPECT_EQ(SortCaption(TSortIndex::modify), "by date of file");
  EXPECT_EQ(SortFromIdentifier("extension"), TSortIndex::extension);
  EXPECT_FALSE(SortFromIdentifier("colour").has_value());
}

TEST(SessionEntry, PropertiesText) {
  auto still = Entry("/p/Image_00000.bmp", 1244214);
  still->Dropped = -1;
  still->Captured = 1;
  still->VideoSource = "Vistrel Test Camera";
  still->AudioSource = "no audio stream";
  still->AudioEntry = "";
  still->CaptureFormat = "avi native";
  const QStringList lines = ProprietesTexte(*still).split('\n');
  ASSERT_EQ(lines.size(), 11) << ProprietesTexte(*still).toStdString();
  EXPECT_TRUE(lines[0].startsWith("Start of Capture: "));
  EXPECT_TRUE(lines[1].startsWith("End of Capture: "));
  EXPECT_EQ(lines[2], "Size of File: 1244214");
  EXPECT_EQ(lines[4], "Captured Frames: 1");
  EXPECT_EQ(lines[6], "Video Source: Vistrel Test Camera");
  EXPECT_EQ(lines[7], "Audio Source: no audio stream");
  EXPECT_EQ(lines[8], "Audio Entry: ");
  EXPECT_EQ(lines[9], "Capture Format: avi native");
  EXPECT_FALSE(ProprietesTexte(*still).contains("Dropped"));

  auto capture = Entry("/p/Video_0.avi", 6 * kGB);
  EXPECT_TRUE(ProprietesTexte(*capture).contains("Size of File: 6442450944"));
  const QStringList c = ProprietesTexte(*capture).split('\n');
  EXPECT_EQ(c[4], "No data about dropped/captured frames");
  capture->Dropped = 3;
  capture->Captured = 250;
  const QStringList d = ProprietesTexte(*capture).split('\n');
  EXPECT_EQ(d[4], "Captured Frames: 250");
  EXPECT_EQ(d[5], "Dropped Frames: 3");

  // A DV recording with its tape report: the count in the properties and in the list.
  capture->TapeErrorFrames = 1;
  EXPECT_EQ(ProprietesTexte(*capture).split('\n')[6], "Tape: 1 frame with tape errors");
  capture->TapeErrorFrames = 8;
  TFichierListbox box;
  box.AjouterFichier(std::move(capture), false);
  box.AjouterFichier(Entry("/p/Video_1.avi"), false);
  EXPECT_EQ(box.item(0)->text(), "Video_0.avi (8 frames with tape errors)");
  EXPECT_EQ(box.item(1)->text(), "Video_1.avi");
}

TEST(FichierListbox, KeepsKeyOrderAndSortsBySizeHighHalfFirst) {
  TFichierListbox box;
  // 3 GB has a larger low half (0xC0000000) than 5 GB (0x1_40000000).
  box.AjouterFichier(Entry("/v/b.avi", 3 * kGB), false);
  box.AjouterFichier(Entry("/v/a.avi", 5 * kGB + 1), false);
  box.AjouterFichier(Entry("/v/c.avi", 10), false);
  EXPECT_EQ(Names(box), (QStringList{"a.avi", "b.avi", "c.avi"}));
  box.TrierPar(TSortIndex::size);
  EXPECT_EQ(Names(box), (QStringList{"c.avi", "b.avi", "a.avi"}));
  // New entries land at their place in the current order.
  EXPECT_EQ(box.AjouterFichier(Entry("/v/d.avi", 4 * kGB), false), 2);
  EXPECT_EQ(Names(box), (QStringList{"c.avi", "b.avi", "d.avi", "a.avi"}));
  EXPECT_EQ(box.AjouterFichier(nullptr, true), -1);
}

TEST(FichierListbox, SameFullNameReplacesTheEntry) {
  TFichierListbox box;
  box.TrierPar(TSortIndex::size);
  box.AjouterFichier(Entry("/v/Video_0.avi", 100), false);
  box.AjouterFichier(Entry("/v/Video_1.avi", 200), false);
  auto again = Entry("/v/Video_0.avi", 300);
  again->Captured = 75;
  EXPECT_EQ(box.AjouterFichier(std::move(again), false), 1);
  ASSERT_EQ(box.Count(), 2);
  EXPECT_EQ(Names(box), (QStringList{"Video_1.avi", "Video_0.avi"}));
  EXPECT_EQ(static_cast<const TDataFichier *>(box.Entry(1))->Captured, 75);
  EXPECT_EQ(box.Keys().size(), 2);
  // Another folder is another file.
  box.AjouterFichier(Entry("/w/Video_0.avi", 300), false);
  EXPECT_EQ(box.Count(), 3);
}

TEST(FichierListbox, SelectionCurrentItemAndCounts) {
  TFichierListbox box;
  int lastSelected = -1, lastCount = -1, reports = 0;
  QObject::connect(&box, &TFichierListbox::OnCountsChange, [&](int s, int c) {
    lastSelected = s;
    lastCount = c;
    ++reports;
  });
  box.AjouterFichier(Entry("/v/m.avi"), true);
  EXPECT_EQ(box.currentRow(), 0);  // the first file of an empty list becomes current
  EXPECT_EQ(lastSelected, 1);
  EXPECT_EQ(lastCount, 1);

  // Before the current one: the current index stays, so the new file is current
  // and, since the current position was selected, selected too.
  box.AjouterFichier(Entry("/v/a.avi"), false);
  EXPECT_EQ(box.currentRow(), 0);
  EXPECT_EQ(box.CurrentEntry()->FileName, "a.avi");
  EXPECT_TRUE(box.item(0)->isSelected());
  EXPECT_TRUE(box.item(1)->isSelected());  // m.avi kept its selection

  box.AjouterFichier(Entry("/v/z.avi"), false);
  EXPECT_FALSE(box.item(2)->isSelected());
  EXPECT_EQ(lastSelected, 2);
  EXPECT_EQ(lastCount, 3);

  // Sorting keeps the current entry and the selected ones.
  box.TrierPar(TSortIndex::path);
  reports = 0;
  box.TrierPar(TSortIndex::extension);
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(box.CurrentEntry()->FileName, "a.avi");
  EXPECT_EQ(box.SelectedCount(), 2);
  EXPECT_FALSE(box.item(box.count() - 1)->isSelected());
}

TEST(FichierListbox, DragCarriesTheSelectedFiles) {
  TFichierListbox box;
  box.AjouterFichier(Entry("/v/one file.avi"), true);
  box.AjouterFichier(Entry("/v/two.bmp"), false);
  box.AjouterFichier(Entry("/v/three.jpg"), false);
  box.item(2)->setSelected(true);  // two.bmp
  std::unique_ptr<QMimeData> data(box.SelectionMimeData());
  ASSERT_TRUE(data->hasUrls());
  QStringList paths;
  for (const QUrl &u : data->urls()) paths << u.toLocalFile();
  paths.sort();
  EXPECT_EQ(paths, (QStringList{"/v/one file.avi", "/v/two.bmp"}));
  EXPECT_FALSE(box.acceptDrops());
}
