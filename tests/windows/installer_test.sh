#!/bin/bash
# Installs Tavrel silently under Wine, converts with the installed program,
# and uninstalls it silently:
#
#   tests/windows/installer_test.sh <Tavrel-<version>-setup.exe> <work folder>
#
# The install must put the programs in the 64-bit Program Files, a Start-menu
# entry for every user and the uninstall entry in the registry; the uninstall
# must leave the prefix's files (outside C:\windows) and its HKLM\Software
# registry as they were before, once a restart has removed the running
# uninstaller's copy of itself, as Windows does. NSIS asks the restart to
# remove that copy's folder before the copy, so an empty folder
# Temp\~nsuN.tmp stays, on Windows too; it is the one thing allowed to
# differ. WINEPREFIX names the prefix to run in.
set -u

setup=$(realpath "$1")
work=$2
wine=/usr/lib/wine/wine64
drive=$WINEPREFIX/drive_c
installed=$drive/Program\ Files/Tavrel
shortcut=$drive/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Tavrel.lnk
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrel'
failures=0
check() {  # <what> <command...>
  local what=$1
  shift
  if "$@"; then echo "ok   $what" >&2; else echo "FAIL $what" >&2; failures=$((failures + 1)); fi
}
wait_for_wine() { /usr/lib/wine/wineserver -w; }

# The files outside C:\windows but NSIS's empty folders, and the machine's
# software registry.
snapshot() {
  (cd "$drive" && find . -path ./windows -prune -o -path './users/*/Temp/~nsu*.tmp' -empty -prune -o -print |
    LC_ALL=C sort) >"$1.files"
  "$wine" reg export 'HKLM\Software' "$(winepath_of "$1.reg")" /y >/dev/null
}
winepath_of() { printf 'Z:%s' "${1//\//\\}"; }
registered() { "$wine" reg query "$key" /v UninstallString >/dev/null 2>&1; }
converts() {
  [ "$(printf '中國\n' | "$wine" 'C:\Program Files\Tavrel\tavrel-convert.exe' -s)" = 中国 ]
}

mkdir -p "$work"
snapshot "$work/before"
"$wine" "$(winepath_of "$setup")" /S
wait_for_wine
check "installs Tavrel.exe into Program Files" test -f "$installed/Tavrel.exe"
check "installs the Qt platform plugin" test -f "$installed/platforms/qwindows.dll"
check "adds the Start-menu entry for every user" test -f "$shortcut"
check "adds the uninstall entry" registered
check "the installed tavrel-convert.exe converts" converts

"$wine" 'C:\Program Files\Tavrel\uninstall.exe' /S
wait_for_wine
"$wine" wineboot -r
wait_for_wine
snapshot "$work/after"
check "removes the install folder" test ! -e "$installed"
check "removes the Start-menu entry" test ! -e "$shortcut"
check "removes the uninstall entry" eval '! registered'
check "leaves the files as before" diff "$work/before.files" "$work/after.files"
check "leaves the software registry as before" cmp "$work/before.reg" "$work/after.reg"

[ "$failures" -eq 0 ]
