#pragma once
// Everything the source boxes are built from: the two device lists, the
// source lists derived from them, the devices excluded for this run because
// they failed to start, and the user's check list of devices to show.
#include "sources/avsources.h"
#include "sources/devicelist.h"

#include <QSet>
#include <QStringList>

#include <functional>

namespace vistrel::sources {

// One line per device name ever listed; an unticked device is left out.
class SourceChecklist {
 public:
  bool Contains(const QString &name) const { return names_.contains(name); }
  bool IsTicked(const QString &name) const { return names_.contains(name) && !unticked_.contains(name); }
  void Add(const QString &name, bool ticked = true);
  void SetTicked(const QString &name, bool ticked);
  QStringList Names() const { return names_; }
  // The unticked names, for saving; and back.
  QStringList Unticked() const;
  void SetUnticked(const QStringList &names);

 private:
  QStringList names_;
  QSet<QString> unticked_;
};

class SourceCatalog {
 public:
  SourceCatalog(GraphSlots &graphSlots, SystemDeviceEnumerator &enumerator);
  ~SourceCatalog();

  // Rebuilds both device lists and both source lists, and merges the source
  // names into the two boxes ("no video stream" / "no audio stream" last).
  bool ChargerDrivers(QStringList &videoBox, QStringList &audioBox);

  // Leaves the device out of the lists for the rest of the run.
  void ExcludeDevice(const QString &deviceName);

  TVideoSource *FindVideo(const QString &name) const;
  TAudioSource *FindAudio(const QString &name) const;
  // The sound that goes with a picture: the device's own sound first, else
  // the first sound of a device that has no picture of its own (a
  // microphone, a sound card), never another picture device's sound; null
  // when there is none of either.
  TAudioSource *PairedAudio(const TVideoSource *video) const;
  // A box entry not listed now that is the saved choice `saved`: its device
  // is away and is waited for, rather than the first entry taken in its
  // place and saved over it. Not for "no … stream", nor for a device the
  // user unticked, one that failed to start, or one that is listed (a
  // plug-in names its source its own way).
  bool Awaits(const QString &name, const QString &saved) const;
  // The first sound of the device, or null.
  TAudioSource *OwnAudio(const TCaptureDevice *device) const;

  // Full stops of the current video and audio sources (the graph module's);
  // called before the source lists are rebuilt.
  std::function<void()> StopCurrentSources;
  // Called before a device that vanished is destroyed; stops whatever
  // current source uses it.
  std::function<void(TCaptureDevice *)> StopSourcesOf;

  TCaptureDeviceList VideoDevices;
  TCaptureDeviceList AudioDevices;
  TvideoSourcesList VideoSources;
  TAudioSourcesList AudioSources;
  QStringList FailedDevices;
  SourceChecklist Checklist;

 private:
  bool Listed(const QString &deviceName);
};

inline const QString kNoVideoStream = QStringLiteral("no video stream");
inline const QString kNoAudioStream = QStringLiteral("no audio stream");

}  // namespace vistrel::sources
