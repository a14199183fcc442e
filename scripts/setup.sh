#!/usr/bin/env bash
# Installs what building, testing and running 淘页坊 needs on Debian 12 (or a derivative), then
# builds it.
# Usage: scripts/setup.sh [build-dir] [extra cmake options...]
# With TAOYEFANG_BUILD_TARGET set, only that target is built (run.sh: the program folder alone).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build}
shift || true

# Building (the icon is drawn with rsvg-convert), running (ssh-keyscan fetches sftp host keys), and
# checking the package, the sitemap (xmllint) and the keyring (a D-Bus session with its own
# gnome-keyring) in the tests.
"$here/scripts/install-packages.sh" build-essential cmake ninja-build pkg-config \
    qt6-base-dev qt6-webengine-dev libqt6webenginecore6-bin libgl-dev librsvg2-bin libicu-dev qtkeychain-qt6-dev \
    libqt6sql6-sqlite \
    fonts-noto-cjk xvfb xauth rclone openssh-client systemd \
    dpkg-dev file desktop-file-utils appstream libxml2-utils dbus gnome-keyring

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build" --parallel ${TAOYEFANG_BUILD_TARGET:+--target "$TAOYEFANG_BUILD_TARGET"}
