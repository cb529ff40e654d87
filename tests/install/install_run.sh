#!/usr/bin/env bash
# Installs the build into a temporary root as a package would (prefix /usr) and
# starts the installed program the way a user of the desktop menu or of a shell
# would: its entry, icon, manual page and plug-in header are where the desktop,
# man and a compiler look for them.
set -euo pipefail
build="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $1"; [[ -n "${2:-}" && -f "$2" ]] && cat "$2"; exit 1; }

DESTDIR="$root" cmake --install "$build" --prefix /usr >"$root/install.log" || fail "cmake --install failed" "$root/install.log"
usr="$root/usr"
expected=(bin/vistrel lib/vistrel/libvistrel_avenc.so share/applications/vistrel.desktop share/icons/hicolor/scalable/apps/vistrel.svg
  share/metainfo/com.brenvik.Vistrel.metainfo.xml share/man/man1/vistrel.1.gz include/vistrel/vistrel_plugin.h
  share/doc/vistrel/examples/pattern_camera.c share/doc/vistrel/copyright share/doc/vistrel/changelog.gz)
for f in "${expected[@]}"; do
  [[ -s "$usr/$f" ]] || fail "$f not installed" "$root/install.log"
done
[[ -x "$usr/bin/vistrel" ]] || fail "the installed program is not executable"
# Only what a user needs: no static libraries, test programs or benchmarks.
extra=$(cd "$usr" && find . -type f | sed 's|^\./||' | grep -vxF -f <(printf '%s\n' "${expected[@]}") || true)
[[ -z "$extra" ]] || fail "unexpected files installed: $extra"

# Software centres read the metainfo; it launches the desktop entry installed beside it.
command -v appstreamcli >/dev/null || fail "appstreamcli is missing (scripts/setup.sh installs appstream)"
metainfo="$usr/share/metainfo/com.brenvik.Vistrel.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >"$root/appstream.log" 2>&1 || fail "the metainfo does not validate" "$root/appstream.log"
grep -q '<launchable type="desktop-id">vistrel.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not launch vistrel.desktop"
# Compressed at the highest level with no file name or time in the header (the
# flags byte and the four time bytes are zero), so two builds give the same bytes.
for f in share/man/man1/vistrel.1.gz share/doc/vistrel/changelog.gz; do
  gzip -t "$usr/$f" || fail "$f is not a gzip file"
  [[ "$(od -An -tx1 -j3 -N5 "$usr/$f" | tr -d ' ')" == 0000000000 ]] || fail "$f keeps a name or a time"
  [[ "$(od -An -tx1 -j8 -N1 "$usr/$f" | tr -d ' ')" == 02 ]] || fail "$f is not compressed with -9"
done

desktop="$usr/share/applications/vistrel.desktop"
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate missing (scripts/setup.sh installs it)"
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
grep -qx 'Exec=vistrel' "$desktop" || fail "the desktop entry does not start vistrel"
grep -qx 'Icon=vistrel' "$desktop" || fail "the desktop entry names another icon"
grep -q '^Categories=AudioVideo;Video;' "$desktop" || fail "the desktop entry is not in the Sound & Video menu"
grep -q '<svg' "$usr/share/icons/hicolor/scalable/apps/vistrel.svg" || fail "the icon is not an SVG"

page=$(MANWIDTH=100 man -l "$usr/share/man/man1/vistrel.1.gz" 2>"$root/man.err") || fail "man cannot read the page" "$root/man.err"
for word in --help --version --answer --test-devices --list-sources --script --demo "COMMAND FILES" "EXIT STATUS" format_capture; do
  grep -qF -- "$word" <<<"$page" || fail "the manual page does not mention $word"
done

# The header and example build a plug-in against the installed header alone.
cc -shared -fPIC -o "$root/pattern_camera.pcf" -I"$usr/include/vistrel" \
  "$usr/share/doc/vistrel/examples/pattern_camera.c" $(pkg-config --cflags --libs gstreamer-1.0) \
  2>"$root/cc.err" || fail "the example plug-in does not build against the installed header" "$root/cc.err"

# The installed program, started from its own place in a fresh home, without a display.
export HOME="$root/home" XDG_CONFIG_HOME="$root/home/.config"
mkdir -p "$HOME"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM VISTREL_TEST_DEVICES VISTREL_PROGRAM_DIR
[[ "$("$usr/bin/vistrel" --version)" == "Vistrel 6.3.0" ]] || fail "--version"
"$usr/bin/vistrel" -h | grep '^Usage: vistrel' >/dev/null || fail "-h prints no usage"
timeout 60 "$usr/bin/vistrel" --test-devices --list-sources >"$root/list.out" 2>"$root/list.err" ||
  fail "--list-sources failed" "$root/list.err"
grep -q "Vistrel Test Camera" "$root/list.out" || fail "the test camera is not listed" "$root/list.out"
# With nothing to do and no display it ends by itself, and cleanly.
timeout 60 "$usr/bin/vistrel" --test-devices --answer=no >"$root/run.out" 2>"$root/run.err" ||
  fail "the installed program did not end cleanly by itself ($?)" "$root/run.err"
# A DivX recording loads the encoder module from the installed tree, not
# from the build that made it.
printf '%s\n' 'source_video "Vistrel Test Camera"' 'source_audio "Vistrel Test Microphone"' \
  'format_capture "divx"' capture 'wait 3' capture quit >"$root/divx.txt"
QT_QPA_PLATFORM=offscreen "$usr/bin/vistrel" --test-devices --answer=no --script="$root/divx.txt" \
  >"$root/divx.out" 2>"$root/divx.err" &
pid=$!
module=""
for ((t = 0; t < 300; t++)); do
  kill -0 "$pid" 2>/dev/null || break
  module=$(grep -o '[^ ]*libvistrel_avenc\.so' "/proc/$pid/maps" 2>/dev/null | head -1 || true)
  [[ -n $module ]] && break
  sleep 0.2
done
((t < 300)) || kill "$pid" 2>/dev/null || true
wait "$pid" || fail "the installed program failed to record DivX ($?)" "$root/divx.err"
[[ $module == "$usr/lib/vistrel/libvistrel_avenc.so" ]] || fail "the encoder module came from '${module:-nowhere}'"
recorded=$(find "$HOME" -name '*.avi' -size +0 | head -1)
[[ -n $recorded ]] || fail "the DivX recording left no file" "$root/divx.err"
[[ "$(ffprobe -v error -select_streams v:0 -show_entries stream=codec_name -of csv=p=0 "$recorded")" == mpeg4 ]] ||
  fail "the DivX recording holds no MPEG-4 picture"

echo "installed into $usr and ran: $(cd "$usr" && find . -type f | tr '\n' ' ')"
