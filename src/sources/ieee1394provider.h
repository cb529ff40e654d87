#pragma once
// DV camcorders on the IEEE 1394 bus, found by a scan of every port's nodes
// for an AV/C tape recorder unit.
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

struct raw1394_handle;

namespace vistrel::sources {

struct Raw1394HandleDeleter {
  void operator()(raw1394_handle *h) const;
};
// A libraw1394 handle, destroyed with its owner.
using Raw1394Handle = std::unique_ptr<raw1394_handle, Raw1394HandleDeleter>;
// A handle on one port (-1: on no port yet); null when it cannot be had.
Raw1394Handle OpenIeee1394Port(int port);

struct Ieee1394Camcorder {
  int port = 0;
  int node = 0;
  quint64 guid = 0;
  QString vendorModel;
};

// Every camcorder reachable now; empty when there is no 1394 support, no
// port, or no camcorder.
std::vector<Ieee1394Camcorder> ScanIeee1394();
// How many 1394 ports the system has (0 when the subsystem is unavailable).
int Ieee1394PortCount();

}  // namespace vistrel::sources
