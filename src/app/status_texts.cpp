#include "app/status_texts.h"

#include "settings/captureformats.h"

namespace vistrel::status {

namespace {

QString Deux(int n) { return QString::number(n).rightJustified(2, u'0'); }

}  // namespace

QString Duree(qint64 elapsedMs) {
  const qint64 seconds = std::max<qint64>(0, elapsedMs / 1000);
  const int h = int((seconds / 3600) % 24), m = int((seconds / 60) % 60), s = int(seconds % 60);
  return QString("duration %1:%2 :%3").arg(h).arg(Deux(m), Deux(s));
}

QString TexteCompteurs(settings::CaptureFormatCode format, int nbImages, int dropped, int notDropped) {
  const settings::CaptureFormatInfo &info = settings::CaptureFormat(format);
  switch (info.counter) {
    case settings::CounterKind::Images:
      return QString("Image by Image: %1 frames").arg(nbImages);
    case settings::CounterKind::Sound:
      return QStringLiteral("Audio ") + (info.code == settings::CaptureFormatCode::Wav ? "Wav" : "Mp3");
    case settings::CounterKind::DroppedFrames:
      break;
  }
  if (dropped < 0) return QString();
  return QString("%1 lost frames / %2").arg(dropped).arg(dropped + std::max(0, notDropped));
}

QString EspaceLibre(quint32 freeMb, const QString &drive) {
  // A mount point is a path: upper case would name another folder.
  return QString("%1 free mb on %2").arg(freeMb).arg(drive);
}

QString UniteIntervalle(int unit) {
  static const char *const kUnits[] = {"seconds", "frames", "minutes", "hours"};
  return unit >= 0 && unit < 4 ? QString(kUnits[unit]) : QString();
}

QString TexteGrab(bool jpeg, bool intervalOn, int value, int unit) {
  QString text = jpeg ? "JPG - " : "BMP - ";
  if (intervalOn) return text + QString("every %1 %2").arg(value).arg(UniteIntervalle(unit));
  return text + "Intervallo OFF";
}

QString ResumeSources(const QString &video, bool withVideo, const QString &audio, bool withAudio) {
  QString summary;
  if (withVideo) summary = "Vid: " + video.left(3).toUpper();
  if (withAudio) {
    if (!summary.isEmpty()) summary += " - ";
    summary += "Aud: " + audio.left(3);
  }
  return summary;
}

QString Heure(const QTime &t) { return QString("%1:%2:%3").arg(Deux(t.hour()), Deux(t.minute()), Deux(t.second())); }

QString Modes(bool mute, bool inlay, bool wide, bool vertFlip) {
  QString text;
  if (mute) text += " mute";
  if (inlay) text += " in";
  text += wide ? " 16x9" : " 4x3";
  if (vertFlip) text += " v";
  return text;
}

QString CloseQuestion(EtatCapture etat) {
  switch (etat) {
    case esPreview:
      return {};
    case esCapture:
    case esCaptureProgrammee:
      return "A capture is being recorded.\nStop it and quit?";
    case esAttente:
      return "A scheduled capture is armed.\nCancel it and quit?";
  }
  return {};
}

}  // namespace vistrel::status
