// The "vistrelavenc" element over libavcodec, built as a module of its own:
// libavcodec and the libraries it brings (some 11 MiB resident) are loaded
// only when a chain first asks for the encoder (media/avvideoenc.cpp).
#include <gmodule.h>
#include <gst/gst.h>
#include <gst/video/gstvideoencoder.h>
#include <gst/video/video.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
}

#include <cstring>
#include <map>
#include <mutex>

#include "media/avvideoenc.h"

namespace vistrel::media {

namespace {

struct AvEncElement {
  GstVideoEncoder parent;
  // Properties, written on the application thread, read when the encoder opens.
  int codec;
  int bitrate;
  int gopSize;
  int maxBFrames;
  int threads;
  // Streaming state, touched only on the streaming thread.
  AVCodecContext *ctx;
  AVFrame *picture;
  AVPacket *packet;
  GstVideoCodecState *input;
  std::map<gint64, GstClockTime> *ptsByFrame;  // input PTS of frames not yet out
  GstClockTime firstPts;
};

struct AvEncElementClass {
  GstVideoEncoderClass parent_class;
};

enum { PROP_0, PROP_CODEC, PROP_BITRATE, PROP_GOP, PROP_BFRAMES, PROP_THREADS };

GstVideoEncoderClass *g_parent = nullptr;

GType CodecEnumType() {
  static GType type = 0;
  static std::once_flag once;
  std::call_once(once, [] {
    static const GEnumValue values[] = {{int(AvVideoCodec::Mpeg1), "MPEG-1 video", "mpeg1"},
                                        {int(AvVideoCodec::Mpeg2), "MPEG-2 video", "mpeg2"},
                                        {int(AvVideoCodec::Mpeg4), "MPEG-4 part 2 (ASP)", "mpeg4"},
                                        {int(AvVideoCodec::Wmv2), "Windows Media Video 8", "wmv2"},
                                        {0, nullptr, nullptr}};
    type = g_enum_register_static("VistrelAvVideoCodec", values);
  });
  return type;
}

AvEncElement *Self(gpointer p) { return reinterpret_cast<AvEncElement *>(p); }

AVCodecID CodecId(int codec) {
  switch (AvVideoCodec(codec)) {
    case AvVideoCodec::Mpeg1:
      return AV_CODEC_ID_MPEG1VIDEO;
    case AvVideoCodec::Mpeg2:
      return AV_CODEC_ID_MPEG2VIDEO;
    case AvVideoCodec::Mpeg4:
      return AV_CODEC_ID_MPEG4;
    case AvVideoCodec::Wmv2:
      return AV_CODEC_ID_WMV2;
  }
  return AV_CODEC_ID_NONE;
}

void CloseCodec(AvEncElement *self) {
  avcodec_free_context(&self->ctx);
  av_frame_free(&self->picture);
  av_packet_free(&self->packet);
  self->ptsByFrame->clear();
  self->firstPts = GST_CLOCK_TIME_NONE;
}

// MPEG-4 part 2 goes out under the name downstream wants: a DivX 5 or Xvid
// stream makes avimux write the FourCC the user chose.
CapsRef Mpeg4Caps(GstVideoEncoder *enc) {
  CapsRef allowed = CapsRef::Adopt(gst_pad_get_allowed_caps(GST_VIDEO_ENCODER_SRC_PAD(enc)));
  if (allowed) {
    for (guint i = 0; i < gst_caps_get_size(allowed.get()); ++i) {
      const GstStructure *s = gst_caps_get_structure(allowed.get(), i);
      if (gst_structure_has_name(s, "video/x-divx"))
        return CapsRef::Adopt(gst_caps_from_string("video/x-divx,divxversion=(int)5"));
      if (gst_structure_has_name(s, "video/x-xvid")) return CapsRef::Adopt(gst_caps_from_string("video/x-xvid"));
      if (gst_structure_has_name(s, "video/mpeg")) break;
    }
  }
  return CapsRef::Adopt(gst_caps_from_string("video/mpeg,mpegversion=(int)4,systemstream=(boolean)false"));
}

CapsRef OutputCaps(AvEncElement *self) {
  switch (AvVideoCodec(self->codec)) {
    case AvVideoCodec::Mpeg1:
      return CapsRef::Adopt(gst_caps_from_string("video/mpeg,mpegversion=(int)1,systemstream=(boolean)false"));
    case AvVideoCodec::Mpeg2:
      return CapsRef::Adopt(gst_caps_from_string("video/mpeg,mpegversion=(int)2,systemstream=(boolean)false"));
    case AvVideoCodec::Mpeg4:
      return Mpeg4Caps(&self->parent);
    case AvVideoCodec::Wmv2:
      break;
  }
  CapsRef caps = CapsRef::Adopt(gst_caps_from_string("video/x-wmv,wmvversion=(int)2,format=(string)WMV2"));
  if (self->ctx && self->ctx->extradata && self->ctx->extradata_size > 0) {
    GstBuffer *data = gst_buffer_new_memdup(self->ctx->extradata, self->ctx->extradata_size);
    gst_caps_set_simple(caps.get(), "codec_data", GST_TYPE_BUFFER, data, nullptr);
    gst_buffer_unref(data);
  }
  return caps;
}

bool OpenCodec(AvEncElement *self) {
  CloseCodec(self);
  GstVideoEncoder *enc = &self->parent;
  const GstVideoInfo &info = self->input->info;
  const AVCodec *codec = avcodec_find_encoder(CodecId(self->codec));
  if (!codec) {
    GST_ELEMENT_ERROR(enc, LIBRARY, INIT, ("libavcodec has no encoder for this format"), (nullptr));
    return false;
  }
  self->ctx = avcodec_alloc_context3(codec);
  self->picture = av_frame_alloc();
  self->packet = av_packet_alloc();
  if (!self->ctx || !self->picture || !self->packet) return false;
  AVCodecContext *c = self->ctx;
  c->width = GST_VIDEO_INFO_WIDTH(&info);
  c->height = GST_VIDEO_INFO_HEIGHT(&info);
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  int fpsN = GST_VIDEO_INFO_FPS_N(&info), fpsD = GST_VIDEO_INFO_FPS_D(&info);
  if (fpsN <= 0 || fpsD <= 0) {  // variable rate: MPEG needs a nominal one
    fpsN = 25;
    fpsD = 1;
  }
  // Time stamps given to libavcodec are frame numbers; real times are kept
  // beside them, so irregular live input keeps its own times.
  c->time_base = AVRational{fpsD, fpsN};
  c->framerate = AVRational{fpsN, fpsD};
  c->sample_aspect_ratio = AVRational{GST_VIDEO_INFO_PAR_N(&info), GST_VIDEO_INFO_PAR_D(&info)};
  c->bit_rate = self->bitrate;
  c->gop_size = self->gopSize;
  c->max_b_frames = self->maxBFrames;
  c->thread_count = self->threads;
  // Frame rates outside the MPEG table (15 fps webcams) are written with the
  // extension codes instead of being refused.
  c->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
  if (self->codec == int(AvVideoCodec::Mpeg4)) {
    CapsRef caps = Mpeg4Caps(enc);
    const char *name = gst_structure_get_name(gst_caps_get_structure(caps.get(), 0));
    if (g_str_equal(name, "video/x-xvid"))
      c->codec_tag = MKTAG('X', 'V', 'I', 'D');
    else if (g_str_equal(name, "video/x-divx"))
      c->codec_tag = MKTAG('D', 'X', '5', '0');
  }
  int rc = avcodec_open2(c, codec, nullptr);
  if (rc < 0) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(rc, text, sizeof text);
    GST_ELEMENT_ERROR(enc, LIBRARY, SETTINGS,
                      ("The video encoder refused %dx%d at %d/%d fps", c->width, c->height, fpsN, fpsD),
                      ("avcodec_open2: %s", text));
    CloseCodec(self);
    return false;
  }
  CapsRef caps = OutputCaps(self);
  GstVideoCodecState *out = gst_video_encoder_set_output_state(enc, caps.release(), self->input);
  gst_video_codec_state_unref(out);
  const GstClockTime frame = gst_util_uint64_scale(GST_SECOND, fpsD, fpsN);
  gst_video_encoder_set_latency(enc, frame * self->maxBFrames, frame * self->maxBFrames);
  return true;
}

// Hands every packet libavcodec has ready to the base class, in decode order.
GstFlowReturn DrainPackets(AvEncElement *self) {
  GstVideoEncoder *enc = &self->parent;
  GstFlowReturn ret = GST_FLOW_OK;
  while (avcodec_receive_packet(self->ctx, self->packet) == 0) {
    AVPacket *pkt = self->packet;
    GstVideoCodecFrame *frame = gst_video_encoder_get_frame(enc, int(pkt->pts));
    if (!frame) {  // cannot happen unless libavcodec invents a frame: drop it
      av_packet_unref(pkt);
      continue;
    }
    frame->output_buffer = gst_buffer_new_memdup(pkt->data, pkt->size);
    if (pkt->flags & AV_PKT_FLAG_KEY)
      GST_VIDEO_CODEC_FRAME_SET_SYNC_POINT(frame);
    else
      GST_VIDEO_CODEC_FRAME_UNSET_SYNC_POINT(frame);
    // The decode time is the input time of the frame numbered pkt->dts; one
    // that would fall before the stream start is left for the base class to
    // infer rather than shifting every time stamp by an offset.
    auto &times = *self->ptsByFrame;
    auto it = times.find(pkt->dts);
    if (it != times.end()) {
      frame->dts = it->second;
    } else if (pkt->dts < 0 && GST_CLOCK_TIME_IS_VALID(self->firstPts) && frame->duration != GST_CLOCK_TIME_NONE &&
               self->firstPts >= GstClockTime(-pkt->dts) * frame->duration) {
      frame->dts = self->firstPts - GstClockTime(-pkt->dts) * frame->duration;
    }
    times.erase(times.begin(), times.upper_bound(std::min<gint64>(pkt->dts, pkt->pts) - 1));
    av_packet_unref(pkt);
    ret = gst_video_encoder_finish_frame(enc, frame);
    if (ret != GST_FLOW_OK) break;
  }
  return ret;
}

gboolean SetFormat(GstVideoEncoder *enc, GstVideoCodecState *state) {
  AvEncElement *self = Self(enc);
  if (self->input) gst_video_codec_state_unref(self->input);
  self->input = gst_video_codec_state_ref(state);
  return OpenCodec(self);
}

GstFlowReturn HandleFrame(GstVideoEncoder *enc, GstVideoCodecFrame *frame) {
  AvEncElement *self = Self(enc);
  if (!self->ctx) {
    gst_video_codec_frame_unref(frame);
    return GST_FLOW_NOT_NEGOTIATED;
  }
  GstVideoFrame vframe;
  if (!gst_video_frame_map(&vframe, &self->input->info, frame->input_buffer, GST_MAP_READ)) {
    gst_video_codec_frame_unref(frame);
    GST_ELEMENT_ERROR(enc, STREAM, ENCODE, ("Could not read a video frame"), (nullptr));
    return GST_FLOW_ERROR;
  }
  AVFrame *pic = self->picture;
  av_frame_unref(pic);
  pic->format = AV_PIX_FMT_YUV420P;
  pic->width = self->ctx->width;
  pic->height = self->ctx->height;
  if (av_frame_get_buffer(pic, 0) < 0) {
    gst_video_frame_unmap(&vframe);
    gst_video_codec_frame_unref(frame);
    return GST_FLOW_ERROR;
  }
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = GST_VIDEO_FRAME_COMP_HEIGHT(&vframe, plane);
    const int bytes = GST_VIDEO_FRAME_COMP_WIDTH(&vframe, plane);
    const auto *src = static_cast<const std::uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&vframe, plane));
    const int srcStride = GST_VIDEO_FRAME_PLANE_STRIDE(&vframe, plane);
    for (int y = 0; y < rows; ++y) std::memcpy(pic->data[plane] + y * pic->linesize[plane], src + y * srcStride, bytes);
  }
  gst_video_frame_unmap(&vframe);
  pic->pts = frame->system_frame_number;
  if (GST_VIDEO_CODEC_FRAME_IS_FORCE_KEYFRAME(frame))
    pic->pict_type = AV_PICTURE_TYPE_I;
  else
    pic->pict_type = AV_PICTURE_TYPE_NONE;
  (*self->ptsByFrame)[frame->system_frame_number] = frame->pts;
  if (!GST_CLOCK_TIME_IS_VALID(self->firstPts)) self->firstPts = frame->pts;
  gst_video_codec_frame_unref(frame);
  if (avcodec_send_frame(self->ctx, pic) < 0) {
    GST_ELEMENT_ERROR(enc, STREAM, ENCODE, ("The video encoder rejected a frame"), (nullptr));
    return GST_FLOW_ERROR;
  }
  return DrainPackets(self);
}

