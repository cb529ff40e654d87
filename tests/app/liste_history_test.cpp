// Earlier recordings on the List panel, through one started program after
// another sharing the user's data folder: what the next one shows, files gone
// since, and clearing the history.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#include "sessionlist/fichierlistbox.h"
#include "sessionlist/history.h"
#include "sources_fixture.h"
#include "testenv.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

QString Write(const QString &path) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(QByteArray(100, 'v'));
  return path;
}

QStringList Texts(const sessionlist::TFichierListbox &box) {
  QStringList out;
  for (int i = 0; i < box.count(); ++i) out << box.item(i)->text();
  return out;
}

QCheckBox *ShowEarlier(StartedWindow &w) { return w.form.findChild<QCheckBox *>("cbAnciens"); }

}  // namespace

TEST(ListeHistory, TheNextProgramShowsEarlierRecordingsOnRequest) {
  const QString dir = freshDir("earlier");
  {
    StartedWindow first;
    first.form.AjouterSession(Write(dir + "/a kept.avi"), 0, 250);
    first.form.AjouterSession(Write(dir + "/b removed.avi"), 3, 100);
  }
  QFile::remove(dir + "/b removed.avi");
  StartedWindow w;
  auto *box = w.form.FichierListbox();
  auto *label = w.form.findChild<QLabel *>("labselect");
  ASSERT_NE(ShowEarlier(w), nullptr);
  EXPECT_FALSE(ShowEarlier(w)->isChecked());
  EXPECT_EQ(box->Count(), 0) << "this session's list starts empty";
  w.form.AjouterSession(Write(dir + "/c now.avi"), 0, 10);

  ShowEarlier(w)->setChecked(true);
  EXPECT_EQ(Texts(*box), (QStringList{"a kept.avi", "b removed.avi (missing)", "c now.avi"}));
  EXPECT_EQ(label->text(), "3 files sorted in alphabetical order");
  EXPECT_EQ(box->LastAdded()->FileName, "c now.avi") << "the folder shortcut still shows this session's file";
  EXPECT_EQ(box->CurrentEntry(), box->LastAdded()) << "and it stays current";
  const auto *gone = static_cast<const sessionlist::TDataFichier *>(box->Entry(1));
  EXPECT_EQ(gone->Size, 100u);
  EXPECT_EQ(gone->Dropped, 3);

  ShowEarlier(w)->setChecked(false);
  EXPECT_EQ(Texts(*box), QStringList{"c now.avi"});

  platform::DialogService::Instance().SetUnattended(platform::DlgAnswer::Yes);
  w.form.findChild<QPushButton *>("btnEffacerHistorique")->click();
  platform::DialogService::Instance().SetUnattended(std::nullopt);
  EXPECT_FALSE(QFileInfo::exists(sessionlist::RecordingHistory::DefaultPath()));
  ShowEarlier(w)->setChecked(true);
  EXPECT_EQ(Texts(*box), QStringList{"c now.avi"}) << "this session's entries stay in its list";
}

TEST(ListeHistory, AnUnreadableHistoryIsToldOnceAndKept) {
  const QString path = sessionlist::RecordingHistory::DefaultPath();
  QDir().mkpath(QFileInfo(path).absolutePath());
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{ not a history");
  }
  StartedWindow w;
  auto &dialogs = platform::DialogService::Instance();
  EXPECT_TRUE(dialogs.History().isEmpty()) << "nothing is said before the user asks";
  ShowEarlier(w)->setChecked(true);
  ASSERT_EQ(dialogs.History().size(), 1);
  EXPECT_TRUE(dialogs.History()[0].contains(path + ".bak")) << dialogs.History()[0].toStdString();
  ShowEarlier(w)->setChecked(false);
  ShowEarlier(w)->setChecked(true);
  EXPECT_EQ(dialogs.History().size(), 1);
  QFile kept(path + ".bak");
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), "{ not a history");
}
