#pragma once
// Load of each processor, for the CPU gauge. Fed with the text of /proc/stat
// so it can be checked on recorded samples.
#include <QString>

#include <cstdint>
#include <vector>

namespace vistrel::platform {

class CpuLoad {
 public:
  // Takes a new sample and returns the load of each CPU in percent (0..100)
  // since the previous sample, in CPU order. The first sample, and a CPU that
  // was not in the previous sample, give 0. The "cpu" total line is left out.
  std::vector<int> Update(const QString &procStatText);

  // The load of the busiest CPU at the last update, in percent; 0 before.
  int Busiest() const;

  // The loads returned by the last update.
  const std::vector<int> &Loads() const { return loads_; }

  // The current text of /proc/stat; empty when it cannot be read.
  static QString ReadProcStat();

 private:
  struct Counters {
    int index = -1;
    std::uint64_t total = 0, idle = 0;
  };
  std::vector<Counters> previous_;
  std::vector<int> loads_;
};

}  // namespace vistrel::platform
