// Every caption of the side panels and of the tool windows is shown whole:
// at the window's smallest size, at the largest a 1024x600 screen holds and
// at 1280x800. CMake runs these tests a second time at scale factor 2.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include "actions/superaction.h"
#include "app/camcorders.h"
#include "app/camform.h"
#include "sources_fixture.h"
#include "ui/fitting.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// What a window manager's borders and title bar take from a screen.
constexpr QSize kFrame(8, 40);

struct WindowSize {
  const char *name;
  QSize size;  // empty: the window's minimum
};
const WindowSize kSizes[] = {{"minimum", {}}, {"1024x600", QSize(1024, 600) - kFrame}, {"1280x800", QSize(1280, 800) - kFrame}};

QString Where(const QWidget *w) {
  QStringList chain;
  for (const QWidget *p = w; p; p = p->isWindow() ? nullptr : p->parentWidget())
    chain.prepend(p->objectName().isEmpty() ? p->metaObject()->className() : p->objectName());
  return chain.join('/');
}

int TextWidth(const QWidget *w, const QString &text) {
  return w->fontMetrics().size(Qt::TextShowMnemonic, text).width();
}

// The room `w` needs for its own caption (a zero height: one line, which
// the layout always gives); empty when it shows no caption.
std::optional<std::pair<QString, QSize>> Needs(const QWidget *w) {
  if (const auto *l = qobject_cast<const QLabel *>(w)) {
    if (l->text().isEmpty()) return std::nullopt;
    if (l->wordWrap()) return std::pair{l->text(), QSize(l->minimumSizeHint().width(), l->heightForWidth(l->width()))};
    return std::pair{l->text(), QSize(l->sizeHint().width(), 0)};
  }
  if (qobject_cast<const QCheckBox *>(w) || qobject_cast<const QRadioButton *>(w)) {
    const auto *b = static_cast<const QAbstractButton *>(w);
    if (b->hasHeightForWidth())
      return std::pair{b->text(), QSize(b->minimumSizeHint().width(), b->heightForWidth(b->width()))};
    return std::pair{b->text(), QSize(b->sizeHint().width(), 0)};
  }
  if (const auto *b = qobject_cast<const QAbstractButton *>(w)) {
    const auto *tool = qobject_cast<const QToolButton *>(w);
    if (b->text().isEmpty() || (tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly)) return std::nullopt;
    const bool icon = !b->icon().isNull() && (!tool || tool->toolButtonStyle() != Qt::ToolButtonTextOnly);
    const int margin = w->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w);
    return std::pair{b->text(), QSize(TextWidth(w, b->text()) + margin + (icon ? b->iconSize().width() : 0), 0)};
  }
  return std::nullopt;
}

// The captions under `root` that cannot be read whole, one line each.
QStringList CutCaptions(const QWidget *root) {
  QStringList cuts;
  auto shown = [](const QWidget *w) { return w->isVisible(); };
  for (const QWidget *w : root->findChildren<QWidget *>()) {
    if (!shown(w)) continue;
    if (const auto *bar = qobject_cast<const QTabBar *>(w)) {
      for (int i = 0; i < bar->count(); ++i) {
        if (!bar->isTabVisible(i)) continue;
        const QRect tab = bar->tabRect(i);
        if (tab.width() < TextWidth(bar, bar->tabText(i)) || tab.right() >= bar->width() || tab.left() < 0)
          cuts << QString("%1: tab \"%2\" at %3..%4 of %5")
                      .arg(Where(bar), bar->tabText(i))
                      .arg(tab.left())
                      .arg(tab.right())
                      .arg(bar->width());
      }
      continue;
    }
    const auto need = Needs(w);
    if (!need) continue;
    const auto &[text, size] = *need;
    if (size.width() > w->width() || size.height() > w->height())
      cuts << QString("%1 \"%2\": needs %3x%4, has %5x%6")
                  .arg(Where(w), text)
                  .arg(size.width())
                  .arg(size.height())
                  .arg(w->width())
                  .arg(w->height());
    // Nor may a parent cut it: every ancestor holds the whole of it.
    for (const QWidget *p = w->parentWidget(); p && p != root->window()->parentWidget(); p = p->parentWidget()) {
      const QRect inside(w->mapTo(p, QPoint(0, 0)), w->size());
      if (!p->rect().contains(inside)) {
        cuts << QString("%1 \"%2\": outside %3").arg(Where(w), text, Where(p));
        break;
      }
      if (p->isWindow()) break;
    }
  }
  return cuts;
}

void Settle(TCaptureForm &form, QSize size) {
  form.resize(size.isEmpty() ? form.minimumSize() : size);
  SpinFor(60);
}

// With VISTREL_PANEL_SHOTS set to a folder, each panel and page checked is
// also saved there as the window shows it, to be looked at.
void Shoot(TCaptureForm &form, const QString &name) {
  const QString folder = qEnvironmentVariable("VISTREL_PANEL_SHOTS");
  if (folder.isEmpty()) return;
  form.grab().save(QString("%1/%2x%3-%4.png").arg(folder).arg(form.width()).arg(form.height()).arg(name));
}

