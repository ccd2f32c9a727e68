#!/usr/bin/env bash
# Installs what is missing, builds, creates the demo product database in demo/ (embedded
# Firebird, no server) with demo/Net/ConnectionInfo.ini naming it, and starts the utility with
# demo/ as its working directory. Without a display it runs under Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
demo="${RATEMEND_DEMO_DIR:-$root/demo}"
"$root/scripts/make-demo-db.sh" "$demo"
exe="${RATEMEND_BUILD_DIR:-$root/build}/app/Ratemend"
cd "$demo"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
  echo "No display: starting under Xvfb."
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$exe"
fi
exec "$exe"
