#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs one of them.
# Usage: scripts/fuzz.sh <target> [seconds]   e.g. scripts/fuzz.sh fuzz_settings_ini 60
set -euo pipefail
cd "$(dirname "$0")/.."
target="$1"; seconds="${2:-60}"
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get install -y -qq clang libclang-rt-14-dev
fi
dir=build/fuzz
if [ ! -f "$dir/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVISTREL_FUZZ=ON -DVISTREL_BUILD_TESTS=OFF -DVISTREL_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$dir" --target "$target"
mkdir -p "$dir/corpus-$target"
seeds=()
[ -d "fuzz/corpus/$target" ] && seeds=("fuzz/corpus/$target")
"$dir/fuzz/$target" -max_total_time="$seconds" "$dir/corpus-$target" "${seeds[@]}"
