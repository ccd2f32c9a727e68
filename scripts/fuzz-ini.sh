#!/usr/bin/env bash
# Builds the INI reader's fuzz target with clang's libFuzzer (address and undefined-behaviour
# checks on) and runs it briefly from the seed files.
#   scripts/fuzz-ini.sh [work folder] [seconds]
# Exit 77 (skipped) when clang++ or libFuzzer is not available.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work="${1:-$root/build/fuzz-ini}"
seconds="${2:-${RATEMEND_FUZZ_SECONDS:-20}}"

cxx="${RATEMEND_FUZZ_CXX:-}"
if [ -z "$cxx" ]; then
  for c in clang++ clang++-14; do
    if command -v "$c" >/dev/null; then cxx=$c; break; fi
  done
fi
if [ -z "$cxx" ]; then
  echo "fuzz-ini: clang++ not found, skipped"
  exit 77
fi

mkdir -p "$work/corpus" "$work/tmp"
bin="$work/fuzz_ini"
src=("$root/tests/settings/fuzz_ini.cpp" "$root/settings/IniSettings.cpp" "$root/settings/IniText.cpp")
newest=$(ls -t "${src[@]}" "$root/settings/IniSettings.h" "$root/settings/IniText.h" | head -1)
if [ ! -x "$bin" ] || [ "$newest" -nt "$bin" ]; then
  if ! "$cxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
      -I "$root/settings" "${src[@]}" -o "$bin.new" 2>"$work/build.log"; then
    if grep -qiE "fuzzer|libclang_rt" "$work/build.log"; then
      cat "$work/build.log"
      echo "fuzz-ini: libFuzzer is not available to $cxx, skipped"
      exit 77
    fi
    cat "$work/build.log"
    exit 1
  fi
  mv "$bin.new" "$bin"
fi

# The working corpus lives in the work folder; the checked-in seeds are only read.
cp -n "$root"/tests/settings/fuzz_seeds/* "$work/corpus/" 2>/dev/null || true
cd "$work"
trap 'rm -f "$work"/tmp/rm-fuzz-ini-*.ini' EXIT
TMPDIR="$work/tmp" "$bin" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 "$work/corpus"
