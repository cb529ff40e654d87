#!/usr/bin/python3
"""A flash and a beep at the same instants, for measuring lip sync.

One GStreamer pipeline, so one clock, times a black picture that turns white
for a few whole frames every PERIOD seconds and a 1 kHz tone that starts at the
first white frame's time and lasts as long. The picture goes to a PipeWire
camera node; the sound to the PulseAudio null sink, to a PipeWire
sound-source node, or to both.

Runs until it is sent SIGTERM or SIGINT. Prints "flashbeep <pid> ready" once its nodes are offered, and
"flashbeep <pid> playing base=B latency=L" once a camera consumer made it
play: an onset at time t leaves at monotonic B + L + t. The debian python is named in the first line: python3-gi
lives there, not in a python a developer may have put first on PATH.
"""
import argparse
import os
import signal
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstController", "1.0")
from gi.repository import GLib, Gst, GstController  # noqa: E402

RATE = 48000
TONE_HZ = 1000
BLACK, WHITE = 0xFF000000, 0xFFFFFFFF


def make(factory, **properties):
    e = Gst.ElementFactory.make(factory, None)
    if e is None:
        sys.exit("flashbeep: no GStreamer element %s" % factory)
    for k, v in properties.items():
        if isinstance(v, str):  # enums by their nick, as gst-launch takes them
            Gst.util_set_object_arg(e, k.replace("_", "-"), v)
        else:
            e.set_property(k.replace("_", "-"), v)
    return e


def pipewire_sink(media_class, description):
    # A node of its own that others connect to (provide), as a camera or a
    # microphone of another program is.
    sink = make("pipewiresink", mode=2)
    s = Gst.Structure.new_empty("props")
    s.set_value("media.class", media_class)
    s.set_value("node.description", description)
    sink.set_property("stream-properties", s)
    return sink


def link_all(pipeline, elements):
    for e in elements:
        pipeline.add(e)
    for a, b in zip(elements, elements[1:]):
        if not a.link(b):
            sys.exit("flashbeep: cannot link %s to %s" % (a.get_name(), b.get_name()))


def steps(element, prop, onsets, length, on, off):
    """PROP is ON from each onset for LENGTH nanoseconds, OFF otherwise.

    The test sources read their controlled properties at each buffer's own
    time stamp before they fill it, so a step lands on a whole frame and on the
    first sample of a block of sound, whatever the scheduling."""
    cs = GstController.InterpolationControlSource()
    cs.set_property("mode", GstController.InterpolationMode.NONE)
    cs.set(0, off)
    for t in onsets:
        cs.set(t, on)
        cs.set(t + length, off)
    element.add_control_binding(GstController.DirectControlBinding.new_absolute(element, prop, cs))
    return cs


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--camera", help="node.description of the PipeWire camera node")
    ap.add_argument("--pulse", action="store_true", help="beep into the PulseAudio sink vistrel_sink")
    ap.add_argument("--width", type=int, default=640)
    ap.add_argument("--height", type=int, default=360)
    ap.add_argument("--fps", type=int, default=30)
    ap.add_argument("--period", type=float, default=1.0, help="seconds between flashes")
    ap.add_argument("--flash-frames", type=int, default=3)
    a = ap.parse_args()
    if not (a.camera or a.pulse):
        ap.error("nothing to play to")

    Gst.init(None)
    pipeline = Gst.Pipeline.new("flashbeep")
    frames_per_period = max(a.flash_frames + 1, round(a.period * a.fps))
    # Onsets on whole frames (n / fps), for four hours; black and silent after.
    onsets = [k * frames_per_period * Gst.SECOND // a.fps for k in range(4 * 3600 * a.fps // frames_per_period)]
    length = a.flash_frames * Gst.SECOND // a.fps
    controls = []  # the bindings hold their sources weakly from Python's side

    if a.camera:
        # The PipeWire sink in 1.22 takes only buffers from its own pool:
        # anything but a source writing straight into them crashes it.
        v = make("videotestsrc", is_live=True, pattern="solid-color", foreground_color=BLACK)
        caps = make("capsfilter", caps=Gst.Caps.from_string(
            "video/x-raw,format=YUY2,width=%d,height=%d,framerate=%d/1" % (a.width, a.height, a.fps)))
        link_all(pipeline, [v, caps, pipewire_sink("Video/Source", a.camera)])
        controls.append(steps(v, "foreground-color", onsets, length, WHITE, BLACK))

    # One block of sound a frame (1600 samples at 48 kHz and 30 fps): every
    # onset is a block's first sample, and each output its own test source
    # for the same reason as the picture.
    block = RATE // a.fps
    sinks = []
    if a.pulse:
        # The null sink plays by the same monotonic time as the pipeline's
        # clock: slaving to it only drops 40 ms here and there (beeps 0.96 s
        # apart), which would read as the recorder's fault.
        sinks.append(make("pulsesink", device="vistrel_sink", slave_method="none"))
    for sink in sinks:
        t = make("audiotestsrc", is_live=True, wave="sine", freq=TONE_HZ, volume=0.0, samplesperbuffer=block)
        caps = make("capsfilter", caps=Gst.Caps.from_string("audio/x-raw,format=S16LE,rate=%d,channels=2" % RATE))
        link_all(pipeline, [t, caps, sink])
        controls.append(steps(t, "volume", onsets, length, 0.6, 0.0))

    loop = GLib.MainLoop()

    def on_message(_bus, msg):
        if msg.type == Gst.MessageType.ERROR:
            err, dbg = msg.parse_error()
            print("flashbeep: %s (%s)" % (err.message, dbg), file=sys.stderr)
            loop.quit()
        elif msg.type == Gst.MessageType.STATE_CHANGED and msg.src == pipeline:
            _old, new, _pending = msg.parse_state_changed()
            if new == Gst.State.PLAYING:
                # The onset at time t is meant to leave every output at
                # monotonic base + latency + t: what a consumer's arrival
                # times are compared with.
                q = Gst.Query.new_latency()
                latency = q.parse_latency()[1] if pipeline.query(q) else 0
                print("flashbeep %d playing base=%.6f latency=%.6f"
                      % (os.getpid(), pipeline.get_base_time() / 1e9, latency / 1e9), flush=True)

    # The monotonic clock that the null sink plays by too (see the sinks).
    pipeline.use_clock(Gst.SystemClock.obtain())
    bus = pipeline.get_bus()
    bus.add_signal_watch()
    bus.connect("message", on_message)
    for sig in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, sig, loop.quit)
    if pipeline.set_state(Gst.State.PLAYING) == Gst.StateChangeReturn.FAILURE:
        sys.exit("flashbeep: the pipeline does not play")
    print("flashbeep %d ready" % os.getpid(), flush=True)
    loop.run()
    pipeline.set_state(Gst.State.NULL)


if __name__ == "__main__":
    main()
