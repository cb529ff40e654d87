#pragma once
// One line of inlay text rendered once with its black outline into a small
// premultiplied sprite, then blended onto each frame. The sprite is rebuilt
// only when the text or the font changes, so a steady inlay costs one blend
// per line per frame.
#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>

#include "filters/picturelayout.h"

namespace vistrel::filters {

class TextSprite {
 public:
  // Re-renders when anything differs from the last call.
  void Update(const QString &text, const QFont &font, std::uint32_t colorBgr, int border, int fontGeneration);
  // Width of the text itself (without the outline).
  int TextWidth() const { return textWidth_; }
  // The drawn pixels, outline and italic overhang included, relative to the
  // text cell's top-left corner; right and bottom are one past the last.
  struct Ink {
    int left = 0, top = 0, right = 0, bottom = 0;
  };
  const Ink &Inked() const { return ink_; }
  // Blends the sprite so that the text cell's top-left corner is at (x, y),
  // in the picture's own layout.
  void BlendOnto(GstVideoFrame &frame, int x, int y);
  bool Empty() const { return text_.isEmpty(); }

 private:
  QString text_;
  int generation_ = -1;
  int border_ = -1;
  std::uint32_t color_ = 0;
  int textWidth_ = 0;
  Ink ink_;
  QImage sprite_;  // ARGB32 premultiplied, includes the outline margin
  int renders_ = 0;
  LayoutSprite inLayout_;  // sprite_ in the components of the last picture's layout
};

}  // namespace vistrel::filters
