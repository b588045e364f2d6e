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
# A run that ends within seconds without a word never got to the tests (its start under Wine
# failed: once, a full parallel run saw that); it is started once more and says so.
start=$SECONDS
log=$(mktemp)
trap 'rm -f "$log"' EXIT
rc=0
"$root/scripts/wine-run" "$test" "$@" 2>&1 | tee "$log" || rc=${PIPESTATUS[0]}
if [ "$rc" != 0 ] && [ $((SECONDS - start)) -lt 5 ] && ! grep -q '^\[==========\]' "$log"; then
  echo "run-program-tests: $(basename "$test") ended with $rc after $((SECONDS - start)) s before any test ran; starting it again" >&2
  WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
  rc=0
  "$root/scripts/wine-run" "$test" "$@" || rc=$?
fi
exit "$rc"
