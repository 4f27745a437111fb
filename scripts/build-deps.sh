#!/usr/bin/env bash
# Builds the Windows libraries Corvix links against into one prefix, once:
#   libjpeg-turbo (static, with its x86_64 SIMD) from the distribution's source package,
#   GoogleTest from the source tree the distribution installs under /usr/src.
# Usage: build-deps.sh <prefix> <toolchain file>. A stamp per library keeps later runs instant.
set -euo pipefail

prefix=$(realpath -m "$1")
toolchain=$(realpath "$2")
work="$prefix/work"
mkdir -p "$prefix" "$work"
jobs=$(nproc)

cmake_build() { # <source dir> <build dir> [cmake options...]
  local src=$1 bld=$2; shift 2
  cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >"$bld.log" 2>&1 \
    && cmake --build "$bld" -j "$jobs" >>"$bld.log" 2>&1 \
    && cmake --install "$bld" >>"$bld.log" 2>&1 \
    || { echo "deps: building $(basename "$src") failed; the log follows" >&2; tail -n 40 "$bld.log" >&2; exit 1; }
}

if [ ! -f "$prefix/.jpeg-done" ]; then
  echo "deps: building libjpeg-turbo for Windows"
  (cd "$work" && rm -rf jpeg-src && mkdir jpeg-src && cd jpeg-src \
     && apt-get source --download-only libjpeg-turbo >/dev/null 2>&1) \
    || { echo "deps: 'apt-get source libjpeg-turbo' failed (is a deb-src entry present? run scripts/setup-host.sh)" >&2; exit 1; }
  tarball=$(ls "$work"/jpeg-src/libjpeg-turbo_*.orig.tar.gz | head -n 1)
  tar -xzf "$tarball" -C "$work/jpeg-src"
  src=$(find "$work/jpeg-src" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  cmake_build "$src" "$work/jpeg-build" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DCMAKE_INSTALL_LIBDIR="$prefix/lib"
  touch "$prefix/.jpeg-done"
fi

if [ ! -f "$prefix/.gtest-done" ]; then
  echo "deps: building GoogleTest for Windows"
  cmake_build /usr/src/googletest "$work/gtest-build" -Dgtest_disable_pthreads=ON \
    -DCMAKE_INSTALL_LIBDIR=lib
  touch "$prefix/.gtest-done"
fi
