#!/usr/bin/env bash
# make run. With a display: starts Corvix.exe under Wine from a folder of its own (build/run), so
# Option.ini and the saved pictures land there; Ctrl+C stops it. Without one: a short
# demonstration on a virtual screen: the three hot keys pressed, a window taken with a click, a
# rectangle drawn on a region, a region pinned, the files written listed.
set -euo pipefail
build=$(realpath "$1")
scripts=$(dirname "$(realpath "$0")")

if [ -z "${DISPLAY:-}" ]; then
  echo "No display is set: Corvix shows its work on a virtual screen (Xvfb) and stops by itself."
  "$scripts/wine-run" "$build/win64/bin/corvix_demo.exe"
  echo "On this machine the pictures are in $build/run-demo/Save, the screenshots in $build/run-demo."
  exit 0
fi

mkdir -p "$build/run"
cp "$build/win64/bin/Corvix.exe" "$build/run/Corvix.exe"
echo "Corvix runs on $DISPLAY from $build/run. Ctrl+F1, Ctrl+F2, Ctrl+F3 capture; Ctrl+C here stops it."
exec "$scripts/wine-run" "$build/run/Corvix.exe"
