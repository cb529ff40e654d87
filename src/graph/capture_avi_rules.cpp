#include "graph/capture_avi_rules.h"

#include <QLocale>

#include <cmath>

namespace vistrel {

int CaptureAudioRate(const CaptureSettings &settings, bool dvVideoDevice, int sourceRate) {
  if (settings.GarderFormatDV && dvVideoDevice && settings.FrequenceDVNative &&
      (sourceRate == 32000 || sourceRate == 44100 || sourceRate == 48000))
    return sourceRate;
  switch (settings.FrequenceDV) {
    case 1:
      return 32000;
    case 3:
      return 48000;
    default:
      return 44100;
  }
}

bool CaptureDvNtsc(const CaptureSettings &settings, bool dvVideoDevice, int detectedSystem) {
  if (settings.GarderFormatDV && dvVideoDevice && (detectedSystem == 0 || detectedSystem == 1))
    return detectedSystem == 1;
  return settings.StandardDV != 0;
}

QString VideoLabelText(int width, int height, quint32 frameDuration, double fps) {
  QString text = QString::number(width) + "x" + QString::number(height);
  if (frameDuration > 0) {
    // nearbyint rounds ties to even in the default rounding mode.
    const double rounded = std::nearbyint(fps * 100.0) / 100.0;
    text += " - " + QString::number(rounded, 'g', QLocale::FloatingPointShortest) + " fps";
  }
  return text;
}

bool WantsXvid(const QString &fourCC) { return fourCC.trimmed().compare("XVID", Qt::CaseInsensitive) == 0; }

}  // namespace vistrel
