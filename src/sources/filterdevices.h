#pragma once
// The three kinds of device found by the system device enumerator: DV
// camcorders, video capture devices (cameras, capture cards, encoders) and
// audio capture devices. Each probes its source at construction to count its
// streams; Valid tells whether the probe completed.
#include "sources/capturedevice.h"

#include <memory>
#include <mutex>

namespace vistrel::filters {
class Tvs_SceneDetect;
class Tvs_DvHealth;
}

namespace vistrel::sources {

class TVideoCaptureDevice : public TCaptureDevice {
 public:
  TVideoCaptureDevice(GraphSlots &graphSlots, const DeviceMoniker &moniker, int instance, const QString &deviceName);
  ~TVideoCaptureDevice() override;

  void SetVideoGraph(int n) override;
  media::PadRef SetAudioGraph(int n) override;
  bool KillVideoGraph() override;
  bool KillAudioGraph() override;
  GstElement *SetSourceGraph() override;
  bool KillSourceGraph() override;
  bool BuildMuxGraph(const QString &fileName) override;
  bool KillMuxGraph() override;
  bool SetFormat(const GstCaps *caps) override;
  media::CapsRef CaptureCaps() const override;
  media::CapsRef AudioCaptureCaps() const override { return SourceAudioCaps(); }
  media::CapsRef PreviewCaps() const override;

  // The element chosen to decode the stream for the preview (null when the
  // stream was already uncompressed or the preview output gives the picture).
  GstElement *Decoder() const { return decoder_.get(); }
  // True while the preview comes from the device's own preview output.
  bool PreviewsFromOwnOutput() const { return bool(previewFilter_); }

 private:
  // The preview output, held to the preview format, into `control`; the
  // capture stream then ends in a sink of its own past the native tee's
  // pin 1. False, with nothing added, when it cannot link.
  bool LinkPreviewOutput(GstElement *control);
  bool DecodeForPreview(const GstCaps *stream, GstPad *controlOut);

  media::ElementRef formatFilter_, videoTee_, audioTee_, decoder_, previewFilter_, captureEnd_;
};

class TAudioCaptureDevice : public TCaptureDevice {
 public:
  TAudioCaptureDevice(GraphSlots &graphSlots, const DeviceMoniker &moniker, int instance, const QString &deviceName);
  ~TAudioCaptureDevice() override;

  void SetVideoGraph(int n) override;
  media::PadRef SetAudioGraph(int n) override;
  bool KillVideoGraph() override { return true; }
  bool KillAudioGraph() override;
  GstElement *SetSourceGraph() override;
  bool KillSourceGraph() override;
  bool BuildMuxGraph(const QString &) override { return false; }
  bool KillMuxGraph() override { return false; }
  media::CapsRef AudioCaptureCaps() const override { return SourceAudioCaps(); }

 private:
  media::ElementRef audioTee_;
};

class TDVCaptureDevice : public TCaptureDevice {
 public:
  TDVCaptureDevice(GraphSlots &graphSlots, const DeviceMoniker &moniker, int instance, const QString &deviceName);
  ~TDVCaptureDevice() override;

  void SetVideoGraph(int n) override;
  media::PadRef SetAudioGraph(int n) override;
  bool KillVideoGraph() override;
  bool KillAudioGraph() override;
  GstElement *SetSourceGraph() override;
  bool KillSourceGraph() override;
  bool BuildMuxGraph(const QString &fileName) override;
  bool KillMuxGraph() override;
  media::CapsRef CaptureCaps() const override;

  filters::Tvs_SceneDetect *SceneDetector() const { return sceneDetect_.get(); }
  filters::Tvs_DvHealth *HealthChecker() const { return health_.get(); }

 private:
  static void OnPadAdded(GstElement *splitter, GstPad *pad, gpointer self);
  void LinkSplitterPad(GstPad *pad);

  std::unique_ptr<filters::Tvs_SceneDetect> sceneDetect_;
  std::unique_ptr<filters::Tvs_DvHealth> health_;
  media::ElementRef healthElement_;
  media::ElementRef sceneElement_, muxTee_, splitter_, decoder_, scaler_, videoTee_, audioTee_;
  media::ElementRef queue_, relabel_, mux_, fileSink_;
  media::ScopedSignal padAdded_;
  std::mutex linkMutex_;  // the splitter makes its pads on a streaming thread
  media::PadRef videoTeeIn_, audioTeeIn_;
};

}  // namespace vistrel::sources
