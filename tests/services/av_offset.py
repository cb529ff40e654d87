#!/usr/bin/env python3
"""How far a recording's sound is from its picture, read from the file alone.

  av_offset.py FILE

The file is expected to hold what flashbeep.py plays: a black picture with a
white flash every second or so, and silence with a 1 kHz beep starting at each
flash's instant. FFmpeg decodes it; flash onsets are the frames whose mean luma
jumps over the middle between black and white, beep onsets the first sample
whose level rises over a share of the loudest after a silence. Each flash is
paired with the nearest beep within half the flashes' spacing (an offset
beyond that reads as its neighbour's). Prints one line of key=value figures:

  picture=5.03 sound=5.01 pairs=5 offset_ms=+3.2 spread_ms=0.4 fps=30.00 by_end=0

offset_ms is the median of beep - flash (positive: the sound comes late),
spread_ms the largest minus the smallest, by_end the flashes placed by their
end because a frame of them was lost. Exits 1 when no flash meets a beep.
"""
import re
import statistics
import subprocess
import sys
import warnings

with warnings.catch_warnings():
    warnings.simplefilter("ignore", DeprecationWarning)  # still there in 3.12, the block maxima need it
    import audioop

RATE = 48000
BLOCK = 48  # 1 ms: the coarse search's step before the sample-exact one
QUIET_MS = 150  # a beep starts only after this much below the threshold
KEEP_S = 120  # onsets are searched in the first two minutes of sound


def stream_start(path, kind):
    out = subprocess.run(
        ["ffprobe", "-v", "error", "-select_streams", kind + ":0", "-show_entries", "stream=start_time",
         "-of", "csv=p=0", path],
        capture_output=True, text=True).stdout.strip()
    try:
        return float(out)
    except ValueError:
        return 0.0


def frames(path):
    """(time, mean luma) of every decoded frame, on the file's own time line."""
    proc = subprocess.run(
        ["ffmpeg", "-nostdin", "-v", "error", "-copyts", "-i", path, "-map", "0:v:0", "-vf",
         "signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=-", "-f", "null", "-"],
        capture_output=True, text=True)
    out, t = [], None
    for line in proc.stdout.splitlines():
        m = re.search(r"pts_time:(\S+)", line)
        if m:
            t = float(m.group(1))
            continue
        m = re.match(r"lavfi\.signalstats\.YAVG=(\S+)", line)
        if m and t is not None:
            out.append((t, float(m.group(1))))
            t = None
    return out


def sound(path):
    """The first KEEP_S seconds of mono samples, and the length of all of it."""
    proc = subprocess.Popen(
        ["ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map", "0:a:0", "-ac", "1", "-ar", str(RATE),
         "-f", "s16le", "-acodec", "pcm_s16le", "-"],
        stdout=subprocess.PIPE)
    kept, total, keep = [], 0, KEEP_S * RATE * 2
    while True:
        chunk = proc.stdout.read(1 << 20)
        if not chunk:
            break
        if total < keep:
            kept.append(chunk[: keep - total])
        total += len(chunk)
    proc.wait()
    return b"".join(kept), total / 2 / RATE


def flash_onsets(luma):
    """The flashes' onsets, and how many were judged by their end.

    A flash lasts the same whole frames each time. A frame of it that a loaded
    machine lost on the way (the producer's, or one the frame filler made up
    from the black one before) shortens it by a frame; when that frame was its
    first, its rise comes a frame late while its fall is on time. A flash
    shorter than the others is therefore placed by its fall less their
    length; one lost frame then moves no onset, while a picture that slips
    moves rise and fall together and is still seen."""
    if len(luma) < 2:
        return [], 0
    lo, hi = min(v for _, v in luma), max(v for _, v in luma)
    if hi - lo < 50:  # no flash at all: a test pattern, or a still black picture
        return [], 0
    mid = (lo + hi) / 2
    runs, rise, prev = [], None, luma[0][1]
    for t, v in luma[1:]:
        if prev < mid <= v:
            rise = t
        elif v < mid <= prev and rise is not None:
            runs.append((rise, t))
            rise = None
        prev = v
    if rise is not None:  # the file ended in a flash: its length is unknown
        runs.append((rise, None))
    lengths = [fall - r for r, fall in runs if fall is not None]
    if not lengths:
        return [r for r, _ in runs], 0
    length = statistics.median(lengths)
    step = statistics.median(b[0] - a[0] for a, b in zip(luma, luma[1:]))
    onsets, by_end = [], 0
    for r, fall in runs:
        if fall is not None and fall - r < length - step / 2:
            onsets.append(fall - length)
            by_end += 1
        else:
            onsets.append(r)
    return onsets, by_end


def beep_onsets(pcm):
    blocks = [audioop.max(pcm[i: i + BLOCK * 2], 2) for i in range(0, len(pcm) - BLOCK * 2 + 1, BLOCK * 2)]
    if not blocks:
        return []
    peak = sorted(blocks)[int(len(blocks) * 0.999)]
    if peak < 2000:  # silence, or a hum: nothing like the beep
        return []
    threshold = peak * 0.3
    onsets, quiet = [], 0
    for b, level in enumerate(blocks):
        if level <= threshold:
            quiet += 1
            continue
        if quiet >= QUIET_MS:
            # The exact sample inside the block that first crossed.
            base = b * BLOCK
            for k in range(BLOCK):
                s = int.from_bytes(pcm[(base + k) * 2: (base + k) * 2 + 2], "little", signed=True)
                if abs(s) > threshold:
                    onsets.append((base + k) / RATE)
                    break
        quiet = 0
    return onsets


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().split("\n\n")[1])
    path = sys.argv[1]
    luma = frames(path)
    pcm, sound_s = sound(path)
    v0, a0 = stream_start(path, "v"), stream_start(path, "a")
    if len(luma) >= 2:
        step = statistics.median(b[0] - a[0] for a, b in zip(luma, luma[1:]))
        picture_s = luma[-1][0] - luma[0][0] + step
        fps = 1 / step if step > 0 else 0.0
    else:
        picture_s, fps = 0.0, 0.0
    flashes, by_end = flash_onsets(luma)
    # Sample i of the decoded sound is at the sound stream's start plus i / RATE.
    beeps = [a0 + t for t in beep_onsets(pcm)]
    figures = "picture=%.2f sound=%.2f" % (picture_s, sound_s)
    # A flash whose beep was never recorded (the sound ended first) must not
    # take the next one: a pair is nearer than half the flashes' spacing.
    reach = statistics.median(b - a for a, b in zip(flashes, flashes[1:])) / 2 if len(flashes) > 1 else 0.5
    pairs = []
    for f in flashes:
        if beeps:
            d = min(beeps, key=lambda b: abs(b - f)) - f
            if abs(d) < reach:
                pairs.append(d)
    if not pairs:
        print("%s pairs=0 fps=%.2f" % (figures, fps))
        print("av_offset: %s: no flash meets a beep (%d flashes from %.2f s, %d beeps from %.2f s)"
              % (path, len(flashes), v0, len(beeps), a0), file=sys.stderr)
        sys.exit(1)
    ms = [p * 1000 for p in pairs]
    print("%s pairs=%d offset_ms=%+.1f spread_ms=%.1f fps=%.2f by_end=%d"
          % (figures, len(ms), statistics.median(ms), max(ms) - min(ms), fps, by_end))


if __name__ == "__main__":
    main()
