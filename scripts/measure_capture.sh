#!/usr/bin/env bash
# Capture figures: start and stop times of the AVI chains, and the CPU time of
# recording "dv type 2 (recomp)" and "divx" from a live PAL source (720x576,
# 25 fps) with the preview and the inlay on, beside the same work done by a
# plain gst-launch-1.0 pipeline (source, inlay, preview branch, encoder, AVI).
# Usage: scripts/measure_capture.sh [build-dir] [seconds]
set -euo pipefail
build=${1:-build/release}
seconds=${2:-60}
bench="$build/bench/bench_graph"
[ -x "$bench" ] || { echo "no $bench: build target bench_graph first" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "== Vistrel (bench_graph, ${seconds} s recordings)"
VISTREL_CAPTURE_SECONDS=$seconds "$bench" --benchmark_filter='Capture' 2>/dev/null | grep -E '^BM_' | tee "$out/vistrel.txt"

source_part='videotestsrc is-live=true pattern=ball ! video/x-raw,format=I420,width=720,height=576,framerate=25/1
  ! videoconvert ! video/x-raw,format=BGR ! textoverlay text=12:34:56 font-desc="Sans 21" ! tee name=t
  t. ! queue max-size-buffers=4 ! videoconvert ! fakesink sync=true
  t. ! queue leaky=downstream max-size-buffers=0 max-size-bytes=0 max-size-time=1000000000 ! videorate'

reference() {  # name, encoder part
  local name=$1 encoder=$2
  local cpu
  # user + system seconds of gst-launch, stopped with EOS after the run.
  cpu=$( { TIMEFORMAT='%U %S'; time timeout -s INT "$seconds" gst-launch-1.0 -q -e $source_part \
      ! videoconvert ! $encoder ! avimux ! filesink location="$out/$name.avi" >/dev/null 2>&1 || true; } 2>&1 | tail -1)
  local frames
  frames=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$out/$name.avi")
  echo "$name $cpu $frames" | awk -v s="$seconds" '{c=$2+$3; printf "reference %-6s cpu_s=%.2f cpu_pct=%.1f frames=%d\n", $1, c, 100*c/s, $4}'
}

echo "== gst-launch-1.0 reference"
reference dv "video/x-raw,format=I420,width=720,height=576,pixel-aspect-ratio=16/15 ! avenc_dvvideo threads=0" | tee -a "$out/ref.txt"
reference divx "video/x-raw,format=I420 ! avenc_mpeg4 threads=0 bitrate=4000000 ! video/x-divx,divxversion=5" | tee -a "$out/ref.txt"

echo "== ratio (Vistrel CPU / reference CPU; goal <= 1.2)"
v6=$(grep 'BM_CaptureCpu/6' "$out/vistrel.txt" | grep -o 'cpu_s=[0-9.]*' | cut -d= -f2)
v9=$(grep 'BM_CaptureCpu/9' "$out/vistrel.txt" | grep -o 'cpu_s=[0-9.]*' | cut -d= -f2)
r6=$(grep 'reference dv' "$out/ref.txt" | grep -o 'cpu_s=[0-9.]*' | cut -d= -f2)
r9=$(grep 'reference divx' "$out/ref.txt" | grep -o 'cpu_s=[0-9.]*' | cut -d= -f2)
awk -v a="$v6" -v b="$r6" 'BEGIN{printf "dv type 2 (recomp): %.2f\n", a/b}'
awk -v a="$v9" -v b="$r9" 'BEGIN{printf "divx:               %.2f\n", a/b}'
