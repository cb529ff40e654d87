// Parts the AVI capture chains share (the output file, the audio format and
// Cut serve every chain): taps, frame filler, dropped-frames counter, taking
// the chain down.
#include <QSet>
#include <deque>

#include "filters/vs_controlunit.h"
#include "graph/capture_avi_parts.h"
#include "graph/capture_avi_rules.h"
#include "media/recordingsink.h"
#include "media/startalign.h"
#include "sources/avsources.h"

namespace vistrel {
namespace avicapture {

namespace {
constexpr const char *kDroppedKey = "vistrel-capture-dropped";
constexpr const char *kFourCCKey = "vistrel-capture-fourcc";
constexpr const char *kAlignKey = "vistrel-capture-align";

// The chain's one aligner of the picture's and the sound's start, made by
// the first tap that asks.
media::StartAligner &Aligner(media::Graph &fg) {
  GObject *pipeline = G_OBJECT(fg.Pipeline());
  auto *aligner = static_cast<media::StartAligner *>(g_object_get_data(pipeline, kAlignKey));
  if (!aligner) {
    aligner = new media::StartAligner;
    g_object_set_data_full(pipeline, kAlignKey, aligner,
                           [](gpointer p) { delete static_cast<media::StartAligner *>(p); });
  }
  return *aligner;
}

GstElement *QueueOf(GstPad *pad) {
  media::ElementRef owner = media::ElementRef::Adopt(pad ? gst_pad_get_parent_element(pad) : nullptr);
  return owner.get();  // the graph keeps it alive
}
}  // namespace

GstElement *AddPart(media::Graph &fg, const char *factory, const QString &name) {
  media::ElementRef e = media::ElementRef::Adopt(gst_element_factory_make(factory, nullptr));
  if (!e) {
    fg.NoteFailure(
        QStringLiteral("no %1 element could be made (for \"Capture %2\")").arg(QString::fromUtf8(factory), name));
    return nullptr;
  }
  if (!fg.AddFilter(e.get(), QStringLiteral("Capture ") + name)) return nullptr;
  // A frame filler makes up frames lost on the way, never a stretch where
  // the source sent nothing or jumped in time (a camera that went away):
  // filling that wrote gigabytes of one repeated picture in seconds.
  if (g_strcmp0(factory, "videorate") == 0) {
    g_object_set(e.get(), "max-duplication-time", guint64(media::kMaxFilledGap), nullptr);
    Aligner(fg).FillSoundGaps();
  }
  return e.get();  // the graph holds it now
}

GstElement *AddCapsPart(media::Graph &fg, const QString &name, const char *caps) {
  GstElement *filter = AddPart(fg, "capsfilter", name);
  if (!filter) return nullptr;
  media::CapsRef c = media::CapsRef::Adopt(gst_caps_from_string(caps));
  g_object_set(filter, "caps", c.get(), nullptr);
  return filter;
}

bool Link(media::Graph &fg, GstElement *from, GstElement *to) { return from && to && fg.ConnectFilters(from, to); }

bool LinkPad(media::Graph &fg, GstPad *out, GstElement *to) {
  return out && to && fg.Connect(out, media::FirstUnconnectedPin(to, GST_PAD_SINK).get());
}

bool LinkChain(media::Graph &fg, GstPad *out, std::initializer_list<GstElement *> chain) {
  GstElement *previous = nullptr;
  for (GstElement *e : chain) {
    if (!e) return false;
    if (previous ? !Link(fg, previous, e) : (out && !LinkPad(fg, out, e))) return false;
    previous = e;
  }
  return true;
}

media::PadRef MuxInput(GstElement *mux, bool video) {
  if (!mux) return {};
  return media::PadRef::Adopt(gst_element_request_pad_simple(mux, video ? "video_%u" : "audio_%u"));
}

media::PadRef VideoTap(Tdm &dm, GstElement *tee, bool leaky) {
  media::PadRef out = dm.TeeOutput(tee, 2);
  GstElement *queue = QueueOf(out.get());
  if (!queue) return {};
  // About a second of frames rides out a slow moment of the encoder or the
  // disk; beyond that the oldest go (counted), never the preview.
  g_object_set(queue, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time", guint64(GST_SECOND), nullptr);
  if (leaky) g_object_set(queue, "leaky", 2 /* downstream: drop the oldest */, nullptr);
  auto *counter = new media::DroppedFrames;
  counter->WatchQueue(queue);
  Aligner(dm.fg()).WatchVideo(out.get());
  g_object_set_data_full(G_OBJECT(dm.fg().Pipeline()), kDroppedKey, counter,
                         [](gpointer p) { delete static_cast<media::DroppedFrames *>(p); });
  return out;
}

media::PadRef AudioTap(Tdm &dm, GstElement *tee) {
  media::PadRef out = dm.TeeOutput(tee, 2);
  GstElement *queue = QueueOf(out.get());
  if (!queue) return {};
  // Sound is small: hold up to three seconds while the muxer waits for video
  // (a frozen picture stops it taking sound). Past that the oldest goes
  // rather than holding the sound preview up.
  g_object_set(queue, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time", guint64(3 * GST_SECOND),
               "leaky", 2 /* downstream */, nullptr);
  media::PadRef queued = media::PadRef::Adopt(gst_element_get_static_pad(queue, "src"));
  Aligner(dm.fg()).WatchAudio(out.get(), queued.get());
  return out;
}

void LeadSound(Tdm &dm, guint64 samples) { Aligner(dm.fg()).LeadSound(samples); }

std::vector<media::CaptureGap> TakeCaptureGaps(Tdm &dm, bool ended) {
  auto *aligner = static_cast<media::StartAligner *>(g_object_get_data(G_OBJECT(dm.fg().Pipeline()), kAlignKey));
  return aligner ? aligner->TakeGaps(ended) : std::vector<media::CaptureGap>{};
}

void DeclareBranch(Tdm &dm, GstPad *tapOut, GstElement *sink) {
  GstElement *queue = QueueOf(tapOut);
  media::PadRef entry = media::PadRef::Adopt(queue ? gst_element_get_static_pad(queue, "sink") : nullptr);
  dm.fg().AddRecordingBranch(entry.get(), sink);
}

void CountWritten(Tdm &dm, GstPad *muxInput) {
  if (media::DroppedFrames *c = DroppedCounter(dm)) c->WatchOutput(muxInput);
}

media::DroppedFrames *DroppedCounter(const Tdm &dm) {
  return static_cast<media::DroppedFrames *>(
      g_object_get_data(G_OBJECT(const_cast<Tdm &>(dm).fg().Pipeline()), kDroppedKey));
}

void ForgetTapWatches(Tdm &dm) {
  g_object_set_data(G_OBJECT(dm.fg().Pipeline()), kDroppedKey, nullptr);
  g_object_set_data(G_OBJECT(dm.fg().Pipeline()), kAlignKey, nullptr);
}

bool IsRawVideo(GstElement *tee) {
  media::PadRef in = media::Pin(tee, 0);
  if (!in) return false;
  media::CapsRef caps = media::CurrentCaps(in.get());
  if (!caps) caps = media::CapsRef::Adopt(gst_pad_peer_query_caps(in.get(), nullptr));
  return caps && !gst_caps_is_empty(caps.get()) && !gst_caps_is_any(caps.get()) &&
         gst_structure_has_name(gst_caps_get_structure(caps.get(), 0), "video/x-raw");
}

bool IsDvDevice(const sources::TVideoSource *device) {
  return device && device->Device && device->Device->Kind == sources::DeviceKind::DV;
}

void SetPendingFourCC(GstElement *fileSink, const QString &fourCC) {
  g_object_set_data_full(G_OBJECT(fileSink), kFourCCKey, g_strdup(fourCC.toLatin1().constData()), g_free);
}

void ApplyPendingFourCC(GstElement *fileSink) {
  if (!fileSink) return;
  const char *fourCC = static_cast<const char *>(g_object_get_data(G_OBJECT(fileSink), kFourCCKey));
  gchar *location = nullptr;
  g_object_get(fileSink, "location", &location, nullptr);
  media::GCharPtr hold(location);
  if (fourCC && location) RewriteAviVideoFourCC(QString::fromLocal8Bit(location), QByteArray(fourCC));
}

media::PadRef ConvertedAudio(Tdm &dm, GstPad *tapOut) {
  if (!dm.acmcap) {
    dm.FailCapture("no audio converter (audioconvert) could be made");
    return {};
  }
  if (!dm.fg().AddFilter(dm.acmcap.get(), "acmcap") || !LinkPad(dm.fg(), tapOut, dm.acmcap.get())) {
    dm.FailCapture("the sound could not reach the audio converter");
    return {};
  }
  if (!dm.FormatAudioCapture(false)) {
    dm.FailCapture("the sound format of the capture could not be set");
    return {};
  }
  return media::FirstUnconnectedPin(dm.fg().FindFilter("Capture acmcap format"), GST_PAD_SRC);
}

GstElement *NativeAudioSource(Tdm &dm) {
  return dm.Slots().NativeAudioTee ? dm.Slots().NativeAudioTee.get() : dm.infdecaudio.get();
}

GstElement *AddFrameRate(Tdm &dm, GstPad *in, const char *framerate) {
  GstElement *rate = AddPart(dm.fg(), "videorate", "videorate");
  if (!rate) return nullptr;
  // Time stamps are kept as they come; only the first frame starts the count,
  // so a recording does not begin with a burst of copies.
  g_object_set(rate, "skip-to-first", TRUE, nullptr);
  if (in && !LinkPad(dm.fg(), in, rate)) return nullptr;
  if (!framerate) return rate;
  GstElement *caps = AddCapsPart(dm.fg(), "frame rate", (QByteArray("video/x-raw,framerate=") + framerate).constData());
  return Link(dm.fg(), rate, caps) ? caps : nullptr;
}

}  // namespace avicapture

using namespace avicapture;

bool Tdm::SetOutputFileName(const QString &muxFactory, const QString &file) {
  // What a failed build left goes first: one file per chain.
  if (CaptureSink) fg_.RemoveFilter(CaptureSink.get());
  if (CaptureMux) fg_.RemoveFilter(CaptureMux.get());
  CaptureSink.reset();
  CaptureMux.reset();
  if (file.isEmpty()) return FailCapture("no file name was given");
  media::ElementRef mux = media::ElementRef::Adopt(gst_element_factory_make(muxFactory.toUtf8().constData(), nullptr));
  media::ElementRef sink = media::ElementRef::Adopt(gst_element_factory_make("filesink", nullptr));
  if (!mux) return FailCapture(QStringLiteral("no muxer (%1) could be made").arg(muxFactory));
  if (!sink) return FailCapture("no file writer (filesink) could be made");
  media::AimRecordingSink(sink.get(), file);
  if (!fg_.AddFilter(mux.get(), "CaptureMux") || !fg_.AddFilter(sink.get(), "CaptureSink") ||
      !fg_.ConnectFilters(mux.get(), sink.get()))
    return FailCapture(QStringLiteral("the muxer (%1) could not be joined to its file writer").arg(muxFactory));
  CaptureMux = mux;
  CaptureSink = sink;
  return true;
}

bool Tdm::FormatAudioCapture(bool fromInput) {
  (void)fromInput;  // both sides of the converter are set by one caps filter after it
  if (!currentAudio_) return FailCapture("no sound device is connected");
  if (!acmcap) return FailCapture("no audio converter (audioconvert) could be made");
  const int rate = CaptureAudioRate(CaptureOptions, IsDvDevice(currentVideo_), audioRate_);
  // The converter cannot change the rate on its own: a resampler and a caps
  // filter after it make "its output format". They are spliced in once, even
  // when the converter's output is already linked.
  GstElement *caps = fg_.FindFilter("Capture acmcap format");
  if (!caps) {
    if (!fg_.Contains(acmcap.get())) return FailCapture("the audio converter (acmcap) is not in the graph");
    media::PadRef out = media::FirstUnconnectedPin(acmcap.get(), GST_PAD_SRC);
    media::PadRef downstream;
    if (!out) {
      out = media::FirstConnectedPin(acmcap.get(), GST_PAD_SRC);
      downstream = media::ConnectedTo(out.get());
      fg_.Disconnect(out.get());
    }
    GstElement *resample = AddPart(fg_, "audioresample", "acmcap resample");
    caps = AddCapsPart(fg_, "acmcap format", "audio/x-raw");
    if (!LinkChain(fg_, out.get(), {resample, caps}))
      return FailCapture("the sound could not reach the capture's resampler");
    if (downstream && !fg_.Connect(media::FirstUnconnectedPin(caps, GST_PAD_SRC).get(), downstream.get()))
      return FailCapture("the resampled sound could not go on where the converter fed");
  }
  media::CapsRef format = media::CapsRef::Adopt(
      gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING, "interleaved",
                          "channels", G_TYPE_INT, 2, "rate", G_TYPE_INT, rate, nullptr));
  g_object_set(caps, "caps", format.get(), nullptr);
  return true;
}

bool Tdm::RetirerCapture() {
  if (fg_.State() != GST_STATE_NULL) fg_.Stop();
  ApplyPendingFourCC(CaptureSink.get());
  // A plug-in takes its own recording chain out first; what it leaves is removed below.
  if (currentVideo_ && currentVideo_->Device && currentVideo_->Device->Kind == sources::DeviceKind::PlugIn)
    currentVideo_->Device->KillMuxGraph();

  // Everything downstream of the capture taps (pin 2 and beyond of the four
  // tees, and of the DV camcorder's tee of whole frames that the type-1 DV
  // chain taps) belongs to the chain, whoever built it.
  const media::ElementRef dvTee = media::ElementRef::Borrow(fg_.FindFilter(QStringLiteral("dv_muxinfinite")));
  const media::ElementRef *tees[] = {&NativeVideoTee, &NativeAudioTee, &infdecvideo, &infdecaudio, &dvTee};
  std::deque<media::ElementRef> todo;
  QSet<GstElement *> chain;
  for (const media::ElementRef *tee : tees) {
    if (!*tee) continue;
    const std::vector<media::PadRef> pins = media::Pins(tee->get());
    for (std::size_t i = 2; i < pins.size(); ++i)
      if (media::ElementRef peer = media::PeerElement(pins[i].get())) todo.push_back(peer);
  }
  while (!todo.empty()) {
    media::ElementRef e = std::move(todo.front());
    todo.pop_front();
    if (chain.contains(e.get()) || !fg_.Contains(e.get())) continue;
    chain.insert(e.get());
    for (const media::PadRef &p : media::Pins(e.get()))
      if (GST_PAD_DIRECTION(p.get()) == GST_PAD_SRC)
        if (media::ElementRef peer = media::PeerElement(p.get())) todo.push_back(peer);
  }
  for (GstElement *e : chain)
    if (e != infdumvideo.get()) fg_.RemoveFilter(e);  // its request pads go back below
  for (const media::ElementRef *tee : tees) {
    if (!*tee) continue;
    const std::vector<media::PadRef> pins = media::Pins(tee->get());
    // Pin 2 is the capture tap again next time.
    for (std::size_t i = 2; i < pins.size(); ++i) gst_element_release_request_pad(tee->get(), pins[i].get());
  }

  // What a half-built chain left unlinked. An unlinked file writer left in
  // the graph would stop the preview from running, so none stays.
  TakeOutTee(infdumvideo);
  for (const media::ElementRef *e : {&acmcap, &DVenc, &DVmux, &DVsplitter, &FileWriter, &writer}) TakeOut(*e);
  // The DV muxer keeps every input it was ever given: the next recording's
  // pair came beside the old one, the muxer waited for the old one forever
  // and the second "dv type 2 (recomp)" of a session wrote an empty file. A
  // muxer that was used is replaced by a fresh one.
  if (DVmux && media::Pins(DVmux.get()).size() > 1) DVmux = {};  // more than its output: made anew when used
  for (media::FilterSlot *s : {&divx, &mp3, &muxer, &AudioEncoder, &audioenc})
    if (s->Element() && fg_.Contains(s->Element())) fg_.RemoveFilter(s->Element());
  for (const char *name : {"AudioCap Tamponer", "VideoCap Tamponer", "Control_Capture_Video", "DV Header",
                           "Control Filter", "Resizer", "Wave Dest"})
    if (GstElement *own = OwnElement(name); own && fg_.Contains(own)) fg_.RemoveFilter(own);
  for (const media::ElementRef &f : fg_.Filters())
    if (fg_.GraphNameOf(GST_OBJECT(f.get())).startsWith("Capture")) fg_.RemoveFilter(f.get());
  CaptureSink.reset();
  CaptureMux.reset();
  DisconnectSplitter(*this);
  ControlFilter()->SetOnStop({});
  ForgetTapWatches(*this);

  // A DV source that decoded at half size for the recording previews at full
  // size again.
  if (DvHalfSize && IsDvDevice(currentVideo_)) return ReconnecterDvTaille(false);
  DvHalfSize = false;
  return true;
}

bool Tdm::ChangerFichierCapture(settings::CutBy cut, const QString &file) {
  if (fg_.State() != GST_STATE_NULL || file.isEmpty()) return false;
  GstElement *sink = nullptr;
  switch (cut) {
    case settings::CutBy::DeviceChain:
      if (!currentVideo_ || !currentVideo_->Device) return false;
      if (IsDvDevice(currentVideo_) && CaptureSink && fg_.Contains(CaptureSink.get())) {  // our own type-1 writer
        sink = CaptureSink.get();
        break;
      }
      // A device that writes format 1 itself (a plug-in) starts its chain over on the new file.
      currentVideo_->Device->KillMuxGraph();
      return currentVideo_->Device->BuildMuxGraph(file);
    case settings::CutBy::RenameSink:
      // Whichever writer this chain ends in: the muxer's sink, or the sound writer.
      for (GstElement *candidate : {CaptureSink.get(), FileWriter.get()})
        if (candidate && fg_.Contains(candidate)) {
          sink = candidate;
          break;
        }
      break;
    case settings::CutBy::Rebuild:
    case settings::CutBy::Nothing:
      return false;  // no writer of this chain can take a second file
  }
  if (!sink || !fg_.Contains(sink)) return false;
  // The part just finished gets what the muxer could not write into it.
  ApplyPendingFourCC(sink);
  g_object_set(sink, "location", file.toLocal8Bit().constData(), nullptr);
  return true;
}

int Tdm::CaptureDropped() const {
  const media::DroppedFrames *c = DroppedCounter(*this);
  return c ? c->Dropped() : -1;
}

std::vector<media::CaptureGap> Tdm::TakeCaptureGaps(bool ended) { return avicapture::TakeCaptureGaps(*this, ended); }

int Tdm::CaptureNotDropped() const {
  const media::DroppedFrames *c = DroppedCounter(*this);
  return c ? c->NotDropped() : -1;
}

bool Tdm::ReconnecterDvTaille(bool halfSize) {
  sources::TVideoSource *device = currentVideo_;
  DeconnecterVideo(device, false);
  DvHalfSize = halfSize;
  const bool ok = ConnecterVideo(device);
  fg_.Stop();
  emit VideoLabelChanged(VideoLabelText(sourceWidth_, sourceHeight_, frameDuration_, sourceFps_));
  return ok;
}

}  // namespace vistrel