GstFlowReturn Finish(GstVideoEncoder *enc) {
  AvEncElement *self = Self(enc);
  if (!self->ctx) return GST_FLOW_OK;
  avcodec_send_frame(self->ctx, nullptr);
  GstFlowReturn ret = DrainPackets(self);
  // A drained libavcodec encoder takes no more frames: start afresh for any
  // stream that follows (a new recording on the same element).
  OpenCodec(self);
  return ret;
}

gboolean Flush(GstVideoEncoder *enc) {
  AvEncElement *self = Self(enc);
  return self->input ? OpenCodec(self) : TRUE;
}

gboolean Stop(GstVideoEncoder *enc) {
  AvEncElement *self = Self(enc);
  CloseCodec(self);
  if (self->input) gst_video_codec_state_unref(self->input);
  self->input = nullptr;
  return TRUE;
}

gboolean ProposeAllocation(GstVideoEncoder *enc, GstQuery *query) {
  gst_query_add_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
  return g_parent->propose_allocation(enc, query);
}

void SetProperty(GObject *obj, guint id, const GValue *value, GParamSpec *pspec) {
  AvEncElement *self = Self(obj);
  GST_OBJECT_LOCK(obj);
  switch (id) {
    case PROP_CODEC:
      self->codec = g_value_get_enum(value);
      break;
    case PROP_BITRATE:
      self->bitrate = g_value_get_int(value);
      break;
    case PROP_GOP:
      self->gopSize = g_value_get_int(value);
      break;
    case PROP_BFRAMES:
      self->maxBFrames = g_value_get_int(value);
      break;
    case PROP_THREADS:
      self->threads = g_value_get_int(value);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(obj, id, pspec);
  }
  GST_OBJECT_UNLOCK(obj);
}

