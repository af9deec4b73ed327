#!/usr/bin/env bash
# Builds the optimised tree and runs every benchmark; each prints its figures.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh release
for bench in build/release/bin/bench_*; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench"
done

# Windows-only benchmarks: built for x86_64 and run under Wine on a virtual display.
bash scripts/build.sh win64
source scripts/display.sh
start_virtual_display
export WINEPREFIX="$root/build/wineprefix" WINEDEBUG=-all
/usr/lib/wine/wineserver64 -p 2>/dev/null || true
scripts/wine-exec wineboot </dev/null >/dev/null 2>&1 || true
status=0
for bench in bench_capture; do
  echo "== $bench (Wine)"
  scripts/wine-exec "build/win64/bin/$bench.exe" || status=1
done
/usr/lib/wine/wineserver64 -k 2>/dev/null || true
stop_virtual_display
exit $status
