#pragma once
// Copy filter on the uncompressed video branch: flips, burns the inlay text,
// limits it in time, and serves the still and interval grabs through a ring
// of 200 slots.
#include <QFont>
#include <QImage>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "filters/dvcodes.h"
#include "filters/incrustrec.h"
#include "filters/picturelayout.h"
#include "filters/textsprite.h"
#include "media/ownfilter.h"

namespace vistrel::filters {

class FilterEvents;
class Tvs_SceneDetect;

// Frame duration of the current capture format, 100 ns units; 400000 when the
// format gives less than 1000. Set by the capture-source code.
std::int64_t FrameDuration();
void SetFrameDuration(std::int64_t duration);

class Tvs_Superposer : public media::OwnFilter {
 public:
  static constexpr int kSlots = 200;

  Tvs_Superposer();

  const char *ObjectName() const override { return "Brenvik vs_Superposer"; }
  bool InPlace() const override { return false; }
  media::CapsRef AcceptedCaps() const override;
  media::HRESULT CheckInputType(const GstCaps *caps) override;
  media::HRESULT CheckTransform(const GstCaps *in, const GstCaps *out) override;
  media::HRESULT SetMediaType(const GstCaps *in, const GstCaps *out) override;
  media::HRESULT StartStreaming() override;
  media::HRESULT Transform(media::SampleView &in, media::SampleView &out) override;

  // Configuration, from the main thread at any time.
  void SetIncrust(const TincrustRec &rec);
  TincrustRec Incrust() const;
  void SetActive(bool on);
  void SetWhen(std::uint8_t mode, int seconds);
  void SetVertFlip(bool on) { vertFlip_ = on; }
  void SetHorzFlip(bool on) { horzFlip_ = on; }
  void SetGrabInterval(std::int64_t period);  // 1/10000 s
  void StopInterval() { intervalActive_ = false; }
  void GrabNext() { grabNext_ = true; }
  // The program setting "Allow inlay": off, frames are only copied.
  void SetAllowInlay(bool on) { allowInlay_ = on; }
  void SetEvents(FilterEvents *events) { events_ = events; }
  std::atomic<Tvs_SceneDetect *> DVSource{nullptr};
  std::atomic<bool> SourceInverted{false};

  // The grab ring. A slot holds memory only while busy.
  bool SlotBusy(int slot) const;
  QImage GrabSlot(int slot) const;
  void ReleaseSlot(int slot);

  // For inspection.
  int FontHeight() const;
  int XposInUse() const { return xpos_; }
  int YposInUse() const { return ypos_; }
  int DisplayFrames() const { return displayFrames_; }
  int FramesLeft() const { return framesLeft_; }
  bool IntervalActive() const { return intervalActive_; }
  // The two lines built for the last drawn frame.
  QString LastLine(int index) const;

 private:
  void ApplyFontLocked();
  void BuildLinesLocked(const DVInfo &info, bool dvSource, double clockNow, QString &line1, QString &line2) const;
  void DrawLinesLocked(GstVideoFrame &frame, const QString &line1, const QString &line2);
  void FillNextSlot(const GstVideoFrame &frame);

  // Settings and drawing surface, under the canvas lock.
  mutable std::mutex canvas_;
  TincrustRec rec_;
  QFont font_;
  int fontHeight_ = 16;
  int fontGeneration_ = 0;
  TextSprite sprites_[2];
  QString lastLines_[2];

  std::atomic<int> xpos_{900}, ypos_{900};
  std::atomic<bool> active_{false};
  std::atomic<bool> grabNext_{false};
  std::atomic<bool> vertFlip_{false}, horzFlip_{false};
  std::atomic<bool> allowInlay_{true};
  std::atomic<FilterEvents *> events_{nullptr};

  std::atomic<int> whenMode_{0};
  std::atomic<int> seconds_{0};
  std::atomic<int> displayFrames_{125};
  std::atomic<int> framesLeft_{0};

  std::atomic<std::int64_t> grabInterval_{0};
  std::atomic<std::int64_t> nextGrab_{0};
  std::atomic<bool> intervalActive_{false};
  int countdown_ = 0;

  // Frame geometry, set when caps are fixed (streaming side).
  std::atomic<int> width_{16};
  int height_ = 0;
  GstVideoInfo info_{};
  bool negotiated_ = false;
  BgrPicture grabPicture_;

  double shown_ = 0, prevShown_ = 0, dvDate_ = 0, prevDvDate_ = 0;

  int slotPos_ = 0;
  std::array<std::atomic<bool>, kSlots> slotBusy_{};
  std::array<QImage, kSlots> slots_;
};

}  // namespace vistrel::filters
