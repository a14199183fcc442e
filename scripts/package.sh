#!/usr/bin/env bash
# Builds the Debian package of 淘页坊 into the source folder: taoyefang_<version>_<arch>.deb.
# Install it with: sudo apt install ./taoyefang_*.deb
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$here/build-package
"$here/scripts/setup.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DTAOYEFANG_BUILD_TESTS=OFF -DTAOYEFANG_BUILD_BENCH=OFF
(cd "$build" && cpack -G DEB -B "$build/package")
cp "$build"/package/taoyefang_*.deb "$here/"
echo "Built: $(cd "$here" && ls taoyefang_*.deb)"
