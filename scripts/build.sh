#!/usr/bin/env bash
# Configures (once) and builds one configuration. Usage: scripts/build.sh [release|asan]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
dir="build/$preset"
if [ ! -f "$dir/build.ninja" ]; then
  cmake --preset "$preset" >/dev/null
fi
cmake --build "$dir" --parallel "$(nproc)"
