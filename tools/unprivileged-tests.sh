#!/usr/bin/env bash
# Runs again, as an unprivileged user (nobody, 65534) and under the open-file limit of a usual
# desktop (1,024), every case that a run as root skipped: the cases that need an unprivileged user
# (a privileged one writes into read-only folders) skip themselves as root. The user gets a home,
# temporary and runtime folder and a session bus of its own; the folders above the build tree are
# opened to it for the run (search permission only) where they are not already. The sanitizers'
# options are passed on, and CMAKE_BUILD_PARALLEL_LEVEL limits the jobs as in tools/test.sh.
# Prints ctest's output; exits as ctest does.
#
#   tools/unprivileged-tests.sh BUILD ROOT_CTEST_OUTPUT
set -euo pipefail
build=$(cd "$1" && pwd)
user=65534

names=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$2")
[ -n "$names" ] || exit 0
regex="^($(sed 's/[][\\.*^$+?(){}|]/\\&/g' <<<"$names" | paste -sd'|'))\$"

As() { setpriv --reuid="$user" --regid="$user" --clear-groups "$@"; }

work=$(mktemp -d)
opened=()
busPid=
cleanup() {
  [ -n "$busPid" ] && kill "$busPid" 2>/dev/null || true
  local entry
  for entry in "${opened[@]}"; do chmod "${entry%%:*}" "${entry#*:}"; done
  rm -rf "$work"
}
trap cleanup EXIT

folder=$build
while [ "$folder" != / ]; do
  folder=$(dirname "$folder")
  if ! As test -x "$folder"; then
    opened+=("$(stat -c %a "$folder"):$folder")
    chmod o+x "$folder"
  fi
done
if ! As test -x "$build/tests" -a -r "$build/CTestTestfile.cmake"; then
  echo "The user $user cannot read the build tree $build" >&2
  exit 1
fi

# ctest writes its log beside the test list it reads: a list of our own that takes in the build's.
mkdir -p "$work/home" "$work/tmp" "$work/runtime"
chmod 755 "$work"
chmod 700 "$work/runtime"
echo "subdirs(\"$build\")" >"$work/CTestTestfile.cmake"
chown -R "$user:$user" "$work"

environment=(HOME="$work/home" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime" PATH="$PATH"
  LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen)
for name in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
  if [ -n "${!name:-}" ]; then environment+=("$name=${!name}"); fi
done
if command -v dbus-daemon >/dev/null; then
  busInfo=$(As env -i "${environment[@]}" dbus-daemon --session --fork --print-address=1 --print-pid=1)
  busPid=$(sed -n 2p <<<"$busInfo")
  environment+=(DBUS_SESSION_BUS_ADDRESS="$(sed -n 1p <<<"$busInfo")")
fi

echo "Again as user $user, at most 1,024 open files: the $(wc -l <<<"$names") cases skipped as root"
cd "$work"
As env -i "${environment[@]}" bash -c 'ulimit -Sn 1024 && exec ctest -R "$0" --output-on-failure --parallel "$1" --timeout 300' \
  "$regex" "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
