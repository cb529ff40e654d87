#!/usr/bin/env bash
# Faults that happen to a running capture, through the real program and its
# test devices:
#  - the program held still for 8 s (SIGSTOP, as a machine deep in swap) in
#    every format that records picture and sound together, and in WAV: the
#    picture and the sound stay as long as each other, and the user is told
#    of the gap;
#  - two programs started together on one home: each records its own file;
#  - the video folder removed while recording: what was recorded is saved
#    again under a name that says so.
source "$(dirname "$0")/e2e_lib.sh" "$@"

home() {  # a home of its own
  home_env "$root/$1"
}
script() {  # video audio format seconds
  printf 'source_video "%s"\nsource_audio "%s"\nformat_capture "%s"\nwait 1\ncapture\nwait %s\ncapture\nwait 1\nquit\n' \
    "$1" "$2" "$3" "$4"
}
# The playing time of one kind of stream, as a full decode reaches it.
length() {
  ffmpeg -nostdin -i "$1" -map "0:$2" -f null - 2>&1 | grep -o "time=[0-9:.]*" | tail -1 |
    awk -F'[=:]' '{ print $2 * 3600 + $3 * 60 + $4 }'
}
wait_file() {
  for _ in $(seq 150); do [ -n "$(ls "$1")" ] && return 0; sleep 0.1; done
  return 1
}

# name | video | audio | format
stalls=(
  "avi|Vistrel Test Camera|Vistrel Test Microphone|avi native"
  "divx|Vistrel Test Camera|Vistrel Test Microphone|divx"
  "wmv|Vistrel Test Camera|Vistrel Test Microphone|Wmv"
  "dv2r|Vistrel Test Camera|Vistrel Test Microphone|dv type 2 (recomp)"
  "dv1|DV Source - Video|DV Source - Audio|dv type 1 natifve"
  "dv2|DV Source - Video|DV Source - Audio|dv type 2 native"
  "wav|no video stream|Vistrel Test Microphone|Wav"
)
stall() {
  local name=$1 video=$2 audio=$3 format=$4 d="$root/$1"
  env $(home "$name") true
  script "$video" "$audio" "$format" 14 >"$d/s.txt"
  env $(home "$name") "$bin" --answer=yes --script="$d/s.txt" >"$d/out" 2>"$d/err" &
  local pid=$!
  wait_file "$d/Videos" || { kill -9 $pid; echo "$name: no file was started"; return 1; }
  sleep 3
  kill -STOP $pid
  sleep 8
  kill -CONT $pid
  wait $pid || { echo "$name: the program failed"; cat "$d/err"; return 1; }
  local file
  file=$(ls "$d/Videos"/* | head -1)
  grep -qE "The capture has a gap from [0-9:]* for [0-9.]* s|Vistrel was held up from [0-9:]* for [0-9.]* s" "$d/err" ||
    { echo "$name: the gap was not told"; return 1; }
  local v a
  a=$(length "$file" a)
  if [ "$video" = "no video stream" ]; then
    awk -v a="$a" 'BEGIN { exit !(a > 12.5) }' || { echo "$name: $a s of sound for 14 s recorded"; return 1; }
    echo "$name: sound $a s for 14 s recorded"
    return 0
  fi
  v=$(length "$file" v)
  awk -v v="$v" -v a="$a" 'BEGIN { d = v - a; exit !(d < 0.5 && d > -0.5 && v > 5) }' ||
    { echo "$name: picture $v s and sound $a s"; return 1; }
  echo "$name: picture $v s, sound $a s, for 14 s recorded"
}

failed=0
for ((i = 0; i < ${#stalls[@]}; i += 2)); do
  for c in "${stalls[@]:i:2}"; do
    IFS='|' read -r name video audio format <<<"$c"
    (stall "$name" "$video" "$audio" "$format" >"$root/$name.result" 2>&1 || touch "$root/$name.failed") &
  done
  wait
done
for c in "${stalls[@]}"; do
  IFS='|' read -r name _ <<<"$c"
  cat "$root/$name.result"
  [ ! -f "$root/$name.failed" ] || failed=1
done

# Two programs on one home, started together: the same date and counter
# would give one name; each must keep its own file, whole.
d="$root/two"
env $(home two) true
script "Vistrel Test Camera" "Vistrel Test Microphone" "divx" 4 >"$d/s.txt"
env $(home two) "$bin" --answer=yes --script="$d/s.txt" >"$d/out1" 2>"$d/err1" &
p1=$!
env $(home two) "$bin" --answer=yes --script="$d/s.txt" >"$d/out2" 2>"$d/err2" &
p2=$!
wait $p1 && wait $p2 || { echo "two: a program failed"; cat "$d/err1" "$d/err2"; failed=1; }
count=$(ls "$d/Videos" | grep -c '\.avi$' || true)
if [ "$count" != 2 ]; then
  echo "two: $count files: $(ls "$d/Videos")"; cat "$d/err1" "$d/err2"; failed=1
else
  for f in "$d/Videos"/*.avi; do
    v=$(length "$f" v)
    awk -v v="$v" 'BEGIN { exit !(v > 3) }' || { echo "two: $f holds $v s"; failed=1; }
    [ -z "$(ffmpeg -nostdin -v error -i "$f" -f null - 2>&1 | head -3)" ] || { echo "two: $f does not decode"; failed=1; }
  done
  [ ! -s "$d/config/Brenvik/recordings.journal" ] || { echo "two: the journal still holds a file"; failed=1; }
  [ ! -d "$d/data/Trash/files" ] || [ -z "$(ls "$d/data/Trash/files")" ] || { echo "two: a file went to the trash"; failed=1; }
  echo "two: two programs, two files: $(ls "$d/Videos" | tr '\n' ' ')"
fi

# The video folder removed two seconds into a capture.
d="$root/removed"
env $(home removed) true
script "Vistrel Test Camera" "Vistrel Test Microphone" "avi native" 6 >"$d/s.txt"
env $(home removed) "$bin" --answer=yes --script="$d/s.txt" >"$d/out" 2>"$d/err" &
pid=$!
if wait_file "$d/Videos"; then
  sleep 2
  rm -rf "$d/Videos"
fi
wait $pid || { echo "removed: the program failed"; cat "$d/err"; failed=1; }
grep -q "was removed (or its folder was) while it was being recorded" "$d/err" ||
  { echo "removed: the user was not told at once"; cat "$d/err"; failed=1; }
rescued=$(ls "$d/Videos"/*"(rescued).avi" 2>/dev/null | head -1 || true)
if [ -z "$rescued" ]; then
  echo "removed: nothing was saved again"; cat "$d/err"; failed=1
else
  v=$(length "$rescued" v)
  awk -v v="$v" 'BEGIN { exit !(v > 5) }' || { echo "removed: the saved file holds $v s of 6"; failed=1; }
  grep -q "What was recorded is saved in $rescued" "$d/err" || { echo "removed: the saved name was not told"; failed=1; }
  echo "removed: saved again as $(basename "$rescued"), $v s"
fi
exit $failed
