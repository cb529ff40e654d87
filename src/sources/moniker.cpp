#include "sources/moniker.h"

namespace vistrel::sources {

media::ElementRef DeviceMoniker::BindToObject() const {
  if (!factory_) return {};
  try {
    return factory_();
  } catch (...) {
    // A provider that throws must not take the enumeration down with it.
    return {};
  }
}

}  // namespace vistrel::sources
