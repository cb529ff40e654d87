#include "ui/markup.h"

#include <QGuiApplication>
#include <QPalette>

namespace vistrel::ui {

namespace {

struct Tag {
  QString name;      // upper case
  QString argument;  // upper case
  QString written;   // the argument as written, trimmed
};

Tag ParseTag(const QString &text) {
  Tag t;
  const qsizetype space = text.indexOf(u' ');
  const QString up = text.toUpper();
  t.name = space < 0 ? up : up.left(space);
  if (space >= 0) {
    t.argument = up.mid(space + 1);
    t.written = text.mid(space + 1).trimmed();
  }
  return t;
}

quint32 SystemColor(QPalette::ColorRole role, quint32 fallback) {
  if (!qGuiApp) return fallback;
  const QColor c = QGuiApplication::palette().color(role);
  return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

bool IsBreak(const QString &upperTag) { return upperTag == u"BR" || upperTag.startsWith(u"BR "); }

// Walks the source once, calling onText for every literal character and
// onTag for every complete tag text. Inside a tag a second "<" is literal text.
template <typename OnText, typename OnTag>
void Walk(const QString &source, OnText onText, OnTag onTag) {
  bool inTag = false;
  QString tag;
  for (const QChar c : source) {
    if (!inTag) {
      if (c == u'<') {
        inTag = true;
        tag.clear();
      } else {
        onText(c);
      }
    } else if (c == u'<') {
      onText(c);
    } else if (c == u'>') {
      inTag = false;
      onTag(tag);
    } else {
      tag.append(c);
    }
  }
}

}  // namespace

std::optional<quint32> MarkupColor(const QString &n) {
  static const struct {
    const char *name;
    quint32 value;
  } kColors[] = {{"RED", 0x0000FF},        {"GREEN", 0x008000},     {"YELLOW", 0x00FFFF},
                 {"BLUE", 0xFF0000},       {"BLACK", 0x000000},     {"WHITE", 0xFFFFFF},
                 {"AQUA", 0xFFFF00},       {"DKGRAY", 0x808080},    {"OLIVE", 0x008080},
                 {"PURPLE", 0x800080},     {"FUCHSIA", 0xFF00FF},   {"GRAY", 0x808080},
                 {"LIME", 0x00FF00},       {"MAROON", 0x000080},    {"NAVY", 0x800000},
                 {"LTGRAY", 0xC0C0C0},     {"MEDGRAY", 0xA4A0A0},   {"SILVER", 0xC0C0C0},
                 {"TEAL", 0x808000},       {"MONEYGREEN", 0xC0DCC0}, {"CREAM", 0xF0FBFF},
                 {"SKYBLUE", 0xF0CAA6}};
  for (const auto &c : kColors)
    if (n == QLatin1String(c.name)) return c.value;
  if (n == u"BTNFACE") return SystemColor(QPalette::Button, 0xF0F0F0);
  if (n == u"APPWORKSPACE") return SystemColor(QPalette::Dark, 0xABABAB);
  return std::nullopt;
}

RenderedMarkup RenderMarkup(const QString &source, const MarkupStyle &style) {
  RenderedMarkup out;
  // First pass: the plain text.
  Walk(
      source, [&](QChar c) { out.plain.append(c); },
      [&](const QString &tag) {
        if (IsBreak(tag.toUpper())) out.plain.append(u"\r\n");
      });

  // Second pass: attributes, breaks and spans.
  TextAttributes attr = style.base;
  struct Open {
    SpanKind kind;
    QString target;
    int start;
    quint32 color;
    TextAttributes style;
  };
  QList<Open> open;
  int pos = 0, widgetPos = 0, runStart = 0;
  Walk(
      source,
      [&](QChar) {
        ++pos;
        ++widgetPos;
      },
      [&](const QString &text) {
        const Tag tag = ParseTag(text);
        const bool brk = IsBreak(text.toUpper());
        if (brk) {
          pos += 2;
          ++widgetPos;
        }
        if (pos > runStart) out.runs.append({runStart, pos - runStart, attr});
        runStart = pos;
        const QString &n = tag.name;
        if (n == u"B") attr.bold = true;
        else if (n == u"/B") attr.bold = false;
        else if (n == u"I") attr.italic = true;
        else if (n == u"/I") attr.italic = false;
        else if (n == u"U") attr.underline = true;
        else if (n == u"/U") attr.underline = false;
        else if (n == u"S") attr.strikeOut = true;
        else if (n == u"/S") attr.strikeOut = false;
        else if (n == u"COLOR") attr.color = MarkupColor(tag.argument).value_or(attr.color);
        else if (n == u"/COLOR") attr.color = style.base.color;
        else if (n == u"SIZE") {
          bool ok = false;
          const int size = tag.argument.trimmed().toInt(&ok);
          attr.size = ok ? size : 0;
        } else if (n == u"/SIZE") attr.size = style.base.size;
        else if (n == u"FONT") attr.font = tag.argument;
        else if (n == u"/FONT") attr.font = style.base.font;
        else if (n == u"URL" || n == u"MAIL" || n == u"LINK") {
          const SpanKind kind = n == u"URL" ? SpanKind::Url : n == u"MAIL" ? SpanKind::Mail : SpanKind::Link;
          open.append({kind, tag.written, widgetPos, attr.color, attr});
          attr.color = kind == SpanKind::Url ? style.urlColor
                       : kind == SpanKind::Mail ? style.mailColor : style.linkColor;
          attr.underline = true;
        } else if (n == u"/URL" || n == u"/MAIL" || n == u"/LINK") {
          if (!open.isEmpty()) {
            const Open o = open.takeLast();
            out.spans.append({o.kind, o.target, o.start, widgetPos});
            const QString font = attr.font;
            const int size = attr.size;
            attr = o.style;  // colour and style bits as they were
            attr.font = font;
            attr.size = size;
          }
        } else if (brk) {
          const QString a = tag.argument.trimmed();
          out.breaks.append(a == u"LEFT"     ? Qt::AlignLeft
                            : a == u"RIGHT"  ? Qt::AlignRight
                            : a == u"CENTER" ? Qt::AlignHCenter
                                             : style.alignment);
        }
        // any other tag: no effect
      });
  if (pos > runStart) out.runs.append({runStart, pos - runStart, attr});
  while (!open.isEmpty()) {  // a span left open runs to the end
    const Open o = open.takeLast();
    out.spans.append({o.kind, o.target, o.start, widgetPos});
  }
  std::stable_sort(out.spans.begin(), out.spans.end(),
                   [](const MarkupSpan &a, const MarkupSpan &b) { return a.start < b.start; });
  return out;
}

std::optional<MarkupSpan> SpanAt(const RenderedMarkup &r, int position) {
  std::optional<MarkupSpan> best;
  for (const MarkupSpan &s : r.spans)
    if (position >= s.start && position < s.end && (!best || s.start >= best->start)) best = s;
  return best;
}

QString MarkupToHtml(const QString &source) {
  MarkupStyle style;
  style.base.size = 0;  // keep the box's own size unless a tag sets one
  const RenderedMarkup r = RenderMarkup(source, style);
  QString html;
  int brk = 0;
  auto esc = [](const QString &s) { return s.toHtmlEscaped(); };
  html += "<p>";
  for (const MarkupRun &run : r.runs) {
    const QString text = r.plain.mid(run.start, run.length);
    const QStringList parts = text.split(QStringLiteral("\r\n"));
    for (int i = 0; i < parts.size(); ++i) {
      if (i > 0) {
        const Qt::Alignment a = brk < r.breaks.size() ? r.breaks[brk++] : Qt::AlignLeft;
        html += QStringLiteral("</p><p align=\"%1\">")
                    .arg(a & Qt::AlignHCenter ? "center" : a & Qt::AlignRight ? "right" : "left");
      }
      if (parts[i].isEmpty()) continue;
      const TextAttributes &t = run.attr;
      QString css = QStringLiteral("color:#%1%2%3;")
                        .arg(t.color & 0xFF, 2, 16, QChar('0'))
                        .arg((t.color >> 8) & 0xFF, 2, 16, QChar('0'))
                        .arg((t.color >> 16) & 0xFF, 2, 16, QChar('0'));
      if (t.bold) css += "font-weight:bold;";
      if (t.italic) css += "font-style:italic;";
      if (t.underline || t.strikeOut)
        css += QStringLiteral("text-decoration:%1%2;")
                   .arg(t.underline ? " underline" : "", t.strikeOut ? " line-through" : "");
      if (t.size > 0) css += QStringLiteral("font-size:%1pt;").arg(t.size);
      html += QStringLiteral("<span style=\"%1\">%2</span>").arg(css, esc(parts[i]));
    }
  }
  html += "</p>";
  return html;
}

}  // namespace vistrel::ui
