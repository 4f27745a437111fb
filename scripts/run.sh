#!/usr/bin/env bash
# Starts Corvix.exe under Wine from a folder of its own (build/run), so Option.ini and the saved
# pictures land there. Without a display it runs on a virtual screen until Ctrl+C.
set -euo pipefail
build=$(realpath "$1")
scripts=$(dirname "$(realpath "$0")")

mkdir -p "$build/run"
cp "$build/win64/bin/Corvix.exe" "$build/run/Corvix.exe"

if [ -z "${DISPLAY:-}" ]; then
  echo "No display is set: Corvix runs on a virtual screen (Xvfb). Press Ctrl+C to stop it and the screen."
else
  echo "Corvix runs on $DISPLAY; its icon is in the notification area. Press Ctrl+C here to stop it."
fi
exec "$scripts/wine-run" "$build/run/Corvix.exe"
