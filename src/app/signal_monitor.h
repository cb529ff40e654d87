#pragma once
// Watches a running capture for sound that went silent and a picture that
// stopped, while the device itself is still there (one that goes away is
// DeviceWatch's). It follows the recorder's start and end, takes the graph
// module's sound figures and reads its decoded-frame counter on a timer of
// the main thread; the rules are SignalWatch's. The window shows what it
// says: the status bar's warning and one notice per problem per capture.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "app/signal_watch.h"

namespace vistrel {

class Recorder;
class Tdm;

namespace media {
struct SoundLevels;
}

class SignalMonitor : public QObject {
  Q_OBJECT
 public:
  static constexpr int kPollMs = 250;

  explicit SignalMonitor(QObject *parent = nullptr, SignalLimits limits = {});
  // Follows this recorder's captures on this graph module.
  void Attach(Recorder *recorder, Tdm *dm);

  // What is missing, named by source; empty while all comes. Start takes the
  // names of the sides the capture records (empty: that side is not
  // watched).
  void Start(const QString &videoName, const QString &audioName);
  void Stop();
  QString Warning() const;

 signals:
  // The status bar's text; empty clears it.
  void warningChanged(const QString &text);
  // To be shown once, without waiting for an answer.
  void notice(const QString &text);

 private:
  void Poll();
  void OnSound(const media::SoundLevels &levels);
  void Apply(const std::vector<SignalChange> &changes);

  SignalWatch watch_;
  SignalLimits limits_;
  QPointer<Tdm> dm_;
  QTimer poll_;
  QElapsedTimer clock_;
  QString videoName_, audioName_;
};

}  // namespace vistrel
