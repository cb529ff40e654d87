#pragma once
// The graph module: owns the filter graph "fg" for the whole run, the stock
// components in their roles and one instance of each of the program's own
// filters. The current video and audio sources splice their sub-graphs in and
// this module joins the preview chains from their tees to the video window and
// the audio renderer. Capture builders tap the tees' pin 2.
//
// Everything here runs on the main thread; the graph is stopped before any
// chain changes and run again by the caller through LancerGraphe().
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "graph/camcorderbinding.h"
#include "graph/capturesettings.h"
#include "graph/preview_fit.h"
#include "graph/preview_videosink.h"
#include "media/buffercounter.h"
#include "media/elementlookup.h"
#include "media/graph.h"
#include "media/ownfilter.h"
#include "media/soundlevel.h"
#include "media/startalign.h"
#include "settings/captureformats.h"
#include "sources/capturedevice.h"

namespace vistrel::filters {
class FilterEvents;
class Tvs_Superposer;
class Tvs_TimeStamper;
class Tvs_DVheader;
class Tvs_ControlFilter;
class TVS_Resizer;
class Tvs_WaveDest;
}  // namespace vistrel::filters

namespace vistrel::sources {
class TavStrel;
class TVideoSource;
class TAudioSource;
}  // namespace vistrel::sources

namespace vistrel::ui {
class VideoWindow;
}

namespace vistrel {

class Tdm : public QObject {
  Q_OBJECT
 public:
  explicit Tdm(QObject *parent = nullptr);
  ~Tdm() override;

  media::Graph &fg() { return fg_; }

  // Runs the graph; false (graph stopped) when it has nothing to run or
  // refuses to start.
  bool LancerGraphe();
  // Stops the graph, finalizing every file being written.
  bool StopGraph();
  // Takes every filter out of the graph (after a stop).
  void ClearGraph();

  // Creates the components and the twelve own filters (done by the
  // constructor; again only after DataModuleDestroy).
  void DataModuleCreate();
  // Stops, disconnects both current sources fully and empties the graph.
  void DataModuleDestroy();

  // Make the source current and join its preview chain. False leaves the
  // previous source of that side disconnected.
  bool ConnecterVideo(sources::TVideoSource *device);
  bool ConnecterAudio(sources::TAudioSource *device);
  // Take the preview chain out; `full` also releases the device unless the
  // other side still uses it. Only for the current source of that side.
  bool DeconnecterVideo(sources::TVideoSource *device, bool full);
  bool DeconnecterAudio(sources::TAudioSource *device, bool full);

  // Removes every filter strictly between `start` and `end` when one simple
  // path joins them; otherwise nothing.
  void RetirerChaine(GstElement *start, GstElement *end);
  // From the filter owning `pin`, walks upstream through linked inputs,
  // removing each filter reached, and stops at `stop` (kept). False when a
  // removal fails.
  bool RetirerAmont(GstPad *pin, GstElement *stop);

  // A branch of `tee` that starts with a queue (a tee branch without one can
  // stall the whole graph): pin `index` of the tee → new queue, whose free
  // output is returned. Null, with nothing added, on failure.
  media::PadRef TeeOutput(GstElement *tee, int index);
  // Pin `index` of `tee` itself, for a branch that may run in the thread that
  // feeds the tee: the tee's only way out, or a branch that never blocks the
  // ones after it. A queue there would add a thread and a switch per buffer.
  media::PadRef TeeDirect(GstElement *tee, int index);

