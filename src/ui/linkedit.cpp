#include "ui/linkedit.h"

#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolTip>

namespace vistrel::ui {

namespace {

QColor ToQColor(quint32 bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

quint32 FromQColor(const QColor &c) {
  return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

QTextCharFormat FormatOf(const TextAttributes &a) {
  QTextCharFormat f;
  f.setFontWeight(a.bold ? QFont::Bold : QFont::Normal);
  f.setFontItalic(a.italic);
  f.setFontUnderline(a.underline);
  f.setFontStrikeOut(a.strikeOut);
  f.setForeground(ToQColor(a.color));
  // A size of 0 (a SIZE tag without a number) keeps the control's size rather
  // than making the text invisible.
  if (a.size > 0) f.setFontPointSize(a.size);
  f.setFontFamilies({a.font});
  return f;
}

}  // namespace

TLinkEdit::TLinkEdit(QWidget *parent) : QTextEdit(parent) {
  setReadOnly(true);
  setMouseTracking(true);
  viewport()->setMouseTracking(true);
  setFrameShape(QFrame::NoFrame);
}

MarkupStyle TLinkEdit::Style() const {
  MarkupStyle s;
  s.base.font = font().family();
  s.base.size = font().pointSize() > 0 ? font().pointSize() : 8;
  s.base.color = FromQColor(palette().color(QPalette::Text));
  s.urlColor = UrlColor;
  s.mailColor = MailColor;
  s.linkColor = LinkColor;
  s.alignment = Alignment;
  return s;
}

void TLinkEdit::SetRichText(const QString &markup) {
  if (markup.isEmpty()) return;
  source_ = markup;
  const bool wasEnabled = isEnabled();
  setEnabled(false);
  rendered_ = RenderMarkup(source_, Style());
  Apply();
  setEnabled(wasEnabled);
}

void TLinkEdit::Apply() {
  clear();
  QTextCursor cursor(document());
  QTextBlockFormat block;
  block.setAlignment(Alignment);
  cursor.setBlockFormat(block);
  int brk = 0;
  for (const MarkupRun &run : rendered_.runs) {
    const QTextCharFormat format = FormatOf(run.attr);
    const QString text = rendered_.plain.mid(run.start, run.length);
    const QStringList parts = text.split(QStringLiteral("\r\n"));
    for (int i = 0; i < parts.size(); ++i) {
      if (i > 0) {
        block.setAlignment(brk < rendered_.breaks.size() ? rendered_.breaks[brk++] : Alignment);
        cursor.insertBlock(block, format);
      }
      if (!parts[i].isEmpty()) cursor.insertText(parts[i], format);
    }
  }
}

bool TLinkEdit::ClickAt(int position) {
  const auto span = SpanAtPosition(position);
  if (!span) return false;
  switch (span->kind) {
    case SpanKind::Url:
      if (OnUrlClick) OnUrlClick(span->target);
      emit urlClicked(span->target);
      break;
    case SpanKind::Mail:
      if (OnMailClick) OnMailClick(span->target);
      emit mailClicked(span->target);
      break;
    case SpanKind::Link:
      if (OnCustomLinkClick) OnCustomLinkClick(span->target);
      emit customLinkClicked(span->target);
      break;
    case SpanKind::None:
      return false;
  }
  return true;
}

QString TLinkEdit::HintAt(int position) const {
  const auto span = SpanAtPosition(position);
  if (!span) return {};
  const auto &hint = span->kind == SpanKind::Url    ? OnUrlHint
                     : span->kind == SpanKind::Mail ? OnMailHint
                                                    : OnCustomLinkHint;
  return hint ? hint(span->target) : QString();
}

void TLinkEdit::mouseMoveEvent(QMouseEvent *e) {
  QTextEdit::mouseMoveEvent(e);
  const int position = cursorForPosition(e->position().toPoint()).position();
  const bool over = SpanAtPosition(position).has_value();
  if (over)
    viewport()->setCursor(Qt::PointingHandCursor);
  else if (UseInternalCursor)
    viewport()->setCursor(Qt::ArrowCursor);
  else
    viewport()->unsetCursor();
  const QString hint = over ? HintAt(position) : QString();
  setToolTip(hint);
  if (hint.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(e->globalPosition().toPoint(), hint, this);
}

void TLinkEdit::mouseReleaseEvent(QMouseEvent *e) {
  QTextEdit::mouseReleaseEvent(e);
  ClickAt(cursorForPosition(e->position().toPoint()).position());
}

}  // namespace vistrel::ui
