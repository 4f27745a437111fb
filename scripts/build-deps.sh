#!/usr/bin/env bash
# Builds the Windows libraries Corvix links against into one prefix, once:
#   libjpeg-turbo (static, with its x86_64 SIMD) from the distribution's source package,
#   zlib (static) from the distribution's source package, for PNG;
#   libpng (static), the reference PNG decoder of the tests and encoder of the benchmark,
#   pixman and cairo (static; the image surface, the win32 surface and fonts), for drawing on pictures,
#   from the distribution's source packages,
#   Leptonica and Tesseract (static) and the Simplified Chinese model, for reading text in pictures,
#   from the distribution's source and binary packages,
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

autotools_build() { # <name> <source dir> <configure options...>: configure for mingw, make, install
  local name=$1 src=$2; shift 2
  (cd "$src" && PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH= ./configure --host=x86_64-w64-mingw32 \
      --prefix="$prefix" --enable-static --disable-shared "$@" && make -j "$jobs" -C "${AUTOTOOLS_SUBDIR:-.}" \
      && make -C "${AUTOTOOLS_SUBDIR:-.}" install) >"$work/$name-build.log" 2>&1 \
    || { echo "deps: building $name failed; the log follows" >&2; tail -n 40 "$work/$name-build.log" >&2; exit 1; }
}

if [ ! -f "$prefix/.pixman-done" ]; then
  echo "deps: building pixman for Windows"
  # The archive lacks the Debian diff of this release: its upstream tarball is unpacked as it is.
  (cd "$work" && rm -rf pixman-src && mkdir pixman-src && cd pixman-src && apt-get source --download-only pixman >/dev/null 2>&1 || true)
  tarball=$(ls "$work"/pixman-src/pixman_*.orig.tar.* 2>/dev/null | head -n 1)
  [ -n "$tarball" ] || { echo "deps: 'apt-get source pixman' fetched no upstream tarball" >&2; exit 1; }
  echo "deps: pixman $(basename "$tarball")" >&2
  (cd "$work/pixman-src" && tar xf "$tarball")
  src=$(ls -d "$work"/pixman-src/pixman-*/ | head -n 1)
  autotools_build pixman "$src" --disable-gtk --disable-libpng --disable-openmp
  touch "$prefix/.pixman-done"
fi

if [ ! -f "$prefix/.cairo-done" ]; then
  echo "deps: building cairo for Windows"
  src=$(source_package cairo cairo-src) || exit 1
  # The distribution's patches touch configure.ac and Makefile.am: the generated files are made newer
  # so make does not run automake again.
  (cd "$src" && touch aclocal.m4 && touch configure config.h.in && find . -name Makefile.in -exec touch {} +)
  # A static cairo has no DllMain to set up its Windows locks; they are set up lazily by the first
  # surface or pattern, and a font face made before that waits for ever: the font faces' locks set
  # themselves up.
  sed -i '/^_cairo_win32_font_face_hash_table_lock (void)$/{n;s/^{$/{\n    CAIRO_MUTEX_INITIALIZE ();/}' \
    "$src/src/win32/cairo-win32-font.c"
  sed -i '/^_cairo_toy_font_face_hash_table_lock (void)$/{n;s/^{$/{\n    CAIRO_MUTEX_INITIALIZE ();/}' "$src/src/cairo-toy-font-face.c"
  grep -q 'CAIRO_MUTEX_INITIALIZE ();' "$src/src/win32/cairo-win32-font.c" \
    && grep -q 'CAIRO_MUTEX_INITIALIZE ();' "$src/src/cairo-toy-font-face.c" \
    || { echo "deps: cairo's font-face locks could not be mended" >&2; exit 1; }
  CFLAGS="-O2 -DCAIRO_WIN32_STATIC_BUILD=1" AUTOTOOLS_SUBDIR=src autotools_build cairo "$src" \
    --enable-win32 --enable-win32-font --disable-xlib --disable-xcb --disable-ft --disable-fc --disable-png \
    --disable-ps --disable-pdf --disable-svg --disable-script --disable-trace --disable-gobject \
    --disable-pthread --disable-gl --disable-interpreter --disable-full-testing
  touch "$prefix/.cairo-done"
