#pragma once
// Finding a source's output pads by the kind of stream they carry, the way
// the device code asks for "the n-th video output" or "the interleaved pin".
#include "media/gstref.h"
#include "media/mediatype.h"

#include <vector>

namespace vistrel::sources {

// The strongest kind among the caps' structures, in the order devices are
// classified: interleaved DV, then program streams, then video, then audio.
media::MajorType MajorOfCaps(const GstCaps *caps);
// What the pad carries: its caps, or for a pad that accepts anything, the
// name it was given ("video", "audio", "dv").
media::MajorType PadMajor(GstPad *pad);
// The caps the pad can give now (may be unfixed); null when it has none.
media::CapsRef PadCaps(GstPad *pad);

// A source's output named "preview" is its preview pin: a second picture
// stream, uncompressed, beside the capture one. It is never counted among
// the device's streams.
bool IsPreviewPad(GstPad *pad);
media::PadRef PreviewPin(GstElement *element);

// `known`, when given, is what every output of the element carries (a device
// whose real formats the provider reported); otherwise each pad is asked.
// Existing output pads of that kind, in pad order.
std::vector<media::PadRef> OutputPins(GstElement *element, media::MajorType major, const GstCaps *known = nullptr);
media::PadRef OutputPin(GstElement *element, media::MajorType major, int index, const GstCaps *known = nullptr);
// Outputs of that kind the element has or will make: its pads plus the
// sometimes-pad templates that have not produced a pad yet.
int CountOutputs(GstElement *element, media::MajorType major, const GstCaps *known = nullptr);

}  // namespace vistrel::sources
