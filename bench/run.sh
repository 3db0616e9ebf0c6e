#!/usr/bin/env bash
# Builds the release program and the benchmark programs into build-bench/, then measures, side by
# side in one run on this machine:
#   - process start to the launch request reaching a recording application, for 1 and for 1,000
#     documents, against `gio open` handing the same documents to the same recorder as their
#     default handler;
#   - process start to the last launch request for 10,000 documents, against a bare
#     open-read-spawn loop over the same documents (the least any launcher must do);
#   - the peak resident memory of those runs;
#   - the detection alone over 10,000 documents, against `file -b` and against a bare
#     open-read-close of each document's first 33 bytes.
# Everything runs in a private home with private XDG folders and a private session bus; nothing of
# the user's is read or changed.
#
#   bench/run.sh                     (about 2 minutes after the build)
#   BENCH_RUNS=41 BENCH_BIG_RUNS=9 bench/run.sh
#
# BENCH_RUNS: timed runs of each side for one document (default 21); BENCH_BIG_RUNS: for 1,000
# documents (default 5); BENCH_MANY_RUNS: for 10,000 documents (default 5); BENCH_FIFTY_RUNS: for
# the 50 second starts (default 11). BENCH_ICONS=0 leaves
# out the runs with icon stamping on (the preferences' default, measured besides the runs without
# it), BENCH_X11=0 those on an X server (Xvfb, where the
# GUI start is the real xcb one); BENCH_KEEP=1 keeps the work folder for a look; BENCH_GIO_REDOS
# (default 5) how many hung `gio open` runs of one measure are redone before the benchmark gives up
# (on some machines most runs of 1,000 documents hang). After the table it
# prints where the program's time to its first launch request goes, step by step.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench
runs=${BENCH_RUNS:-21}
bigRuns=${BENCH_BIG_RUNS:-5}
manyRuns=${BENCH_MANY_RUNS:-5}
withIcons=${BENCH_ICONS:-1}
withX11=${BENCH_X11:-1}
command -v Xvfb >/dev/null || withX11=0

