#pragma once
// The text printed by --list-sources: the video box entries, the audio box
// entries and, for every video source, the media types of its capture pad.
#include <QString>

namespace vistrel::sources {

QString ListSourcesText();

}  // namespace vistrel::sources
