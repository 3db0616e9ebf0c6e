#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite headless.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh" "$root/build" -DTESSARINE_TESTS=ON

export QT_QPA_PLATFORM=offscreen
# The custom-icon tests need GIO's metadata daemon: give them a private session bus of their own,
# which starts the daemon on demand, and end it afterwards.
bus_pid=""
if command -v dbus-daemon >/dev/null; then
  bus_info=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus_info")
  bus_pid=$(sed -n 2p <<<"$bus_info")
fi
export XDG_RUNTIME_DIR=$(mktemp -d)
cleanup() {
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  rm -rf "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT

cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
