#include "app/recorder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "app/recording_journal.h"
#include "app/scenefile.h"
#include "filters/vs_scenedetect.h"
#include "graph/avgraph.h"
#include "media/aviheader.h"
#include "media/debug.h"
#include "media/repair.h"
#include "media/wmvprofiles.h"
#include "platform/folders.h"
#include "platform/shell.h"
#include "settings/codecs.h"
#include "settings/parameters.h"
#include "settings/settingskeys.h"
#include "sources/avsources.h"
#include "sources/capturedevice.h"

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::App)

namespace vistrel {

using settings::CaptureFormatCode;

namespace {

bool AviWithoutData(const QString &file) {
  if (!file.endsWith(".avi", Qt::CaseInsensitive) || !QFileInfo::exists(file)) return false;
  return media::ReadAviFile(file).TotalChunks() == 0;
}

bool IsDvSource(const sources::TVideoSource *video) {
  return video && video->Device && video->Device->Kind == sources::DeviceKind::DV;
}

QByteArray Utf8(const QString &s) { return s.toUtf8(); }

}  // namespace

RecordingOptions RecordingOptionsFrom(const settings::TparameterList &p) {
  RecordingOptions o;
  o.format = settings::FormatFromByte(p.Byte("Capture Format"));
  o.sceneFile = p.Bool("scn");
  o.freezeCapture = p.Bool("Freeze Capture");
  o.imageRate = p.Real("Framerate");
  CaptureSettings &c = o.chain;
  c.GarderFormatDV = p.Bool("Garder Format DV");
  c.FrequenceDVNative = p.Bool("Frequence DV native");
  c.FrequenceDV = p.Byte("FrequenceDV");
  c.StandardDV = p.Byte("Standard DV");
  c.RatioDV = p.Byte("RatioDV");
  c.RatioDivX = p.Byte("Ratio DivX");
  c.DvDemiSiDivX = p.Bool("DV demi si DivX");
  c.WantMp3 = p.Bool("Want Mp3");
  // The favourite encoder when it is still installed, else the first there is.
  if (const auto codec = settings::DivxCodecByName(p.Str("Divx favori"))) {
    c.DivxFactory = codec->factory;
    c.DivxFourCC = codec->fourcc;
  } else if (const auto all = settings::AvailableDivxCodecs(); !all.isEmpty()) {
    c.DivxFactory = all.front().factory;
    c.DivxFourCC = all.front().fourcc;
  }
  if (const auto mp3 = settings::ReadMp3Bitrate()) c.Mp3Bitrate = *mp3;
  c.H264Quality = p.Int("H264 Quality");
  c.H264Preset = p.Int("H264 Preset");
  c.WmvVersion = p.Int("Version wmv");
  c.WmvDefaultProfile = p.Int("Profile wmv");
  c.WmvMediaIndex = 0;
  if (!p.Bool("Default Profile")) {
    const QString wanted = p.Str("Profil Windows media");
    const QList<media::WmvProfile> list = media::WmvSystemProfiles(c.WmvVersion);
    for (int i = 0; i < list.size(); ++i)
      if (list[i].name == wanted) c.WmvMediaIndex = i + 1;
    // A stored name that no profile has any more: the first of the list, as the box shows it.
    if (c.WmvMediaIndex == 0 && !list.isEmpty()) c.WmvMediaIndex = 1;
  }
  return o;
}

Recorder::Recorder(Tdm *dm, QObject *parent) : QObject(parent), dm_(dm) {
  watch_.setInterval(1000);
  connect(&watch_, &QTimer::timeout, this, [this] { CheckPart(); });
}

void Recorder::PassNamesInUse() { names_.PassOver(&RecordedElsewhere); }

Recorder::~Recorder() = default;

bool Recorder::SourcesThere() const { return dm_ && (dm_->CurrentVideoDevice() || dm_->CurrentAudioDevice()); }

bool Recorder::Build(CaptureFormatCode format, const QString &file) {
  const bool ok = dm_->ConstruireCapture(format, file);
  if (!ok)
    GST_WARNING("the chain of \"%s\" for %s could not be built", settings::CaptureFormat(format).name,
                Utf8(file).constData());
  return ok;
}

bool Recorder::Start(const RecordingOptions &o) {
  failure_.clear();
  if (!dm_) return false;
  // The file always carries its format's extension.
  names_.SetFormat(settings::ToByte(o.format));
  QString file = names_.Current();
  const QString formatName = QString::fromLatin1(settings::CaptureFormat(o.format).name);
  StopGraph();
  options_ = o;
  dm_->CaptureOptions = o.chain;
  images_ = 0;
  atPartStart_ = earlierChains_ = {};
  writeFailed_ = false;
  // The name is ours before anything is written to it: two programs started
  // together would otherwise write one file.
  const QDateTime now = QDateTime::currentDateTime();
  while (!RecordingStarted(file, settings::ToByte(o.format), now)) {
    // Another program took the name since the window asked about it: the
    // next free one, when there is nothing there to replace.
    PassNamesInUse();
    if (names_.Current() == file || QFileInfo::exists(names_.Current())) {
      failure_ =
          "The file " + file + " is being recorded by another Vistrel, so it is left alone.\nNothing was recorded.";
      dm_->LancerGraphe();
      emit failed(failure_, QString());
      return false;
    }
    file = names_.Current();
  }
  if (!Build(o.format, file))
    return Abandon(
        file, QString("The capture in the format \"%1\" could not be set up with the current sources.").arg(formatName),
        dm_->CaptureFailure());
  imageByImage_ = settings::CaptureFormat(o.format).counter == settings::CounterKind::Images;
  OpenSceneFileFor(file);
  BeginTapeReport();
  capture_.Commencer(file, o.format, now);
  HookGraphErrors();
  emit started(file, o.format);
  if (!dm_->LancerGraphe()) return Abandon(file, "The capture graph refused to start.", dm_->RunFailure());
  WatchPart();
  GST_INFO("recording \"%s\" into %s", settings::CaptureFormat(o.format).name, Utf8(file).constData());
  return true;
}

bool Recorder::Abandon(const QString &file, const QString &what, const QString &why) {
  // Nothing of this start is listed: the file is taken before the stop.
  capture_.ChaineRetiree();
  watch_.stop();
  stopping_ = true;
  dm_->StopGraph();
  stopping_ = false;
  RecordingEnded(file);
  // Whatever this start already wrote is ours (an older file went to the
  // trash first) and holds no capture.
  const QString scnName = scn_ && scn_->Ouvert() ? scn_->NomScn() : QString();
  CloseSceneFile(0);
  if (!scnName.isEmpty()) QFile::remove(scnName);
  dm_->RetirerCapture();
  if (QFileInfo(file).isFile()) QFile::remove(file);
  imageByImage_ = false;
  emit chainRemoved();
  // The preview comes back rather than staying stopped with half a chain.
  dm_->LancerGraphe();
  failure_ = what + (why.isEmpty() ? QString() : "\nWhat failed: " + why + ".") + "\nNothing was recorded.";
  GST_WARNING("%s", Utf8(failure_).constData());
  emit failed(what, why);
  return false;
}

bool Recorder::ContinueIn(CaptureFormatCode format, const QString &file) {
  const settings::CutBy cut = settings::CaptureFormat(format).cut;
  switch (cut) {
    case settings::CutBy::RenameSink:
    case settings::CutBy::DeviceChain:
      return dm_->ChangerFichierCapture(cut, file);
    case settings::CutBy::Rebuild:
      // The same settings as the first part; the first part is finished already.
      dm_->RetirerCapture();
      dm_->CaptureOptions = options_.chain;
      return Build(format, file);
    case settings::CutBy::Nothing:
      return false;
  }
  return false;
}

bool Recorder::Cut() {
  failure_.clear();
  if (!dm_ || !capture_.Chaine()) return false;
  const CaptureFormatCode format = capture_.Format();
  const QString first = capture_.Fichier();
  StopGraph();  // the first part is finished and the name moves on
  PassNamesInUse();
  const QString next = names_.Current();
  // A folder removed during the first part is made again for the second.
  QDir().mkpath(QFileInfo(next).absolutePath());
  // The new name is written without a question, but an existing file there
  // goes to the trash first; one that cannot must not be written over.
  const QFileInfo target(next);
  if (target.isDir())
    failure_ = next + " is a folder, not a file.";
  else if ((target.exists() || target.isSymLink()) && !platform::Recycle(next))
    failure_ = "The file " + next + " could not be moved to the trash, so it is not replaced.";
  else if (!RecordingStarted(next, settings::ToByte(format), QDateTime::currentDateTime()))
    failure_ = "The file " + next + " is being recorded by another Vistrel, so it is left alone.";
  else {
    const Counts counted{std::max(0, dm_->CaptureDropped()), std::max(0, dm_->CaptureNotDropped())};
    if (settings::CaptureFormat(format).cut == settings::CutBy::Rebuild) {
      earlierChains_.dropped += counted.dropped;
      earlierChains_.notDropped += counted.notDropped;
      atPartStart_ = {};
    } else {
      atPartStart_ = counted;
    }
    if (!ContinueIn(format, next)) {
      failure_ = "The capture could not go on in the file " + next + ".";
      RecordingEnded(next);
    }
  }
  if (!failure_.isEmpty()) {
    const QString why = dm_->CaptureFailure();
    GST_WARNING("cut: %s %s", Utf8(failure_).constData(), Utf8(why).constData());
    emit failed(failure_, why);
    if (!why.isEmpty()) failure_ += "\nWhat failed: " + why + ".";
    return false;
  }
  capture_.Continuer(next);
  OpenSceneFileFor(next);
  BeginTapeReport();
  images_ = 0;
  emit cut(first, next);
  emit started(next, format);
  if (!dm_->LancerGraphe()) {
    failure_ = "The capture graph refused to start again after the cut.";
    emit failed(failure_, dm_->RunFailure());
    if (!dm_->RunFailure().isEmpty()) failure_ += "\nWhat failed: " + dm_->RunFailure() + ".";
    return false;
  }
  WatchPart();
  return true;
}

void Recorder::StopGraph() {
  if (!dm_) return;
  stopping_ = true;
  dm_->StopGraph();
  stopping_ = false;
  // Only a file being written is finished, once: a second stop of the same
  // capture (a failed stop, a source change) adds nothing.
  if (capture_.Fichier().isEmpty()) return;
  watch_.stop();
  CheckPart(true);  // what the last second brought
  const QString written = capture_.PrendreFichierTermine();
  const QString file = KeepRemovedFile(written);
  if (imageByImage_) FinishImageByImage(file);
  // After a failed write, or when the writer did not see its end before the
  // graph stopped (a muxer waiting for a stream that never came), the file's
  // index and lengths are missing or those of the start: it is repaired as
  // after a kill. Only a header written at the end, or by the repair, tells
  // what the file holds.
  const bool finalized = dm_->fg().LastStopFinalized();
  bool headerTrusted = finalized && !writeFailed_;
  bool complete = true;
  if (settings::CaptureFormat(capture_.Format()).mendAfterStop || writeFailed_ || !finalized) {
    const media::RepairResult mended = media::RepairRecordingFile(file);
    if (mended.outcome == media::RepairOutcome::Repaired || mended.outcome == media::RepairOutcome::Whole)
      headerTrusted = true;
    if (mended.outcome == media::RepairOutcome::Empty) {
      QFile::remove(file);
      emit notice("Nothing whole was written to " + file + ".\nThe file was removed.");
    } else if (mended.outcome == media::RepairOutcome::Failed) {
      GST_WARNING("%s could not be mended: %s", Utf8(file).constData(), mended.detail.c_str());
      // The disk that filled up under the writer's end refuses the repair's
      // index too; with room, the next start finishes it.
      complete = !(writeFailed_ || mended.writeRefused) || !QFileInfo(file).isFile();
    }
  }
  if (complete) {
    RecordingEnded(written);
  } else {
    // The repair needs room on the disk: the next start does it.
    if (file != written) {
      RecordingEnded(written);
      RecordingStarted(file, settings::ToByte(capture_.Format()), capture_.Debut());
    }
    RecordingLeftUnfinished(file);
    emit notice("The file " + file +
                " could not be finished because writing to the disk failed. It will be repaired at the next start "
                "of Vistrel, once there is room on the disk again.");
  }
  lastFile_ = file;
  lastEnd_ = QDateTime::currentDateTime();
  // This part's own frames, not those of the parts before it.
  const int counted = dm_->CaptureDropped(), countedNot = dm_->CaptureNotDropped();
  const int dropped = counted < 0 ? counted : counted - atPartStart_.dropped;
  const int notDropped = countedNot < 0 ? countedNot : countedNot - atPartStart_.notDropped;
  // An AVI that received nothing (frozen from its start to its end, or from a
  // device that sent nothing) opens in no player: its streams' formats are
  // never written. It is removed rather than listed, but only on a header
  // that can be believed: a writer cut off keeps its sizes of the start, and
  // such a file still holds what the next start's repair recovers.
  if (headerTrusted && !imageByImage_ && AviWithoutData(file)) {
    QFile::remove(file);
    emit notice("Nothing was recorded in " + file +
                (options_.freezeCapture ? QStringLiteral(": the capture was frozen the whole time.")
                                        : QStringLiteral(": nothing came from the sources.")) +
                "\nThe empty file was removed.");
  } else if (const QFileInfo info(file); info.isFile() && info.size() == 0) {
    QFile::remove(file);
    emit notice("Nothing was written to " + file + ".\nThe empty file was removed.");
  }
  // A file that is not there (an Image-by-Image file without frames) is not kept.
  const bool kept = QFileInfo::exists(file);
  names_.Advance();
  tapeReports_.End(file, kept);
  emit finished(file, kept, dropped, notDropped);
  CloseSceneFile(dropped);
}

void Recorder::Finish() {
  if (!dm_) return;
  StopGraph();
  const bool had = capture_.Chaine();
  if (had) dm_->RetirerCapture();
  capture_.ChaineRetiree();
  imageByImage_ = false;
  if (had) emit chainRemoved();
}

bool Recorder::Stop() {
  if (!dm_) return false;
  Finish();
  const bool ok = (!dm_->CurrentVideoDevice() || dm_->CurrentVideoDevice()->Active) &&
                  (!dm_->CurrentAudioDevice() || dm_->CurrentAudioDevice()->Active) && SourcesThere();
  if (ok) dm_->LancerGraphe();
  return ok;
}

int Recorder::Dropped() const {
  const int counted = dm_ ? dm_->CaptureDropped() : -1;
  return counted < 0 ? counted : counted + earlierChains_.dropped;
}

int Recorder::NotDropped() const {
  const int counted = dm_ ? dm_->CaptureNotDropped() : -1;
  return counted < 0 ? counted : counted + earlierChains_.notDropped;
}

void Recorder::Close() {
  closed_ = true;
  StopGraph();
}

QString Recorder::EndForLostDevice(const QString &deviceName, const QDateTime &since) {
  if (!capture_.Chaine()) return {};
  const QString file = capture_.Fichier();
  // After its loss the file holds nothing of the device (a frozen picture,
  // or silence), so what it keeps ends there.
  const QDateTime until = since.isValid() && since >= capture_.Debut() ? since : QDateTime();
  Stop();
  const QString device = deviceName.isEmpty() ? QStringLiteral("of the capture") : deviceName;
  const QString when = until.isValid() ? " at " + until.time().toString("HH:mm:ss") : QString();
  const QString text = QString("The device \"%1\" was lost%2 during the capture, which stopped.\n").arg(device, when) +
                       WhatIsKept(file, until);
  emit endedByLostDevice(text);
  return text;
}

QString Recorder::WhatIsKept(const QString &file, const QDateTime &until) const {
  if (file.isEmpty()) return QStringLiteral("Nothing was recorded.");
  if (!QFileInfo(file).isFile()) return "Nothing was recorded in " + file + ".";
  const QString end = until.isValid()                           ? until.time().toString("HH:mm:ss")
                      : file == lastFile_ && lastEnd_.isValid() ? lastEnd_.time().toString("HH:mm:ss")
                                                                : QStringLiteral("the stop");
  return "The file " + file + " keeps what was recorded until " + end + ".";
}

void Recorder::HookGraphErrors() {
  if (hooked_ || !dm_) return;
  hooked_ = true;
  // A source error arrives as DeviceLost and then as ErrorOccurred; the
  // device-lost path handles those, the rest end the capture here.
  connect(&dm_->fg(), &media::Graph::DeviceLost, this, [this] { sourceError_ = true; });
  connect(&dm_->fg(), &media::Graph::ErrorOccurred, this, [this](const QString &message) {
    const bool fromSource = sourceError_;
    sourceError_ = false;
    if (fromSource || stopping_ || !capture_.Chaine()) return;
    writeFailed_ = true;
    // A write that failed (a disk filled by another program past the
    // reserve) may have cost the muxer its index, which the message must not hide.
    QMetaObject::invokeMethod(
        this,
        [this, message] {
          EndOnFault("The capture stopped because of an error:\n" + message,
                     "Writing failed before the stop, so the end of the file may be incomplete and some players "
                     "may not show its length.");
        },
        Qt::QueuedConnection);
  });
  connect(
      &dm_->fg(), &media::Graph::DiskLow, this,
      [this](const QString &file, qint64 freeBytes) {
        if (!capture_.Chaine() || file != capture_.Fichier()) return;
        EndOnFault(QString("The capture stopped because the disk holding %1 has only %2 MB left.")
                       .arg(QFileInfo(file).absolutePath())
                       .arg(freeBytes >> 20));
      },
      Qt::QueuedConnection);
}

void Recorder::EndOnFault(const QString &why, const QString &caveat) {
  if (!capture_.Chaine() || closed_) return;
  const QString file = capture_.Fichier();
  const bool restarted = Stop();
  QString text = why + "\n" + WhatIsKept(file);
  if (!caveat.isEmpty() && QFileInfo(file).isFile()) text += "\n" + caveat;
  if (!restarted) text += "\nThe preview did not start again: choose the sources again in the Sources panel.";
  GST_WARNING("%s", Utf8(text).constData());
  emit endedOnFault(text, restarted);
}

void Recorder::OpenSceneFileFor(const QString &videoFile) {
  sources::TVideoSource *video = dm_ ? dm_->CurrentVideoDevice() : nullptr;
  if (!options_.sceneFile || !IsDvSource(video) || settings::CaptureFormat(options_.format).SoundOnly()) return;
  filters::Tvs_SceneDetect *detector = video->SceneDetector;
  if (!detector) return;
  if (!scn_) scn_ = std::make_unique<TSceneFile>();
  // A scene file that cannot be made leaves the capture going without one.
  if (!scn_->OuvrirScn(TSceneFile::NameFor(videoFile))) return;
  sceneDetector_ = detector;
  TSceneFile *scn = scn_.get();
  detector->SetOnScene(
      [scn](const filters::DVInfo &start, const filters::DVInfo &current) { scn->SceneScn(start, current); });
}

void Recorder::BeginTapeReport() {
  sources::TVideoSource *video = dm_ ? dm_->CurrentVideoDevice() : nullptr;
  tapeReports_.Begin(IsDvSource(video) ? video->HealthChecker : nullptr, options_.format);
}

void Recorder::CloseSceneFile(int dropped) {
  if (sceneDetector_) sceneDetector_->SetOnScene(nullptr);
  sceneDetector_ = nullptr;
  if (!scn_ || !scn_->Ouvert()) return;
  const QString name = scn_->NomScn();
  scn_->FermerScn();
  if (dropped > 0) emit sceneFileDoubtful(name, dropped);
}

void Recorder::WatchPart() {
  toldRemoved_ = false;
  lastCheckMs_ = 0;
  held_.reset();
  hold_.Open(capture_.Fichier());
  watch_.start();
}

void Recorder::CheckPart(bool ended) {
  if (!dm_ || capture_.Fichier().isEmpty()) return;
  // This check runs once a second: far longer between two means the program
  // itself did not run. Sources that stamp their time by count show no gap
  // of their own, so this is told when they do not.
  const qint64 mono = g_get_monotonic_time() / 1000;
  if (lastCheckMs_ && mono - lastCheckMs_ > 3000)
    held_ = Held{QDateTime::currentMSecsSinceEpoch() - (mono - lastCheckMs_), mono - lastCheckMs_, mono + 3000};
  lastCheckMs_ = ended ? 0 : mono;
  const std::vector<media::CaptureGap> gaps = dm_->TakeCaptureGaps(ended);
  if (!gaps.empty()) held_.reset();
  if (held_ && (ended || mono >= held_->tellAtMs)) {
    const QString text = QString("Vistrel was held up from %1 for %2 s (the machine was suspended or too busy): the "
                                 "capture may have a gap there.")
                             .arg(QDateTime::fromMSecsSinceEpoch(held_->startMs).time().toString("HH:mm:ss"),
                                  QString::number(double(held_->lengthMs) / 1000.0, 'f', 1));
    held_.reset();
    GST_WARNING("%s", Utf8(text).constData());
    emit notice(text);
  }
  for (const media::CaptureGap &gap : gaps) {
    const QString from = QDateTime::fromMSecsSinceEpoch(gap.startMs).time().toString("HH:mm:ss");
    const QString length = QString::number(double(gap.lengthMs) / 1000.0, 'f', 1);
    const QString text =
        QString(
            "The capture has a gap from %1 for %2 s: the sources sent nothing while Vistrel was held up (the "
            "machine was suspended or too busy).")
            .arg(from, length) +
        (gap.filled ? "\nThe picture stands still and the sound is silent over it, so both stay in step."
                    : "\nIt is left out of both the picture and the sound.");
    GST_WARNING("%s", Utf8(text).constData());
    emit notice(text);
  }
  const QString file = capture_.Fichier();
  if (hold_.File() != file || !hold_.IsOpen()) hold_.Open(file);
  if (toldRemoved_ || !hold_.Unlinked()) return;
  toldRemoved_ = true;
  emit notice("The file " + file +
              " was removed (or its folder was) while it was being recorded.\nThe capture goes on; at the stop, what "
              "was recorded is saved again under a name that says so.");
}

QString Recorder::KeepRemovedFile(const QString &file) {
  const bool removed = hold_.File() == file && hold_.Unlinked();
  if (!removed) {
    hold_.Close();
    return file;
  }
  // The writer has closed it; this handle is the last on what it wrote.
  QString folder = QFileInfo(file).absolutePath();
  if (!QDir().mkpath(folder) || !QFileInfo(folder).isWritable()) folder = platform::VideosFolder();
  QDir().mkpath(folder);
  QString rescued = platform::RescueName(folder, file);
  const bool copied = hold_.CopyTo(rescued);
  hold_.Close();
  if (!copied) {
    emit notice("The file " + file +
                " was removed while it was being recorded, and what it held could not be saved "
                "in " +
                folder + ". The recording is lost.");
    return file;
  }
  emit notice("The file " + file + " was removed while it was being recorded.\nWhat was recorded is saved in " +
              rescued + ".");
  return rescued;
}

void Recorder::FinishImageByImage(const QString &file) {
  if (images_ != 0) {
    const double rate = options_.imageRate > 0 ? options_.imageRate : 18.0;
    media::RewriteAviVideoRate(file, std::uint32_t(std::lround(1000000.0 / rate)), 1000000);
  } else {
    QFile::remove(file);
  }
}

}  // namespace vistrel
