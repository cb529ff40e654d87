// The List panel in the started program: session entries from the Sources
// panel's boxes, the count label, the menu's properties and sort, the gauges.
#include <QFile>
#include <QMenu>

#include "sessionlist/fichierlistbox.h"
#include "sources_fixture.h"
#include "testenv.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

QString Write(const QString &path, int bytes) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(QByteArray(bytes, 'v'));
  return path;
}

QAction *MenuAction(QMenu *menu, const QString &text) {
  for (QAction *a : menu->actions()) {
    if (a->text() == text) return a;
    if (a->menu())
      if (QAction *inner = MenuAction(a->menu(), text)) return inner;
  }
  return nullptr;
}

}  // namespace

TEST(ListePanel, SessionEntriesLabelPropertiesAndSort) {
  StartedWindow w;
  auto &dialogs = platform::DialogService::Instance();
  auto *list = w.form.FichierListbox();
  auto *label = w.form.findChild<QLabel *>("labselect");
  ASSERT_NE(list, nullptr);
  EXPECT_FALSE(list->isEnabled()) << "an empty list is disabled";
  const QString dir = freshDir("session");
  w.form.AjouterSession(Write(dir + "/b_big.avi", 3000), -1, -1);
  w.form.AjouterSession(Write(dir + "/a_small.avi", 10), 2, 500);
  w.form.AjouterSession(Write(dir + "/c_still.bmp", 100), -1, 1);
  EXPECT_TRUE(list->isEnabled());
  EXPECT_EQ(label->text(), "3 files sorted in alphabetical order");
  // Re-recording the same file replaces its entry.
  w.form.AjouterSession(Write(dir + "/b_big.avi", 4000), 0, 900);
  EXPECT_EQ(label->text(), "3 files sorted in alphabetical order");
  EXPECT_EQ(list->Entry(1)->Size, 4000u);

  auto *menu = w.form.findChild<QMenu *>("pmListe");
  ASSERT_NE(menu, nullptr);

  // Properties of the current entry: the still added last became current.
  list->setCurrentRow(2);
  dialogs.ClearHistory();
  MenuAction(menu, "Properties")->trigger();
  ASSERT_EQ(dialogs.History().size(), 1);
  const QString text = dialogs.History().first();
  EXPECT_TRUE(text.contains("Size of File: 100")) << text.toStdString();
  EXPECT_TRUE(text.contains("Captured Frames: 1"));
  EXPECT_FALSE(text.contains("Dropped Frames"));
  EXPECT_TRUE(text.contains("Video Source: " + kCamera));
  EXPECT_TRUE(text.contains("Audio Source: " + w.AudioBox()->currentText()));
  EXPECT_TRUE(text.contains("Capture Format: " + w.FormatBox()->currentText()));

  MenuAction(menu, "Size")->trigger();
  EXPECT_EQ(label->text(), "3 files sorted by size of file");
  EXPECT_EQ(list->Entry(0)->FileName, "a_small.avi");
  EXPECT_EQ(list->Entry(2)->FileName, "b_big.avi");
  EXPECT_EQ(list->CurrentEntry()->FileName, "c_still.bmp") << "sorting keeps the current file";
  MenuAction(menu, "extension")->trigger();
  EXPECT_EQ(label->text(), "3 files sorted by extension");
  EXPECT_EQ(list->Entry(2)->FileName, "c_still.bmp");
}
