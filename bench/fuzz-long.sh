#!/usr/bin/env bash
# Runs each fuzz target for a long time and prints its executions and findings.
#   bench/fuzz-long.sh [seconds per target, default 600] [target ...]
# Targets: detection preferences shellpath iconfamily busreply (all by default). They run side by
# side, one core each. Each starts from its seed corpus (fuzz/corpus/<target>) plus what earlier
# long runs found, kept in build-fuzz/long/<target>/corpus; findings (crash-*, leak-*, timeout-*,
# oom-*) are left in build-fuzz/long/<target>/ with the target's log. Exits non-zero when any
# target found one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(detection preferences shellpath iconfamily busreply)
build=$root/build-fuzz

"$root/tools/setup.sh"
"$root/tools/build.sh" "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTESSARINE_TESTS=OFF -DTESSARINE_FUZZ=ON

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

pids=()
for target in "${targets[@]}"; do
  work=$build/long/$target
  mkdir -p "$work/corpus"
  rm -f "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* "$work/log"
  cp -n "$root/fuzz/corpus/$target"/* "$work/corpus/"
  # -max_len lets inputs grow well past the seeds (the stream's 4 KiB window, long lines).
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" >"$work/log" 2>&1 &
  pids+=($!)
done

status=0
for i in "${!targets[@]}"; do
  target=${targets[$i]}
  work=$build/long/$target
  wait "${pids[$i]}" || status=1
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  findings=$(find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  if ((findings)); then status=1; fi
  printf '%-12s %12s executions in %ss, %d finding(s), corpus %d inputs\n' "$target" "${executed:-?}" "$seconds" \
    "$findings" "$(find "$work/corpus" -type f | wc -l)"
  if ((findings)); then
    grep -m1 -E 'ERROR|runtime error|mismatch|fault' "$work/log" || true
    find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \)
  fi
done
exit $status
