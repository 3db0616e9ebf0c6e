#!/usr/bin/env bash
# Installs what building and testing Tessarine needs, from Debian's packages. Quiet and quick when
# everything is there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  libglib2.0-dev libglib2.0-bin libxcb1-dev
  libgtest-dev libgmock-dev
  dbus dbus-daemon gvfs gvfs-daemons
  shared-mime-info desktop-file-utils
  xvfb xauth xdotool x11-xkb-utils openbox x11-utils
  fonts-dejavu-core fonts-dejavu-extra
  clang libclang-rt-14-dev llvm
  locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# A locale that writes numbers with a decimal comma, for the tests of number parsing (they skip
# themselves without it).
locale_missing=false
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then locale_missing=true; fi

# Installing needs root: as another user, sudo, where there is one.
sudo_cmd=()
can_install=true
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then sudo_cmd=(sudo); else can_install=false; fi
fi

# Without either, the user learns all that is missing and the commands root would run for it,
# without recommended packages (well over a hundred more). Only missing packages stop the set-up:
# without the locale the tests that use it skip.
if ! $can_install && { ((${#missing[@]})) || $locale_missing; }; then
  {
    echo "tools/setup.sh: installing what is missing needs root or sudo."
    if ((${#missing[@]})); then echo "Missing packages: ${missing[*]}"; fi
    if $locale_missing; then echo "Missing locale: de_DE.UTF-8 (the tests that use it skip without it)"; fi
    echo "As root, run tools/setup.sh, or:"
    if ((${#missing[@]})); then
      echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}"
    fi
    if $locale_missing; then echo "  echo 'de_DE.UTF-8 UTF-8' >>/etc/locale.gen && locale-gen"; fi
  } >&2
  if ((${#missing[@]})); then
    echo "Then run this again." >&2
    exit 1
  fi
fi

# apt-get and dpkg write a line for every package and file: that goes to a log, shown only when a
# step fails.
log=$(mktemp "${TMPDIR:-/tmp}/tessarine-setup.XXXXXX.log")
trap 'rm -f "$log"' EXIT
step() {
  local what=$1
  shift
  echo "$what"
  if ! "$@" >>"$log" 2>&1; then
    trap - EXIT
    echo "tools/setup.sh: failed: $what; the last lines of its output (all of it in $log):" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
}

if ((${#missing[@]})); then
  step "Updating the package lists" "${sudo_cmd[@]}" apt-get update -qq
  step "Installing ${missing[*]}" "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The locale goes into /etc/locale.gen too, so that a later locale-gen keeps it.
if $locale_missing && $can_install; then
  # Run as a step's condition, where set -e does not hold: each command says how it went.
  add_locale() {
    if grep -q '^# *de_DE\.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
      "${sudo_cmd[@]}" sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen || return
    elif ! grep -q '^de_DE\.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
      echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen || return
    fi
    "${sudo_cmd[@]}" locale-gen
  }
  step "Generating the locale de_DE.UTF-8" add_locale
fi
