#!/usr/bin/env bash
# Runs the three test suites and ends with their counts; exits non-zero when anything failed.
#   1. the window-free logic, built natively with AddressSanitizer and UBSan;
#   2. the Windows build's tests, under Wine;
#   3. end-to-end tests that drive the real Corvix.exe under Wine, one at a time.
# The native suite also replays each fuzz target's seed corpus and fuzzes it a few seconds.
# Usage: run-tests.sh <build dir>   (it holds native/ and win64/)
# CORVIX_TESTS=<regex> runs only the tests whose names match, in every suite.
# The tests move the mouse and press keys, so they run on a private virtual screen (Xvfb) of their
# own; CORVIX_USE_DISPLAY=1 runs them on the caller's $DISPLAY instead (a virtual one when unset).
set -uo pipefail
build=$(realpath "$1")
scripts=$(dirname "$(realpath "$0")")

if [ -z "${CORVIX_TEST_SCREEN:-}" ]; then
  export CORVIX_TEST_SCREEN=1   # the run below is on its screen
  if [ "${CORVIX_USE_DISPLAY:-}" = 1 ]; then
    exec "$scripts/with-display" "$0" "$@"
  fi
  exec "$scripts/with-display" --private "$0" "$@"
fi

# Wine's own errors about starting a process (modules, memory, the server, crashes) stay on: a test
# program that Wine fails to start then says why in the test's output instead of ending silently.
export CORVIX_WINEDEBUG=${CORVIX_WINEDEBUG:--all,err+module,err+process,err+virtual,err+seh,err+server}
source "$scripts/wine-env"
corvix_ensure_prefix
# One Wine server for the whole run: every test program then starts in a fraction of a second.
wineserver -p
wine cmd /c exit 0 >/dev/null 2>&1
# Wine's desktop comes with a program's first window and goes a while after the last program
# ends: a test program that starts or ends while it goes can hang. So one hidden window holds it up
# from before the first Windows test until the run ends (the Wine server's end takes it too).
hold_desktop() {
  local line said=""
  exec {desktop_keeper}< <(wine "$build/win64/bin/corvix_desktop_keeper.exe" 2>&1)
  while read -r line <&"$desktop_keeper"; do
    [ "${line%$'\r'}" = ready ] && return  # the C runtime ends its lines with CR LF
    said+="$line"$'\n'
  done
  echo "run-tests: the desktop keeper did not start: ${said:-no word}" >&2
}

# A small drive for the disk-full tests: a 2 MB tmpfs as Wine's drive T:, where the machine allows
# the mount; otherwise the tests say why they were skipped.
small_drive="$build/win64/small-drive"
mkdir -p "$small_drive"
if mount_error=$(mount -t tmpfs -o size=2m corvix-small-drive "$small_drive" 2>&1); then
  ln -sfn "$small_drive" "$WINEPREFIX/dosdevices/t:"
  export CORVIX_SMALL_DRIVE='T:'
else
  export CORVIX_SMALL_DRIVE_SKIPPED="a size-limited tmpfs cannot be mounted here: ${mount_error:-mount failed}"
fi
cleanup() {
  wineserver -k 2>/dev/null
  if [ -n "${CORVIX_SMALL_DRIVE:-}" ]; then
    rm -f "$WINEPREFIX/dosdevices/t:"
    umount "$small_drive" 2>/dev/null
  fi
}
trap cleanup EXIT

summary=()
all_passed=0
all_failed=0

run_suite() { # <title> <build dir> [ctest options...]
  local title=$1 dir=$2; shift 2
  local log passed failed total status
  log=$(mktemp)
  echo
  echo "=== $title"
  local filter=()
  [ -n "${CORVIX_TESTS:-}" ] && filter=(-R "$CORVIX_TESTS")
  (cd "$dir" && ctest --output-on-failure "${filter[@]}" "$@") >"$log" 2>&1
  status=$?
  cat "$log"
  total=$(grep -oE 'tests failed out of [0-9]+' "$log" | grep -oE '[0-9]+$' | tail -n 1)
  failed=$(grep -oE '[0-9]+ tests failed out of' "$log" | grep -oE '^[0-9]+' | tail -n 1)
  total=${total:-0}
  failed=${failed:-0}
  if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
    failed=1   # ctest itself failed (a test program that could not be listed, say)
    total=$((total + 1))
  fi
  passed=$((total - failed))
  rm -f "$log"
  all_passed=$((all_passed + passed))
  all_failed=$((all_failed + failed))
  local note=""
  [ "$total" -eq 0 ] && note=" (no tests yet)"
  summary+=("$(printf '  %-44s %d passed, %d failed%s' "$title:" "$passed" "$failed" "$note")")
}

run_suite "logic, native with ASan and UBSan" "$build/native" -j "$(nproc)"
hold_desktop
run_suite "Windows build, under Wine" "$build/win64" -LE e2e -j "$(nproc)"
run_suite "end-to-end, Corvix.exe under Wine" "$build/win64" -L e2e

echo
echo "=== Summary"
printf '%s\n' "${summary[@]}"
echo "$all_passed passed, $all_failed failed"
[ "$all_failed" -eq 0 ]
