#!/usr/bin/env bash
# Prepares this Debian 12 machine for building and testing: packages, libjpeg
# and GoogleTest cross-built for both mingw targets, and the Wine prefix.
# Idempotent: each step checks for its own result first, so a warm run is quiet.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"
deps="$build/deps"
log="$build/setup.log"
mkdir -p "$deps"
: >"$log"

say() { echo "setup: $*"; }
run_logged() { "$@" >>"$log" 2>&1 || { echo "setup: failed: $* (see $log)" >&2; tail -n 30 "$log" >&2; exit 1; }; }
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

packages=(
  g++ cmake ninja-build nasm pkg-config dpkg-dev file locales
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine64 fonts-wine xvfb xauth x11-utils xdotool imagemagick fonts-ipafont-gothic fonts-ipafont-mincho
  libjpeg62-turbo-dev googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libimage-exiftool-perl sox libjpeg-turbo-progs libvips-tools valgrind
)

# 1. Debian packages, and source lines so that apt-get source works.
sources=/etc/apt/sources.list.d/debian.sources
need_update=
if [ -f "$sources" ] && grep -q '^Types: deb$' "$sources"; then
  say "enabling Debian source lines"
  as_root sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
  need_update=1
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ -n "$need_update" ]; then
  say "installing ${missing[*]:-(source lists only)}"
  run_logged as_root apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    run_logged as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
fi

# The chooser tests run Wine in a Japanese locale (system code page 932):
# Wine takes its code page from the Unix locale, which must exist.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  say "generating the ja_JP.UTF-8 locale"
  as_root sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP\.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  run_logged as_root locale-gen
fi

# 2. libjpeg-turbo from Debian's source package, static, for both Windows targets.
jpeg_src=$(ls -d "$deps"/src/libjpeg-turbo-*/ 2>/dev/null | head -n 1 || true)
if [ -z "$jpeg_src" ]; then
  say "fetching libjpeg-turbo source package"
  mkdir -p "$deps/src"
  (cd "$deps/src" && run_logged apt-get source -qq libjpeg-turbo)
  jpeg_src=$(ls -d "$deps"/src/libjpeg-turbo-*/ | head -n 1)
fi
for arch in x86_64 i686; do
  prefix="$deps/libjpeg-$arch"
  [ -f "$prefix/include/jconfig.h" ] && continue
  say "cross-building libjpeg for $arch"
  rm -rf "$deps/libjpeg-build-$arch"
  run_logged cmake -S "$jpeg_src" -B "$deps/libjpeg-build-$arch" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON -DWITH_JPEG8=OFF
  run_logged cmake --build "$deps/libjpeg-build-$arch" --target jpeg-static
  # Only the library and its four public headers are needed.
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$deps/libjpeg-build-$arch/libjpeg.a" "$prefix/lib/"
  cp "$jpeg_src"/{jpeglib.h,jmorecfg.h,jerror.h} "$deps/libjpeg-build-$arch/jconfig.h" "$prefix/include/"
done

# 3. GoogleTest for both Windows targets, from Debian's source tree.
for arch in x86_64 i686; do
  prefix="$deps/gtest-$arch"
  [ -f "$prefix/lib/libgtest.a" ] && continue
  say "cross-building GoogleTest for $arch"
  rm -rf "$deps/gtest-build-$arch"
  run_logged cmake -S /usr/src/googletest -B "$deps/gtest-build-$arch" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  run_logged cmake --build "$deps/gtest-build-$arch"
  run_logged cmake --install "$deps/gtest-build-$arch"
done

# 4. The Wine prefix, with the Japanese dialog fonts mapped to the IPA fonts.
"$root/scripts/wine-prefix.sh"
