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
normal_log=$(mktemp)
cleanup() {
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  rm -rf "$XDG_RUNTIME_DIR" "$summary" "$normal_log"
}
trap cleanup EXIT

# Runs ctest and keeps its count for the closing line over all stages.
run_ctest() {
  ctest "$@" | tee -a "$summary"
}

cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300 | tee "$normal_log"

# As root, the cases that need an unprivileged user (a privileged one writes into read-only
# folders) skip themselves: every case skipped here runs again as such a user, and counts there.
if [ "$(id -u)" -eq 0 ]; then
  sed 's/ (Skipped)$/ (Skipped, run again unprivileged)/' "$normal_log" >>"$summary"
  "$root/tools/unprivileged-tests.sh" "$root/build" "$normal_log" | tee -a "$summary"
else
  cat "$normal_log" >>"$summary"
fi

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer, with the same
# compiler. Leaks fail a test; the few that system libraries keep until exit are suppressed by
# tests/lsan.supp, which is compiled into the sanitizer build's programs.
"$root/tools/build.sh" "$root/build-asan" -DTESSARINE_TESTS=ON -DTESSARINE_SANITIZE=ON
cd "$root/build-asan"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest --output-on-failure --parallel "$(nproc)" --timeout 300

# The fuzz targets, built with clang's libFuzzer, each for a fixed number of runs over a copy of
# its seed corpus (fuzz/CMakeLists.txt); bench/fuzz-long.sh runs them for long.
"$root/tools/build.sh" "$root/build-fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTESSARINE_TESTS=OFF -DTESSARINE_FUZZ=ON
cd "$root/build-fuzz"
run_ctest --output-on-failure --parallel 4 --timeout 600

# One closing line over the stages' ctest counts. ctest counts a skipped case as passed; here it
# is not (and one run again unprivileged counts in that run only).
awk '/tests passed, [0-9]+ tests failed out of/ { failed += $(NF-5); total += $NF }
     /^[[:space:]]+[0-9]+ - .* \(Skipped, run again unprivileged\)$/ { total-- }
     /^[[:space:]]+[0-9]+ - .* \(Skipped\)$/ { skipped++ }
     END { printf "all stages: %d passed, %d failed", total - failed - skipped, failed
           if (skipped) printf " (%d skipped)", skipped
           printf "\n" }' "$summary"
