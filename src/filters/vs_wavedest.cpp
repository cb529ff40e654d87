#include "filters/vs_wavedest.h"

#include <gst/audio/audio.h>

#include <cstring>

namespace vistrel::filters {

namespace {

void Put16(std::vector<std::uint8_t> &v, std::size_t at, std::uint32_t x) {
  v[at] = static_cast<std::uint8_t>(x);
  v[at + 1] = static_cast<std::uint8_t>(x >> 8);
}

void Put32(std::vector<std::uint8_t> &v, std::size_t at, std::uint32_t x) {
  Put16(v, at, x & 0xFFFF);
  Put16(v, at + 2, x >> 16);
}

constexpr const char *kAccepted =
    "audio/x-raw, layout=(string)interleaved, format=(string){ U8, S16LE, S24LE, S32LE, F32LE, F64LE }; "
    "audio/x-alaw; audio/x-mulaw";

media::CapsRef SegmentBytes(GstSegment &seg) {
  gst_segment_init(&seg, GST_FORMAT_BYTES);
  return {};
}

}  // namespace

std::vector<std::uint8_t> WaveFormatFor(const GstCaps *caps) {
  std::vector<std::uint8_t> f;
  if (!caps || gst_caps_get_size(caps) == 0 || !gst_caps_is_fixed(caps)) return f;
  const GstStructure *s = gst_caps_get_structure(caps, 0);
  int rate = 0, channels = 0;
  if (!gst_structure_get_int(s, "rate", &rate) || !gst_structure_get_int(s, "channels", &channels) || rate <= 0 ||
      channels <= 0 || channels > 0xFFFF)
    return f;
  std::uint32_t tag = 0, bits = 0;
  if (gst_structure_has_name(s, "audio/x-alaw")) {
    tag = 6;
    bits = 8;
  } else if (gst_structure_has_name(s, "audio/x-mulaw")) {
    tag = 7;
    bits = 8;
  } else if (gst_structure_has_name(s, "audio/x-raw")) {
    const char *format = gst_structure_get_string(s, "format");
    const char *layout = gst_structure_get_string(s, "layout");
    if (!format || (layout && std::strcmp(layout, "interleaved") != 0)) return f;
    const GstAudioFormatInfo *info = gst_audio_format_get_info(gst_audio_format_from_string(format));
    if (!info || info->format == GST_AUDIO_FORMAT_UNKNOWN) return f;
    const bool le = GST_AUDIO_FORMAT_INFO_IS_LITTLE_ENDIAN(info) || GST_AUDIO_FORMAT_INFO_WIDTH(info) == 8;
    const bool isFloat = GST_AUDIO_FORMAT_INFO_IS_FLOAT(info);
    const bool isSigned = GST_AUDIO_FORMAT_INFO_IS_SIGNED(info);
    bits = static_cast<std::uint32_t>(GST_AUDIO_FORMAT_INFO_WIDTH(info));
    if (GST_AUDIO_FORMAT_INFO_DEPTH(info) != static_cast<int>(bits) || !le) return f;
    if (isFloat && (bits == 32 || bits == 64)) tag = 3;
    else if (!isFloat && bits == 8 && !isSigned) tag = 1;  // 8-bit WAV data is unsigned
    else if (!isFloat && bits > 8 && isSigned) tag = 1;
    else return f;
  } else {
    return f;
  }
  const std::uint32_t blockAlign = bits / 8 * static_cast<std::uint32_t>(channels);
  f.assign(18, 0);
  Put16(f, 0, tag);
  Put16(f, 2, static_cast<std::uint32_t>(channels));
  Put32(f, 4, static_cast<std::uint32_t>(rate));
  Put32(f, 8, static_cast<std::uint32_t>(rate) * blockAlign);
  Put16(f, 12, blockAlign);
  Put16(f, 14, bits);
  Put16(f, 16, 0);  // cbSize
  return f;
}

std::vector<std::uint8_t> WaveHeader(const std::vector<std::uint8_t> &format, std::uint32_t dataLength) {
  const std::uint32_t cb = static_cast<std::uint32_t>(format.size());
  const std::uint32_t headerSize = cb + 28;
  std::vector<std::uint8_t> h(headerSize, 0);
  std::memcpy(h.data(), "RIFF", 4);
  Put32(h, 4, dataLength + headerSize - 8);
  std::memcpy(h.data() + 8, "WAVE", 4);
  std::memcpy(h.data() + 12, "fmt ", 4);
  Put32(h, 16, cb);
  if (cb) std::memcpy(h.data() + 20, format.data(), cb);
  std::memcpy(h.data() + 20 + cb, "data", 4);
  Put32(h, 24 + cb, dataLength);
  return h;
}

media::CapsRef Tvs_WaveDest::AcceptedCaps() const { return media::CapsRef::Adopt(gst_caps_from_string(kAccepted)); }

media::HRESULT Tvs_WaveDest::CheckInputType(const GstCaps *caps) {
  return WaveFormatFor(caps).empty() ? media::S_FALSE : media::S_OK;
}

media::CapsRef Tvs_WaveDest::OutputCapsFor(const GstCaps *input) const {
  if (gst_caps_is_empty(input)) return media::CapsRef::Adopt(gst_caps_new_empty());
  return media::CapsRef::Adopt(gst_caps_from_string("audio/x-wav"));
}

media::CapsRef Tvs_WaveDest::InputCapsFor(const GstCaps *output) const {
  media::CapsRef wav = media::CapsRef::Adopt(gst_caps_from_string("audio/x-wav"));
  if (!gst_caps_can_intersect(output, wav.get())) return media::CapsRef::Adopt(gst_caps_new_empty());
  return AcceptedCaps();
}

media::HRESULT Tvs_WaveDest::CheckTransform(const GstCaps *in, const GstCaps *out) {
  if (CheckInputType(in) != media::S_OK) return media::VFW_E_TYPE_NOT_ACCEPTED;
  const GstStructure *s = gst_caps_get_size(out) ? gst_caps_get_structure(out, 0) : nullptr;
  return s && gst_structure_has_name(s, "audio/x-wav") ? media::S_OK : media::S_FALSE;
}

media::HRESULT Tvs_WaveDest::SetMediaType(const GstCaps *in, const GstCaps *) {
  format_ = WaveFormatFor(in);
  headerSize_ = static_cast<std::uint32_t>(format_.size()) + 28;
  return format_.empty() ? media::E_FAIL : media::S_OK;
}

media::HRESULT Tvs_WaveDest::StartStreaming() {
  dataLength_ = 0;
  placeholderWritten_ = false;
  headerFinal_ = false;
  return media::S_OK;
}

bool Tvs_WaveDest::WriteHeader(media::FilterPads &pads) {
  // A byte segment starting at 0 makes the file sink seek to the start.
  GstSegment seg;
  SegmentBytes(seg);
  if (!pads.PushEvent(gst_event_new_segment(&seg))) return false;
  const std::vector<std::uint8_t> header = WaveHeader(format_, dataLength_);
  GstBuffer *buf = gst_buffer_new_memdup(header.data(), header.size());
  GST_BUFFER_OFFSET(buf) = 0;
  GST_BUFFER_OFFSET_END(buf) = header.size();
  const bool ok = pads.PushBuffer(buf) == GST_FLOW_OK;
  if (ok) placeholderWritten_ = true;
  return ok;
}

bool Tvs_WaveDest::SinkEvent(GstEvent *event, media::FilterPads &pads) {
  switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_SEGMENT:
      // The output is a byte stream: the header placeholder, then the data.
      gst_event_unref(event);
      if (format_.empty()) return true;
      WriteHeader(pads);
      return true;
    case GST_EVENT_EOS:
      if (!format_.empty() && !headerFinal_) {
        WriteHeader(pads);
        headerFinal_ = true;
      }
      return false;  // the element forwards the EOS
    default:
      return false;
  }
}

