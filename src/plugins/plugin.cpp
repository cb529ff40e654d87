#include "plugins/plugin.h"

#include <algorithm>

#include "vistrel_plugin.h"

#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>

#include <string>
#include <vector>

namespace vistrel::plugins {

Library::Library(const QString &path) {
  handle_ = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char *e = dlerror();
    error_ = QString::fromLocal8Bit(e ? e : "cannot load");
  }
}

Library::~Library() {
  if (handle_) dlclose(handle_);
}

void *Library::Symbol(const char *name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

namespace {

// Calls one of the two name exports with a buffer of the agreed size; a
// plug-in that forgets the terminating zero cannot make us read past it.
QByteArray ReadName(const Library &library, const char *exportName) {
  auto fn = library.Export<pi_drivername_fn>(exportName);
  if (!fn) return {};
  std::vector<char> buffer(VISTREL_PLUGIN_NAME_BUFFER + 1, 0);
  fn(buffer.data(), VISTREL_PLUGIN_NAME_BUFFER);
  buffer.back() = 0;
  return QByteArray(buffer.data());
}

}  // namespace

QString ReadDriverName(const Library &library) {
  return QString::fromLocal8Bit(ReadName(library, "pi_drivername")).left(255);
}

int TpluginList::IndexOfName(const QString &name) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[size_t(i)].DriverName == name) return i;
  return -1;
}