  // Where preview frames go; null sends them nowhere. The window shows its
  // backdrop again when the video source is disconnected.
  void SetVideoWindow(ui::VideoWindow *window);
  // Who hears about grabs, countdowns and DV ratio changes.
  void SetFilterEvents(filters::FilterEvents *events);
  // The camcorder windows a source with a transport is bound to (null: none).
  void SetCamcorderBinding(CamcorderBinding *binding) { camcorders_ = binding; }
  // "Mpeg2 Ratio Normal": an MPEG-2 source stating no ratio shows as 4:3.
  void SetMpeg2RatioNormal(bool on) { mpeg2RatioNormal_ = on; }
  bool Mpeg2RatioNormal() const { return mpeg2RatioNormal_; }
  // What every video start applies: the saved media-type choice (1-based,
  // 0 none) before the stream is built, and the saved input of a capture
  // card (-1 none) once it is.
  void SetVideoStartChoices(int numMediatype, int inputSelect) {
    numMediatype_ = numMediatype;
    inputSelect_ = inputSelect;
  }

  sources::GraphSlots &Slots() { return slots_; }
  int PreviewFramesReceived() const { return videoSink_.FramesReceived(); }
  // The preview picture's own size (the window may be shown a smaller copy).
  QSize PreviewPictureSize() const { return previewFit_.PictureSize(); }
  // Decoded pictures that reached infdecvideo since the run began (what a
  // capture records), read from any time on the main thread.
  std::uint64_t DecodedVideoFrames() const { return decodedFrames_.Count(); }
  bool SoundOutput() const { return soundOutput_; }

  // The own filter driven by the element of that graph name, or null.
  GstElement *OwnElement(const QString &graphName) const;
  media::OwnFilter *OwnObject(const QString &graphName) const;

  // --- What the graph is connected to and what its sources turned out to
  // send: set by the connections, read by the capture builders and the window.
  sources::TVideoSource *CurrentVideoDevice() const { return currentVideo_; }
  sources::TAudioSource *CurrentAudioDevice() const { return currentAudio_; }
  GstElement *VideoRenderer() const { return videoSink_.Element(); }
  GstElement *AudioRenderer() const { return audioRenderer_.get(); }
  int SourceWidth() const { return sourceWidth_; }
  int SourceHeight() const { return sourceHeight_; }
  int SourceAspectX() const { return sourceAspectX_; }
  int SourceAspectY() const { return sourceAspectY_; }
  quint32 FrameDuration() const { return frameDuration_; }
  double SourceFps() const { return sourceFps_; }
  QString SourceCodec() const { return sourceCodec_; }
  bool SourceCompressed() const { return sourceCompressed_; }
  int AudioRate() const { return audioRate_; }
  int AudioBits() const { return audioBits_; }
  int AudioChannels() const { return audioChannels_; }

  // --- Stock components in their roles; they live for the run and go in
  // and out of the graph.
  media::ElementRef color1, color3;                    // colour converters
  media::ElementRef infdecvideo, infdecaudio, infdumvideo, infsupaudio, infsupvideo;  // tees
  media::ElementRef acmcap;                            // audio format conversion
  media::ElementRef FileWriter, writer;                // file writers
  media::ElementRef null;                              // probe renderer
  media::ElementRef DVenc, DVmux, DVsplitter;          // DVenc and DVmux: made on first use (UseDv*)
  GstElement *UseDvEncoder();
  GstElement *UseDvMuxer();
  media::FilterSlot test{"test"}, divx{"divx"}, mp3{"mp3"}, decoder{"decoder"}, AudioEncoder{"AudioEncoder"},
      source{"source"}, muxer{"muxer"}, audioenc{"audioenc"};

  // --- The program's own filters, created once (object + element).
  filters::Tvs_Superposer *Superposer() const { return superposer_.get(); }
  filters::Tvs_TimeStamper *VideoCapTamponer() const { return stamper_[0].get(); }
  filters::Tvs_DVheader *DVHeader() const { return dvHeader_.get(); }
  filters::Tvs_ControlFilter *ControlFilter() const { return control_.get(); }
  filters::TVS_Resizer *Resizer() const { return resizer_.get(); }
  filters::Tvs_TimeStamper *AudioCapTamponer() const { return stamper_[1].get(); }
  filters::Tvs_WaveDest *WaveDest() const { return waveDest_.get(); }
  filters::Tvs_TimeStamper *TamponerVideo() const { return stamper_[2].get(); }
  filters::Tvs_TimeStamper *TamponerAudio() const { return stamper_[3].get(); }
  filters::Tvs_TimeStamper *ControlPreviewVideo() const { return stamper_[4].get(); }
  filters::Tvs_TimeStamper *ControlPreviewAudio() const { return stamper_[5].get(); }
  filters::Tvs_TimeStamper *ControlCaptureVideo() const { return stamper_[6].get(); }

