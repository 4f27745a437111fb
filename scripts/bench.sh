#!/usr/bin/env bash
# make bench: the image-file benchmark, then for a 1920x1080 and a 3840x2160 virtual screen the real
# program's waits against their floors and against other capture tools, all measured in one run.
# Prints one table; the figures also go to <build>/bench.csv.
set -euo pipefail
build=$(realpath "$1")
scripts=$(dirname "$(realpath "$0")")
csv="$build/bench.csv"
echo "screen,measure,value" >"$csv"

if [ -z "${BENCH_QUICK:-}" ]; then
  echo "== Writing a capture (Google Benchmark, medians of 15)"
  "$scripts/wine-run" "$build/win64/bin/corvix_bench.exe" --benchmark_format=console 2>/dev/null | sed -n '/^Medians/,$p'
fi

# Readings of the running Corvix.exe from Linux, taken when the Windows side leaves a mark:
# anonymous resident memory (its private memory) in KB, and CPU time (user + system) in ms.
watch_marks() { # <size> <marks folder>
  local size=$1 marks=$2 hz pid
  hz=$(getconf CLK_TCK)
  while :; do
    for mark in "$marks"/*; do
      [ -e "$mark" ] || continue
      pid=$(pgrep -f 'bench-run.Corvix.exe' | head -n 1)
      name=$(basename "$mark")
      case "$name" in
        memory*) value=$(awk '/^RssAnon:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) ;;
        cpu*) value=$(awk -v hz="$hz" '{ printf "%.1f", ($14 + $15) * 1000 / hz }' "/proc/$pid/stat" 2>/dev/null) ;;
      esac
      echo "$size,$name,${value:-n/a}" >>"$csv"
      rm -f "$mark"
    done
    sleep 0.05
  done
}

value() { awk -F, -v s="$1" -v n="$2" '$1 == s && $2 == n { print $3 }' "$csv"; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Whole-process time of a command, median of 15, in milliseconds.
time_tool() {
  for _ in $(seq 15); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
  done | median | awk '{ printf "%.3f", $1 / 1000 }'
}

export -f median time_tool

for screen in ${BENCH_SCREENS:-1920x1080x24 3840x2160x24}; do
  size=${screen%x24}
  marks="$build/win64/bench-marks"
  rm -rf "$marks"
  mkdir -p "$marks"
  watch_marks "$size" "$marks" &
  watcher=$!
  echo
  echo "== Screen $size (hot key to file, floors, other tools; about 2 minutes)"
  export CORVIX_SCREEN=$screen
  # A screen of its own for each size: one Wine server on it, ended with it.
  env -u DISPLAY "$scripts/with-display" bash -c '
    set -euo pipefail
    source "'"$scripts"'/wine-env"
    corvix_ensure_prefix
    wineserver -p
    trap "wineserver -k 2>/dev/null" EXIT
    wine cmd /c exit 0 >/dev/null 2>&1
    wine "'"$build"'/win64/bin/corvix_hotkey_bench.exe" | tr -d "\r"
  ' | while IFS=, read -r name value; do echo "$size,$name,$value" >>"$csv"; done
  kill "$watcher" 2>/dev/null || true
  start=$(value "$size" cpu_idle_start_ms)
  end=$(value "$size" cpu_idle_end_ms)
  echo "$size,idle_cpu_ms_30s,$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')" >>"$csv"
  out=$(mktemp -d)
  env -u DISPLAY "$scripts/with-display" bash -c '
    echo "'"$size"',scrot_ms,$(time_tool scrot -o -q 90 "'"$out"'/s.jpg")"
    echo "'"$size"',maim_ms,$(time_tool maim -f jpg -m 9 "'"$out"'/m.jpg")"
    echo "'"$size"',import_ms,$(time_tool import -window root -quality 90 "'"$out"'/i.jpg")"
  ' >>"$csv" 2>/dev/null || true
  rm -rf "$out"
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2fx", a / b; else print "-" }'; }

echo
printf '%-48s %14s %14s\n' "" "1920x1080" "3840x2160"
row() { # <label> <measure> [<floor measure> | ratio-of <other>]
  printf '%-48s' "$1"
  for s in 1920x1080 3840x2160; do printf ' %14s' "$(value "$s" "$2")"; done
  echo
}
ratio_row() { # <label> <measure> <divisor measure>
  printf '%-48s' "$1"
  for s in 1920x1080 3840x2160; do printf ' %14s' "$(ratio "$(value "$s" "$2")" "$(value "$s" "$3")")"; done
  echo
}
row "hot key to JPEG file, ms" jpeg_hotkey_ms
row "  floor: copy+encode+write, ms" jpeg_floor_ms
ratio_row "  ratio" jpeg_hotkey_ms jpeg_floor_ms
row "hot key to JPEG file, 10,000 files in folder, ms" jpeg_hotkey_10000_files_ms
row "  same, empty folder, ms" jpeg_hotkey_empty_folder_ms
ratio_row "  ratio (target at most 1.2x)" jpeg_hotkey_10000_files_ms jpeg_hotkey_empty_folder_ms
row "hot key to BMP file, ms" bmp_hotkey_ms
row "  floor: copy+write, ms" bmp_floor_ms
ratio_row "  ratio" bmp_hotkey_ms bmp_floor_ms
row "region key to overlay shown, ms" overlay_ms
row "  floor: copy+paint, ms" overlay_floor_ms
ratio_row "  ratio" overlay_ms overlay_floor_ms
row "scrot (JPEG 90), ms" scrot_ms
ratio_row "  Corvix JPEG / scrot" jpeg_hotkey_ms scrot_ms
row "maim (JPEG), ms" maim_ms
ratio_row "  Corvix JPEG / maim" jpeg_hotkey_ms maim_ms
row "import (JPEG 90), ms" import_ms
ratio_row "  Corvix JPEG / import" jpeg_hotkey_ms import_ms
row "start-up to hot keys registered, ms" startup_ms
row "idle CPU over 30 s, ms" idle_cpu_ms_30s
row "private memory after start, KB" memory_after_start_kb
row "  after 1 screen capture, KB" memory_after_1_screen_kb
row "  after 20 screen captures, KB" memory_after_20_screens_kb
row "  after 1 region capture, KB" memory_after_1_region_kb
row "  after 20 region captures, KB" memory_after_20_regions_kb
row "Corvix.exe, bytes" exe_bytes
echo
echo "Figures: $csv"
