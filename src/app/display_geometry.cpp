#include "app/display_geometry.h"

#include <algorithm>

#include "settings/captureformats.h"

namespace vistrel::display {

QRect FitRect(const QRect &bounds, int a, int b) {
  if (a <= 0 || b <= 0) return QRect(bounds.topLeft(), QSize(0, 0));
  const qint64 w = std::max(bounds.width(), 0), h = std::max(bounds.height(), 0);
  qint64 fw, fh;
  // 64 bits: a source may report large ratio terms.
  if (w * b >= h * a) {
    fh = h;
    fw = h * a / b;
  } else {
    fw = w;
    fh = w * b / a;
  }
  return QRect(bounds.x() + int((w - fw) / 2), bounds.y() + int((h - fh) / 2), int(fw), int(fh));
}

QSize DisplayRatio(const RatioInput &in) {
  QSize r;
  switch (in.aspect) {
    case k4x3: r = QSize(4, 3); break;
    case k16x9: r = QSize(16, 9); break;
    case kNative: r = QSize(in.width, in.height); break;
    default:
      if (in.dvSource) r = in.dvWide ? QSize(16, 9) : QSize(4, 3);
      else if (in.aspectX > 0 && in.aspectY > 0) r = QSize(in.aspectX, in.aspectY);
      else r = QSize(in.width, in.height);
  }
  if (r.width() <= 0 || r.height() <= 0) r = QSize(4, 3);
  return r;
}

int StepVolume(int volume, int delta) { return std::clamp(volume + delta, 0, kVolumeMax); }

LockRow LockTable(settings::CaptureFormatCode format, bool dvSource, bool videoSource, QSize videoWindow) {
  LockRow row;
  auto nativeRow = [&row] {
    row.traitement = false;
    row.forcedAspect = kNormal;
    row.ratioDisabled = {false, true, true, true};
  };
  using settings::LockKind;
  switch (settings::CaptureFormat(format).lock) {
    case LockKind::NativeDeviceSound:
      nativeRow();
      row.audioFromVideoDevice = true;
      break;
    case LockKind::Native:
      nativeRow();
      break;
    case LockKind::DvRecompressed:
      row.traitement = true;
      row.forcedAspect = qint64(videoWindow.width()) * 9 < qint64(videoWindow.height()) * 14 ? k4x3 : k16x9;
      row.ratioDisabled = {true, false, false, true};
      break;
    case LockKind::Wmv:
      row.traitement = true;
      row.forcedAspect = k4x3;
      row.ratioDisabled = {true, false, true, true};
      break;
    case LockKind::ImageByImage:
      if (dvSource) nativeRow();
      else row.traitement = true;
      row.dropAudio = true;
      break;
    case LockKind::Divx:
      row.traitement = true;
      row.divxFromAspect = true;
      break;
    case LockKind::Processed:
      row.traitement = true;
      break;
    case LockKind::SoundOnly:
      if (videoSource) row.traitement = false;
      row.dropVideo = true;
      break;
    case LockKind::Untouched:
      break;  // none and "Default" leave everything as it is
  }
  return row;
}

}  // namespace vistrel::display
