#!/usr/bin/env bash
# Configures and builds into build/ (incremental).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${RATEMEND_BUILD_DIR:-$root/build}"
gen=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null; then gen=(-G Ninja); fi
cmake -S "$root" -B "$build" "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
