#include "app/status_panel.h"

#include <QPainter>

namespace vistrel {

namespace {

constexpr int kSuffixGap = 3;

}  // namespace

TStatusPanel::TStatusPanel(const QString &designText, QWidget *parent) : QLabel(parent), main_(designText) {
  QLabel::setText(designText);
  setMinimumWidth(40);
}

void TStatusPanel::SetTexts(const QString &text, const QColor &colour, const QString &redSuffix) {
  if (text == main_ && colour == colour_ && redSuffix == suffix_) return;
  main_ = text;
  colour_ = colour;
  suffix_ = redSuffix;
  QLabel::setText(text + redSuffix);
  update();
}

void TStatusPanel::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  const QFontMetrics fm = fontMetrics();
  const int mainWidth = fm.horizontalAdvance(main_);
  const int total = fm.horizontalAdvance(main_ + suffix_);
  const int x = (width() - total) / 2;
  const int y = (height() - fm.height()) / 2 + fm.ascent();
  p.setPen(colour_);
  p.drawText(x, y, main_);
  if (suffix_.isEmpty()) return;
  p.setPen(Qt::red);
  p.drawText(x + mainWidth + kSuffixGap, y, suffix_);
}

}  // namespace vistrel
