#pragma once
// The texts of the status bar, built from plain values so that each rule can
// be checked without a window.
#include <QString>
#include <QTime>
#include <QtGlobal>

#include "app/etatcapture.h"
#include "settings/captureformats.h"

namespace vistrel::status {

// "duration H:MM :SS" for an elapsed time; the hours are those of a clock
// face, so they start again at 0 after 24 hours.
QString Duree(qint64 elapsedMs);

// The fourth text while a capture runs: frames of an Image-by-Image file, the
// kind of a sound-only file, or the lost frames when the capture has a
// video counter (dropped < 0: none); empty otherwise.
QString TexteCompteurs(settings::CaptureFormatCode format, int nbImages, int dropped, int notDropped);

// "12034 free mb on /home" for the volume (its mount point) of the next video.
QString EspaceLibre(quint32 freeMb, const QString &drive);

// The unit names of the intervalometer, by index.
QString UniteIntervalle(int unit);

// "JPG - every 10 seconds" or "BMP - Intervallo OFF".
QString TexteGrab(bool jpeg, bool intervalOn, int value, int unit);

// "Vid: VIS - Aud: Vis" from the box texts: the video part upper case, the
// audio part as it is, each kept to three characters; empty without sources.
QString ResumeSources(const QString &video, bool withVideo, const QString &audio, bool withAudio);

// What closing the window asks first in state `etat`: a
// capture running or a schedule armed would end; empty when nothing would.
QString CloseQuestion(EtatCapture etat);

// "hh:mm:ss" of an armed time.
QString Heure(const QTime &t);

// The display modes after "Preview" or "programmation": " mute", " in",
// " 16x9" or " 4x3", " v".
QString Modes(bool mute, bool inlay, bool wide, bool vertFlip);

}  // namespace vistrel::status
