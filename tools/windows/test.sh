#!/bin/bash
# Tests the Windows build under Wine, in a fresh prefix:
#
#   tools/windows/test.sh <Windows build folder> <Linux build folder> <version>
#
# runs the engine and file tests (CTest in the Windows build), compares
# tavrel-convert.exe with the Linux tavrel-convert (tests/windows/cli_compare.sh),
# uses the real window in a private X server (tests/windows/window_test.sh)
# and installs and uninstalls the installer (tests/windows/installer_test.sh).
# Every part runs even when one before it failed; the status says whether all
# passed. The prefix and the work folders stay in the Windows build folder for
# a look afterwards.
set -u

windows_build=$(cd "$1" && pwd)
linux_build=$(cd "$2" && pwd)
version=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$windows_build/windows-test

export WINEPREFIX=$windows_build/wineprefix WINEDEBUG=-all
unset DISPLAY
failed=""
part() {  # <name> <command...>
  local name=$1
  shift
  echo "windows-test: $name" >&2
  "$@" || failed="$failed
  $name"
}

"$root/tools/windows/wineprefix.sh" "$WINEPREFIX" || exit 1
rm -rf "$work"
mkdir -p "$work"
part "engine and file tests" ctest --test-dir "$windows_build" --output-on-failure
part "tavrel-convert.exe against the Linux tavrel-convert" "$root/tests/windows/cli_compare.sh" \
  "$linux_build/bin/tavrel-convert" "$windows_build/Tavrel-$version-win64" "$work/cli"
part "the window" "$root/tests/windows/window_test.sh" "$windows_build/Tavrel-$version-win64" \
  "$linux_build/bin/tavrel-convert" "$work/window"
part "installer" "$root/tests/windows/installer_test.sh" "$windows_build/Tavrel-$version-setup.exe" "$work/installer"

if [ -n "$failed" ]; then
  echo "windows-test: failed:$failed" >&2
  exit 1
fi
echo "windows-test: all passed" >&2
