#!/usr/bin/env bash
# Builds the window's state renderer and writes one PNG per state of the controls into
# renders/ (or the folder given), offscreen: no display needed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${RATEMEND_BUILD_DIR:-$root/build}"
out="${1:-$root/renders}"
gen=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null; then gen=(-G Ninja); fi
cmake -S "$root" -B "$build" "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target render_states -j "$(nproc)"
QT_QPA_PLATFORM=offscreen "$build/tests/gui/render_states" "$out"
