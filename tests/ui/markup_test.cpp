// The markup renderer and TLinkEdit: plain text, attribute runs, paragraph
// alignment, clickable spans.
#include "ui/linkedit.h"
#include "ui/markup.h"

#include <QTextBlock>
#include <gtest/gtest.h>

using namespace vistrel::ui;

namespace {

MarkupStyle Base() {
  MarkupStyle s;
  s.base.size = 9;
  s.base.color = 0x123456;
  s.base.font = "Base";
  s.urlColor = 0xFF0000;
  return s;
}

// The attributes in force at a plain-text position.
TextAttributes At(const RenderedMarkup &r, int pos) {
  for (const MarkupRun &run : r.runs)
    if (pos >= run.start && pos < run.start + run.length) return run.attr;
  ADD_FAILURE() << "no run at " << pos;
  return {};
}

}  // namespace

TEST(Markup, BoldWordAmongPlainWords) {
  const RenderedMarkup r = RenderMarkup("one <b>two</B> three", Base());
  EXPECT_EQ(r.plain, "one two three");
  EXPECT_FALSE(At(r, 0).bold);
  EXPECT_TRUE(At(r, 4).bold);
  EXPECT_TRUE(At(r, 6).bold);
  EXPECT_FALSE(At(r, 8).bold);
  int covered = 0;
  for (const MarkupRun &run : r.runs) {
    EXPECT_EQ(run.start, covered) << "runs cover the text in order";
    covered += run.length;
  }
  EXPECT_EQ(covered, r.plain.size());
}

TEST(Markup, BreaksAndTheirAlignment) {
  const RenderedMarkup r = RenderMarkup("a<BR CENTER>b<br>c<Br right>", Base());
  EXPECT_EQ(r.plain, "a\r\nb\r\nc\r\n");
  ASSERT_EQ(r.breaks.size(), 3);
  EXPECT_EQ(r.breaks[0], Qt::AlignHCenter);
  EXPECT_EQ(r.breaks[1], Qt::AlignLeft) << "a bare break uses the control's alignment";
  EXPECT_EQ(r.breaks[2], Qt::AlignRight);
  EXPECT_EQ(RenderMarkup("a<BRX>b", Base()).plain, "ab");
}

TEST(Markup, UnknownTagsVanishAndChangeNothing) {
  const RenderedMarkup r = RenderMarkup("x<blink>y<color nosuch>z", Base());
  EXPECT_EQ(r.plain, "xyz");
  EXPECT_EQ(At(r, 1), Base().base);
  EXPECT_EQ(At(r, 2).color, 0x123456u);
}

TEST(Markup, SizeColourFontAndTheirClosingTags) {
  const RenderedMarkup r =
      RenderMarkup("<size 14>a<size big>b</size>c<color red>d</color>e<font mono>f</font>g<s><u>h", Base());
  EXPECT_EQ(r.plain, "abcdefgh");
  EXPECT_EQ(At(r, 0).size, 14);
  EXPECT_EQ(At(r, 1).size, 0) << "a size that is not a number is 0";
  EXPECT_EQ(At(r, 2).size, 9);
  EXPECT_EQ(At(r, 3).color, 0x0000FFu);
  EXPECT_EQ(At(r, 4).color, 0x123456u);
  EXPECT_EQ(At(r, 5).font, "MONO");
  EXPECT_EQ(At(r, 6).font, "Base");
  EXPECT_TRUE(At(r, 7).strikeOut && At(r, 7).underline);
  EXPECT_EQ(MarkupColor("SKYBLUE"), 0xF0CAA6u);
  EXPECT_FALSE(MarkupColor("sky"));
}

TEST(Markup, SpansKeepTheirWrittenTargetAndRestoreTheStyle) {
  const RenderedMarkup r =
      RenderMarkup("<b>go<br><URL  Http://Example.org/A >here</url> <mail a@b.c>me</mail>", Base());
  EXPECT_EQ(r.plain, "go\r\nhere me");
  ASSERT_EQ(r.spans.size(), 2);
  EXPECT_EQ(r.spans[0].kind, SpanKind::Url);
  EXPECT_EQ(r.spans[0].target, "Http://Example.org/A");
  EXPECT_EQ(r.spans[0].start, 3) << "a break counts one position for the widget";
  EXPECT_EQ(r.spans[0].end, 7);
  EXPECT_EQ(At(r, 4).color, 0xFF0000u);
  EXPECT_TRUE(At(r, 4).underline);
  EXPECT_TRUE(At(r, 4).bold);
  EXPECT_FALSE(At(r, 8).underline) << "style restored after the span";
  EXPECT_EQ(At(r, 8).color, 0x123456u);
  EXPECT_EQ(SpanAt(r, 8)->target, "a@b.c");
  EXPECT_FALSE(SpanAt(r, 7));
  EXPECT_FALSE(SpanAt(r, 0));
}

TEST(Markup, AngleBracketsInsideTagsAndUnclosedTags) {
  EXPECT_EQ(RenderMarkup("a<<b>c", Base()).plain, "a<c");
  EXPECT_EQ(RenderMarkup("a<b", Base()).plain, "a");
  EXPECT_EQ(RenderMarkup("a>b", Base()).plain, "a>b");
  const RenderedMarkup open = RenderMarkup("<link x>tail", Base());
  ASSERT_EQ(open.spans.size(), 1);
  EXPECT_EQ(open.spans[0].end, 4) << "an unclosed span runs to the end";
}

TEST(Markup, HtmlForMessageBoxes) {
  const QString html = MarkupToHtml("a <b>&</b><br center>c");
  EXPECT_TRUE(html.contains("font-weight:bold"));
  EXPECT_TRUE(html.contains("&amp;"));
  EXPECT_TRUE(html.contains("align=\"center\""));
}

TEST(LinkEdit, RendersParagraphsAndReportsClicksAndHints) {
  TLinkEdit edit;
  edit.SetRichText("Top<br center><b>mid</b> <link help>go</link>");
  EXPECT_EQ(edit.toPlainText(), "Top\nmid go");
  EXPECT_TRUE(edit.isEnabled());
  const QTextBlock second = edit.document()->firstBlock().next();
  EXPECT_EQ(second.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  QTextCursor c(edit.document());
  c.setPosition(5);
  EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);

  QString clicked;
  edit.OnCustomLinkClick = [&](const QString &t) { clicked = t; };
  edit.OnCustomLinkHint = [](const QString &t) { return "open " + t; };
  EXPECT_FALSE(edit.ClickAt(1));
  EXPECT_TRUE(edit.ClickAt(9));
  EXPECT_EQ(clicked, "help");
  EXPECT_EQ(edit.HintAt(9), "open help");
  EXPECT_EQ(edit.HintAt(2), "");

  edit.SetRichText("");
  EXPECT_EQ(edit.toPlainText(), "Top\nmid go") << "an empty text changes nothing";
}
