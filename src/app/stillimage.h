#pragma once
// The still grab's picture work that needs no window: the image name, the
// proportion correction, the preview box in the Grab panel, and the two file
// writers (24-bit BMP, JPEG through libjpeg).
#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

namespace vistrel {

// folder + separator (unless it ends with one) + root + "_" + [ddmmyy_hhmmss_]
// + the counter's last five digits + ".bmp" (extension 0) or ".jpg" (1).
QString FormerNomImage(const QString &folder, const QString &root, bool withDate, const QDateTime &date,
                       int counter, int extension);

// The size of a w x h frame shown at ratio a:b: one side shrinks, never grows.
// A ratio with a term that is not positive keeps the size.
QSize ProportionsImage(int w, int h, int a, int b);

// Where the Grab panel shows a w x h picture: fitted into 192 x 144, its
// bottom at 163 and centred on x = 128. Empty for an empty picture.
QRect BoiteImage(int w, int h);

// The picture as a 24-bit BMP file (rows bottom-up, each padded to 4 bytes).
QByteArray BmpOctets(const QImage &image);
// The picture as a JPEG file of the given quality (clamped to 1..100);
// empty, with *error set, when the encoder fails.
QByteArray JpegOctets(const QImage &image, int quality, QString *error = nullptr);

// Writes the bytes to path in one go (a partly written picture never remains).
// False with *error set when the file cannot be written.
bool EcrireFichier(const QString &path, const QByteArray &bytes, QString *error = nullptr);

}  // namespace vistrel
