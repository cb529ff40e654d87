// The test MPEG encoder: a capture card with a hardware encoder, delivering
// an elementary MPEG-2 stream (or MPEG-1, its second format) encoded live,
// with uncompressed stereo sound beside it, and the picture taken before the
// encoder as a second, uncompressed output for the preview ("preview": I420
// at full, half and quarter size), the way such cards offer a preview pin.
#include "media/avvideoenc.h"
#include "sources/testdevice_bin.h"
#include "sources/testdevice_parts.h"

namespace vistrel::sources::detail {

namespace {

struct MpegFormat {
  int version, width, height, bitrate;
};
constexpr MpegFormat kMpeg2{2, 720, 576, 6000000};
constexpr MpegFormat kMpeg1{1, 352, 288, 1150000};

media::CapsRef OfferedCaps() {
  GstCaps *caps = gst_caps_new_empty();
  for (const MpegFormat &f : {kMpeg2, kMpeg1})
    gst_caps_append_structure(caps, gst_structure_new("video/mpeg", "mpegversion", G_TYPE_INT, f.version, "systemstream",
                                                      G_TYPE_BOOLEAN, FALSE, "width", G_TYPE_INT, f.width, "height",
                                                      G_TYPE_INT, f.height, "framerate", GST_TYPE_FRACTION, 25, 1,
                                                      "pixel-aspect-ratio", GST_TYPE_FRACTION, 16, 15, nullptr));
  return media::CapsRef::Adopt(caps);
}

media::CapsRef PreviewCaps() {
  GstCaps *caps = gst_caps_new_empty();
  for (int div : {1, 2, 4})
    gst_caps_append_structure(caps, gst_structure_new("video/x-raw", "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT,
                                                      kMpeg2.width / div, "height", G_TYPE_INT, kMpeg2.height / div,
                                                      "framerate", GST_TYPE_FRACTION, 25, 1, nullptr));
  return media::CapsRef::Adopt(caps);
}

// The raw picture split before the encoder: the encoder keeps the source's
// thread; the preview goes through a short leaky queue, so a slow or stopped
// preview never holds the encoded stream up. Gives the element whose output
// is the preview, or null.
GstElement *AddPreviewBranch(GstElement *bin, GstElement *raw, GstElement *enc) {
  GstElement *split = AddElement(bin, "tee", "split");
  GstElement *queue = AddElement(bin, "queue", "preview_queue");
  GstElement *scale = AddElement(bin, "videoscale", "preview_scale");
  GstElement *size = AddElement(bin, "capsfilter", "preview_size");
  if (!split || !queue || !scale || !size) return nullptr;
  g_object_set(queue, "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time", guint64(0), "leaky",
               2 /* downstream */, nullptr);
  g_object_set(size, "caps", PreviewCaps().get(), nullptr);
  if (!gst_element_link_many(raw, split, enc, nullptr) || !gst_element_link_many(split, queue, scale, size, nullptr))
    return nullptr;
  return size;
}

bool PrepareMpeg(GstElement *bin) {
  media::ElementRef raw = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(bin), "raw"));
  media::ElementRef enc = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(bin), "encoder"));
  media::PadRef ghost = media::PadRef::Adopt(gst_element_get_static_pad(bin, "video"));
  if (!raw || !enc || !ghost) return false;
  media::CapsRef choice = DownstreamChoice(ghost.get());
  int version = 2;
  if (choice && gst_caps_get_size(choice.get()) > 0)
    gst_structure_get_int(gst_caps_get_structure(choice.get(), 0), "mpegversion", &version);
  const MpegFormat &f = version == 1 ? kMpeg1 : kMpeg2;
  media::CapsRef rawCaps = media::CapsRef::Adopt(gst_caps_new_simple(
      "video/x-raw", "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT, f.width, "height", G_TYPE_INT, f.height,
      "framerate", GST_TYPE_FRACTION, 25, 1, "pixel-aspect-ratio", GST_TYPE_FRACTION, 16, 15, nullptr));
  g_object_set(raw.get(), "caps", rawCaps.get(), nullptr);
  g_object_set(enc.get(), "codec", version == 1 ? int(media::AvVideoCodec::Mpeg1) : int(media::AvVideoCodec::Mpeg2),
               "bitrate", f.bitrate, nullptr);
  return true;
}

}  // namespace

media::ElementRef MakeTestMpegEncoder() {
  media::ElementRef bin = NewDeviceBin("Vistrel Test MPEG Encoder", PrepareMpeg);
  media::ElementRef encoder = media::MakeAvVideoEncoder(media::AvVideoCodec::Mpeg2, kMpeg2.bitrate);
  GstElement *src = AddElement(bin.get(), "videotestsrc", "bars");
  GstElement *raw = AddElement(bin.get(), "capsfilter", "raw");
  if (!encoder || !src || !raw) return {};
  g_object_set(encoder.get(), "name", "encoder", nullptr);
  GstElement *enc = encoder.get();
  gst_bin_add(GST_BIN(bin.get()), encoder.release());
  // Moving bars: enough motion that the encoder has real work to do.
  g_object_set(src, "is-live", TRUE, "pattern", 0 /* smpte */, "horizontal-speed", 2, nullptr);
  GstElement *preview = gst_element_link(src, raw) ? AddPreviewBranch(bin.get(), raw, enc) : nullptr;
  if (!preview) return {};
  media::PadRef out = media::PadRef::Adopt(gst_element_get_static_pad(enc, "src"));
  media::CapsRef offered = OfferedCaps();
  if (!AddGhost(bin.get(), "video", out.get(), offered.get())) return {};
  media::PadRef previewOut = media::PadRef::Adopt(gst_element_get_static_pad(preview, "src"));
  media::CapsRef previewOffer = PreviewCaps();
  if (!AddGhost(bin.get(), "preview", previewOut.get(), previewOffer.get())) return {};
  if (!AddToneBranch(bin.get(), 1000.0)) return {};
  return bin;
}

}  // namespace vistrel::sources::detail
