#!/usr/bin/env bash
# Builds the Windows libraries Corvix links against into one prefix, once:
#   libjpeg-turbo (static, with its x86_64 SIMD) from the distribution's source package,
#   zlib (static) from the distribution's source package, for PNG;
#   libpng (static), the reference PNG decoder of the tests and encoder of the benchmark,
#   GoogleTest from the source tree the distribution installs under /usr/src.
#   Google Benchmark, when asked for (make bench), from the distribution's source package.
# Usage: build-deps.sh <prefix> <toolchain file> [benchmark]. A stamp per library keeps later runs
# instant.
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

source_package() { # <package> <folder>: unpacks the source with the distribution's patches, prints its directory
  # The release apt picks first, then each one the archive lists, newest first: a security update's
  # source is not on every mirror, while the release the distribution shipped is.
  local version fetched=
  for version in "" $(apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ { print $2 }' | sort -rVu); do
    if (cd "$work" && rm -rf "$2" && mkdir "$2" && cd "$2" && apt-get source --download-only "$1${version:+=$version}" >/dev/null 2>&1); then
      fetched=${version:-as apt picks it}
      break
    fi
  done
  [ -n "$fetched" ] \
    || { echo "deps: 'apt-get source $1' failed (is a deb-src entry present? run scripts/setup-host.sh)" >&2; return 1; }
  (cd "$work/$2" && dpkg-source -x "$(ls ./*.dsc | head -n 1)" source >/dev/null 2>&1) \
    || { echo "deps: unpacking the source of $1 failed" >&2; return 1; }
  echo "deps: $1 $(cd "$work/$2" && ls ./*.dsc | sed 's|^\./||; s|\.dsc$||')" >&2
  echo "$work/$2/source"
}

if [ ! -f "$prefix/.jpeg-done" ]; then
  echo "deps: building libjpeg-turbo for Windows"
  src=$(source_package libjpeg-turbo jpeg-src) || exit 1
  cmake_build "$src" "$work/jpeg-build" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DCMAKE_INSTALL_LIBDIR="$prefix/lib"
  touch "$prefix/.jpeg-done"
fi

if [ ! -f "$prefix/.zlib-done" ]; then
  echo "deps: building zlib for Windows"
  src=$(source_package zlib zlib-src) || exit 1
  (cd "$src" && CHOST=x86_64-w64-mingw32 ./configure --static --prefix="$prefix" && make -j "$jobs" libz.a \
    && make install) >"$work/zlib-build.log" 2>&1 \
    || { echo "deps: building zlib failed; the log follows" >&2; tail -n 40 "$work/zlib-build.log" >&2; exit 1; }
  touch "$prefix/.zlib-done"
fi

if [ ! -f "$prefix/.png-done" ]; then
  echo "deps: building libpng for Windows"
  src=$(source_package libpng1.6 png-src) || exit 1
  cmake_build "$src" "$work/png-build" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" -DCMAKE_INSTALL_LIBDIR="$prefix/lib"
  touch "$prefix/.png-done"
fi

if [ ! -f "$prefix/.gtest-done" ]; then
  echo "deps: building GoogleTest for Windows"
  cmake_build /usr/src/googletest "$work/gtest-build" -Dgtest_disable_pthreads=ON \
    -DCMAKE_INSTALL_LIBDIR=lib
  touch "$prefix/.gtest-done"
fi

if [ "${3:-}" = benchmark ] && [ ! -f "$prefix/.benchmark-done" ]; then
  echo "deps: building Google Benchmark for Windows"
  src=$(source_package benchmark benchmark-src) || exit 1
  # The distribution reads the version from its changelog, not from Git: this says "the project's own".
  cmake_build "$src" "$work/benchmark-build" -DGIT_VERSION=0.0.0 -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF \
    -DBENCHMARK_ENABLE_WERROR=OFF -DBENCHMARK_ENABLE_LIBPFM=OFF -DBENCHMARK_INSTALL_DOCS=OFF \
    -DCMAKE_INSTALL_LIBDIR="$prefix/lib"
  touch "$prefix/.benchmark-done"
fi
