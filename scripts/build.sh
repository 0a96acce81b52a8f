#!/usr/bin/env bash
# Configures and builds one flavour of the project in build/<flavour>.
#   scripts/build.sh [release|asan|tsan|fuzz] [target...]     (no target: everything)
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-release}
shift || true
targets=()
for target in "$@"; do targets+=(--target "$target"); done
dir="build/$flavour"
args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
case "$flavour" in
  release) ;;
  asan) args+=(-DTANDRIL_SANITIZE=address -DTANDRIL_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
  tsan) args+=(-DTANDRIL_SANITIZE=thread -DTANDRIL_BUILD_BENCH=OFF -DTANDRIL_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
  fuzz) args+=(-DCMAKE_CXX_COMPILER=clang++ -DTANDRIL_BUILD_FUZZ=ON -DTANDRIL_BUILD_TESTS=OFF -DTANDRIL_BUILD_BENCH=OFF
               -DTANDRIL_BUILD_GUI=OFF -DTANDRIL_SANITIZE=address) ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" "${args[@]}" >/dev/null
cmake --build "$dir" -j2 "${targets[@]}"
