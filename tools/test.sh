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
summary=$(mktemp)
stage_log=$(mktemp)
cleanup() {
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  rm -rf "$XDG_RUNTIME_DIR" "$summary" "$stage_log"
}
trap cleanup EXIT

# The tests run as many jobs at once as the build does.
jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

# Runs one stage's tests in the build folder given, with ctest's options, and keeps its count for
# the closing line over all stages. As root, the cases that need an unprivileged user (a
# privileged one writes into read-only folders) skip themselves: every case a stage skips runs
# again as such a user, and counts there.
run_stage() {
  local build=$1
  shift
  cd "$build"
  ctest --output-on-failure "$@" | tee "$stage_log"
  if [ "$(id -u)" -eq 0 ]; then
    sed 's/ (Skipped)$/ (Skipped, run again unprivileged)/' "$stage_log" >>"$summary"
    "$root/tools/unprivileged-tests.sh" "$build" "$stage_log" | tee -a "$summary"
  else
    cat "$stage_log" >>"$summary"
  fi
}

run_stage "$root/build" --parallel "$jobs" --timeout 300

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer, with the same
# compiler. Leaks fail a test; the few that system libraries keep until exit are suppressed by
# tests/lsan.supp, which is compiled into the sanitizer build's programs.
"$root/tools/build.sh" "$root/build-asan" -DTESSARINE_TESTS=ON -DTESSARINE_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_stage "$root/build-asan" --parallel "$jobs" --timeout 300

# The fuzz targets, built with clang's libFuzzer, each for a fixed number of runs over a copy of
# its seed corpus (fuzz/CMakeLists.txt); bench/fuzz-long.sh runs them for long.
"$root/tools/build.sh" "$root/build-fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTESSARINE_TESTS=OFF -DTESSARINE_FUZZ=ON
run_stage "$root/build-fuzz" --parallel "$((jobs < 4 ? jobs : 4))" --timeout 600

# One closing line over the stages' ctest counts. ctest counts a skipped case as passed; here it
# is not (and one run again unprivileged counts in that run only).
awk '/tests passed, [0-9]+ tests failed out of/ { failed += $(NF-5); total += $NF }
     /^[[:space:]]+[0-9]+ - .* \(Skipped, run again unprivileged\)$/ { total-- }
     /^[[:space:]]+[0-9]+ - .* \(Skipped\)$/ { skipped++ }
     END { printf "all stages: %d passed, %d failed", total - failed - skipped, failed
           if (skipped) printf " (%d skipped)", skipped
           printf "\n" }' "$summary"
