#include "platform/sounds.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace vistrel::platform {
namespace {

constexpr int kRate = 11025;

void PutTag(QByteArray &out, const char *tag) { out.append(tag, 4); }
void PutU32(QByteArray &out, quint32 v) {
  char b[4];
  qToLittleEndian(v, b);
  out.append(b, 4);
}
void PutU16(QByteArray &out, quint16 v) {
  char b[2];
  qToLittleEndian(v, b);
  out.append(b, 2);
}

// A short sine tone, unsigned 8-bit, faded in and out so it does not click.
QByteArray MakeWave(int dataBytes, double hertz) {
  const bool pad = dataBytes % 2 != 0;  // RIFF chunks are word aligned
  QByteArray out;
  out.reserve(44 + dataBytes + 1);
  PutTag(out, "RIFF");
  PutU32(out, static_cast<quint32>(36 + dataBytes + (pad ? 1 : 0)));
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutU32(out, 16);
  PutU16(out, 1);          // PCM
  PutU16(out, 1);          // mono
  PutU32(out, kRate);      // samples per second
  PutU32(out, kRate);      // bytes per second
  PutU16(out, 1);          // block align
  PutU16(out, 8);          // bits per sample
  PutTag(out, "data");
  PutU32(out, static_cast<quint32>(dataBytes));
  const int fade = kRate / 200;  // 5 ms
  for (int i = 0; i < dataBytes; ++i) {
    const double edge = std::min({1.0, double(i) / fade, double(dataBytes - 1 - i) / fade});
    const double s = std::sin(2.0 * std::numbers::pi * hertz * i / kRate) * 100.0 * edge;
    out.append(static_cast<char>(static_cast<unsigned char>(128 + std::lround(s))));
  }
  if (pad) out.append('\0');
  return out;
}

}  // namespace

QByteArray BeepWave(int which) {
  static const QByteArray beep0 = MakeWave(649, 1760.0);
  static const QByteArray beep1 = MakeWave(635, 1175.0);
  if (which == 0) return beep0;
  if (which == 1) return beep1;
  return {};
}

}  // namespace vistrel::platform
