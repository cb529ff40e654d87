#include "ui/fitting.h"

#include <QEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyleOptionFrame>

namespace vistrel::ui {

int TypicalCharWidth(const QFontMetrics &fm) { return fm.horizontalAdvance(QLatin1Char('n')); }

int WrapMinimumWidth(const QFontMetrics &fm, const QString &text) {
  const QString plain = QString(text).remove('&');
  int longest = 0;
  for (const QString &word : plain.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
    longest = std::max(longest, fm.horizontalAdvance(word));
  const int whole = fm.horizontalAdvance(plain);
  return std::min(whole, std::max(longest, kWrapMinChars * TypicalCharWidth(fm)));
}

int WrappedHeight(const QFontMetrics &fm, const QString &text, int width) {
  return fm.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap | Qt::TextShowMnemonic, text).height();
}

namespace {

// QLineEdit keeps this much room between its frame and its text.
constexpr int kLineEditMargin = 2;

QStyleOptionFrame FrameOption(const QLineEdit *edit) {
  QStyleOptionFrame opt;
  opt.initFrom(edit);
  opt.rect = edit->rect();
  opt.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
  opt.midLineWidth = 0;
  opt.state |= QStyle::State_Sunken;
  if (edit->isReadOnly()) opt.state |= QStyle::State_ReadOnly;
  opt.features = QStyleOptionFrame::None;
  return opt;
}

QRect TextRect(const QLineEdit *edit) {
  const QStyleOptionFrame opt = FrameOption(edit);
  QRect r = edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit);
  r = r.marginsRemoved(edit->textMargins());
  return r.adjusted(kLineEditMargin, 0, -kLineEditMargin, 0);
}

class MiddleElider : public QObject {
 public:
  explicit MiddleElider(QLineEdit *edit) : QObject(edit), edit_(edit), description_(edit->toolTip()) {
    setObjectName("MiddleElider");
    connect(edit, &QLineEdit::textChanged, this, &MiddleElider::UpdateTip);
    UpdateTip();
    edit->installEventFilter(this);
  }

  QString Shown() const {
    if (edit_->hasFocus()) return edit_->text();
    return edit_->fontMetrics().elidedText(edit_->text(), Qt::ElideMiddle, TextRect(edit_).width());
  }

  bool eventFilter(QObject *watched, QEvent *e) override {
    if (watched != edit_ || e->type() != QEvent::Paint) return false;
    const QString shown = Shown();
    if (shown == edit_->text()) return false;  // the line edit's own painting, cursor and all
    QPainter p(edit_);
    const QStyleOptionFrame opt = FrameOption(edit_);
    edit_->style()->drawPrimitive(QStyle::PE_PanelLineEdit, &opt, &p, edit_);
    p.setPen(edit_->palette().color(edit_->isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    p.drawText(TextRect(edit_), Qt::AlignVCenter | Qt::AlignLeft, shown);
    return true;
  }

 private:
  void UpdateTip() {
    const QString path = edit_->text();
    edit_->setToolTip(path.isEmpty() ? description_
                                     : description_.isEmpty() ? path : path + "\n" + description_);
  }

  QLineEdit *edit_;
  QString description_;
};

// The helper is found by its name: it has no meta-object of its own.
const MiddleElider *EliderOf(const QLineEdit *edit) {
  return static_cast<const MiddleElider *>(edit->findChild<QObject *>("MiddleElider", Qt::FindDirectChildrenOnly));
}

}  // namespace

void ElideMiddle(QLineEdit *edit) {
  if (edit && !EliderOf(edit)) new MiddleElider(edit);
}

QString ShownText(const QLineEdit *edit) {
  const MiddleElider *elider = EliderOf(edit);
  return elider ? elider->Shown() : edit->text();
}

void FitToText(QAbstractButton *button) {
  QStyleOptionButton opt;
  opt.initFrom(button);
  opt.text = button->text();
  const QStyle *style = button->style();
  const QFontMetrics fm = button->fontMetrics();
  const int chrome = style->pixelMetric(QStyle::PM_ButtonMargin, &opt, button) +
                     2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, button) + fm.averageCharWidth();
  button->setFixedWidth(fm.size(Qt::TextShowMnemonic, button->text()).width() + chrome);
}

}  // namespace vistrel::ui
