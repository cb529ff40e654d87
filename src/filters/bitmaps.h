#pragma once
// Bitmap routines on 24-bit pictures (BGR, 3 bytes a pixel).
#include <QImage>

namespace vistrel::filters {

// Swaps every row left to right.
void MiroirImage(QImage &bitmap);
void MiroirRows(unsigned char *data, int width, int height, int stride);
// Comb detection and line interpolation; the target becomes a copy of the
// source with combed pixels of odd rows replaced by the average of their
// neighbours above and below.
void DesentrelacerImage(const QImage &source, QImage &target);

}  // namespace vistrel::filters