  // --- Capture chains (capture_*.cpp). The controller stops the graph,
  // fills CaptureSettings, calls the builder of the chosen format with the
  // file name and runs the graph. A builder returns false when it cannot
  // build (what it added stays until RetirerCapture). Every file sink a
  // builder adds is declared to fg() as a recording sink, so stopping the
  // graph finalizes the file.
  CaptureSettings CaptureOptions;
  media::ElementRef CaptureMux, CaptureSink;  // muxer (or ASF writer) and file sink of the chain
  // AVI output: an AVI muxer into a file sink for `file`, in the graph.
  bool SetOutputFileName(const QString &muxFactory, const QString &file);
  bool FormatAudioCapture(bool fromInput);
  bool GrapheDV2Natif(const QString &file);
  bool GrapheAviNatif(const QString &file);
  bool GrapheDV2Recomp(const QString &file);
  bool GrapheImageParImage(const QString &file, std::function<void()> onStop);
  bool GrapheDivx(const QString &file);
  bool GrapheWmv(const QString &file);
  bool GrapheMp4(const QString &file);
  bool GrapheWav(const QString &file);
  bool GrapheMp3(const QString &file);
  bool GrapheMpegNatif(const QString &file);
  // Format 1: the DV device's own type-1 builder (one interleaved stream).
  bool GrapheDV1Natif(const QString &file);
  bool RetirerCapture();
  // The chain of `format` for `file`; false when the format records nothing
  // or its chain cannot be built (what was added stays until RetirerCapture).
  bool ConstruireCapture(settings::CaptureFormatCode format, const QString &file);
  // Points the chain's file writer at a new file (Cut, for the formats whose
  // writer can take one); the graph is stopped.
  bool ChangerFichierCapture(settings::CutBy cut, const QString &file);
  // Dropped and not-dropped video frames of the running capture, -1 each
  // when the capture has no video.
  int CaptureDropped() const;
  int CaptureNotDropped() const;
  // The stretches the running capture's sources sent nothing, since the last
  // call (see media::StartAligner::TakeGaps).
  std::vector<media::CaptureGap> TakeCaptureGaps(bool ended = false);
  // Why the last capture build failed, in plain words for the user's message
  // (the element that could not be made, the link that was refused and the
  // caps of both sides); empty after a build that succeeded. Every builder
  // clears it when it starts.
  QString CaptureFailure() const { return captureFailure_; }
  // Why the last LancerGraphe() failed: the error and the element that
  // posted it, or that the graph had nothing to run. Empty after a start.
  QString RunFailure() const { return runFailure_; }
  // Records why the build fails, with the graph's own last failure after it
  // when it has one, and logs it. The first reason of a build is kept: the
  // returns that follow it only pass it on. Always false, for `return
  // FailCapture(...)`.
  bool FailCapture(const QString &why);

 private:
  // A builder's first step: no reason of an earlier build is left to mislead.
  void BeginCaptureBuild();
  QString captureFailure_, runFailure_;

 public:
 signals:
  // The native video's size, rate or codec became known or changed after
  // the connection (read when the first frames state their type).
  void VideoFactsChanged();
  // The same for AudioRate, AudioBits and AudioChannels.
  void AudioFactsChanged();
  // The Sources panel's video label text after a capture rebuilt the DV
  // preview at another size ("360x288 - 25 fps").
  void VideoLabelChanged(QString text);
  // The decoded sound's peak and RMS, every media::kSoundLevelIntervalMs
  // while the audio side plays (before the preview's mute and volume).
  void SoundLevelMeasured(vistrel::media::SoundLevels levels);

