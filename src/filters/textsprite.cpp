#include "filters/textsprite.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace vistrel::filters {

namespace {

// Square dilation of an alpha plane, done as a horizontal then a vertical
// running maximum: the same coverage as drawing the text at every offset of
// a (2B+1)x(2B+1) square.
std::vector<std::uint8_t> Dilate(const std::vector<std::uint8_t> &a, int w, int h, int r) {
  std::vector<std::uint8_t> tmp(a.size()), out(a.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t m = 0;
      for (int k = std::max(0, x - r); k <= std::min(w - 1, x + r); ++k) m = std::max(m, a[y * w + k]);
      tmp[y * w + x] = m;
    }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t m = 0;
      for (int k = std::max(0, y - r); k <= std::min(h - 1, y + r); ++k) m = std::max(m, tmp[k * w + x]);
      out[y * w + x] = m;
    }
  return out;
}

// The box of the pixels with any coverage, in the sprite's offset coordinates.
TextSprite::Ink InkOf(const QImage &sprite) {
  int left = sprite.width(), top = sprite.height(), right = 0, bottom = 0;
  for (int y = 0; y < sprite.height(); ++y) {
    const QRgb *row = reinterpret_cast<const QRgb *>(sprite.constScanLine(y));
    for (int x = 0; x < sprite.width(); ++x)
      if (qAlpha(row[x]) != 0) {
        left = std::min(left, x);
        right = std::max(right, x + 1);
        top = std::min(top, y);
        bottom = std::max(bottom, y + 1);
      }
  }
  if (right == 0) return {};  // spaces only
  const QPoint o = sprite.offset();
  return {left + o.x(), top + o.y(), right + o.x(), bottom + o.y()};
}

}  // namespace

void TextSprite::Update(const QString &text, const QFont &font, std::uint32_t colorBgr, int border,
                        int fontGeneration) {
  if (text == text_ && fontGeneration == generation_ && border == border_ && colorBgr == color_) return;
  text_ = text;
  ++renders_;
  generation_ = fontGeneration;
  border_ = border;
  color_ = colorBgr;
  if (text.isEmpty()) {
    sprite_ = QImage();
    textWidth_ = 0;
    ink_ = {};
    return;
  }
  const QFontMetrics fm(font);
  textWidth_ = fm.horizontalAdvance(text);
  const int b = std::max(0, border);
  // Italic overhang and antialiasing can reach past the advance width.
  const int pad = fm.averageCharWidth() / 2 + 1;
  const int w = textWidth_ + 2 * b + 2 * pad;
  const int h = fm.height() + 2 * b;
  QImage textLayer(w, h, QImage::Format_ARGB32_Premultiplied);
  textLayer.fill(Qt::transparent);
  {
    QPainter p(&textLayer);
    p.setFont(font);
    p.setPen(QColor(colorBgr & 0xFF, (colorBgr >> 8) & 0xFF, (colorBgr >> 16) & 0xFF));
    p.drawText(QPoint(b + pad, b + fm.ascent()), text);
  }
  sprite_ = textLayer;
  if (b > 0) {
    std::vector<std::uint8_t> alpha(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
      const QRgb *row = reinterpret_cast<const QRgb *>(textLayer.constScanLine(y));
      for (int x = 0; x < w; ++x) alpha[y * w + x] = static_cast<std::uint8_t>(qAlpha(row[x]));
    }
    const std::vector<std::uint8_t> outline = Dilate(alpha, w, h, b);
    for (int y = 0; y < h; ++y) {
      QRgb *row = reinterpret_cast<QRgb *>(sprite_.scanLine(y));
      for (int x = 0; x < w; ++x) {
        // Text over a black outline: colour stays the text's, alpha grows.
        const int at = qAlpha(row[x]);
        const int ao = outline[y * w + x];
        const int a = at + ao * (255 - at) / 255;
        row[x] = qRgba(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), a);
      }
    }
  }
  // Shift so that BlendOnto's (x, y) is the text cell's corner.
  sprite_.setOffset(QPoint(-(b + pad), -b));
  ink_ = InkOf(sprite_);
}

void TextSprite::BlendOnto(GstVideoFrame &frame, int x, int y) {
  if (sprite_.isNull()) return;
  inLayout_.Prepare(sprite_, renders_, frame.info);
  inLayout_.BlendOnto(frame, x + sprite_.offset().x(), y + sprite_.offset().y());
}

}  // namespace vistrel::filters
