#!/usr/bin/env bash
# Builds the Debian package and checks what it holds and depends on: the
# run-time packages of scripts/setup.sh, the libraries the program links, and
# the files a desktop needs.
set -euo pipefail
build="$1"
setup="$2"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $1"; [[ -n "${2:-}" && -f "$2" ]] && cat "$2"; exit 1; }
command -v dpkg-deb >/dev/null || fail "no dpkg-deb"

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || fail "cpack failed" "$out/cpack.log"
deb=$(ls "$out"/vistrel_*.deb 2>/dev/null | head -1)
[[ -s "$deb" ]] || fail "no package written" "$out/cpack.log"
dpkg-deb -I "$deb" >"$out/info" || fail "dpkg-deb cannot read the package"
grep -q "^ Package: vistrel$" "$out/info" || fail "package name" "$out/info"
grep -q "^ Version: 6.3.0$" "$out/info" || fail "package version" "$out/info"
depends=$(sed -n 's/^ Depends: //p' "$out/info" | tr -d ' ' | tr ',' '\n' | sed 's/(.*//' | sort -u)
runtime=$(sed -n '/^RUNTIME_PACKAGES=(/,/^)/p' "$setup" | sed '1d;$d;s/#.*//' | tr ' ' '\n' | sed '/^$/d' | sort -u)
[[ -n "$runtime" ]] || fail "no run-time packages in $setup"
for p in $runtime; do
  grep -qx "$p" <<<"$depends" || fail "Depends lacks $p" "$out/info"
done
for p in libgstreamer1.0-0 libqt6widgets6; do
  grep -qx "$p" <<<"$depends" || fail "Depends lacks the linked library package $p" "$out/info"
done
# Every dependency is a package Debian knows on this machine.
for p in $depends; do
  apt-cache show "$p" >/dev/null 2>&1 || fail "Depends names $p, which no archive knows"
done
dpkg-deb -c "$deb" >"$out/files"
for f in ./usr/bin/vistrel ./usr/share/applications/vistrel.desktop ./usr/share/man/man1/vistrel.1.gz \
  ./usr/share/icons/hicolor/scalable/apps/vistrel.svg ./usr/include/vistrel/vistrel_plugin.h \
  ./usr/share/metainfo/com.brenvik.Vistrel.metainfo.xml ./usr/share/doc/vistrel/copyright \
  ./usr/share/doc/vistrel/changelog.gz; do
  grep -q " $f$" "$out/files" || fail "$f is not in the package" "$out/files"
done
# Debian's own checks: no errors (warnings are listed, not failed on).
command -v lintian >/dev/null || fail "lintian is missing (scripts/setup.sh installs it)"
status=0
lintian --allow-root "$deb" >"$out/lintian" 2>&1 || status=$?
((status <= 1)) || fail "lintian could not check the package ($status)" "$out/lintian"
grep -q '^E: ' "$out/lintian" && fail "lintian reports errors" "$out/lintian"
grep '^W: ' "$out/lintian" || true
echo "$(basename "$deb"): Depends: $(tr '\n' ' ' <<<"$depends")"
