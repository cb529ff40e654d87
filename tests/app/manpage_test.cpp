// The manual page lists every switch and token the program answers to.
#include <gtest/gtest.h>

#include <QFile>

#include "actions/script.h"
#include "appwindows.h"

using namespace vistrel;

TEST(ManualPage, ListsEveryActionBySwitchAndToken) {
  QFile f(QStringLiteral(VISTREL_MANPAGE));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << VISTREL_MANPAGE;
  const QString page = QString::fromUtf8(f.readAll());
  test::Windows w;
  int listed = 0;
  for (TCustomSuperAction *a : w.form.al->Actions()) {
    if (a->Switch().isEmpty()) continue;
    // One table row: switch, tab, token, tab.
    EXPECT_TRUE(page.contains("\n" + a->Switch() + "\t" + a->Token() + "\t"))
        << a->objectName().toStdString() << " (" << a->Switch().toStdString() << ") is not in the manual page";
    ++listed;
  }
  EXPECT_GT(listed, 50);
  // And no row names a switch the program does not have.
  for (const QString &line : page.split('\n')) {
    const QStringList cells = line.split('\t');
    if (cells.size() < 3 || line.startsWith("\\fB")) continue;
    EXPECT_NE(w.form.al->Find(cells[0]), nullptr) << line.toStdString();
    EXPECT_NE(w.form.al->Find(cells[1]), nullptr) << line.toStdString();
  }
}
