#pragma once
// The recorder: starts, cuts and stops a recording on the graph module and
// owns everything a recording leaves behind — the file and its names, the
// scene file, the journal entry, the Image-by-Image rate, and the endings by a
// lost device, a write error or a disk that fills. It knows no widget: the
// window asks the user first (replace a file, create a folder, low disk),
// hands over the answers as settings and shows what the recorder tells back.
#include <QDateTime>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/capture_en_cours.h"
#include "app/recording_names.h"
#include "app/tape_report.h"
#include "graph/capturesettings.h"
#include "platform/filehold.h"
#include "settings/captureformats.h"

namespace vistrel {

class Tdm;
class TSceneFile;
namespace filters {
class Tvs_SceneDetect;
}
namespace settings {
class TparameterList;
}

// What a recording needs from the user's settings, read from the settings
// store when the recording starts.
struct RecordingOptions {
  settings::CaptureFormatCode format = settings::CaptureFormatCode::None;
  CaptureSettings chain;       // what the capture builders read
  bool sceneFile = false;      // "scn": a scene file beside a DV recording
  bool freezeCapture = false;  // "Freeze Capture": it starts frozen
  double imageRate = 18.0;     // "Framerate": images per second of an Image-by-Image file
};
RecordingOptions RecordingOptionsFrom(const settings::TparameterList &p);

class Recorder : public QObject {
  Q_OBJECT
 public:
  explicit Recorder(Tdm *dm = nullptr, QObject *parent = nullptr);
  // The graph module it records on (none: it records nothing).
  void SetGraph(Tdm *dm) { dm_ = dm; }
  ~Recorder() override;

  // Where the next recording goes; the window shows it.
  VideoNames &Names() { return names_; }
  const VideoNames &Names() const { return names_; }

  // The next name moves past files another running Vistrel records into.
  void PassNamesInUse();
  // Builds the chain of `o.format` for the current name and runs the graph.
  // False: nothing was recorded, the preview runs again and Failure() says why.
  bool Start(const RecordingOptions &o);
  // The same recording goes on in the next name: the part written so far is
  // finished (finished is emitted for it) and a new file begins. False: the
  // recording could not go on; the caller stops it, Failure() says why and
  // the first part is kept.
  bool Cut();
  // Finishes the file, takes the chain down and runs the preview again when
  // both sources are still there (false: they are not; the graph is stopped).
  bool Stop();
  // Finishes the file and takes the chain down; the graph stays stopped.
  void Finish();
  // Stops the graph; a file being written is finished and handed out once.
  // The chain stays (a source change, a settings menu).
  void StopGraph();
  // The window is closing: the file is finished, later faults are ignored.
  void Close();
  // A recorded device went away (at `since`, when known): the recording
  // ends the normal way; the text to tell the user (empty when nothing was
  // recorded).
  QString EndForLostDevice(const QString &deviceName, const QDateTime &since = QDateTime());

  bool Recording() const { return capture_.Chaine(); }
  QString File() const { return capture_.Fichier(); }
  settings::CaptureFormatCode Format() const { return capture_.Format(); }
  QDateTime Started() const { return capture_.Debut(); }
  qint64 DurationMs(const QDateTime &now) const { return capture_.DureeMs(now); }
  bool ImageByImage() const { return imageByImage_; }
  int Images() const { return images_; }
  // An Image-by-Image frame was let through to the file.
  void CountImage() { ++images_; }
  // Video frames lost and written since the recording started, over every
  // part of it; -1 each when it records no picture.
  int Dropped() const;
  int NotDropped() const;
  TSceneFile *SceneFile() const { return scn_.get(); }
  // Why the last start or cut failed.
  QString Failure() const { return failure_; }
  // "The file … keeps what was recorded until …", for the messages after a fault.
  // `until`: the end of what is worth keeping, when it came before the stop.
  QString WhatIsKept(const QString &file, const QDateTime &until = QDateTime()) const;
  QString LastFile() const { return lastFile_; }

 signals:
  // A file began (the start, or the second part of a Cut).
  void started(const QString &file, settings::CaptureFormatCode format);
  void cut(const QString &finishedFile, const QString &newFile);
  // A file was finished; `kept` false when it held nothing and was removed.
  void finished(const QString &file, bool kept, int dropped, int notDropped);
  // The chain came out of the graph: no recording runs any more.
  void chainRemoved();
  // A start or a cut failed (what, and the graph's reason when it gave one).
  void failed(const QString &what, const QString &why);
  // The recording ended on its own (a write error, the disk reserve);
  // `previewBack` false when the sources did not start again.
  void endedOnFault(const QString &text, bool previewBack);
  // A recorded device went away and the recording ended (EndForLostDevice's text).
  void endedByLostDevice(const QString &text);
  // Something the user should read that needs no answer.
  void notice(const QString &text);
  // Frames were lost while a scene file was written: it may be wrong.
  void sceneFileDoubtful(const QString &sceneFile, int dropped);

 private:
  bool Build(settings::CaptureFormatCode format, const QString &file);
  bool ContinueIn(settings::CaptureFormatCode format, const QString &file);
  bool Abandon(const QString &file, const QString &what, const QString &why = QString());
  void OpenSceneFileFor(const QString &videoFile);
  void BeginTapeReport();
  void CloseSceneFile(int dropped);
  void FinishImageByImage(const QString &file);
  void HookGraphErrors();
  void EndOnFault(const QString &why, const QString &caveat = QString());
  bool SourcesThere() const;
  // Starts watching the part being written; once a second after that.
  void WatchPart();
  void CheckPart(bool ended = false);
  // The part's file, or the copy of it made when its name was removed.
  QString KeepRemovedFile(const QString &file);

  Tdm *dm_ = nullptr;
  VideoNames names_;
  RecordingOptions options_;
  TCaptureEnCours capture_;
  std::unique_ptr<TSceneFile> scn_;
  app::TapeReports tapeReports_;
  filters::Tvs_SceneDetect *sceneDetector_ = nullptr;  // the detector our callback is on
  bool imageByImage_ = false;
  int images_ = 0;
  bool stopping_ = false;     // our own stop: its errors are not write failures
  bool sourceError_ = false;  // the error being delivered came from a source
  bool hooked_ = false;
  bool closed_ = false;
  bool writeFailed_ = false;  // the file writer failed (a full disk): the end may be missing
  // A handle on the part being written, and the once-a-second look at it
  // (its name removed) and at the sources' gaps.
  platform::FileHold hold_;
  bool toldRemoved_ = false;
  QTimer watch_;
  // When the look at the part last ran (monotonic ms), and a stretch the
  // program did not run, told unless the sources tell it first.
  qint64 lastCheckMs_ = 0;
  struct Held {
    qint64 startMs, lengthMs, tellAtMs;
  };
  std::optional<Held> held_;
  // The chain's frame counter runs over every part a renamed writer takes, and
  // starts again with a rebuilt chain: what it read when this part began, and
  // what parts whose counter is gone came to.
  struct Counts {
    int dropped = 0, notDropped = 0;
  };
  Counts atPartStart_, earlierChains_;
  QString failure_;
  // The file the last stop finished (kept or removed) and when it stopped.
  QString lastFile_;
  QDateTime lastEnd_;
};

}  // namespace vistrel
