#!/bin/sh
# Redraws the program's icons and replaces the committed copies: the PNGs in
# packaging/icons/ and the Windows icon packaging/windows/tavrel.ico.
#   BUILD=build packaging/make-icons.sh
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-build}
cmake --build "$build" --target tavrel-icons
"$build/packaging/tavrel-icons" "$root/packaging/icons" "$root/packaging/windows/tavrel.ico"
