#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through ctest (the private Firebird
# server the tests need is started and stopped by ctest itself). Exits non-zero on a failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${RATEMEND_BUILD_DIR:-$root/build}"
cd "$build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j 2 "$@"
