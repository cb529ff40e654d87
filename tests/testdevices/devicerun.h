#pragma once
// Runs a test device's source bin in a plain pipeline and records what each
// of its pads delivered.
#include "media/gstref.h"

#include <gst/gst.h>

#include <QString>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vistrel::test {

struct PadRecord {
  media::CapsRef caps;                    // last caps seen
  std::vector<media::BufferRef> buffers;  // the first `keep` buffers
  int count = 0;
};

struct DeviceRun {
  QString error;  // first bus error, empty when none
  std::map<std::string, PadRecord> pads;
};

// Links each pad of `bin` named in `filters` through a capsfilter (empty
// string: none) to a synchronised fakesink, plays for `ms`, keeps up to `keep`
// buffers per pad. `during` runs on this thread `ms / 2` into the run.
DeviceRun RunDevice(GstElement *bin, const std::map<std::string, std::string> &filters, int ms, int keep = 8,
                    const std::function<void()> &during = {});

}  // namespace vistrel::test
