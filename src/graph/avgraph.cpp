#include "graph/avgraph.h"

#include "filters/vs_controlunit.h"
#include "filters/vs_dvheader.h"
#include "filters/vs_resizer.h"
#include "filters/vs_scenedetect.h"
#include "filters/vs_superposer.h"
#include "filters/vs_timestamper.h"
#include "filters/vs_wavedest.h"
#include "graph/audiorenderer.h"
#include "media/pins.h"
#include "media/requirements.h"
#include "sources/avsources.h"
#include "ui/videowindow.h"

namespace vistrel {

namespace {
media::ElementRef Make(const char *factory) {
  return media::ElementRef::Adopt(media::CreateElement(QString::fromLatin1(factory)));
}
}  // namespace

Tdm::Tdm(QObject *parent)
    : QObject(parent),
      NativeVideoTee(slots_.NativeVideoTee),
      NativeAudioTee(slots_.NativeAudioTee),
      VideoOutPin(slots_.VideoOutPin),
      DvHalfSize(slots_.DvHalfSize) {
  setObjectName("dm");
  DataModuleCreate();
  connect(&fg_, &media::Graph::BusMessage, this, [this](const media::MessageRef &message) {
    if (auto levels = media::ReadSoundLevels(message.get())) emit SoundLevelMeasured(*levels);
  });
}

Tdm::~Tdm() {
  DataModuleDestroy();
  ClearGraph();
  // An own-filter element calls its object when it goes, so the elements
  // must go before the objects they point to.
  slots_.PreviewVideoControl.reset();
  slots_.PreviewAudioControl.reset();
  own_.clear();
}

void Tdm::DataModuleCreate() {
  if (created_) return;
  created_ = true;
  color1 = Make("videoconvert");
  // The window's converter also scales, so a window smaller than the
  // picture is given only the pixels it shows.
  color3 = Make("videoconvertscale");
  if (color3) {
    g_object_set(color3.get(), "add-borders", FALSE, nullptr);
    previewFit_.SetConverter(color3.get());
  } else {
    color3 = Make("videoconvert");
  }
  infdecvideo = Make("tee");
  infdecaudio = Make("tee");
  infdumvideo = Make("tee");
  infsupaudio = Make("tee");
  infsupvideo = Make("tee");
  acmcap = Make("audioconvert");
  FileWriter = Make("filesink");
  writer = Make("filesink");
  null = Make("fakesink");
  // The DV encoder and muxer are made by the first chain that needs them:
  // their plug-in brings some 20 MiB of libraries a preview never uses.
  DVsplitter = Make("dvdemux");
  soundLevel_ = media::MakeSoundLevelBin();
  // The tee lives for the run, so its input pad does too.
  decodedFrames_.Watch(media::PadRef::Adopt(gst_element_get_static_pad(infdecvideo.get(), "sink")).get());
  if (auto f = media::GstRef<GstElementFactory>::Adopt(gst_element_factory_find("lamemp3enc"))) mp3.Bind(f.get());

  AudioRendererParts audio = MakeAudioRenderer();
  audioRenderer_ = audio.bin;
  soundOutput_ = audio.soundOutput;
  if (audio.volume) fg_.SetVolumeElement(audio.volume.get());

  CreateOwnFilters();
}

void Tdm::CreateOwnFilters() {
  superposer_ = std::make_unique<filters::Tvs_Superposer>();
  for (auto &s : stamper_) s = std::make_unique<filters::Tvs_TimeStamper>();
  dvHeader_ = std::make_unique<filters::Tvs_DVheader>();
  control_ = std::make_unique<filters::Tvs_ControlFilter>();
  resizer_ = std::make_unique<filters::TVS_Resizer>();
  waveDest_ = std::make_unique<filters::Tvs_WaveDest>();
  // The preview stampers strip times so the preview shows each frame as it
  // comes instead of waiting for its moment.
  TamponerVideo()->ClearTimes();
  TamponerAudio()->ClearTimes();

  AddOwn("Superposer", superposer_.get());
  AddOwn("VideoCap Tamponer", stamper_[0].get());
  AddOwn("DV Header", dvHeader_.get());
  AddOwn("Control Filter", control_.get());
  AddOwn("Resizer", resizer_.get());
  AddOwn("AudioCap Tamponer", stamper_[1].get());
  AddOwn("Wave Dest", waveDest_.get());
  AddOwn("Tamponer Video", stamper_[2].get());
  AddOwn("Tamponer Audio", stamper_[3].get());
  AddOwn("Control_Preview_Video", stamper_[4].get());
  AddOwn("Control_Preview_Audio", stamper_[5].get());
  AddOwn("Control_Capture_Video", stamper_[6].get());

  // The devices place the preview gates themselves.
  slots_.PreviewVideoControl = media::ElementRef::Borrow(OwnElement("Control_Preview_Video"));
  slots_.PreviewAudioControl = media::ElementRef::Borrow(OwnElement("Control_Preview_Audio"));
  if (events_) superposer_->SetEvents(events_);
}

void Tdm::AddOwn(const QString &graphName, media::OwnFilter *object) {
  own_.push_back({graphName, object, media::MakeOwnFilterElement(object, graphName.toUtf8().constData())});
}

GstElement *Tdm::OwnElement(const QString &graphName) const {
  for (const auto &o : own_)
    if (o.graphName == graphName) return o.element.get();
  return nullptr;
}

media::OwnFilter *Tdm::OwnObject(const QString &graphName) const {
  for (const auto &o : own_)
    if (o.graphName == graphName) return o.object;
  return nullptr;
}

void Tdm::DataModuleDestroy() {
  if (!created_) return;
  fg_.Stop();
  if (currentVideo_) DeconnecterVideo(currentVideo_, true);
  if (currentAudio_) DeconnecterAudio(currentAudio_, true);
  for (const auto &f : fg_.Filters())
    if (!IsComponent(f.get())) fg_.RemoveFilter(f.get());
}

GstElement *Tdm::UseDvEncoder() {
  if (!DVenc) DVenc = Make("avenc_dvvideo");
  return DVenc.get();
}

GstElement *Tdm::UseDvMuxer() {
  if (!DVmux) DVmux = Make("avmux_dv");
  return DVmux.get();
}

bool Tdm::IsComponent(GstElement *e) const {
  for (const media::ElementRef *c :
       {&color1, &color3, &infdecvideo, &infdecaudio, &infdumvideo, &infsupaudio, &infsupvideo, &acmcap, &FileWriter,
        &writer, &null, &DVenc, &DVmux, &DVsplitter, &audioRenderer_, &soundLevel_})
    if (c->get() == e) return true;
  for (const media::FilterSlot *s : {&test, &divx, &mp3, &decoder, &AudioEncoder, &source, &muxer, &audioenc})
    if (s->Element() == e) return true;
  return e == VideoRenderer();
}

bool Tdm::LancerGraphe() {
  runFailure_.clear();
  if (fg_.Filters().empty()) {
    runFailure_ = QStringLiteral("the graph has nothing to run: no source is connected");
    return false;
  }
  if (fg_.Run()) return true;
  runFailure_ = fg_.LastFailure();
  fg_.Stop();
  return false;
}

bool Tdm::StopGraph() { return fg_.Stop(); }

void Tdm::ClearGraph() {
  fg_.ClearRecordingBranches();
  for (const auto &f : fg_.Filters()) fg_.RemoveFilter(f.get());
}

void Tdm::SetVideoWindow(ui::VideoWindow *window) {
  window_ = window;
  videoSink_.SetWindow(window);
  previewFit_.SetWindow(window);
}

void Tdm::SetFilterEvents(filters::FilterEvents *events) {
  events_ = events;
  if (superposer_) superposer_->SetEvents(events);
  if (currentVideo_ && currentVideo_->SceneDetector) currentVideo_->SceneDetector->SetEvents(events);
}

media::PadRef Tdm::TeeOutput(GstElement *tee, int index) {
  media::PadRef out = media::Pin(tee, index);
  media::ElementRef queue = Make("queue");
  if (!out || !queue) return {};
  // A short queue: the preview wants the newest frames, not a backlog.
  g_object_set(queue.get(), "max-size-buffers", 4, "max-size-bytes", 0, "max-size-time", guint64(0), nullptr);
  const QString name = QString::fromUtf8(GST_OBJECT_NAME(tee)) + QStringLiteral(" queue ") + QString::number(index);
  if (!fg_.AddFilter(queue.get(), name)) return {};
  if (!fg_.Connect(out.get(), media::Pin(queue.get(), 0).get())) {
    fg_.RemoveFilter(queue.get());
    return {};
  }
  return media::FirstUnconnectedPin(queue.get(), GST_PAD_SRC);
}

media::PadRef Tdm::TeeDirect(GstElement *tee, int index) { return media::Pin(tee, index); }

void Tdm::TakeOut(const media::ElementRef &element) {
  if (element) fg_.RemoveFilter(element.get());
}

void Tdm::RemoveBranchQueues(GstElement *tee) {
  for (const media::PadRef &p : media::Pins(tee)) {
    if (GST_PAD_DIRECTION(p.get()) != GST_PAD_SRC) continue;
    media::ElementRef peer = media::PeerElement(p.get());
    if (peer && fg_.Contains(peer.get())) {
      GstElementFactory *f = gst_element_get_factory(peer.get());
      if (f && g_strcmp0(GST_OBJECT_NAME(f), "queue") == 0) fg_.RemoveFilter(peer.get());
    }
  }
}

void Tdm::TakeOutTee(const media::ElementRef &tee) {
  if (!tee) return;
  // The branch queues belong to the tee's outputs; they go with it, and the
  // request pads are given back so pin numbers start at 1 again next time.
  RemoveBranchQueues(tee.get());
  fg_.RemoveFilter(tee.get());
  for (const media::PadRef &p : media::Pins(tee.get()))
    if (GST_PAD_DIRECTION(p.get()) == GST_PAD_SRC && GST_PAD_PAD_TEMPLATE(p.get()) &&
        GST_PAD_TEMPLATE_PRESENCE(GST_PAD_PAD_TEMPLATE(p.get())) == GST_PAD_REQUEST)
      gst_element_release_request_pad(tee.get(), p.get());
}

void Tdm::RetirerChaine(GstElement *start, GstElement *end) {
  if (!start || !end) return;
  media::PadRef outPin = media::FirstConnectedPin(start, GST_PAD_SRC);
  media::PadRef inPin = media::FirstConnectedPin(end, GST_PAD_SINK);
  media::ElementRef first = outPin ? media::PeerElement(outPin.get()) : media::ElementRef();
  media::ElementRef last = inPin ? media::PeerElement(inPin.get()) : media::ElementRef();
  if (!first || !last || first.get() == end || last.get() == start) return;
  fg_.RemoveChain(first.get(), last.get());
}

bool Tdm::RetirerAmont(GstPad *pin, GstElement *stop) {
  if (!pin) return false;
  media::ElementRef current = media::ElementRef::Adopt(gst_pad_get_parent_element(pin));
  bool ok = true;
  while (current && current.get() != stop && fg_.Contains(current.get())) {
    media::PadRef in = media::FirstConnectedPin(current.get(), GST_PAD_SINK);
    media::ElementRef up = in ? media::PeerElement(in.get()) : media::ElementRef();
    if (!fg_.RemoveFilter(current.get())) ok = false;
    current = up;
  }
  return ok;
}

void Tdm::OnFirstCaps(GstPad *pad, std::function<void()> then) {
  if (!pad) return;
  struct Watch {
    QPointer<Tdm> dm;
    std::function<void()> then;
  };
  gst_pad_add_probe(
      pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
      [](GstPad *, GstPadProbeInfo *info, gpointer data) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
        // Streaming thread: only hand the news to the main thread. The graph
        // is stopped before the module goes, so it is alive while frames flow.
        auto *w = static_cast<Watch *>(data);
        if (Tdm *dm = w->dm.data())
          QMetaObject::invokeMethod(dm, [dm = w->dm, then = w->then] { if (dm) then(); }, Qt::QueuedConnection);
        return GST_PAD_PROBE_REMOVE;
      },
      new Watch{QPointer<Tdm>(this), std::move(then)}, [](gpointer data) { delete static_cast<Watch *>(data); });
}

bool Tdm::SharesDevice(sources::TavStrel *a, sources::TavStrel *b) const {
  return a && b && a->Device && a->Device == b->Device;
}

void Tdm::LierCamescope(sources::TavStrel &source, sources::TavStrel *other) {
  source.HasTransport = source.Transport() != nullptr;
  if (source.HasTransport && camcorders_) camcorders_->Lier(source, other);
}

void Tdm::DelierCamescope(sources::TavStrel &source, bool full, sources::TavStrel *other) {
  if (source.CamWindow && camcorders_) camcorders_->Delier(source, full, SharesDevice(&source, other));
  source.CamWindow = nullptr;
  source.HasTransport = false;
}

}  // namespace vistrel
