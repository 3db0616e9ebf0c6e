#!/usr/bin/env bash
# Configures and builds into build/ (or $1): the bundle build/Tessarine.app and the tests. It runs
# as many jobs as there are cores, or CMAKE_BUILD_PARALLEL_LEVEL where that is set.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
