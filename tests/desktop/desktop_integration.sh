#!/usr/bin/env bash
# Installs the built tree into a temporary prefix and checks what a desktop sees of it: a valid
# entry that opens the document kinds, the kinds themselves told by content and by name, the
# icons, and the link that starts the bundle's executable.
#   desktop_integration.sh BUILD_DIR
set -euo pipefail
build=$1

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# A blank in the prefix: the entry's Exec must quote the path.
prefix="$tmp/a prefix"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 || {
  cat "$tmp/install.log" >&2
  echo "FAIL: cmake --install" >&2
  exit 1
}

# --- The entry ---
entry="$prefix/share/applications/tessarine.desktop"
if [ ! -f "$entry" ]; then
  fail "no $entry"
else
  # desktop-file-validate exits 0 on warnings and hints too, so anything it says counts.
  out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate failed"
  if findings=$(grep . <<<"$out"); then
    fail "desktop-file-validate: $findings"
  else
    pass "desktop-file-validate"
  fi
  exec_line=$(grep '^Exec=' "$entry")
  if [ "$exec_line" = "Exec=\"$prefix/bin/tessarine\" %F" ]; then
    pass "Exec names the installed link"
  else
    fail "unexpected $exec_line"
  fi
fi

# --- The document kinds ---
# Only the temporary prefix and the system's own data: nothing of the user's.
export XDG_DATA_HOME="$tmp/data-home" XDG_CONFIG_HOME="$tmp/config-home"
export XDG_DATA_DIRS="$prefix/share:/usr/share" GIO_USE_VFS=local
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
if out=$(update-mime-database "$prefix/share/mime" 2>&1) && [ -z "$out" ]; then
  pass "update-mime-database"
else
  fail "update-mime-database: $out"
fi
if command -v update-desktop-database >/dev/null; then
  if out=$(update-desktop-database "$prefix/share/applications" 2>&1) && [ -z "$out" ]; then
    pass "update-desktop-database"
  else
    fail "update-desktop-database: $out"
  fi
fi


content_type() {
  gio info -a standard::content-type "$1" 2>/dev/null | sed -n 's/^ *standard::content-type: //p'
}
expect_type() {  # file, expected type, what
  local got
  got=$(content_type "$1")
  if [ "$got" = "$2" ]; then pass "$3 is $2"; else fail "$3: expected $2, got '${got}'"; fi
}

# An InDesign document as InDesign writes its header: class identifier, "DOCUMENT", byte-order
# flag at 24 (2: big-endian), four bytes, the version at 29, then more of the document.
indesign_document() {
  {
    printf '\x06\x06\xed\xf5\xd8\x1d\x46\xe5\xbd\x31\xef\xe7\xfe\x74\xb7\x1d'
    printf 'DOCUMENT\x02\x00\x00\x00\x00\x00\x00\x00\x05'
    head -c 4096 /dev/zero
  } >"$1"
}
docs="$tmp/docs"
mkdir -p "$docs"
indesign_document "$docs/layout"
expect_type "$docs/layout" application/x-adobe-indesign "an InDesign document without extension"
indesign_document "$docs/layout.indt"
expect_type "$docs/layout.indt" application/x-adobe-indesign-template "an InDesign template"
printf 'just text\n' >"$docs/Named Like.INDD"
expect_type "$docs/Named Like.INDD" application/x-adobe-indesign "an upper-case .INDD name"
printf '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<?aid style="50" type="snippet"?>\n<Document/>\n' \
  >"$docs/story.icml"
expect_type "$docs/story.icml" application/x-adobe-incopy "an .icml story"
cp "$docs/story.icml" "$docs/story.incx"
expect_type "$docs/story.incx" application/x-adobe-incopy "an .incx story"
# The InDesign kind must not swallow other binary files.
head -c 64 /dev/zero >"$docs/zeros"
got=$(content_type "$docs/zeros")
if [ "${got#application/x-adobe}" = "$got" ]; then pass "zeros are not a document ($got)"; else fail "zeros taken as $got"; fi

for kind in application/x-adobe-indesign application/x-adobe-indesign-template application/x-adobe-incopy; do
  apps=$(gio mime "$kind" 2>&1 || true)
  if grep -q 'tessarine\.desktop' <<<"$apps"; then
    pass "Tessarine opens $kind"
  else
    fail "Tessarine is not offered for $kind: $apps"
  fi
done

# --- Icons ---
for size in 16 32 48 64 128 256; do
  [ -s "$prefix/share/icons/hicolor/${size}x${size}/apps/tessarine.png" ] ||
    fail "no ${size}x${size} application icon"
done
[ -s "$prefix/share/icons/hicolor/48x48/mimetypes/application-x-adobe-incopy.png" ] ||
  fail "no icon for the InCopy kind"

# --- The link into the bundle ---
link="$prefix/bin/tessarine"
if [ ! -L "$link" ]; then
  fail "$link is not a link"
else
  real=$(readlink -f "$link")
  bundle="$prefix/lib/tessarine/Tessarine.app"
  if [ "$real" = "$(readlink -f "$bundle/Contents/MacOS/Tessarine")" ] && [ -x "$real" ]; then
    pass "the link resolves to the bundle's executable"
  else
    fail "the link resolves to $real"
  fi
  resources="$(dirname "$(dirname "$real")")/Resources"
  for name in smalllogo.png ID_3_CS.icns ID_4_CS2.icns ID_5_CS3.icns ID_6_CS4.icns \
              IC_3_CS.icns IC_4_CS2.icns IC_5_CS3.icns IC_6_CS4.icns \
              IDT_3_CS.icns IDT_4_CS2.icns IDT_5_CS3.icns IDT_6_CS4.icns; do
    [ -s "$resources/$name" ] || fail "the installed bundle lacks Resources/$name"
  done
  # Started through the link with a document that does not exist, the program rejects it and
  # quits by itself, without a window. A private home and runtime folder keep it from the user's
  # preferences and from handing the document to a running instance.
  mkdir -p "$tmp/home" "$tmp/runtime"
  chmod 700 "$tmp/runtime"
  if HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime" QT_QPA_PLATFORM=offscreen \
     timeout 30 "$link" "$docs/missing.indd" >"$tmp/run.log" 2>&1; then
    pass "the installed program runs through the link"
  else
    fail "the installed program, started through the link, ended with $?: $(cat "$tmp/run.log")"
  fi
fi

# --- The bundle's libraries: found beside the executable, and nowhere else ---
macos="$prefix/lib/tessarine/Tessarine.app/Contents/MacOS"
for binary in Tessarine libTessarineFramework.so libTessarineWindows.so libTessarineDesktop.so; do
  if [ ! -f "$macos/$binary" ]; then
    fail "no $binary in the installed bundle"
    continue
  fi
  # An empty entry, or any other folder, would let a library in the starting folder stand in.
  runpath=$(readelf -d "$macos/$binary" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  if [ "$runpath" = '$ORIGIN' ]; then pass "$binary searches only its own folder"; else fail "$binary: search path '$runpath'"; fi
done

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all desktop checks passed"
