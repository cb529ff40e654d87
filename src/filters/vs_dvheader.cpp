#include "filters/vs_dvheader.h"

#include "filters/dvcodes.h"
#include "filters/mediacaps.h"
#include "filters/vs_scenedetect.h"

namespace vistrel::filters {

media::CapsRef Tvs_DVheader::AcceptedCaps() const { return DvCaps(); }

media::HRESULT Tvs_DVheader::CheckInputType(const GstCaps *caps) {
  return IsDvCaps(caps) ? media::S_OK : media::VFW_E_TYPE_NOT_ACCEPTED;
}

void Tvs_DVheader::ProcessFrame(std::uint8_t *frame, std::size_t size) {
  Tvs_SceneDetect *source = DVSource.load();
  const bool force = mode_ == 1;
  if ((!source && !force) || size < kMinDvFrameSize) return;
  for (int i = 0; i < kSequencesExamined; ++i) {
    const std::size_t offset = static_cast<std::size_t>(i) * kDifSequenceSize;
    if (offset + kHeaderAreaSize > size) break;
    if (source) source->CopySearchedHeader(i, frame + offset);
    if (force) ForceWide(frame, size, i);
  }
}

media::HRESULT Tvs_DVheader::Transform(media::SampleView &sample) {
  if (!DVSource.load() && mode_ != 1) return media::S_OK;  // nothing to write, no copy of shared memory
  media::MappedBuffer map(sample.buffer(), GST_MAP_READWRITE);
  if (!map.ok()) return media::S_OK;
  ProcessFrame(map.data(), map.size());
  return media::S_OK;
}

}  // namespace vistrel::filters
