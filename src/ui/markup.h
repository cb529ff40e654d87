#pragma once
// The small tag markup of the program's messages, help and about texts:
// <B>, <I>, <U>, <S> and their closing tags, <COLOR name>, <SIZE n>, <FONT name>,
// clickable <URL t>, <MAIL t>, <LINK t> spans and <BR [LEFT|RIGHT|CENTER]>.
// Rendering gives the plain text and the attribute runs; widgets apply them.
#include <QList>
#include <QString>
#include <Qt>

#include <optional>

namespace vistrel::ui {

struct TextAttributes {
  bool bold = false, italic = false, underline = false, strikeOut = false;
  quint32 color = 0;  // 0x00BBGGRR
  int size = 8;       // points
  QString font = QStringLiteral("Arial");
  bool operator==(const TextAttributes &) const = default;
};

enum class SpanKind { None, Url, Mail, Link };

struct MarkupStyle {
  TextAttributes base;  // the control's font: what the closing tags return to
  quint32 urlColor = 0x800000, mailColor = 0x800000, linkColor = 0x800000;  // navy
  Qt::Alignment alignment = Qt::AlignLeft;  // of a bare <BR>
};

// A stretch of plain text with the attributes in force there. Positions count
// a line break as two characters (CR LF), as the plain text holds it.
struct MarkupRun {
  int start = 0, length = 0;
  TextAttributes attr;
};

// A clickable span. Positions count a line break as one character, as a text
// widget counts them.
struct MarkupSpan {
  SpanKind kind = SpanKind::None;
  QString target;  // the tag argument, trimmed, as written
  int start = 0, end = 0;  // [start, end)
};

struct RenderedMarkup {
  QString plain;                    // tags removed, <BR> as CR LF
  QList<MarkupRun> runs;            // covering the plain text in order
  QList<Qt::Alignment> breaks;      // alignment of the paragraph after each <BR>
  QList<MarkupSpan> spans;          // in the order they start
};

RenderedMarkup RenderMarkup(const QString &source, const MarkupStyle &style);

// The innermost span holding a widget position (line break = 1), if any.
std::optional<MarkupSpan> SpanAt(const RenderedMarkup &r, int position);

// Colour by upper-case name, 0x00BBGGRR; nullopt for a name not in the table.
std::optional<quint32> MarkupColor(const QString &upperName);

// The markup as Qt rich text (HTML), for message boxes.
QString MarkupToHtml(const QString &source);

}  // namespace vistrel::ui
