#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Does nothing when all are present,
# so a second `make test` starts at once.
set -euo pipefail

packages=(
  cmake make ninja-build pkg-config dpkg-dev
  g++ clang-14 libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools nasm
  googletest libgtest-dev libjpeg62-turbo-dev zlib1g-dev libpng-dev libcairo2-dev
  wine wine64 xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick fonts-wqy-microhei locales
)

# `setup-host.sh bench` adds the other capture tools the benchmark compares against.
if [ "${1:-}" = bench ]; then packages+=(scrot maim); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: these packages are missing and installing them needs root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The source of libjpeg-turbo comes from the distribution's own source archive.
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list 2>/dev/null; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      > /etc/apt/sources.list.d/debian-src.sources
    apt-get update -qq
  fi
fi

# Wine takes its ANSI code page (936, GBK) from this locale; without it compiled, non-ASCII file
# names and arguments are mangled between Linux and Wine.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  echo "setup: compiling the zh_CN.UTF-8 locale"
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
