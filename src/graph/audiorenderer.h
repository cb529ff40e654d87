#pragma once
// The preview's audio renderer: volume, conversion to what the output takes,
// and the system's sound output. Without a sound server the output is a
// null sink that plays sound nowhere.
#include "media/gstref.h"

namespace vistrel {

struct AudioRendererParts {
  media::ElementRef bin;     // what goes into the graph ("audiorender")
  media::ElementRef volume;  // for Graph::SetVolumeElement
  bool soundOutput = false;  // false: the null stand-in
};

// True when an audio sink other than the framework's null fallback can open.
// Probed once per process; the answer does not change while we run.
bool SoundOutputAvailable();

// Null parts when an element is missing.
AudioRendererParts MakeAudioRenderer();

}  // namespace vistrel
