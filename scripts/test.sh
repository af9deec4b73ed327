#!/usr/bin/env bash
# Sets up what is missing, builds every tree and runs every test: the native
# unit tests (ASan, UBSan), the conversion's tests under ThreadSanitizer, the
# Windows tests under Wine on a virtual display,
# the i686 release build (built, not run), and each fuzzer for a while.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
source scripts/display.sh
fuzz_seconds=${VXF_FUZZ_SECONDS:-60}

bash scripts/setup.sh || { echo "test: the set-up failed" >&2; exit 1; }
bash scripts/build.sh native tsan win64 win32 fuzz || exit 1

passed=0 failed=0
count_ctest() { # log file: adds ctest's totals
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$line" ]; then
    grep -q 'No tests were found' "$1" || failed=$((failed + 1))
    return
  fi
  local bad total
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - bad)); failed=$((failed + bad))
}

echo "== native tests"
ctest --test-dir build/native -j "$(nproc)" --output-on-failure 2>&1 | tee build/test-native.log
count_ctest build/test-native.log

echo "== ThreadSanitizer tests"
# Only the test programs the tree builds (build.sh tsan).
tsan_tests=$(cd build/tsan/bin && ls | paste -sd '|')
ctest --test-dir build/tsan -R "^($tsan_tests)\$" -j "$(nproc)" --output-on-failure 2>&1 |
  tee build/test-tsan.log
count_ctest build/test-tsan.log

echo "== Windows tests (Wine)"
start_virtual_display || exit 1
export WINEPREFIX="$root/build/wineprefix" WINEDEBUG=-all
# Wine's own background processes must start outside ctest: they would
# inherit a test's output pipe and ctest would wait for it forever.
/usr/lib/wine/wineserver64 -p 2>/dev/null
scripts/wine-exec wineboot </dev/null >/dev/null 2>&1
ctest --test-dir build/win64 --timeout 300 --output-on-failure 2>&1 | tee build/test-win64.log
count_ctest build/test-win64.log
/usr/lib/wine/wineserver64 -k 2>/dev/null
stop_virtual_display

echo "== program files (i686: the release build, not run here)"
for program in Vxfsend.exe Wavsel.mdl; do
  for tree in win32:'PE32 executable.*Intel 80386' win64:'PE32\+ executable.*x86-64'; do
    kind=$(file -b "build/${tree%%:*}/bin/$program" 2>&1)
    if grep -q -E "${tree#*:}" <<<"$kind"; then
      echo "${tree%%:*}/$program: $kind"; passed=$((passed + 1))
    else
      echo "${tree%%:*}/$program: FAILED, not the expected kind: $kind"; failed=$((failed + 1))
    fi
  done
done

echo "== fuzzers (${fuzz_seconds} s each)"
for fuzzer in build/fuzz/bin/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  # Seeds a module keeps for this fuzzer: <module>/fuzz/seeds/<fuzzer>/
  seeds=(*/fuzz/seeds/"$name")
  [ -d "${seeds[0]}" ] || seeds=()
  if "$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=1 "$corpus" "${seeds[@]}" >"build/$name.log" 2>&1; then
    echo "$name: $(grep -E '^stat::number_of_executed_units' "build/$name.log" | awk '{print $2}') executions, no failure"
    passed=$((passed + 1))
  else
    echo "$name: FAILED"; tail -n 40 "build/$name.log"
    failed=$((failed + 1))
  fi
done

echo
echo "all: $passed passed, $failed failed"
[ "$failed" = 0 ]
