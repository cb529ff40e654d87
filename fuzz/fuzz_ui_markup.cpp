// Feeds arbitrary text to the markup renderer: the runs must cover the plain
// text exactly and every span must lie inside the widget's text.
#include "ui/markup.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using namespace vistrel::ui;
  const QString source = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
  const RenderedMarkup r = RenderMarkup(source, MarkupStyle{});
  int covered = 0;
  for (const MarkupRun &run : r.runs) {
    if (run.start != covered || run.length <= 0) __builtin_trap();
    covered += run.length;
  }
  if (covered != r.plain.size()) __builtin_trap();
  const int widgetLength = int(r.plain.size()) - int(r.breaks.size());
  for (const MarkupSpan &s : r.spans)
    if (s.start < 0 || s.start > s.end || s.end > widgetLength) __builtin_trap();
  for (int p = 0; p <= widgetLength && p < 64; ++p) (void)SpanAt(r, p);
  (void)MarkupToHtml(source);
  return 0;
}
