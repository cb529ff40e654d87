#include "filters/bitmaps.h"

#include <algorithm>
#include <vector>

namespace vistrel::filters {

void MiroirRows(unsigned char *data, int width, int height, int stride) {
  for (int y = 0; y < height; ++y) {
    unsigned char *row = data + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < width / 2; ++x) {
      unsigned char *a = row + x * 3;
      unsigned char *b = row + (width - 1 - x) * 3;
      std::swap(a[0], b[0]);
      std::swap(a[1], b[1]);
      std::swap(a[2], b[2]);
    }
  }
}

void MiroirImage(QImage &bitmap) {
  if (bitmap.depth() != 24 || bitmap.isNull()) return;
  MiroirRows(bitmap.bits(), bitmap.width(), bitmap.height(), static_cast<int>(bitmap.bytesPerLine()));
}

void DesentrelacerImage(const QImage &source, QImage &target) {
  target = source.copy();
  if (source.depth() != 24 || source.isNull()) return;
  const int w = source.width(), h = source.height();
  std::vector<unsigned char> mask(static_cast<std::size_t>(w) * h, 0);
  for (int r = 1; r < h - 1; r += 2) {
    const unsigned char *above = source.constScanLine(r - 1);
    const unsigned char *at = source.constScanLine(r);
    const unsigned char *below = source.constScanLine(r + 1);
    for (int x = 0; x < w; ++x) {
      const int i = x * 3;
      const long d = 3L * (above[i + 2] - at[i + 2]) * (below[i + 2] - at[i + 2]) +
                     6L * (above[i + 1] - at[i + 1]) * (below[i + 1] - at[i + 1]) +
                     1L * (above[i] - at[i]) * (below[i] - at[i]);
      mask[static_cast<std::size_t>(r) * w + x] = d > 2000 ? 1 : 0;
    }
  }
  for (int r = 1; r < h - 1; r += 2) {
    const unsigned char *m = mask.data() + static_cast<std::size_t>(r) * w;
    const unsigned char *above = source.constScanLine(r - 1);
    const unsigned char *below = source.constScanLine(r + 1);
    unsigned char *out = target.scanLine(r);
    for (int x = 0; x < w; ++x) {
      if (!m[x]) continue;
      const bool neighbour = (x > 0 && m[x - 1]) || (x < w - 1 && m[x + 1]);
      if (!neighbour) continue;
      for (int c = 0; c < 3; ++c) out[x * 3 + c] = static_cast<unsigned char>((above[x * 3 + c] + below[x * 3 + c]) / 2);
    }
  }
}

}  // namespace vistrel::filters