void GetProperty(GObject *obj, guint id, GValue *value, GParamSpec *pspec) {
  AvEncElement *self = Self(obj);
  GST_OBJECT_LOCK(obj);
  switch (id) {
    case PROP_CODEC:
      g_value_set_enum(value, self->codec);
      break;
    case PROP_BITRATE:
      g_value_set_int(value, self->bitrate);
      break;
    case PROP_GOP:
      g_value_set_int(value, self->gopSize);
      break;
    case PROP_BFRAMES:
      g_value_set_int(value, self->maxBFrames);
      break;
    case PROP_THREADS:
      g_value_set_int(value, self->threads);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(obj, id, pspec);
  }
  GST_OBJECT_UNLOCK(obj);
}

void Finalize(GObject *obj) {
  AvEncElement *self = Self(obj);
  CloseCodec(self);
  if (self->input) gst_video_codec_state_unref(self->input);
  delete self->ptsByFrame;
  G_OBJECT_CLASS(g_parent)->finalize(obj);
}

void InstanceInit(GTypeInstance *instance, gpointer) {
  AvEncElement *self = Self(instance);
  self->codec = int(AvVideoCodec::Mpeg2);
  self->bitrate = 2000000;
  self->gopSize = 12;
  self->maxBFrames = 0;
  self->threads = 0;
  self->ctx = nullptr;
  self->picture = nullptr;
  self->packet = nullptr;
  self->input = nullptr;
  self->ptsByFrame = new std::map<gint64, GstClockTime>;
  self->firstPts = GST_CLOCK_TIME_NONE;
}

