#pragma once
// Pieces the capture builders share. Every helper element a chain adds has a
// graph name starting with "Capture ", so taking the chain down finds it even
// when a build stopped half-way.
#include <QString>

#include "graph/avgraph.h"
#include "media/droppedframes.h"
#include "media/pins.h"
#include "media/startalign.h"

namespace vistrel::avicapture {

// A new element of `factory` in the graph as "Capture <name>", or null.
GstElement *AddPart(media::Graph &fg, const char *factory, const QString &name);
// A caps filter holding the stream to `caps`.
GstElement *AddCapsPart(media::Graph &fg, const QString &name, const char *caps);
// The first free output of `from` into the first free input of `to`.
bool Link(media::Graph &fg, GstElement *from, GstElement *to);
// `out` into the first free input of `to`.
bool LinkPad(media::Graph &fg, GstPad *out, GstElement *to);
// Links each element of the list to the next; `out` (when given) feeds the first.
bool LinkChain(media::Graph &fg, GstPad *out, std::initializer_list<GstElement *> chain);
// A new video or audio input of a muxer.
media::PadRef MuxInput(GstElement *mux, bool video);

// The capture tap of `tee` (its pin 2, through its own queue), tuned for
// recording. A leaky video tap drops the oldest frames when the encoder falls
// behind instead of holding the preview up; the drops are counted. The
// picture and the sound of a chain with both start at the same instant.
media::PadRef VideoTap(Tdm &dm, GstElement *tee, bool leaky);
media::PadRef AudioTap(Tdm &dm, GstElement *tee);
// The chain's sound starts `samples` after its picture, for a coder that
// delays it by as much (see media::kMp3CodingDelay).
void LeadSound(Tdm &dm, guint64 samples);
// The stretches the chain's sources sent nothing since the last call.
std::vector<media::CaptureGap> TakeCaptureGaps(Tdm &dm, bool ended);
// Declares the branch entered at `tapOut`'s queue as one that writes `sink`,
// so stopping the graph ends it and finalizes the file.
void DeclareBranch(Tdm &dm, GstPad *tapOut, GstElement *sink);
// Frames written: counted where the video leaves for the muxer.
void CountWritten(Tdm &dm, GstPad *muxInput);
media::DroppedFrames *DroppedCounter(const Tdm &dm);
// The dropped-frames counter and the start aligner of a chain taken down.
void ForgetTapWatches(Tdm &dm);

// `tapOut` into the stock audio converter and its output format (the rule of
// FormatAudioCapture); the converted sound's free output, or null.
media::PadRef ConvertedAudio(Tdm &dm, GstPad *tapOut);
// The audio tee a native chain records from: the source's own, else the
// decoded one.
GstElement *NativeAudioSource(Tdm &dm);

// A frame filler after `in`: frames lost on the way are made up (and, with
// `framerate`, the stream is held to that rate). Its last element, or null.
GstElement *AddFrameRate(Tdm &dm, GstPad *in, const char *framerate);

// The raw picture from `in` scaled and converted to what the DV encoder takes
// for the standard, then encoded by `DVenc`; the encoder, or null.
GstElement *EncodeDv(Tdm &dm, GstPad *in, bool ntsc);

// Stops linking the DV splitter's pads into the chain.
void DisconnectSplitter(Tdm &dm);

bool IsDvDevice(const sources::TVideoSource *device);
// True when what enters `tee` is raw video (as flowing, or else as offered).
bool IsRawVideo(GstElement *tee);

// The FourCC to put into the finished file's video stream (stream handler
// and bitmap compression) when the muxer could not write it itself.
void SetPendingFourCC(GstElement *fileSink, const QString &fourCC);
// Writes the pending FourCC into the file the sink wrote. The graph is stopped.
void ApplyPendingFourCC(GstElement *fileSink);
bool RewriteAviVideoFourCC(const QString &file, const QByteArray &fourCC);

}  // namespace vistrel::avicapture
