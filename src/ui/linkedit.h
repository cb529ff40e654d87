#pragma once
// TLinkEdit: a read-only rich-text control that shows text written in the
// program's tag markup (see markup.h) and reports clicks and hovering over its
// web-address, mail-address and custom-link spans.
#include "ui/markup.h"

#include <QTextEdit>

#include <functional>

namespace vistrel::ui {

class TLinkEdit : public QTextEdit {
  Q_OBJECT
 public:
  explicit TLinkEdit(QWidget *parent = nullptr);

  // Setting the text renders it; an empty text changes nothing.
  void SetRichText(const QString &markup);
  QString RichText() const { return source_; }

  Qt::Alignment Alignment = Qt::AlignLeft;
  quint32 UrlColor = 0x800000, MailColor = 0x800000, LinkColor = 0x800000;  // 0x00BBGGRR
  bool UseInternalCursor = true;

  std::function<void(const QString &)> OnUrlClick, OnMailClick, OnCustomLinkClick;
  std::function<QString(const QString &)> OnUrlHint, OnMailHint, OnCustomLinkHint;

  // The rendering of the current text (plain text, runs, spans).
  const RenderedMarkup &Rendered() const { return rendered_; }
  // The span at a document position, as a click there would find it.
  std::optional<MarkupSpan> SpanAtPosition(int position) const { return SpanAt(rendered_, position); }
  // Runs the click handler of the span at a document position; false if none.
  bool ClickAt(int position);
  // The hint shown over a document position (empty when none).
  QString HintAt(int position) const;

 signals:
  void urlClicked(const QString &target);
  void mailClicked(const QString &target);
  void customLinkClicked(const QString &target);

 protected:
  void mouseMoveEvent(QMouseEvent *e) override;
  void mouseReleaseEvent(QMouseEvent *e) override;

 private:
  MarkupStyle Style() const;
  void Apply();

  QString source_;
  RenderedMarkup rendered_;
};

}  // namespace vistrel::ui
