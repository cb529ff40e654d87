#pragma once
// Capture plug-ins: shared objects named *.pcf in the plug-in folder that
// take over a device of the system by its friendly name and build its source
// sub-graph themselves through the pi_* exports.
#include "sources/capturedevice.h"
#include "sources/devicelist.h"

#include <QString>

#include <memory>
#include <vector>

namespace vistrel::plugins {

// A loaded shared object, closed with the object.
class Library {
 public:
  explicit Library(const QString &path);
  ~Library();
  Library(const Library &) = delete;
  Library &operator=(const Library &) = delete;
  bool IsLoaded() const { return handle_ != nullptr; }
  QString Error() const { return error_; }
  template <typename Fn> Fn Export(const char *name) const { return reinterpret_cast<Fn>(Symbol(name)); }

 private:
  void *Symbol(const char *name) const;
  void *handle_ = nullptr;
  QString error_;
};

// The driver name of a loaded library: the text up to its first zero byte,
// cut to 255 characters; empty when the export is missing.
QString ReadDriverName(const Library &library);

struct TpluginData {
  QString DriverName;
  QString FileName;
  bool Usable = true;
};

class TpluginList {
 public:
  int IndexOfName(const QString &name) const;
  int Count() const { return int(items_.size()); }
  TpluginData &Item(int index) { return items_[size_t(index)]; }
  const TpluginData &Item(int index) const { return items_[size_t(index)]; }
  void Clear() { items_.clear(); }
  void Add(TpluginData data) { items_.push_back(std::move(data)); }

 private:
  std::vector<TpluginData> items_;
};

// Fills the list from the folder's *.pcf files (in name order). A file that
// does not load is skipped. Returns the number listed.
int ChargerPlugins(TpluginList &list, const QString &folder);

// The lines of the system report: "<driver> in <file>", and whether usable.
struct PluginReportLine {
  QString Text;
  bool Usable;
};
std::vector<PluginReportLine> PluginReport(const TpluginList &list);

class TPlugInCaptureDevice : public sources::TCaptureDevice {
 public:
  // Loads the library and asks it; Valid when it answered as the device
  // contract requires (matching driver name and an instance).
  TPlugInCaptureDevice(sources::GraphSlots &graphSlots, const QString &deviceName, int instance, const QString &fileName);
  ~TPlugInCaptureDevice() override;

  void SetVideoGraph(int n) override;
  media::PadRef SetAudioGraph(int n) override;
  bool KillVideoGraph() override;
  bool KillAudioGraph() override;
  GstElement *SetSourceGraph() override;
  bool KillSourceGraph() override;
  bool BuildMuxGraph(const QString &fileName) override;
  bool KillMuxGraph() override;

  intptr_t Handle() const { return handle_; }

 private:
  GstBin *GraphBin() const;
  std::unique_ptr<Library> library_;
  // The file sinks the plug-in's recording chain added: declared to the
  // graph so that stopping finalizes the plug-in's file like our own.
  std::vector<media::ElementRef> muxSinks_;
  intptr_t handle_ = 0;
};

// Lets the device lists hand devices named like a usable plug-in's driver
// to that plug-in.
sources::PluginHook MakePluginHook(TpluginList &list, sources::GraphSlots &graphSlots);

}  // namespace vistrel::plugins
