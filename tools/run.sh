#!/usr/bin/env bash
# Sets up, builds and starts Tessarine with the documents given. Without documents it shows the
# configuration window after two seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh" "$root/build" -DTESSARINE_TESTS=OFF

# Install for this user, so the desktop offers "Open With Tessarine" for InDesign and InCopy
# documents, and refresh the user's MIME, application and icon caches (no root needed).
prefix="$HOME/.local"
cmake --install "$root/build" --prefix "$prefix" >/dev/null
update-mime-database "$prefix/share/mime"
if command -v update-desktop-database >/dev/null; then
  update-desktop-database "$prefix/share/applications"
fi
if command -v gtk-update-icon-cache >/dev/null; then
  gtk-update-icon-cache --quiet --force --ignore-theme-index "$prefix/share/icons/hicolor" || true
fi

exec "$prefix/bin/tessarine" "$@"
