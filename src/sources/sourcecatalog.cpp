#include "sources/sourcecatalog.h"

namespace vistrel::sources {

void SourceChecklist::Add(const QString &name, bool ticked) {
  if (!names_.contains(name)) names_ << name;
  SetTicked(name, ticked);
}

void SourceChecklist::SetTicked(const QString &name, bool ticked) {
  if (ticked)
    unticked_.remove(name);
  else if (names_.contains(name))
    unticked_.insert(name);
}

QStringList SourceChecklist::Unticked() const {
  QStringList out;
  for (const QString &n : names_)
    if (unticked_.contains(n)) out << n;
  return out;
}

void SourceChecklist::SetUnticked(const QStringList &names) {
  for (const QString &n : names)
    if (!n.isEmpty()) Add(n, false);
}

SourceCatalog::SourceCatalog(GraphSlots &graphSlots, SystemDeviceEnumerator &enumerator)
    : VideoDevices(graphSlots, enumerator, DeviceCategory::VideoInput),
      AudioDevices(graphSlots, enumerator, DeviceCategory::AudioInput) {
  auto before = [this](TCaptureDevice *device) {
    if (StopSourcesOf) StopSourcesOf(device);
  };
  VideoDevices.SetBeforeRemove(before);
  AudioDevices.SetBeforeRemove(before);
}

SourceCatalog::~SourceCatalog() {
  // Sources point into the devices; they go first.
  VideoSources.clear();
  AudioSources.clear();
}

void SourceCatalog::ExcludeDevice(const QString &deviceName) {
  if (!FailedDevices.contains(deviceName)) FailedDevices << deviceName;
}

bool SourceCatalog::Awaits(const QString &name, const QString &saved) const {
  if (name.isEmpty() || name != saved || name == kNoVideoStream || name == kNoAudioStream) return false;
  if (FindVideo(name) || FindAudio(name)) return false;
  // A source is named after its device, with " - Video", " #2" or "#2" after it.
  const auto ofDevice = [&](const QString &device) {
    return name == device || name.startsWith(device + QLatin1String(" - ")) ||
           name.startsWith(device + QLatin1String(" #")) || name.startsWith(device + QLatin1Char('#'));
  };
  for (const QString &device : FailedDevices)
    if (ofDevice(device)) return false;
  // Listed, under a plug-in's name for its source: not away.
  for (const TCaptureDeviceList *list : {&VideoDevices, &AudioDevices})
    for (int i = 0; i < list->Count(); ++i)
      if (ofDevice(list->Item(i)->DeviceName)) return false;
  for (const QString &device : Checklist.Unticked())
    if (ofDevice(device)) return false;
  return true;
}

bool SourceCatalog::Listed(const QString &deviceName) {
  if (FailedDevices.contains(deviceName)) return false;
  if (Checklist.Contains(deviceName)) return Checklist.IsTicked(deviceName);
  Checklist.Add(deviceName, true);
  return true;
}

bool SourceCatalog::ChargerDrivers(QStringList &videoBox, QStringList &audioBox) {
  try {
    if (StopCurrentSources) StopCurrentSources();
    VideoSources.clear();
    AudioSources.clear();
    VideoDevices.Refresh();
    AudioDevices.Refresh();
    for (int i = 0; i < VideoDevices.Count(); ++i) {
      TCaptureDevice *d = VideoDevices.Item(i);
      if (!Listed(d->DeviceName)) continue;
      for (int n = 1; n <= d->VideoStreams; ++n) VideoSources.push_back(std::make_unique<TVideoSource>(d, n));
      for (int n = 1; n <= d->AudioStreams; ++n) AudioSources.push_back(std::make_unique<TAudioSource>(d, n));
    }
    for (int i = 0; i < AudioDevices.Count(); ++i) {
      TCaptureDevice *d = AudioDevices.Item(i);
      if (!Listed(d->DeviceName)) continue;
      for (int n = 1; n <= d->AudioStreams; ++n) AudioSources.push_back(std::make_unique<TAudioSource>(d, n));
    }
    QStringList videoNames, audioNames;
    for (const auto &s : VideoSources) videoNames << s->Name;
    for (const auto &s : AudioSources) audioNames << s->Name;
    MergeBox(videoBox, videoNames, kNoVideoStream);
    MergeBox(audioBox, audioNames, kNoAudioStream);
    return true;
  } catch (...) {
    return false;
  }
}

TVideoSource *SourceCatalog::FindVideo(const QString &name) const {
  for (const auto &s : VideoSources)
    if (s->Name == name) return s.get();
  return nullptr;
}

TAudioSource *SourceCatalog::FindAudio(const QString &name) const {
  for (const auto &s : AudioSources)
    if (s->Name == name) return s.get();
  return nullptr;
}

TAudioSource *SourceCatalog::OwnAudio(const TCaptureDevice *device) const {
  if (!device) return nullptr;
  for (const auto &s : AudioSources)
    if (s->Device == device) return s.get();
  return nullptr;
}

TAudioSource *SourceCatalog::PairedAudio(const TVideoSource *video) const {
  if (video)
    if (auto *own = OwnAudio(video->Device)) return own;
  for (const auto &s : AudioSources)
    if (s->Device && s->Device->VideoStreams == 0) return s.get();
  return nullptr;
}

}  // namespace vistrel::sources
