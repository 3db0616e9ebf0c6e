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
  xvfb xauth xdotool
  clang libclang-rt-14-dev llvm
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