 private:
  struct OwnInstance {
    QString graphName;
    media::OwnFilter *object;
    media::ElementRef element;
  };
  void CreateOwnFilters();
  void AddOwn(const QString &graphName, media::OwnFilter *object);
  bool IsComponent(GstElement *e) const;
  bool BuildVideoChain(sources::TVideoSource &source);
  void RemoveVideoChain(sources::TVideoSource &source);
  bool BuildAudioChain(sources::TAudioSource &source);
  void RemoveAudioChain(sources::TAudioSource &source);
  void ReadVideoFacts(sources::TVideoSource &device);
  void WatchNativeVideoCaps();
  // Runs `then` on the main thread after the first caps pass `pad` (a
  // demuxer's stream has no type before its first frames).
  void OnFirstCaps(GstPad *pad, std::function<void()> then);
  void ReadAudioFacts(GstPad *audioPin);
  // The meter's branch; the sound plays on without it when it cannot join.
  void JoinSoundLevel();
  // Connects the DV camcorder of the video side again, decoded at half size
  // or full size, leaves the graph stopped and announces the new label.
  bool ReconnecterDvTaille(bool halfSize);
  // Takes the element and any branch queues it feeds out of the graph.
  void TakeOut(const media::ElementRef &element);
  void TakeOutTee(const media::ElementRef &tee);
  void RemoveBranchQueues(GstElement *tee);
  bool SharesDevice(sources::TavStrel *a, sources::TavStrel *b) const;
  // A connected source asks its capture filter for a transport and, having
  // one, gets a camcorder window; a disconnected one gives its window back.
  void LierCamescope(sources::TavStrel &source, sources::TavStrel *other);
  void DelierCamescope(sources::TavStrel &source, bool full, sources::TavStrel *other);

  media::Graph fg_;
  sources::GraphSlots slots_{fg_};
  // The slots' tees and pins under the names the chains use.
  media::ElementRef &NativeVideoTee;
  media::ElementRef &NativeAudioTee;
  media::PadRef &VideoOutPin;
  bool &DvHalfSize;
  sources::TVideoSource *currentVideo_ = nullptr;
  sources::TAudioSource *currentAudio_ = nullptr;
  int sourceWidth_ = 0, sourceHeight_ = 0;
  int sourceAspectX_ = 0, sourceAspectY_ = 0;
  quint32 frameDuration_ = 400000;
  double sourceFps_ = 25.0;
  QString sourceCodec_;
  bool sourceCompressed_ = false;
  int audioRate_ = 0, audioBits_ = 0, audioChannels_ = 0;
  bool created_ = false;
  bool mpeg2RatioNormal_ = false;
  int numMediatype_ = 0, inputSelect_ = -1;
  bool soundOutput_ = false;
  bool videoConnected_ = false, audioConnected_ = false;
  // Which connection a late caps notice belongs to.
  int videoGeneration_ = 0, audioGeneration_ = 0;

  PreviewVideoSink videoSink_;
  PreviewFit previewFit_{videoSink_};
  QPointer<ui::VideoWindow> window_;
  media::ElementRef audioRenderer_;
  // The sound meter's branch of infsupaudio; null when `level` is missing.
  media::ElementRef soundLevel_;
  media::BufferCounter decodedFrames_;
  filters::FilterEvents *events_ = nullptr;
  CamcorderBinding *camcorders_ = nullptr;

  std::unique_ptr<filters::Tvs_Superposer> superposer_;
  std::unique_ptr<filters::Tvs_DVheader> dvHeader_;
  std::unique_ptr<filters::Tvs_ControlFilter> control_;
  std::unique_ptr<filters::TVS_Resizer> resizer_;
  std::unique_ptr<filters::Tvs_WaveDest> waveDest_;
  std::unique_ptr<filters::Tvs_TimeStamper> stamper_[7];
  std::vector<OwnInstance> own_;
};

}  // namespace vistrel