media::HRESULT Tvs_WaveDest::Transform(media::SampleView &in, media::SampleView &out) {
  media::MappedBuffer src(in.buffer(), GST_MAP_READ);
  std::size_t n = 0;
  {
    media::MappedBuffer dst(out.buffer(), GST_MAP_WRITE);
    if (!src.ok() || !dst.ok()) return media::E_FAIL;
    n = std::min(src.size(), dst.size());
    std::memcpy(dst.data(), src.data(), n);
  }
  const std::uint64_t position = static_cast<std::uint64_t>(headerSize_) + dataLength_;
  if (position + n > limit_) {
    // The file would pass the limit: the stream fails, with the header
    // written for what was recorded so far.
    if (pads_ && !headerFinal_) {
      WriteHeader(*pads_);
      headerFinal_ = true;
    }
    return media::E_FAIL;
  }
  GST_BUFFER_PTS(out.buffer()) = GST_CLOCK_TIME_NONE;
  GST_BUFFER_DTS(out.buffer()) = GST_CLOCK_TIME_NONE;
  GST_BUFFER_DURATION(out.buffer()) = GST_CLOCK_TIME_NONE;
  out.SetMediaTime(static_cast<std::int64_t>(position), static_cast<std::int64_t>(position + n));
  dataLength_ += static_cast<std::uint32_t>(n);
  return media::S_OK;
}

}  // namespace vistrel::filters
