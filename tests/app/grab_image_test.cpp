// Still-image names, proportions, the Grab panel's picture box and the two
// file writers, checked against independent readers.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include "app/stillimage.h"

using namespace vistrel;

TEST(GrabNames, FolderRootDateAndFiveDigitCounter) {
  const QDateTime start(QDate(2026, 12, 8), QTime(3, 29, 5));
  EXPECT_EQ(FormerNomImage("/home/u/Pics", "Image", false, start, 7, 1), "/home/u/Pics/Image_00007.jpg");
  EXPECT_EQ(FormerNomImage("/home/u/Pics/", "Image", false, start, 7, 0), "/home/u/Pics/Image_00007.bmp");
  EXPECT_EQ(FormerNomImage("/p", "Image", false, start, 100000, 0), "/p/Image_00000.bmp");
  EXPECT_EQ(FormerNomImage("/p", "Image", false, start, 123456, 0), "/p/Image_23456.bmp");
  EXPECT_EQ(FormerNomImage("/p", "Shot", true, start, 0, 1), "/p/Shot_081226_032905_00000.jpg");
}

TEST(GrabProportions, ShrinkOneSideNeverGrow) {
  EXPECT_EQ(ProportionsImage(720, 576, 4, 3), QSize(720, 540));
  EXPECT_EQ(ProportionsImage(720, 576, 16, 9), QSize(720, 405));
  EXPECT_EQ(ProportionsImage(720, 576, 720, 576), QSize(720, 576));  // native
  EXPECT_EQ(ProportionsImage(640, 480, 16, 9), QSize(640, 360));
  EXPECT_EQ(ProportionsImage(320, 240, 1, 1), QSize(240, 240));  // narrower: the width gives way
  EXPECT_EQ(ProportionsImage(720, 576, 0, 3), QSize(720, 576));
}

TEST(GrabBox, FittedInto192By144AboveLine163) {
  EXPECT_EQ(BoiteImage(720, 540), QRect(32, 19, 192, 144));
  EXPECT_EQ(BoiteImage(720, 405), QRect(32, 55, 192, 108));
  EXPECT_EQ(BoiteImage(300, 600), QRect(92, 19, 72, 144));
  EXPECT_EQ(BoiteImage(720, 576), QRect(38, 19, 180, 144));
  EXPECT_TRUE(BoiteImage(0, 576).isEmpty());
}

namespace {

// A picture whose every pixel is known: red rises with x, green with y.
QImage Pattern(int w, int h) {
  QImage img(w, h, QImage::Format_BGR888);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 77));
  return img;
}

quint32 Le32(const QByteArray &b, int at) {
  quint32 v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | quint8(b[at + i]);
  return v;
}

}  // namespace

TEST(GrabFiles, BmpHeaderRowsAndPixels) {
  const QImage img = Pattern(7, 5);  // 21 bytes a row, padded to 24
  const QByteArray bmp = BmpOctets(img);
  ASSERT_EQ(bmp.size(), 54 + 24 * 5);
  EXPECT_EQ(bmp.left(2), "BM");
  EXPECT_EQ(Le32(bmp, 2), quint32(bmp.size()));
  EXPECT_EQ(Le32(bmp, 10), 54u);
  EXPECT_EQ(Le32(bmp, 14), 40u);
  EXPECT_EQ(Le32(bmp, 18), 7u);
  EXPECT_EQ(Le32(bmp, 22), 5u);  // positive: bottom-up
  EXPECT_EQ(quint8(bmp[28]), 24);
  EXPECT_EQ(Le32(bmp, 30), 0u);
  // The first stored row is the picture's last one, blue first.
  const QRgb last = img.pixel(0, 4);
  EXPECT_EQ(quint8(bmp[54]), qBlue(last));
  EXPECT_EQ(quint8(bmp[55]), qGreen(last));
  EXPECT_EQ(quint8(bmp[56]), qRed(last));

  QImage back;
  ASSERT_TRUE(back.loadFromData(bmp, "BMP"));
  ASSERT_EQ(back.size(), img.size());
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(back.pixel(x, y), img.pixel(x, y)) << x << "," << y;
}

TEST(GrabFiles, JpegQualityChangesTheSize) {
  const QImage img = Pattern(320, 240);
  QString error;
  const QByteArray low = JpegOctets(img, 1, &error);
  const QByteArray high = JpegOctets(img, 100, &error);
  ASSERT_FALSE(low.isEmpty()) << error.toStdString();
  ASSERT_FALSE(high.isEmpty());
  EXPECT_LT(low.size() * 3, high.size());
  QImage back;
  ASSERT_TRUE(back.loadFromData(high, "JPEG"));
  EXPECT_EQ(back.size(), img.size());
  const QRgb p = back.pixel(200, 100), q = img.pixel(200, 100);
  EXPECT_NEAR(qRed(p), qRed(q), 4);
  EXPECT_NEAR(qGreen(p), qGreen(q), 4);
  EXPECT_NEAR(qBlue(p), qBlue(q), 4);
  // Out-of-range qualities are clamped, an empty picture is refused.
  EXPECT_EQ(JpegOctets(img, 0), low);
  EXPECT_TRUE(JpegOctets(QImage(), 50).isEmpty());
}

TEST(GrabFiles, WriteFailsCleanlyInAMissingFolder) {
  QString error;
  EXPECT_FALSE(EcrireFichier("/nonexistent-folder-xyz/a.bmp", "BM", &error));
  EXPECT_FALSE(error.isEmpty());
}
