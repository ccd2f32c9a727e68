#!/usr/bin/env bash
# Installs what building, running and testing need, from Debian's packages. Quick when all is
# already there. Run as root on Debian 12.
set -euo pipefail

PKGS=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev googletest
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
  xvfb xauth fonts-dejavu-core fonts-dejavu-extra
  clang libclang-rt-14-dev
)

missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
