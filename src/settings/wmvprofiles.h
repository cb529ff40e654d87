#pragma once
// The Windows Media profile table lives with the media layer, where the ASF
// writer is configured from it; the settings use it under their own names.
#include "media/wmvprofiles.h"

namespace vistrel::settings {

using media::WmvDefaultProfile;
using media::WmvProfile;
using media::WmvSystemProfiles;
using media::WmvVersionCode;

}  // namespace vistrel::settings
