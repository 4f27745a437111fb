#!/usr/bin/env bash
# Lists the DLLs an executable imports and fails on any that does not come with Windows.
set -euo pipefail
exe=$1
system='^(kernel32|user32|gdi32|shell32|comdlg32|advapi32|comctl32|ole32|oleaut32|shlwapi|uxtheme|msvcrt|version|imm32|winmm|dwmapi|wtsapi32|msimg32|bcrypt)\.dll$'
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print tolower($3) }')
echo "$(basename "$exe") imports: $(echo $dlls)"
bad=$(echo "$dlls" | grep -v -E "$system" || true)
if [ -n "$bad" ]; then
  echo "not a Windows system DLL: $(echo $bad)"
  exit 1
fi
