#pragma once
// Turns an audio stream into a WAV file through the file sink downstream:
// the data passes unchanged after a header placeholder, stamped with its
// byte position; at end of stream the real header is written at offset 0.
#include "media/ownfilter.h"

#include <cstdint>
#include <vector>

namespace vistrel::filters {

// The WAVEFORMATEX block for audio caps (cbFormat bytes); empty when the caps
// describe no format a WAV file can hold.
std::vector<std::uint8_t> WaveFormatFor(const GstCaps *caps);
// The header for a format block and a data length.
std::vector<std::uint8_t> WaveHeader(const std::vector<std::uint8_t> &format, std::uint32_t dataLength);

class Tvs_WaveDest : public media::OwnFilter {
 public:
  const char *ObjectName() const override { return "WavDest filter"; }
  bool InPlace() const override { return false; }
  media::CapsRef AcceptedCaps() const override;
  media::HRESULT CheckInputType(const GstCaps *caps) override;
  media::CapsRef OutputCapsFor(const GstCaps *input) const override;
  media::CapsRef InputCapsFor(const GstCaps *output) const override;
  media::HRESULT CheckTransform(const GstCaps *in, const GstCaps *out) override;
  media::HRESULT SetMediaType(const GstCaps *in, const GstCaps *out) override;
  media::HRESULT StartStreaming() override;
  media::HRESULT Transform(media::SampleView &in, media::SampleView &out) override;
  bool SinkEvent(GstEvent *event, media::FilterPads &pads) override;

  std::uint32_t DataLength() const { return dataLength_; }
  std::uint32_t HeaderSize() const { return headerSize_; }
  // The file may not exceed this many bytes (4 GB - 1; lower in tests).
  void SetFileLimit(std::uint64_t bytes) { limit_ = bytes; }

 private:
  bool WriteHeader(media::FilterPads &pads);

  std::vector<std::uint8_t> format_;
  std::uint32_t headerSize_ = 0;
  std::uint32_t dataLength_ = 0;
  std::uint64_t limit_ = 0xFFFFFFFFull;
  bool placeholderWritten_ = false;
  bool headerFinal_ = false;
};

}  // namespace vistrel::filters
