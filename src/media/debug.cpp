#include "media/debug.h"

#include <array>
#include <mutex>

namespace vistrel::media {

namespace {
struct CategoryName {
  const char *name;
  const char *description;
};
constexpr std::array<CategoryName, 7> kCategories{{
    {"vistrel-media", "Vistrel media layer: graph, links, states"},
    {"vistrel-graph", "Vistrel preview and capture chains"},
    {"vistrel-sources", "Vistrel devices, sources and media types"},
    {"vistrel-filters", "Vistrel own filters"},
    {"vistrel-app", "Vistrel controller: recording, grabs, sources"},
    {"vistrel-settings", "Vistrel settings and stores"},
    {"vistrel-plugins", "Vistrel capture plug-ins"},
}};
}  // namespace

GstDebugCategory *DebugCategory(Subsystem subsystem) {
  static std::array<GstDebugCategory *, kCategories.size()> categories{};
  static std::once_flag once;
  std::call_once(once, [] {
    for (size_t i = 0; i < kCategories.size(); ++i)
      categories[i] = _gst_debug_category_new(kCategories[i].name, 0, kCategories[i].description);
  });
  return categories[size_t(subsystem)];
}

}  // namespace vistrel::media
