// /proc/stat text and message markup come from outside the program; neither
// may crash the readers or give loads outside 0..100.
#include "platform/cpuload.h"
#include "platform/dialogs.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  const qsizetype half = bytes.size() / 2;
  vistrel::platform::CpuLoad load;
  load.Update(QString::fromLatin1(bytes.left(half)));
  for (int v : load.Update(QString::fromLatin1(bytes.mid(half))))
    if (v < 0 || v > 100) std::abort();
  if (load.Busiest() < 0 || load.Busiest() > 100) std::abort();
  (void)vistrel::platform::DialogService::PlainText(QString::fromUtf8(bytes));
  return 0;
}
