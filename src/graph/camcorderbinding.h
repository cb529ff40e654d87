#pragma once
// What the graph module asks of the controller's camcorder windows when a
// source with a tape transport comes and goes. The windows are widgets, so
// the controller implements this and hands it to Tdm.
namespace vistrel::sources {
class TavStrel;
}

namespace vistrel {

class CamcorderBinding {
 public:
  virtual ~CamcorderBinding() = default;
  // `source` was connected and has a transport; `other` is the current
  // source of the other side (null when none). Sets source.CamWindow.
  virtual void Lier(sources::TavStrel &source, sources::TavStrel *other) = 0;
  // `source` is being disconnected; `full` releases its device, `shared`
  // says the other side still uses that device.
  virtual void Delier(sources::TavStrel &source, bool full, bool shared) = 0;
};

}  // namespace vistrel