QStringList EveryPanelCut(TCaptureForm &form) {
  QStringList cuts;
  for (int n = 0; n < kPanelCount; ++n) {
    form.AfficherPanneau(n);
    SpinFor(20);
    TPanelFrame *panel = form.Panel(n);
    const QList<QTabWidget *> tabs = panel->findChildren<QTabWidget *>();
    if (tabs.isEmpty()) {
      cuts << CutCaptions(panel);
      Shoot(form, panel->objectName());
    }
    for (QTabWidget *t : tabs)
      for (int i = 0; i < t->count(); ++i) {
        if (!t->isTabVisible(i)) continue;
        t->setCurrentIndex(i);
        SpinFor(20);
        cuts << CutCaptions(panel);
        Shoot(form, panel->objectName() + "-" + t->tabText(i));
      }
  }
  cuts.removeDuplicates();
  return cuts;
}

std::string Text(const QRect &r) {
  return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

QRect Global(const QWidget *w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }

// Capture, Cut, Grab! and Schedule under the video.
QStringList CockpitCoveredBy(TCaptureForm &form, const QWidget *tool) {
  QStringList covered;
  for (const char *name : {"btnCapturer", "btnCouper", "btnGrab", "btnProgrammer"}) {
    const auto *b = form.findChild<QToolButton *>(name);
    if (b && tool->frameGeometry().intersects(Global(b))) covered << QString(name) + " " + Text(Global(b)).c_str();
  }
  return covered;
}

}  // namespace

TEST(PanelText, TheSmallestWindowFitsA1024x600Screen) {
  StartedWindow w;
  const QSize least = w.form.minimumSize();
  EXPECT_LE(least.width(), 1024 - kFrame.width());
  EXPECT_LE(least.height(), 600 - kFrame.height());
}

TEST(PanelText, EveryPanelAndPageShowsItsCaptionsWholeAtEveryWindowSize) {
  StartedWindow w;
  for (const WindowSize &s : kSizes) {
    SCOPED_TRACE(s.name);
    Settle(w.form, s.size);
    const QStringList cuts = EveryPanelCut(w.form);
    EXPECT_TRUE(cuts.isEmpty()) << cuts.join("\n").toStdString();
  }
}

TEST(PanelText, ThePanelColumnGrowsWithTheWindowUpToAReadableWidth) {
  StartedWindow w;
  auto *stack = w.form.findChild<QStackedWidget *>("PanelStack");
  ASSERT_NE(stack, nullptr);
  Settle(w.form, {});
  const int least = stack->width();
  Settle(w.form, QSize(1280, 800) - kFrame);
  const int large = stack->width();
  EXPECT_GT(large, least) << "a larger window gives the panels room too, not only the video";
  Settle(w.form, QSize(2400, 1000));
  EXPECT_LE(stack->width(), stack->maximumWidth());
  EXPECT_LT(stack->width(), w.form.width() / 3) << "the video keeps most of a wide window";
}

TEST(PanelText, PathFieldsShowBothEndsOfALongPathWithTheWholeAsTooltip) {
  StartedWindow w;
  Settle(w.form, {});
  w.form.AfficherPanneau(1);
  SpinFor(20);
  const QString path = "/home/someone/Videos/" + QString("a-rather-long-folder-name/").repeated(4) + "the-end";
  for (QLineEdit *edit : {w.form.leVideoDirectory, w.form.leQuorrel, w.form.lePluginsDir,
                          w.form.DossiersFrame->findChild<QLineEdit *>("edImageDirectory")}) {
    ASSERT_NE(edit, nullptr);
    SCOPED_TRACE(edit->objectName().toStdString());
    edit->setText(path);
    const QString shown = ui::ShownText(edit);
    EXPECT_NE(shown, path);
    EXPECT_TRUE(shown.startsWith("/home/")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("the-end")) << shown.toStdString();
    EXPECT_LE(TextWidth(edit, shown), edit->width());
    EXPECT_TRUE(edit->toolTip().startsWith(path)) << edit->toolTip().toStdString();
    edit->setText("/tmp");
    EXPECT_EQ(ui::ShownText(edit), "/tmp") << "a short path is shown as it is";
  }
  for (QPushButton *b : w.form.DossiersFrame->findChildren<QPushButton *>())
    if (b->text() == "...") {
      EXPECT_LE(b->width(), 3 * TextWidth(b, b->text())) << "a \"...\" button takes no room from its field";
    }
}

TEST(PanelText, ToolWindowsShowTheirCaptionsAndOpenClearOfTheCockpit) {
  for (const WindowSize &s : kSizes) {
    SCOPED_TRACE(s.name);
    StartedWindow w;
    w.form.move(0, 0);
    Settle(w.form, s.size);
    w.form.Action("taraccourcis")->ExecuteInteractive();
    SpinFor(50);
    ASSERT_TRUE(w.raccourcis.isVisible());
    EXPECT_EQ(CockpitCoveredBy(w.form, &w.raccourcis).join(", ").toStdString(), "")
        << "the shortcuts window at " << Text(w.raccourcis.frameGeometry()) << " over " << Text(w.form.frameGeometry());
    QStringList cuts = CutCaptions(&w.raccourcis);
    w.raccourcis.hide();

    w.Choose(w.VideoBox(), "DV Source - Video");
    SpinFor(50);
    TcamForm *cam = w.form.Camescopes()->Fenetre(1);
    ASSERT_TRUE(cam->isVisible());
    EXPECT_EQ(CockpitCoveredBy(w.form, cam).join(", ").toStdString(), "")
        << "the camcorder window at " << Text(cam->frameGeometry()) << " over " << Text(w.form.frameGeometry());
    cuts << CutCaptions(cam);
    EXPECT_TRUE(cuts.isEmpty()) << cuts.join("\n").toStdString();
  }
}