void ClassInit(gpointer klass, gpointer) {
  g_parent = GST_VIDEO_ENCODER_CLASS(g_type_class_peek_parent(klass));
  GObjectClass *gobject = G_OBJECT_CLASS(klass);
  gobject->set_property = SetProperty;
  gobject->get_property = GetProperty;
  gobject->finalize = Finalize;
  const auto rw = GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
  g_object_class_install_property(
      gobject, PROP_CODEC,
      g_param_spec_enum("codec", "Codec", "Output format", CodecEnumType(), int(AvVideoCodec::Mpeg2), rw));
  g_object_class_install_property(
      gobject, PROP_BITRATE,
      g_param_spec_int("bitrate", "Bit rate", "Average bits per second", 16000, 100000000, 2000000, rw));
  g_object_class_install_property(
      gobject, PROP_GOP, g_param_spec_int("gop-size", "GOP size", "Frames between key frames", 1, 600, 12, rw));
  g_object_class_install_property(
      gobject, PROP_BFRAMES,
      g_param_spec_int("max-bframes", "Max B-frames", "B-frames between references", 0, 4, 0, rw));
  g_object_class_install_property(
      gobject, PROP_THREADS, g_param_spec_int("threads", "Threads", "Encoder threads (0 = automatic)", 0, 16, 0, rw));

  GstElementClass *element = GST_ELEMENT_CLASS(klass);
  gst_element_class_set_static_metadata(element, "Vistrel video encoder", "Codec/Encoder/Video",
                                        "MPEG-1, MPEG-2, MPEG-4 ASP and WMV2 through libavcodec", "Vistrel");
  gst_element_class_add_pad_template(
      element, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS,
                                    gst_caps_from_string("video/x-raw,format=I420,width=[16,4096],height=[16,4096],"
                                                         "framerate=[0/1,2147483647/1]")));
  gst_element_class_add_pad_template(
      element,
      gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS,
                           gst_caps_from_string("video/mpeg,mpegversion=(int){1,2,4},systemstream=(boolean)false;"
                                                "video/x-divx,divxversion=(int)5;video/x-xvid;"
                                                "video/x-wmv,wmvversion=(int)2")));
  GstVideoEncoderClass *venc = GST_VIDEO_ENCODER_CLASS(klass);
  venc->set_format = SetFormat;
  venc->handle_frame = HandleFrame;
  venc->finish = Finish;
  venc->flush = Flush;
  venc->stop = Stop;
  venc->propose_allocation = ProposeAllocation;
}

GType AvEncType() {
  static GType type = 0;
  static std::once_flag once;
  std::call_once(once, [] {
    type = g_type_register_static_simple(GST_TYPE_VIDEO_ENCODER, "VistrelAvVideoEnc", sizeof(AvEncElementClass),
                                         ClassInit, sizeof(AvEncElement), InstanceInit, GTypeFlags(0));
  });
  return type;
}

}  // namespace

}  // namespace vistrel::media

extern "C" {

G_MODULE_EXPORT gboolean vistrel_avenc_register(void) {
  return gst_element_register(nullptr, "vistrelavenc", GST_RANK_NONE, vistrel::media::AvEncType());
}

G_MODULE_EXPORT gboolean vistrel_avenc_has_codec(int codec) {
  return avcodec_find_encoder(vistrel::media::CodecId(codec)) != nullptr;
}

}  // extern "C"
