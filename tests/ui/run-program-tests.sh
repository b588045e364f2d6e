#!/usr/bin/env bash
# Runs the program tests in a Wine prefix of their own whose windows live in a virtual desktop
# (as on Windows: one desktop, no X window manager in between), under Xvfb.
#   run-program-tests.sh ROOT PREFIX TEST.exe [gtest arguments]
set -euo pipefail
root=$1 prefix=$2 test=$3
shift 3
export TW_WINEPREFIX=$prefix TW_XVFB=1
"$root/scripts/wine-run" --init
if ! grep -q '"Default"="1280x900"' "$prefix/user.reg" 2>/dev/null; then
  "$root/scripts/wine-run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$root/scripts/wine-run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x900 /f >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
fi
exec "$root/scripts/wine-run" "$test" "$@"
