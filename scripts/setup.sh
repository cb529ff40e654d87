#!/usr/bin/env bash
# Installs every Debian package Vistrel needs to build, run and test.
# Idempotent: when everything is present it does nothing and touches no network.
set -euo pipefail

# What the installed program loads at run time beside the libraries it links;
# the Debian package (cmake/VistrelPackage.cmake) depends on exactly these.
# The MP4 format's parts: mp4mux (good), x264enc (ugly), openh264enc, voaacenc and the
# VA-API encoders (bad, used when a driver of the machine's graphics offers one),
# avenc_aac (libav).
RUNTIME_PACKAGES=(
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-alsa gstreamer1.0-x
  gstreamer1.0-pulseaudio gstreamer1.0-pipewire
  qt6-qpa-plugins libqt6dbus6 fontconfig fonts-dejavu-core
  libavc1394-0 libraw1394-11
)

PACKAGES=(
  "${RUNTIME_PACKAGES[@]}"
  build-essential cmake ninja-build pkg-config
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-tools gstreamer1.0-plugins-base-apps
  pulseaudio pulseaudio-utils pipewire pipewire-bin wireplumber
  libavcodec-dev libavutil-dev libswscale-dev
  qt6-base-dev
  libjpeg-dev
  libavc1394-dev libiec61883-dev libraw1394-dev libasound2-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth dbus dbus-daemon
  fonts-liberation2
  ffmpeg python3 time desktop-file-utils imagemagick x11-utils
  appstream lintian
  python3-gi gir1.2-gstreamer-1.0 gir1.2-glib-2.0
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "setup: installing ${#missing[@]} package(s): ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
