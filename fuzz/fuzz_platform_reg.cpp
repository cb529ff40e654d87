// Feeds arbitrary bytes to the .reg reader. Whatever it makes of them, writing
// the tree out and reading that again must give the same text.
#include "platform/registry.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  const QByteArray once = vistrel::platform::NormalizeRegText(bytes);
  const QByteArray twice = vistrel::platform::NormalizeRegText(once);
  if (once != twice) __builtin_trap();
  return 0;
}
