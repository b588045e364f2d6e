# Sourced by the benchmark scripts: `stripped BUILD PROGRAM.exe` prints the path of a stripped
# copy of PROGRAM.exe (in BUILD/bench/stripped), the form the installer ships. Wine reads a whole
# image at start: the debug information of the RelWithDebInfo build would add some 60 MB and a
# fifth of a second to every run of twcli, which no user's program carries.
stripped() {
  local build=$1 program=$2 strip=x86_64-w64-mingw32-strip
  command -v "$strip" >/dev/null || { echo "bench: $strip is missing (Debian package binutils-mingw-w64-x86-64)" >&2; return 1; }
  mkdir -p "$build/bench/stripped"
  "$strip" -o "$build/bench/stripped/$(basename "$program")" "$program" || return 1
  echo "$build/bench/stripped/$(basename "$program")"
}
