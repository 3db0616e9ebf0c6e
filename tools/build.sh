#!/usr/bin/env bash
# Configures and builds into build/ (or $1): the bundle build/Tessarine.app and the tests. It runs
# as many jobs as there are cores, or CMAKE_BUILD_PARALLEL_LEVEL where that is set. It says nothing
# when the build is up to date.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
# Ninja checks the source folders for new files on every run and says so, and answers an
# up-to-date build with "no work to do": both lines go, the rest is ninja's own.
cmake --build "$build" --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" |
  sed -u -e '/^\[0\/[0-9]*\] Re-checking globbed directories\.\.\.$/d' -e '/^ninja: no work to do\.$/d'
