#pragma once
// The program's own stream filters are plain C++ objects that live for the whole
// run; one GstBaseTransform element type forwards the framework's calls to them.
// The element holds a pointer to its filter object, never ownership.
#include "media/gstref.h"

#include <gst/gst.h>

#include <cstdint>

namespace vistrel::media {

// Result codes the filters return, with the framework's meaning:
// S_OK delivers the sample, S_FALSE drops it, a failure stops the stream.
using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = static_cast<HRESULT>(0x8004022Au);
constexpr HRESULT VFW_S_NO_MORE_ITEMS = 0x00040103;
inline bool Succeeded(HRESULT hr) { return hr >= 0; }

// A view of one buffer as the filters see a sample: times are PTS and
// PTS + duration, media times are OFFSET / OFFSET_END, sync point is the
// absence of DELTA_UNIT. Setters need a writable buffer (the adapter makes
// the buffer's metadata writable before it calls Transform).
class SampleView {
 public:
  explicit SampleView(GstBuffer *buffer) : buf_(buffer) {}

  // Start and stop in 100 ns units; false when the sample has no start.
  bool GetTime(std::int64_t &start, std::int64_t &stop) const;
  void SetTime(std::int64_t start, std::int64_t stop);
  void ClearTime();
  bool GetMediaTime(std::int64_t &start, std::int64_t &stop) const;
  void SetMediaTime(std::int64_t start, std::int64_t stop);
  void ClearMediaTime();
  bool IsSyncPoint() const;
  void SetSyncPoint(bool on);
  bool IsDiscontinuity() const;
  void SetDiscontinuity(bool on);
  // Copies times, media times and flags of another sample.
  void CopyPropertiesFrom(const SampleView &other);

  GstBuffer *buffer() const { return buf_; }
  std::size_t Size() const { return gst_buffer_get_size(buf_); }

 private:
  GstBuffer *buf_;
};

// Maps a buffer for the life of the object.
class MappedBuffer {
 public:
  MappedBuffer(GstBuffer *buffer, GstMapFlags flags);
  ~MappedBuffer();
  MappedBuffer(const MappedBuffer &) = delete;
  MappedBuffer &operator=(const MappedBuffer &) = delete;
  bool ok() const { return ok_; }
  std::uint8_t *data() const { return info_.data; }
  std::size_t size() const { return ok_ ? info_.size : 0; }

 private:
  GstBuffer *buf_;
  GstMapInfo info_{};
  bool ok_ = false;
};

class OwnFilter;

// What a filter may do on the element beyond transforming samples: push its
// own events or buffers downstream (on the streaming thread only).
class FilterPads {
 public:
  virtual ~FilterPads() = default;
  virtual bool PushEvent(GstEvent *event) = 0;        // takes ownership
  virtual GstFlowReturn PushBuffer(GstBuffer *buf) = 0;  // takes ownership
  virtual bool SrcIsLinked() const = 0;
};

class OwnFilter {
 public:
  virtual ~OwnFilter() = default;

  virtual const char *ObjectName() const = 0;
  // In-place filters transform the sample they receive; copy filters fill a
  // separate output buffer.
  virtual bool InPlace() const = 0;
  // In-place filters that write into the frame data declare it, so shared
  // memory is copied before they write.
  virtual bool ModifiesData() const { return false; }
  // A copy filter whose output for the media type just set is its input,
  // untouched: samples then go through as they are, without a copy.
  virtual bool PassesThrough() const { return false; }

  // The caps this filter can accept at all (a template); CheckInputType then
  // judges the fixed caps. nullptr means anything.
  virtual CapsRef AcceptedCaps() const { return {}; }
  virtual HRESULT CheckInputType(const GstCaps *caps) = 0;
  // Copy filters: the caps the output offers for the given input caps (the
  // caps may be unfixed), and the input caps possible for given output caps.
  virtual CapsRef OutputCapsFor(const GstCaps *input) const { return CapsRef::Borrow(const_cast<GstCaps *>(input)); }
  virtual CapsRef InputCapsFor(const GstCaps *output) const { return CapsRef::Borrow(const_cast<GstCaps *>(output)); }
  virtual HRESULT CheckTransform(const GstCaps *in, const GstCaps *out);
  // Both pads' caps are fixed.
  virtual HRESULT SetMediaType(const GstCaps *in, const GstCaps *out);
  // Size of the output buffer for an input of the given size (copy filters).
  virtual std::size_t OutputSize(std::size_t inputSize) const { return inputSize; }

  virtual HRESULT StartStreaming() { return S_OK; }
  virtual HRESULT StopStreaming() { return S_OK; }
  // The graph returns to stopped; called after streaming has ended.
  virtual HRESULT Stop() { return S_OK; }

  virtual HRESULT Transform(SampleView &sample) { (void)sample; return S_OK; }
  virtual HRESULT Transform(SampleView &in, SampleView &out) { (void)in; (void)out; return E_FAIL; }

  // Sink events before the element handles them; return true when consumed.
  virtual bool SinkEvent(GstEvent *event, FilterPads &pads) { (void)event; (void)pads; return false; }
  // Set by the adapter while an element drives this filter.
  void AttachPads(FilterPads *pads) { pads_ = pads; }
  FilterPads *Pads() const { return pads_; }

 protected:
  FilterPads *pads_ = nullptr;
};

// Makes an element driving the filter object. The object must outlive the
// element. The element type is registered on first use, never from a plug-in.
ElementRef MakeOwnFilterElement(OwnFilter *filter, const char *name = nullptr);
// The filter object behind an element made above, or nullptr.
OwnFilter *OwnFilterOf(GstElement *element);

}  // namespace vistrel::media
