#pragma once
// The type-1 DV AVI writer: whole interleaved DV frames (picture and sound
// together) go into an AVI file as one "iavs" stream with handler "dvsd" and
// a DVINFO block, each frame one "00dc" chunk. No stock GStreamer or FFmpeg
// muxer writes this form, so it is our own element, registered statically as
// "vistreldvavimux":
//   sink  video/x-dv, systemstream=true
//   src   video/x-msvideo, written as a byte stream that seeks back at the
//         end (a seekable sink such as filesink is needed)
//   riff-limit  bytes per RIFF form (default 1 GiB); past it the file goes
//               on in "AVIX" forms (OpenDML), found through the stream's
//               super index "indx" and one standard index "ix00" per form.
// The first form also carries the classic "idx1" index, so older readers see
// at least its frames. The header is written again at end of stream with the
// real counts.
#include "media/gstref.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace vistrel::media {

// Registers the element type once; safe to call from any thread, any time.
bool RegisterDvAviMux();
ElementRef MakeDvAviMux();

// The DVINFO block of a DV frame: the AAUX source and control packs of the
// first and second audio halves, the VAUX source and control packs (each the
// pack's four data bytes, first byte lowest), two reserved zeros. Packs the
// frame lacks stay zero.
std::array<std::uint32_t, 8> DvInfoFromFrame(const std::uint8_t *frame, std::size_t size);

// True for a 625-line (PAL) frame, from its header block's DSF flag.
bool DvFrameIs625(const std::uint8_t *frame, std::size_t size);

}  // namespace vistrel::media
