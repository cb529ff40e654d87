#pragma once
// Pads addressed the way the graph code thinks of them: by role and index.
// A tee has pin 0 input and pins 1, 2... outputs; a muxer has pin 0 output
// and pins 1, 2... inputs; any other element lists its inputs, then its
// outputs. Request pads are made on demand, so "pin 2 of the tee" exists as
// soon as someone asks for it.
#include "media/gstref.h"
#include "media/mediatype.h"

#include <vector>

namespace vistrel::media {

// True for elements that gather several inputs into one output (their
// output comes first in pin order).
bool IsMuxer(GstElement *element);

// Every pad of the element in pin order.
std::vector<PadRef> Pins(GstElement *element);

// Pin `index` by role. When the index is one past the pins that exist and the
// element makes pads on request, a new pad is requested; `hint` (the caps of
// what will be linked) picks the template when there are several (a muxer's
// video and audio inputs). Null when there is no such pin.
PadRef Pin(GstElement *element, int index, const GstCaps *hint = nullptr);

// The first pad of that direction that is not linked, requesting one when
// all are taken and the element allows it.
PadRef FirstUnconnectedPin(GstElement *element, GstPadDirection direction, const GstCaps *hint = nullptr);

// The first pad of that direction that is linked (pins tried in order).
PadRef FirstConnectedPin(GstElement *element, GstPadDirection direction);

// The element on the other side of a linked pad (through ghost pads and
// proxies), or null.
ElementRef PeerElement(GstPad *pad);

// The pad on the other side of a link, or null.
PadRef ConnectedTo(GstPad *pad);

// The caps currently flowing through a pad, or null before negotiation.
CapsRef CurrentCaps(GstPad *pad);
// The negotiated type of a linked pad; empty before the graph has run.
MediaType ConnectionMediaType(GstPad *pad);

}  // namespace vistrel::media
