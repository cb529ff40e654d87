#include "app/signal_monitor.h"

#include <cstdio>

#include "app/recorder.h"
#include "graph/avgraph.h"
#include "media/soundlevel.h"
#include "platform/dialogs.h"
#include "settings/captureformats.h"
#include "sources/avsources.h"

namespace vistrel {

namespace {

QString Seconds(qint64 ms) { return QString::number(double(ms) / 1000.0, 'g', 3); }

void LogUnattended(const QString &line) {
  // A run nobody watches keeps its record on stderr, as the dialogs do.
  if (!platform::DialogService::Instance().Unattended()) return;
  const QByteArray bytes = ("vistrel: " + line + "\n").toLocal8Bit();
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
  std::fflush(stderr);
}

}  // namespace

SignalMonitor::SignalMonitor(QObject *parent, SignalLimits limits) : QObject(parent), watch_(limits), limits_(limits) {
  clock_.start();
  poll_.setInterval(kPollMs);
  connect(&poll_, &QTimer::timeout, this, &SignalMonitor::Poll);
}

void SignalMonitor::Attach(Recorder *recorder, Tdm *dm) {
  dm_ = dm;
  if (dm) connect(dm, &Tdm::SoundLevelMeasured, this, &SignalMonitor::OnSound);
  if (!recorder) return;
  connect(recorder, &Recorder::started, this, [this](const QString &, settings::CaptureFormatCode format) {
    if (watch_.Running()) {
      watch_.Resume(clock_.elapsed());
      return;
    }
    const auto &info = settings::CaptureFormat(format);
    const auto *video = dm_ && info.picture ? dm_->CurrentVideoDevice() : nullptr;
    const auto *audio = dm_ && info.sound ? dm_->CurrentAudioDevice() : nullptr;
    Start(video ? video->Name : QString(), audio ? audio->Name : QString());
  });
  connect(recorder, &Recorder::chainRemoved, this, &SignalMonitor::Stop);
}

void SignalMonitor::Start(const QString &videoName, const QString &audioName) {
  videoName_ = videoName;
  audioName_ = audioName;
  watch_.Begin(clock_.elapsed(), !audioName.isEmpty(), !videoName.isEmpty());
  if (dm_) watch_.Frames(clock_.elapsed(), dm_->DecodedVideoFrames());
  poll_.start();
}

void SignalMonitor::Stop() {
  if (!watch_.Running()) return;
  const bool shown = !Warning().isEmpty();
  poll_.stop();
  watch_.End();
  if (shown) emit warningChanged(QString());
}

QString SignalMonitor::Warning() const {
  QStringList parts;
  if (watch_.Raised(SignalProblem::Silence)) parts << QStringLiteral("No sound from %1").arg(audioName_);
  if (watch_.Raised(SignalProblem::Stall)) parts << QStringLiteral("No picture from %1").arg(videoName_);
  return parts.join(QStringLiteral(" - "));
}

void SignalMonitor::OnSound(const media::SoundLevels &levels) { watch_.Sound(clock_.elapsed(), levels.LoudestRmsDb()); }

void SignalMonitor::Poll() {
  const qint64 now = clock_.elapsed();
  if (dm_) watch_.Frames(now, dm_->DecodedVideoFrames());
  Apply(watch_.Check(now));
}

void SignalMonitor::Apply(const std::vector<SignalChange> &changes) {
  if (changes.empty()) return;
  for (const SignalChange &c : changes) {
    const bool sound = c.problem == SignalProblem::Silence;
    const QString &name = sound ? audioName_ : videoName_;
    if (c.raised) {
      const QString what =
          sound ? QStringLiteral("The sound from \"%1\" has been below %2 dBFS for %3 s.")
                      .arg(name, QString::number(limits_.silenceDb), Seconds(limits_.silenceMs))
                : QStringLiteral("The picture from \"%1\" has sent no frame for %2 s, although the device is there.")
                      .arg(name, Seconds(limits_.stallMs));
      if (c.notice)
        emit notice(what + QStringLiteral("\nThe recording goes on; check the %1 (muted, unplugged cable, lens cap, "
                                          "another program holding it).")
                               .arg(sound ? QStringLiteral("microphone or its input") : QStringLiteral("camera")));
      else
        LogUnattended(QStringLiteral("warning: ") + what);
    } else {
      LogUnattended(sound ? QStringLiteral("the sound from \"%1\" is back").arg(name)
                          : QStringLiteral("the picture from \"%1\" is back").arg(name));
    }
  }
  emit warningChanged(Warning());
}

}  // namespace vistrel