fi

# Text recognition: Leptonica and Tesseract (static, without image libraries or OpenMP: pixels are
# handed over raw, and OpenMP's threads per line make it many times slower under Wine).
if [ ! -f "$prefix/.leptonica-done" ]; then
  echo "deps: building Leptonica for Windows"
  src=$(source_package leptonlib leptonica-src) || exit 1
  cmake_build "$src" "$work/leptonica-build" -DBUILD_SHARED_LIBS=OFF -DSW_BUILD=OFF -DBUILD_PROG=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_GIF=ON -DCMAKE_DISABLE_FIND_PACKAGE_JPEG=ON -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_TIFF=ON -DCMAKE_DISABLE_FIND_PACKAGE_ZLIB=ON -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_WebP=ON -DCMAKE_DISABLE_FIND_PACKAGE_OpenJPEG=ON -DCMAKE_INSTALL_LIBDIR=lib
  touch "$prefix/.leptonica-done"
fi

if [ ! -f "$prefix/.tesseract-done" ]; then
  echo "deps: building Tesseract for Windows"
  src=$(source_package tesseract tesseract-src) || exit 1
  # The Windows socket library's name is spelt in capitals, which a Linux file system does not find.
  sed -i 's/set(LIB_Ws2_32 Ws2_32)/set(LIB_Ws2_32 ws2_32)/' "$src/CMakeLists.txt"
  grep -q 'set(LIB_Ws2_32 ws2_32)' "$src/CMakeLists.txt" \
    || { echo "deps: Tesseract's socket library name could not be mended" >&2; exit 1; }
  # -march=native would tie the code to this machine; the vector code is chosen at run time instead.
  cmake_build "$src" "$work/tesseract-build" -DBUILD_SHARED_LIBS=OFF -DSW_BUILD=OFF \
    -DLeptonica_DIR="$prefix/lib/cmake/leptonica" -DBUILD_TRAINING_TOOLS=OFF -DBUILD_TESTS=OFF \
    -DGRAPHICS_DISABLED=ON -DDISABLE_ARCHIVE=ON -DDISABLE_CURL=ON -DOPENMP_BUILD=OFF \
    -DDISABLED_LEGACY_ENGINE=ON -DENABLE_LTO=OFF -DCOMPILER_SUPPORTS_MARCH_NATIVE=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_TIFF=ON -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON -DINSTALL_CONFIGS=OFF \
    -DCMAKE_INSTALL_LIBDIR=lib
  touch "$prefix/.tesseract-done"
fi

# The Simplified Chinese model (the fast integer LSTM one) from the distribution's package; it reads
# Latin text too.
if [ ! -f "$prefix/.chi-sim-done" ]; then
  echo "deps: fetching the Simplified Chinese recognition model"
  rm -rf "$work/chi-sim" && mkdir -p "$work/chi-sim" "$prefix/share/models"
  (cd "$work/chi-sim" && apt-get download tesseract-ocr-chi-sim >/dev/null 2>&1 && dpkg-deb -x ./*.deb root) \
    || { echo "deps: 'apt-get download tesseract-ocr-chi-sim' failed" >&2; exit 1; }
  model=$(find "$work/chi-sim/root" -name chi_sim.traineddata | head -n 1)
  [ -n "$model" ] || { echo "deps: the package holds no chi_sim.traineddata" >&2; exit 1; }
  cp "$model" "$prefix/share/models/chi_sim.traineddata"
  touch "$prefix/.chi-sim-done"
fi
# The program carries it gzipped: a third smaller.
if [ "$prefix/share/models/chi_sim.traineddata" -nt "$prefix/share/models/chi_sim.traineddata.gz" ]; then
  gzip -9 -n -c "$prefix/share/models/chi_sim.traineddata" >"$prefix/share/models/chi_sim.traineddata.gz.part"
  mv "$prefix/share/models/chi_sim.traineddata.gz.part" "$prefix/share/models/chi_sim.traineddata.gz"
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
