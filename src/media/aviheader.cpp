#include "media/aviheader.h"

namespace vistrel::media {

bool RewriteAviVideoRate(const QString &, std::uint32_t, std::uint32_t) { return false; }

}  // namespace vistrel::media
