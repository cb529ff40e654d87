// Naming the codec of a finished AVI's video stream after the fact: the AVI
// muxer writes DX50 for MPEG-4 ASP and knows no XVID, though the bitstream is
// the same and players choose their decoder by this name.
#include "graph/capture_avi_parts.h"
#include "media/aviheader.h"

#include <QFile>

namespace vistrel::avicapture {

bool RewriteAviVideoFourCC(const QString &file, const QByteArray &fourCC) {
  if (fourCC.size() != 4) return false;
  const media::AviFile avi = media::ReadAviFile(file);
  const media::AviStreamHeader *video = avi.valid ? avi.VideoStream() : nullptr;
  if (!video || video->format.size() < 20) return false;
  QFile f(file);
  if (!f.open(QIODevice::ReadWrite)) return false;
  // strh data: fccHandler at 4. The strf chunk follows the strh chunk; its
  // BITMAPINFOHEADER has biCompression at 16. Both are checked before writing.
  char header[8];
  if (!f.seek(qint64(video->offset) - 8) || f.read(header, 8) != 8 || QByteArray(header, 4) != "strh") return false;
  const quint32 strhSize = quint8(header[4]) | quint8(header[5]) << 8 | quint8(header[6]) << 16 | quint32(quint8(header[7])) << 24;
  const qint64 strfAt = qint64(video->offset) + strhSize + (strhSize & 1);
  if (!f.seek(strfAt) || f.read(header, 4) != 4 || QByteArray(header, 4) != "strf") return false;
  return f.seek(qint64(video->offset) + 4) && f.write(fourCC) == 4 && f.seek(strfAt + 8 + 16) &&
         f.write(fourCC) == 4 && f.flush();
}

}  // namespace vistrel::avicapture
