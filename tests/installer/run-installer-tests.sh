#!/usr/bin/env bash
# Runs the installer tests in a Wine prefix made anew for every run (a machine that never had
# Tidewhisk), set up as the program tests' prefix: windows in a virtual desktop, under Xvfb.
#   run-installer-tests.sh ROOT PREFIX TEST.exe [gtest arguments]
set -euo pipefail
root=$1 prefix=$2
case "$prefix" in
  /*/prefix) ;;
  *) echo "run-installer-tests: PREFIX must be an absolute path ending in /prefix: $prefix" >&2; exit 2 ;;
esac
if [ -d "$prefix" ]; then
  # A server left from the last run would keep the old registry alive.
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
  rm -rf "$prefix"
fi
# The shortcuts the installer makes must not become menu entries and icons on the host.
export TW_WINEPREFIX=$prefix
"$root/scripts/wine-run" --init
"$root/scripts/wine-run" reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /d '' /f >/dev/null 2>&1
WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
exec "$root/tests/ui/run-program-tests.sh" "$@"