int ChargerPlugins(TpluginList &list, const QString &folder) {
  list.Clear();
  QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
  const QStringList files = dir.entryList({QStringLiteral("*.pcf")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  for (const QString &file : files) {
    const QString path = dir.absoluteFilePath(file);
    Library library(path);
    if (!library.IsLoaded()) continue;
    list.Add({ReadDriverName(library), path, true});
  }
  return list.Count();
}

std::vector<PluginReportLine> PluginReport(const TpluginList &list) {
  std::vector<PluginReportLine> lines;
  for (int i = 0; i < list.Count(); ++i) {
    const TpluginData &d = list.Item(i);
    lines.push_back({d.DriverName + QStringLiteral(" in ") + QFileInfo(d.FileName).fileName(), d.Usable});
  }
  return lines;
}

// ---------------------------------------------------------------------------

TPlugInCaptureDevice::TPlugInCaptureDevice(sources::GraphSlots &graphSlots, const QString &deviceName, int instance,
                                           const QString &fileName)
    : TCaptureDevice(graphSlots, deviceName, instance, deviceName) {
  Kind = sources::DeviceKind::PlugIn;
  try {
    auto library = std::make_unique<Library>(fileName);
    if (!library->IsLoaded()) return;
    if (ReadName(*library, "pi_drivername") != deviceName.toLocal8Bit()) return;
    library_ = std::move(library);
    const QString friendly = QString::fromLocal8Bit(ReadName(*library_, "pi_friendlyname"));
    DisplayName = instance >= 2 ? friendly + QStringLiteral(" #") + QString::number(instance) : friendly;
    if (auto create = library_->Export<pi_create_fn>("pi_create")) create(&handle_);
    if (handle_ == 0) return;
    if (auto source = library_->Export<pi_sourcefilter_fn>("pi_sourcefilter")) {
      GstElement *filter = nullptr;
      source(&handle_, &filter);
      SourceFilter = media::ElementRef::Adopt(filter);
    }
    int32_t count = 0;
    if (auto video = library_->Export<pi_nbstrelvideo_fn>("pi_nbstrelvideo")) video(&handle_, &count);
    VideoStreams = count > 0 ? count : 0;
    count = 0;
    if (auto audio = library_->Export<pi_nbstrelaudio_fn>("pi_nbstrelaudio")) audio(&handle_, &count);
    AudioStreams = count > 0 ? count : 0;
    Valid = true;
  } catch (...) {
    Valid = false;
  }
}

TPlugInCaptureDevice::~TPlugInCaptureDevice() {
  if (!library_) return;
  if (handle_ != 0) {
    if (auto destroy = library_->Export<pi_destroy_fn>("pi_destroy")) destroy(&handle_);
  }
  // Our references to the plug-in's objects go before its code does.
  SourceFilter.reset();
  library_.reset();
}

GstBin *TPlugInCaptureDevice::GraphBin() const { return GST_BIN(Slots().fg.Pipeline()); }

GstElement *TPlugInCaptureDevice::SetSourceGraph() {
  auto fn = library_ ? library_->Export<pi_setsourcegraph_fn>("pi_setsourcegraph") : nullptr;
  if (!fn) return nullptr;
  GstBin *graph = GraphBin();
  GstElement *filter = nullptr;
  fn(&handle_, &filter, &graph);
  if (filter) SourceFilter = media::ElementRef::Adopt(filter);
  return filter ? SourceFilter.get() : nullptr;
}

bool TPlugInCaptureDevice::KillSourceGraph() {
  auto fn = library_ ? library_->Export<pi_killsourcegraph_fn>("pi_killsourcegraph") : nullptr;
  if (!fn) return false;
  GstBin *graph = GraphBin();
  fn(&handle_, &graph);
  return true;
}

void TPlugInCaptureDevice::SetVideoGraph(int n) {
  Slots().VideoOutPin.reset();
  auto fn = library_ ? library_->Export<pi_setvideograph_fn>("pi_setvideograph") : nullptr;
  if (!fn) return;
  GstBin *graph = GraphBin();
  GstPad *pin = nullptr;
  GstElement *tee = nullptr;
  uint8_t inverted = Slots().SourceInverted ? 1 : 0, format1 = NativeFormat1, format2 = NativeFormat2;
  fn(&handle_, n, &pin, &graph, &inverted, &tee, &format2, &format1);
  Slots().VideoOutPin = media::PadRef::Adopt(pin);
  Slots().NativeVideoTee = media::ElementRef::Adopt(tee);
  Slots().SourceInverted = inverted != 0;
  NativeFormat1 = format1;
  NativeFormat2 = format2;
}

media::PadRef TPlugInCaptureDevice::SetAudioGraph(int n) {
  auto fn = library_ ? library_->Export<pi_setaudiograph_fn>("pi_setaudiograph") : nullptr;
  if (!fn) return {};
  GstBin *graph = GraphBin();
  GstPad *pin = nullptr;
  GstElement *tee = nullptr;
  fn(&handle_, n, &pin, &graph, &tee);
  Slots().NativeAudioTee = media::ElementRef::Adopt(tee);
  return media::PadRef::Adopt(pin);
}

bool TPlugInCaptureDevice::KillVideoGraph() {
  if (auto fn = library_ ? library_->Export<pi_killvideograph_fn>("pi_killvideograph") : nullptr) {
    GstBin *graph = GraphBin();
    GstObject *slot = nullptr;
    fn(&handle_, &slot, &graph);
    if (slot) gst_object_unref(slot);
  }
  Slots().NativeVideoTee.reset();
  return true;
}

bool TPlugInCaptureDevice::KillAudioGraph() {
  if (auto fn = library_ ? library_->Export<pi_killaudiograph_fn>("pi_killaudiograph") : nullptr) {
    GstBin *graph = GraphBin();
    GstObject *slot = nullptr;
    fn(&handle_, &slot, &graph);
    if (slot) gst_object_unref(slot);
  }
  Slots().NativeAudioTee.reset();
  return true;
}

bool TPlugInCaptureDevice::BuildMuxGraph(const QString &fileName) {
  auto fn = library_ ? library_->Export<pi_buildmuxgraph_fn>("pi_buildmuxgraph") : nullptr;
  if (!fn) return false;
  GstBin *graph = GraphBin();
  const std::wstring wide = fileName.toStdWString();
  std::vector<media::ElementRef> before = Slots().fg.Filters();
  fn(&handle_, &graph, wide.c_str());
  for (const media::ElementRef &e : Slots().fg.Filters()) {
    const bool added = std::none_of(before.begin(), before.end(), [&](const auto &b) { return b.get() == e.get(); });
    if (added && GST_OBJECT_FLAG_IS_SET(e.get(), GST_ELEMENT_FLAG_SINK)) {
      Slots().fg.AddRecordingSink(e.get());
      muxSinks_.push_back(e);
    }
  }
  return true;
}

bool TPlugInCaptureDevice::KillMuxGraph() {
  auto fn = library_ ? library_->Export<pi_killmuxgraph_fn>("pi_killmuxgraph") : nullptr;
  if (!fn) return false;
  for (const media::ElementRef &sink : muxSinks_) Slots().fg.ForgetRecordingSink(sink.get());
  muxSinks_.clear();
  GstBin *graph = GraphBin();
  fn(&handle_, &graph);
  return true;
}

sources::PluginHook MakePluginHook(TpluginList &list, sources::GraphSlots &graphSlots) {
  sources::PluginHook hook;
  hook.create = [&list, &graphSlots](const QString &name, int instance) -> std::unique_ptr<sources::TCaptureDevice> {
    const int index = list.IndexOfName(name);
    if (index < 0) return nullptr;
    const TpluginData &data = list.Item(index);
    if (!data.Usable) {
      // Claimed, but not tried again: the device stays unlisted.
      auto unusable = std::make_unique<TPlugInCaptureDevice>(graphSlots, name, instance, QString());
      return unusable;
    }
    return std::make_unique<TPlugInCaptureDevice>(graphSlots, name, instance, data.FileName);
  };
  hook.markUnusable = [&list](const QString &name) {
    const int index = list.IndexOfName(name);
    if (index >= 0) list.Item(index).Usable = false;
  };
  return hook;
}

}  // namespace vistrel::plugins
