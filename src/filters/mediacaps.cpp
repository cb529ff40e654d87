#include "filters/mediacaps.h"

#include <cstring>

namespace vistrel::filters {

media::CapsRef DvCaps() { return media::CapsRef::Adopt(gst_caps_from_string("video/x-dv")); }

media::CapsRef Rgb24Caps() { return media::CapsRef::Adopt(gst_caps_from_string("video/x-raw, format=(string)BGR")); }

bool IsDvCaps(const GstCaps *caps) {
  if (!caps || gst_caps_get_size(caps) == 0) return false;
  return gst_structure_has_name(gst_caps_get_structure(caps, 0), "video/x-dv");
}

bool IsRgb24Caps(const GstCaps *caps) {
  if (!caps || gst_caps_get_size(caps) == 0) return false;
  const GstStructure *s = gst_caps_get_structure(caps, 0);
  const char *format = gst_structure_get_string(s, "format");
  return gst_structure_has_name(s, "video/x-raw") && format && std::strcmp(format, "BGR") == 0;
}

bool VideoSize(const GstCaps *caps, int &width, int &height) {
  if (!caps || gst_caps_get_size(caps) == 0) return false;
  const GstStructure *s = gst_caps_get_structure(caps, 0);
  return gst_structure_get_int(s, "width", &width) && gst_structure_get_int(s, "height", &height) && width > 0 &&
         height > 0;
}

}  // namespace vistrel::filters