# --- What the benchmark needs: the build's own packages, then its own tools ---
if [ -x "$root/tools/setup.sh" ]; then "$root/tools/setup.sh"; fi
need=()
command -v file >/dev/null || need+=(file)
command -v gio >/dev/null || need+=(libglib2.0-bin)
command -v update-mime-database >/dev/null || need+=(shared-mime-info)
command -v dbus-daemon >/dev/null || need+=(dbus-daemon)
if ((${#need[@]})); then
  echo "Installing: ${need[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

# --- The build ---
echo "Building Release into $build ..."
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARINE_TESTS=OFF >/dev/null
cmake --build "$build" --parallel 3 --target bench_programs >"$build/bench-build.log" 2>&1 || {
  tail -40 "$build/bench-build.log" >&2
  echo "The build failed; the whole log is in $build/bench-build.log" >&2
  exit 1
}
tessarine=$build/Tessarine.app/Contents/MacOS/Tessarine
recorder=$build/bench/bench_recorder
timer=$build/bench/launch_timer
spawnFloor=$build/bench/open_read_spawn_floor

# --- A private desktop ---
work=$(mktemp -d /tmp/tessarine-bench.XXXXXX)
busPid=
xvfbPid=
cleanup() {
  if [ -n "$xvfbPid" ]; then kill "$xvfbPid" 2>/dev/null || true; fi
  if [ -n "$busPid" ]; then kill "$busPid" 2>/dev/null || true; fi
  # The services the bus started (the gvfs daemons) leave their parent; they are told by the private
  # runtime folder in their environment and ended by their ids.
  local entry pid
  for entry in /proc/[0-9]*; do
    pid=${entry#/proc/}
    [ "$pid" = $$ ] && continue
    if tr '\0' '\n' 2>/dev/null <"$entry/environ" | grep -qx "XDG_RUNTIME_DIR=$work/runtime"; then
      kill "$pid" 2>/dev/null || true
    fi
  done
  if [ "${BENCH_KEEP:-0}" = 1 ]; then echo "Kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export XDG_RUNTIME_DIR=$work/runtime
export XDG_DATA_DIRS=/usr/local/share:/usr/share
export QT_QPA_PLATFORM=offscreen
export TESSARINE_BENCH_LOG=$work/launches.log
unset DISPLAY WAYLAND_DISPLAY XDG_CURRENT_DESKTOP DBUS_SESSION_BUS_ADDRESS GIO_USE_VFS
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications" "$XDG_DATA_HOME/mime/packages" "$XDG_CACHE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The InDesign document type as the program's desktop files define it (content and *.indd), and
# the recorder as its default handler. %f: one recorder per document, as the program launches
# an executable once per document.
cp "$root/desktop/tessarine.xml" "$XDG_DATA_HOME/mime/packages/"
update-mime-database "$XDG_DATA_HOME/mime"
cat >"$XDG_DATA_HOME/applications/bench-recorder.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=Bench Recorder
Exec=$recorder %f
MimeType=application/x-adobe-indesign;
NoDisplay=true
EOF
cat >"$XDG_CONFIG_HOME/mimeapps.list" <<EOF
[Default Applications]
application/x-adobe-indesign=bench-recorder.desktop
EOF

# Every version's InDesign and InCopy is the recorder; InDesign opens every version's documents.
WritePreferences() {  # $1: fDontAddIcon
  local shellPath=${recorder// /\\ }
  {
    for _ in 1 2 3 4 5 6 7 8; do echo "$shellPath"; done
    echo 1; echo 1; echo 1; echo 1
    echo "$1"
  } >"$XDG_CONFIG_HOME/com.mirelund.quelbrast.prefs.v103"
}
WritePreferences 1

# A session bus, as a desktop has: `gio open` and the icon stamp's metadata store use it.
busInfo=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1 \
  --address="unix:path=$XDG_RUNTIME_DIR/bus")
export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$busInfo")
busPid=$(sed -n 2p <<<"$busInfo")

# --- The documents ---
mkdir -p "$work/one" "$work/thousand" "$work/many"
"$build/bench/bench_documents" "$work/one" 1
"$build/bench/bench_documents" "$work/thousand" 1000
"$build/bench/bench_documents" "$work/many" 10000
one=("$work/one"/*.indd)
thousand=("$work/thousand"/*.indd)

type=$(gio info -a standard::content-type "${one[0]}" | sed -n 's/^ *standard::content-type: //p')
handler=$(gio mime application/x-adobe-indesign | sed -n 's/^Default application for .*: //p')
if [ "$type" != application/x-adobe-indesign ] || [ "$handler" != bench-recorder.desktop ]; then
  echo "The private desktop is not set up: type '$type', default handler '$handler'" >&2
  exit 1
fi

# --- Measuring ---
Median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
Max() { sort -n | tail -1; }

# One timed start: "<ns to the last launch request> <peak RSS KiB> <ns to exit> <exit status>".
# launch_timer exits 3 when the program hung (no exit within the limit) and has then killed it.
TimeOnce() {  # $1: expected launches, $2: limit in seconds, then the command
  local expected=$1 limit=$2
  shift 2
  "$timer" "$TESSARINE_BENCH_LOG" "$expected" "$work/output.log" "$limit" -- "$@"
}

# Alternates the two sides so that any drift of the machine falls on both alike. The first runs
# (warm-ups) fill the caches and start the session's services, and are not counted.
# `gio open` of many files now and then hangs for good (GLib's own fault: every worker of its
# thread pool waits, and the main loop with them); such a run is killed, counted and done again.
# $1: label, $2: runs, $3: warm-ups, $4: the documents' array name; results in
# $work/<label>-{tessarine,gio,gio-hangs}.
CompareLaunch() {
  local label=$1 count=$2 warmups=$3
  local -n documents=$4
  local n=${#documents[@]} i t g status hangs=0
  local limit=$((10 + n / 100))
  : >"$work/$label-tessarine"
  : >"$work/$label-gio"
  : >"$work/output.log"
  for ((i = 0; i < warmups + count; i++)); do
    t=$(TimeOnce "$n" "$limit" "$tessarine" "${documents[@]}") || return 1
    for ((;;)); do
      status=0
      g=$(TimeOnce "$n" "$limit" /usr/bin/gio open "${documents[@]}" 2>>"$work/gio-hangs.log") || status=$?
      ((status == 0)) && break
      ((status == 3 && hangs < ${BENCH_GIO_REDOS:-5})) || return 1
      hangs=$((hangs + 1))
    done
    if ((i >= warmups)); then
      echo "$t" >>"$work/$label-tessarine"
      echo "$g" >>"$work/$label-gio"
    fi
  done
  echo "$hangs" >"$work/$label-gio-hangs"
}

# The same for many documents, against the open-read-spawn floor; results in
# $work/<label>-{tessarine,floor}. $1: label, $2: runs, $3: the documents' array name.
CompareFloor() {
  local label=$1 count=$2
  local -n documents=$3
  local n=${#documents[@]} i t f
  local limit=$((10 + n / 100))
  : >"$work/$label-tessarine"
  : >"$work/$label-floor"
  : >"$work/output.log"
  for ((i = 0; i < 1 + count; i++)); do
    t=$(TimeOnce "$n" "$limit" "$tessarine" "${documents[@]}") || return 1
    f=$(TimeOnce "$n" "$limit" "$spawnFloor" "$recorder" "${documents[@]}") || return 1
    if ((i >= 1)); then
      echo "$t" >>"$work/$label-tessarine"
      echo "$f" >>"$work/$label-floor"
    fi
  done
}

Failed() {
  echo "$1 failed; the programs' output is in $work/output.log (BENCH_KEEP=1 keeps it):" >&2
  grep -v '^\[New LWP' "$work/output.log" | tail -40 >&2
}
echo "Launch, 1 document: $runs runs of each side ..."
CompareLaunch one "$runs" 3 one || { Failed "Launching 1 document"; exit 1; }
echo "Launch, 1,000 documents: $bigRuns runs of each side ..."
CompareLaunch thousand "$bigRuns" 1 thousand || { Failed "Launching 1,000 documents"; exit 1; }
echo "Launch, 10,000 documents: $manyRuns runs of each side ..."
many=("$work/many"/*.indd)
CompareFloor many "$manyRuns" many || { Failed "Launching 10,000 documents"; exit 1; }

# The preferences' default stamps icons, so this is what a user gets unless they turn it off.
if [ "$withIcons" = 1 ]; then
  echo "Launch with icon stamping on: $(((runs + 1) / 2)) and 3 runs of each side ..."
  WritePreferences 0
  if ! CompareLaunch icon-one "$(((runs + 1) / 2))" 1 one; then
    Failed "Launching with icons"
    withIcons=0
  elif ! gio info -a metadata::custom-icon "${one[0]}" | grep -q "custom-icon:"; then
    echo "The icon stamp did not reach the metadata store: no icon figures" >&2
    withIcons=0
  elif ! CompareLaunch icon-thousand 3 0 thousand; then
    Failed "Launching 1,000 documents with icons"
    withIcons=0
  fi
  WritePreferences 1
fi

# 50 starts at once while an instance runs, each with one document, against 50 `gio open` at
# once: from the first start to the last launch request. The running instance is held by the
# message box of a document it cannot open (a named pipe), which nobody answers here; every
# document handed over meanwhile is handled inside the box's loop. Each launch must come exactly
# once. Results in $work/fifty-{tessarine,gio}; fiftyOnce tells whether every run launched each
# document once.
mkdir -p "$work/fifty"
"$build/bench/bench_documents" "$work/fifty" 50
fifty=("$work/fifty"/*.indd)
mkfifo "$work/hold.indd"
fiftyOnce=1
FiftyAtOnce() {  # $1: tessarine or gio; prints the ns from the first start to the last launch
  local side=$1 i start pids=() holder=
  : >"$TESSARINE_BENCH_LOG"
  if [ "$side" = tessarine ]; then
    "$tessarine" "$work/hold.indd" >>"$work/output.log" 2>&1 &
    holder=$!
    for ((i = 0; i < 100; i++)); do
      [ -S "$XDG_RUNTIME_DIR/tessarine.socket" ] && break
      sleep 0.02
    done
    sleep 0.3
  fi
  start=$(date +%s%N)
  for ((i = 0; i < ${#fifty[@]}; i++)); do
    if [ "$side" = tessarine ]; then
      "$tessarine" "${fifty[i]}" >>"$work/output.log" 2>&1 &
    else
      /usr/bin/gio open "${fifty[i]}" >>"$work/output.log" 2>&1 &
    fi
    pids+=($!)
  done
  wait "${pids[@]}" 2>/dev/null || true
  for ((i = 0; i < 500; i++)); do
    (($(wc -l <"$TESSARINE_BENCH_LOG") >= ${#fifty[@]})) && break
    sleep 0.02
  done
  sleep 0.1  # a launch that came twice would show now
  if [ -n "$holder" ]; then
    kill "$holder" 2>/dev/null || true
    wait "$holder" 2>/dev/null || true
  fi
  if (($(cut -d' ' -f2- "$TESSARINE_BENCH_LOG" | sort -u | wc -l) != ${#fifty[@]} ||
    $(wc -l <"$TESSARINE_BENCH_LOG") != ${#fifty[@]})); then
    fiftyOnce=0
  fi
  echo $(($(cut -d' ' -f1 "$TESSARINE_BENCH_LOG" | sort -n | tail -1) - start))
}
# Both sides' times here fall into two clusters some minutes on this kind of machine (a quick one and
# one a few times slower, gio's as much as ours), so the median wants more rounds than five.
fiftyRuns=${BENCH_FIFTY_RUNS:-11}
echo "50 starts at once while one runs: $fiftyRuns runs of each side ..."
: >"$work/fifty-tessarine"
: >"$work/fifty-gio"
for ((round = 0; round < fiftyRuns + 1; round++)); do
  t=$(FiftyAtOnce tessarine)
  g=$(FiftyAtOnce gio)
  if ((round > 0)); then
    echo "$t" >>"$work/fifty-tessarine"
    echo "$g" >>"$work/fifty-gio"
  fi
done
t50=$(Median <"$work/fifty-tessarine")
g50=$(Median <"$work/fifty-gio")

# Which shared libraries a one-document run loads, as the dynamic loader names them.
: >"$work/output.log"
TimeOnce 1 20 /usr/bin/env LD_DEBUG=files LD_DEBUG_OUTPUT="$work/loaded" "$tessarine" "${one[@]}" >/dev/null ||
  { Failed "The run that lists its libraries"; exit 1; }
# The recorder that it launched wrote a list of its own; the program's is the one with the framework.
loaded=$(grep -l 'file=libTessarineFramework' "$work"/loaded.* | head -1 | xargs cat | sed -n 's/^[[:space:]]*[0-9]*:[[:space:]]*file=\([^ ]*\) \[0\];.*/\1/p' | sort -u | tr '\n' ' ')
rm -f "$work"/loaded.*

# Where the program's time to the first launch request goes: its start, step by step.
echo "The program's start, step by step ..."
phases=$build/bench/StartupPhases.app/Contents/MacOS/startup_phases
: >"$work/phases"
for ((i = 0; i < 3 + 11; i++)); do
  : >"$work/output.log"
  TimeOnce 1 20 "$phases" "${one[@]}" >/dev/null || { Failed "The step-by-step start"; exit 1; }
  if ((i >= 3)); then awk -F'\t' 'NF == 3' "$work/output.log" >>"$work/phases"; fi
done

# On an X server the program's GUI start is a real one (xcb), as on a desktop.
if [ "$withX11" = 1 ]; then
  echo "Launch, 1 document, on an X server (Xvfb): $(((runs + 1) / 2)) runs of each side ..."
  exec {displayFd}>"$work/display"
  Xvfb -displayfd "$displayFd" -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfbPid=$!
  exec {displayFd}>&-
  for ((i = 0; i < 50; i++)); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  if [ -s "$work/display" ]; then
    if ! DISPLAY=:$(head -1 "$work/display") QT_QPA_PLATFORM=xcb CompareLaunch x11-one "$(((runs + 1) / 2))" 3 one; then
      Failed "Launching on the X server"
      withX11=0
    fi
  else
    echo "Xvfb did not start; no X server figures" >&2
    withX11=0
  fi
fi

echo "Detection over 10,000 documents ..."
# As few `file` invocations as the system allows: xargs packs the command line to its limit.
argMax=$(($(getconf ARG_MAX) - $(env | wc -c) - 65536))
printf '%s\0' "${many[@]}" >"$work/many.list"
fileTimes=()
for ((i = 0; i < 4; i++)); do
  start=$(date +%s%N)
  xargs -0 -s "$argMax" file -b <"$work/many.list" >"$work/file.out"
  end=$(date +%s%N)
  ((i > 0)) && fileTimes+=($((end - start)))
done
fileInvocations=$(xargs -0 -s "$argMax" sh -c 'echo' _ <"$work/many.list" | wc -l)
fileNs=$(printf '%s\n' "${fileTimes[@]}" | Median)
detectNs=() floorNs=()
for ((i = 0; i < 3; i++)); do
  detectNs+=($("$build/bench/detection_bench" "$work/many" 21 | cut -d' ' -f1))
  floorNs+=($("$build/bench/open_read_close_floor" "$work/many" 21 | cut -d' ' -f1))
done
detectNs=$(printf '%s\n' "${detectNs[@]}" | Median)
floorNs=$(printf '%s\n' "${floorNs[@]}" | Median)

# --- The table ---
Column() { cut -d' ' -f"$2" "$1"; }
ms() { awk -v v="$1" 'BEGIN { printf "%.2f ms", v / 1e6 }'; }
mib() { awk -v v="$1" 'BEGIN { printf "%.1f MiB", v / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
yes() { awk "BEGIN { print ($1) ? \"yes\" : \"NO\" }"; }

t1=$(Column "$work/one-tessarine" 1 | Median)
g1=$(Column "$work/one-gio" 1 | Median)
tK=$(Column "$work/thousand-tessarine" 1 | Median)
gK=$(Column "$work/thousand-gio" 1 | Median)
r1=$(Column "$work/one-tessarine" 2 | Max)
rK=$(Column "$work/thousand-tessarine" 2 | Max)
rg1=$(Column "$work/one-gio" 2 | Max)
rgK=$(Column "$work/thousand-gio" 2 | Max)
tM=$(Column "$work/many-tessarine" 1 | Median)
fM=$(Column "$work/many-floor" 1 | Median)
rM=$(Column "$work/many-tessarine" 2 | Max)
e1=$(Column "$work/one-tessarine" 3 | Median)
eK=$(Column "$work/thousand-tessarine" 3 | Median)

rows=()
Row() {  # six cells; an empty one shows as "-"
  local cells=() cell
  for cell in "$@"; do cells+=("${cell:--}"); done
  rows+=("$(printf '%s\t%s\t%s\t%s\t%s\t%s' "${cells[@]}")")
}
Row "measure" "Tessarine" "reference" "ratio" "goal" "met?"
GioNote() { local h; h=$(cat "$work/$1-gio-hangs"); ((h > 0)) && echo " ($h hung runs redone)"; true; }
Row "launch, 1 document (median of $runs)" "$(ms "$t1")" "$(ms "$g1") gio open$(GioNote one)" "$(ratio "$t1" "$g1")" "ratio <= 0.5" \
  "$(yes "$t1 <= 0.5 * $g1")"
Row "launch, 1,000 documents (median of $bigRuns)" "$(ms "$tK")" "$(ms "$gK") gio open$(GioNote thousand)" "$(ratio "$tK" "$gK")" \
  "ratio <= 1.0" "$(yes "$tK <= $gK")"
Row "launch, 10,000 documents (median of $manyRuns)" "$(ms "$tM")" "$(ms "$fM") open-read-spawn" "$(ratio "$tM" "$fM")" \
  "ratio <= 1.5" "$(yes "$tM <= 1.5 * $fM")"
Row "50 second starts while one runs (median of $fiftyRuns)" "$(ms "$t50")" "$(ms "$g50") 50 gio open at once" \
  "$(ratio "$t50" "$g50")" "ratio <= 0.6, each once" "$(yes "$t50 <= 0.6 * $g50 && $fiftyOnce")"
Row "peak RSS, 1 document" "$(mib "$r1")" "$(mib "$rg1") gio open" "$(ratio "$r1" "$rg1")" "<= 10 MiB" \
  "$(yes "$r1 <= 10 * 1024")"
Row "peak RSS, 1,000 documents" "$(mib "$rK")" "$(mib "$rgK") gio open" "$(ratio "$rK" "$rgK")" "<= 10 MiB" \
  "$(yes "$rK <= 10 * 1024")"
Row "peak RSS, 10,000 documents" "$(mib "$rM")" "" "" "< 40 MiB" "$(yes "$rM < 40 * 1024")"
Row "peak RSS growth, 1 -> 1,000 documents" "$(mib "$rK")" "$(mib "$r1") (1 doc)" "$(ratio "$rK" "$r1")" \
  "flat: ratio <= 1.10" "$(yes "$rK <= 1.10 * $r1")"
Row "detection, 10,000 documents vs file" "$(ms "$detectNs")" "$(ms "$fileNs") file -b, $fileInvocations call(s)" \
  "$(ratio "$fileNs" "$detectNs")x faster" ">= 20x faster" "$(yes "$fileNs >= 20 * $detectNs")"
Row "detection, 10,000 documents vs floor" "$(ms "$detectNs")" "$(ms "$floorNs") open-read-close" \
  "$(ratio "$detectNs" "$floorNs")" "ratio <= 1.5" "$(yes "$detectNs <= 1.5 * $floorNs")"
# The machine's own drift moves this ratio more than most changes do, so the pairs' spread is shown.
pairs=$(paste -d' ' <(Column "$work/many-tessarine" 1) <(Column "$work/many-floor" 1) |
  awk '{ r = $1 / $2; if (NR == 1 || r < lo) lo = r; if (NR == 1 || r > hi) hi = r } END { printf "%.2f-%.2f", lo, hi }')
Row "(info) launch, 10,000 documents, ratio per pair" "" "open-read-spawn, run just after" "$pairs" "" ""
rounds=$(paste -d' ' "$work/fifty-tessarine" "$work/fifty-gio" |
  awk '{ r = $1 / $2; if (NR == 1 || r < lo) lo = r; if (NR == 1 || r > hi) hi = r } END { printf "%.2f-%.2f", lo, hi }')
Row "(info) 50 second starts, ratio per round" "" "50 gio open at once, run just after" "$rounds" "" ""
Row "(info) start to exit, 1 document" "$(ms "$e1")" "250 ms quit delay" "" "" ""
Row "(info) start to exit, 1,000 documents" "$(ms "$eK")" "250 ms quit delay" "" "" ""
if [ "$withIcons" = 1 ]; then
  ti=$(Column "$work/icon-one-tessarine" 1 | Median)
  gi=$(Column "$work/icon-one-gio" 1 | Median)
  tiK=$(Column "$work/icon-thousand-tessarine" 1 | Median)
  giK=$(Column "$work/icon-thousand-gio" 1 | Median)
  ri1=$(Column "$work/icon-one-tessarine" 2 | Max)
  riK=$(Column "$work/icon-thousand-tessarine" 2 | Max)
  Row "icons on: launch, 1 document" "$(ms "$ti")" "$(ms "$gi") gio open$(GioNote icon-one)" "$(ratio "$ti" "$gi")" "ratio <= 0.8" \
    "$(yes "$ti <= 0.8 * $gi")"
  Row "icons on: launch, 1,000 documents" "$(ms "$tiK")" "$(ms "$giK") gio open$(GioNote icon-thousand)" "$(ratio "$tiK" "$giK")" \
    "ratio <= 1.0" "$(yes "$tiK <= $giK")"
  Row "icons on: peak RSS, 1 document" "$(mib "$ri1")" "" "" "< 40 MiB" "$(yes "$ri1 < 40 * 1024")"
  Row "icons on: peak RSS, 1,000 documents" "$(mib "$riK")" "$(mib "$ri1") (1 doc)" "$(ratio "$riK" "$ri1")" \
    "< 40 MiB, ratio <= 1.10" "$(yes "$riK < 40 * 1024 && $riK <= 1.10 * $ri1")"
fi

if [ "$withX11" = 1 ]; then
  tx=$(Column "$work/x11-one-tessarine" 1 | Median)
  gx=$(Column "$work/x11-one-gio" 1 | Median)
  rx=$(Column "$work/x11-one-tessarine" 2 | Max)
  Row "X server (xcb): launch, 1 document" "$(ms "$tx")" "$(ms "$gx") gio open$(GioNote x11-one)" "$(ratio "$tx" "$gx")" \
    "ratio <= 1.0" "$(yes "$tx <= $gx")"
  Row "X server (xcb): peak RSS, 1 document" "$(mib "$rx")" "" "" "< 40 MiB" "$(yes "$rx < 40 * 1024")"
fi

echo
echo "Tessarine $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo '?') on $(nproc) cores," \
  "$(uname -r), QT_QPA_PLATFORM=offscreen, $(date -u +%Y-%m-%dT%H:%MZ)"
printf '%s\n' "${rows[@]}" | column -t -s $'\t'

echo
echo "Shared libraries loaded by a one-document run (icons off): $loaded"
if grep -qE 'libQt6(Gui|Widgets)' <<<"$loaded"; then
  echo "  the window toolkit (Qt Gui or Qt Widgets) was loaded: NO"
else
  echo "  none of Qt Gui or Qt Widgets: yes"
fi

echo
echo "The program's start to its first launch request, step by step (offscreen; median of 11 runs):"
awk -F'\t' '
  !($1 in seen) { seen[$1] = 1; order[++steps] = $1 }
  { n[$1]++; at[$1, n[$1]] = $2; took[$1, n[$1]] = $3 }
  function median(arr, key, count,   i, j, v, t) {
    for (i = 1; i <= count; i++) v[i] = arr[key, i]
    for (i = 2; i <= count; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return (count % 2) ? v[(count + 1) / 2] : (v[count / 2] + v[count / 2 + 1]) / 2
  }
  END {
    printf "  %-52s %10s %10s\n", "step", "ends at", "takes"
    for (s = 1; s <= steps; s++) {
      k = order[s]
      printf "  %-52s %7.2f ms %7.2f ms\n", k, median(at, k, n[k]), median(took, k, n[k])
    }
  }' "$work/phases"
