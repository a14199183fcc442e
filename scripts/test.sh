#!/usr/bin/env bash
# Sets everything up, builds and runs the whole test suite.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/scripts/setup.sh" "$here/build"
ctest --test-dir "$here/build" --output-on-failure --timeout 600
