#!/usr/bin/env bash
# Configures (once) and builds the named build trees under build/:
#   native  Linux, portable core and its tests, with ASan and UBSan
#   win64   mingw-w64 x86_64: the programs and the Windows tests, run under Wine
#   win32   mingw-w64 i686: the release build; compiled and linked, not run here
#   fuzz    clang with libFuzzer: the fuzz_* targets only
#   release Linux, optimised, no sanitizers: the bench_* programs
#   tsan    Linux, ThreadSanitizer: the conversion's test programs only
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="$root/build/deps"
jobs=${VXF_JOBS:-$(nproc)}

configure() { # tree, cmake arguments...
  local dir="$root/build/$1"; shift
  [ -f "$dir/build.ninja" ] && return 0
  cmake -S "$root" -B "$dir" -G Ninja "$@" >"$root/build/configure-$(basename "$dir").log" 2>&1 || {
    cat "$root/build/configure-$(basename "$dir").log" >&2; return 1; }
}
cross_args() { # arch
  echo "-DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-$1.cmake" \
       "-DCMAKE_PREFIX_PATH=$deps/libjpeg-$1;$deps/gtest-$1"
}

for tree in "$@"; do
  case "$tree" in
    native) configure native -DVXF_SANITIZE=ON ;;
    win64) configure win64 $(cross_args x86_64) "-DCMAKE_CROSSCOMPILING_EMULATOR=$root/scripts/wine-exec" ;;
    win32) configure win32 $(cross_args i686) ;;
    fuzz) CC=clang CXX=clang++ configure fuzz -DVXF_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
    release) configure release -DCMAKE_BUILD_TYPE=Release ;;
    tsan) configure tsan -DCMAKE_C_FLAGS=-fsanitize=thread -DCMAKE_CXX_FLAGS=-fsanitize=thread \
            -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread ;;
    *) echo "build.sh: unknown tree '$tree'" >&2; exit 2 ;;
  esac
  echo "build: $tree"
  targets=()
  if [ "$tree" = fuzz ]; then
    mapfile -t targets < <(cmake --build "$root/build/fuzz" --target help | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\):.*/\1/p')
    [ ${#targets[@]} -gt 0 ] || continue
    targets=(--target "${targets[@]}")
  elif [ "$tree" = tsan ]; then
    # Where threads convert pictures (vxfconv -j) and the code they run.
    targets=(--target imaging_tests exif_tests conversion_tests vxfconv_tests vxfconv)
  fi
  log="$root/build/build-$tree.log"
  status=0
  cmake --build "$root/build/$tree" -j "$jobs" "${targets[@]}" >"$log" 2>&1 || status=$?
  # Ninja's progress lines are noise; warnings and errors stay.
  grep -v -E '^\[[0-9]+/[0-9]+\]|^ninja: no work to do' "$log" || true
  [ $status = 0 ] || { echo "build: $tree failed" >&2; exit 1; }
done
