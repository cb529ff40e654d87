#include "app/stillimage.h"

#include <QSaveFile>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "app/recording_names.h"
#include "platform/shell.h"

namespace vistrel {

QString FormerNomImage(const QString &folder, const QString &root, bool withDate, const QDateTime &date,
                       int counter, int extension) {
  QString name = PrefixeNom(folder, root, withDate, date);
  name += ("00000" + QString::number(counter)).right(5);
  name += extension == 1 ? ".jpg" : ".bmp";
  return name;
}

QSize ProportionsImage(int w, int h, int a, int b) {
  if (a <= 0 || b <= 0 || w <= 0 || h <= 0) return {w, h};
  const qint64 bw = qint64(b) * w, ah = qint64(a) * h;
  if (bw < ah) return {w, int(bw / a)};
  if (ah < bw) return {int(ah / b), h};
  return {w, h};
}

QRect BoiteImage(int w, int h) {
  if (w <= 0 || h <= 0) return {};
  int bw, bh;
  if (qint64(w) * 144 < qint64(h) * 192) {
    bh = 144;
    bw = int(qint64(w) * 144 / h);
  } else {
    bw = 192;
    bh = int(qint64(h) * 192 / w);
  }
  return {(192 - bw) / 2 + 32, 163 - bh, bw, bh};
}

namespace {

void Put16(QByteArray &out, int offset, quint16 v) {
  out[offset] = char(v & 0xFF);
  out[offset + 1] = char(v >> 8);
}

void Put32(QByteArray &out, int offset, quint32 v) {
  for (int i = 0; i < 4; ++i) out[offset + i] = char((v >> (8 * i)) & 0xFF);
}

}  // namespace

QByteArray BmpOctets(const QImage &image) {
  const QImage img = image.convertToFormat(QImage::Format_BGR888);
  const int w = img.width(), h = img.height();
  const qint64 stride = (qint64(w) * 3 + 3) / 4 * 4;
  const qint64 pixels = stride * h;
  if (img.isNull() || 54 + pixels > 0x7FFFFFFF) return {};
  QByteArray out(int(54 + pixels), '\0');
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, quint32(out.size()));
  Put32(out, 10, 54);
  Put32(out, 14, 40);
  Put32(out, 18, quint32(w));
  Put32(out, 22, quint32(h));  // positive height: the last picture row comes first
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  Put32(out, 34, quint32(pixels));
  Put32(out, 38, 2835);  // 72 dots per inch
  Put32(out, 42, 2835);
  char *dst = out.data() + 54;
  for (int y = 0; y < h; ++y)
    std::memcpy(dst + stride * (h - 1 - y), img.constScanLine(y), std::size_t(w) * 3);
  return out;
}

namespace {

// libjpeg reports fatal errors through error_exit, which must not return.
struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr cinfo) {
  auto *err = reinterpret_cast<JpegError *>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Only plain C objects live in this frame, so the long jump skips no destructor.
bool EncodeJpeg(const unsigned char *rgb, int w, int h, int quality, unsigned char **buffer, unsigned long *size,
                char *message) {
  jpeg_compress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  err.message[0] = '\0';
  if (setjmp(err.jump)) {
    std::strncpy(message, err.message, JMSG_LENGTH_MAX);
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, buffer, size);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t rowBytes = std::size_t(w) * 3;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<unsigned char *>(rgb + rowBytes * cinfo.next_scanline);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

QByteArray JpegOctets(const QImage &image, int quality, QString *error) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  if (rgb.isNull()) {
    if (error) *error = QStringLiteral("empty picture");
    return {};
  }
  const int w = rgb.width(), h = rgb.height();
  // The encoder reads tightly packed rows.
  std::vector<unsigned char> packed(std::size_t(w) * 3 * std::size_t(h));
  for (int y = 0; y < h; ++y) std::memcpy(&packed[std::size_t(y) * w * 3], rgb.constScanLine(y), std::size_t(w) * 3);
  unsigned char *buffer = nullptr;
  unsigned long size = 0;
  char message[JMSG_LENGTH_MAX] = {};
  const bool ok = EncodeJpeg(packed.data(), w, h, qBound(1, quality, 100), &buffer, &size, message);
  QByteArray out;
  if (ok && buffer) out = QByteArray(reinterpret_cast<const char *>(buffer), qsizetype(size));
  std::free(buffer);
  if (!ok && error) *error = QString::fromLocal8Bit(message);
  return out;
}

bool EcrireFichier(const QString &path, const QByteArray &bytes, QString *error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace vistrel
