#!/bin/bash
# Makes the Windows installer from the program folder tools/windows/package.sh
# gathered:
#
#   tools/windows/installer.sh <build folder> <version> <numeric version>
#
# writes <build folder>/Tavrel-<version>-setup.exe with makensis
# (packaging/windows/tavrel.nsi), after listing the folder's files for it:
# one File command each to install them, one Delete each and one RMDir for
# each folder, deepest first, to uninstall exactly them.
set -eu

build=$(cd "$1" && pwd)
version=$2
numeric=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
app=$build/Tavrel-$version-win64
lists=$build/installer
setup=$build/Tavrel-$version-setup.exe

[ -f "$app/Tavrel.exe" ] || { echo "installer: error: $app/Tavrel.exe is missing" >&2; exit 1; }

rm -rf "$lists" "$setup"
mkdir -p "$lists"
(
  cd "$app"
  # Windows names under the install folder: $INSTDIR, then backslashes.
  windows() { local name=${1#.}; printf '$INSTDIR%s' "${name//\//\\}"; }
  find . -type d | LC_ALL=C sort | while read -r folder; do
    printf 'SetOutPath "%s"\n' "$(windows "$folder")"
    find "$folder" -maxdepth 1 -type f | LC_ALL=C sort | while read -r file; do
      printf 'File "%s"\n' "$app/${file#./}"
    done
  done >"$lists/files.nsh"
  {
    find . -type f | LC_ALL=C sort | while read -r file; do
      printf 'Delete "%s"\n' "$(windows "$file")"
    done
    # Deepest first; the install folder itself is left to the script.
    find . -mindepth 1 -type d | LC_ALL=C sort -r | while read -r folder; do
      printf 'RMDir "%s"\n' "$(windows "$folder")"
    done
  } >"$lists/unfiles.nsh"
)
# The output path of the last SetOutPath is where shortcuts start; it must be
# the install folder when the shortcut is made.
echo 'SetOutPath "$INSTDIR"' >>"$lists/files.nsh"

makensis -V2 -INPUTCHARSET UTF8 \
  "-DVERSION=$version" "-DNUMERIC_VERSION=$numeric" "-DICON=$root/packaging/windows/tavrel.ico" \
  "-DFILES=$lists/files.nsh" "-DUNFILES=$lists/unfiles.nsh" "-DOUTFILE=$setup" \
  "$root/packaging/windows/tavrel.nsi" >&2
printf '%s\n' "$setup"
