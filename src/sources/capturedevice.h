#pragma once
// The capture device model: one thing the user can capture from, with its
// counts of video and audio streams, the formats it records without
// re-encoding, and eight operations that splice its streams into the main
// graph and take them out again. The rest of the program drives devices only
// through these eight, in this order.
#include "media/graph.h"
#include "sources/moniker.h"

#include <QString>
#include <QtGlobal>

namespace vistrel::sources {

enum class DeviceKind : quint8 { None = 0, DV = 1, PlugIn = 2, Video = 3, Audio = 4 };

// The graph module's places the devices fill while splicing, shared by every
// device of the run (there is one current video and one current audio side).
struct GraphSlots {
  explicit GraphSlots(media::Graph &graph) : fg(graph) {}
  media::Graph &fg;
  media::ElementRef NativeVideoTee;
  media::ElementRef NativeAudioTee;
  media::PadRef VideoOutPin;
  // The preview control filters the graph module keeps for these roles; a
  // plain pass-through stands in while they are not set.
  media::ElementRef PreviewVideoControl;
  media::ElementRef PreviewAudioControl;
  // Decode DV at half size (a DivX capture of a DV source may ask for it).
  bool DvHalfSize = false;
  // Set by a plug-in whose frames arrive upside down.
  bool SourceInverted = false;
};

class TCaptureDevice {
 public:
  TCaptureDevice(GraphSlots &graphSlots, QString deviceName, int instance, const QString &displayName);
  virtual ~TCaptureDevice();
  TCaptureDevice(const TCaptureDevice &) = delete;
  TCaptureDevice &operator=(const TCaptureDevice &) = delete;

  // Slot 0: stream n (1-based) into the native video tee and a decoded
  // output (VideoOutPin).
  virtual void SetVideoGraph(int n) = 0;
  // Slot 1: audio stream n; gives the pad the preview chain connects to.
  virtual media::PadRef SetAudioGraph(int n) = 0;
  virtual bool KillVideoGraph() = 0;  // slot 2
  virtual bool KillAudioGraph() = 0;  // slot 3
  // Slot 4: puts the source into the main graph and returns it.
  virtual GstElement *SetSourceGraph() = 0;
  virtual bool KillSourceGraph() = 0;                        // slot 5
  virtual bool BuildMuxGraph(const QString &fileName) = 0;   // slot 6
  virtual bool KillMuxGraph() = 0;                           // slot 7

  // The format the capture pad is held to (null: the device's own choice).
  virtual bool SetFormat(const GstCaps *caps);
  media::CapsRef Format() const { return format_; }
  // Every format the capture pad offers, unfixed (null when unknown).
  virtual media::CapsRef CaptureCaps() const;
  // The sound format the audio capture pad is held to from its next splice
  // on, for as long as the device lives (null: the device's own format).
  void SetAudioFormat(const GstCaps *caps);
  media::CapsRef AudioFormat() const { return audioFormat_; }
  // Every format the audio capture pad offers (null: none to choose from).
  virtual media::CapsRef AudioCaptureCaps() const { return {}; }
  // The format the preview stream is held to, for a device with a preview
  // output of its own beside the capture one (null: its first).
  void SetPreviewFormat(const GstCaps *caps);
  media::CapsRef PreviewFormat() const { return previewFormat_; }
  // What that preview output offers; null when the device has none.
  virtual media::CapsRef PreviewCaps() const { return {}; }

  GraphSlots &Slots() const { return slots_; }

  QString DisplayName;
  QString DeviceName;
  int Instance = 1;
  int VideoStreams = 0;
  int AudioStreams = 0;
  int Reserved = 0;
  media::ElementRef SourceFilter;
  DeviceMoniker Moniker;
  bool Valid = false;
  quint8 NativeFormat1 = 0;
  quint8 NativeFormat2 = 0;
  DeviceKind Kind = DeviceKind::None;
  int Seen = 0;

 protected:
  // Helpers shared by the devices.
  media::ElementRef MakeElement(const char *factory);
  // The preview control filter of one side, added under its graph name.
  GstElement *AddControl(bool video);
  void RemoveControl(bool video);
  // Audio output n of `from` into a new tee named teeName; the tee's free
  // output, or null with nothing left in the graph. A held sound format goes
  // through a capsfilter "aud_format" between the pad and the tee; one the
  // pad cannot give is dropped for the device's own (with a warning).
  media::PadRef SpliceAudio(GstElement *from, int n, const char *teeName, media::ElementRef &teeHolder);
  // Takes out what SpliceAudio added.
  void UnspliceAudio(media::ElementRef &teeHolder);
  // What audio output 0 of the source filter offers.
  media::CapsRef SourceAudioCaps() const;
  void RemoveFromGraph(media::ElementRef &element);

  media::CapsRef format_;
  media::CapsRef previewFormat_;

 private:
  GraphSlots &slots_;
  media::ElementRef ownVideoControl_, ownAudioControl_;
  media::CapsRef audioFormat_;
  media::ElementRef audioFormatFilter_;
};

// Every capture pad format one entry: a caps structure with a single frame
// rate, in the pad's order, at most `limit` entries.
std::vector<media::CapsRef> SplitFormats(const GstCaps *caps, int limit = 300);
// A sound pad's formats the way a wave format list gives them: one fixed
// entry per integer PCM layout, rate and channel count; ranges offer the
// common rates and mono and stereo. Highest rate first, stereo first.
std::vector<media::CapsRef> SplitAudioFormats(const GstCaps *caps, int limit = 64);

}  // namespace vistrel::sources
