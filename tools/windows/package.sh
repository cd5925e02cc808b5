#!/bin/bash
# Gathers the cross-built Windows programs into a folder that runs as it is,
# and zips it:
#
#   tools/windows/package.sh <build folder> <cache folder> <version>
#
# makes <build folder>/Tavrel-<version>-win64/ and Tavrel-<version>-win64.zip
# beside it. The folder holds the programs, the character tables and phrase
# dictionaries, the licences and NOTICE, the message catalogues
# (share/locale, where the programs look), Qt's Windows platform and style
# plugins, Qt's Chinese translation, and every DLL these import that is not
# part of Windows, found by walking their import tables; programs and DLLs
# are stripped.
set -eu

build=$1
deps=$2
version=$3
host=x86_64-w64-mingw32
name=Tavrel-$version-win64
out=$build/$name

die() { printf 'package: error: %s\n' "$*" >&2; exit 1; }

[ -f "$build/bin/tavrel-convert.exe" ] || die "$build/bin/tavrel-convert.exe is not built"

rm -rf "$out" "$build/$name.zip"
mkdir -p "$out"
for program in tavrel-convert.exe Tavrel.exe; do
  [ -f "$build/bin/$program" ] && cp "$build/bin/$program" "$out/"
done
# The build copied the tables and dictionaries beside the programs.
cp "$build"/bin/*.txt "$out/"
cp LICENSE NOTICE data/LICENSE.OpenCC "$out/"
if [ -d "$build/share/locale" ]; then
  mkdir -p "$out/share"
  cp -r "$build/share/locale" "$out/share/"
fi
if [ -f "$out/Tavrel.exe" ]; then
  mkdir -p "$out/platforms" "$out/styles"
  cp "$deps/plugins/platforms/qwindows.dll" "$out/platforms/"
  cp "$deps/plugins/styles/qwindowsvistastyle.dll" "$out/styles/"
  # Qt's own dialogs and buttons in Chinese: its translation (data, the same
  # on every platform, from Debian's qt6-translations-l10n), found through a
  # qt.conf that makes the program folder Qt's prefix.
  mkdir -p "$out/translations"
  cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$out/translations/"
  printf '[Paths]\r\nPrefix = .\r\n' >"$out/qt.conf"
fi

# Where the DLLs the programs import are: the cache folder first, then the
# compilers' own runtime. A DLL found in none of them is Windows' own.
gcc_runtime=$(dirname "$($host-g++-posix -print-file-name=libstdc++-6.dll)")
search="$deps/bin $gcc_runtime /usr/$host/lib /usr/$host/bin"

find_dll() {
  local dll=$1 folder found
  for folder in $search; do
    found=$(find "$folder" -maxdepth 1 -iname "$dll" -print -quit 2>/dev/null)
    if [ -n "$found" ]; then printf '%s\n' "$found"; return 0; fi
  done
  return 1
}

# Walks the imports until no new DLL turns up.
pending=$(find "$out" -iname '*.exe' -o -iname '*.dll')
while [ -n "$pending" ]; do
  next=""
  for file in $pending; do
    for dll in $($host-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
      [ -e "$out/$dll" ] && continue
      if source=$(find_dll "$dll"); then
        cp "$source" "$out/$dll"
        next="$next $out/$dll"
      fi
    done
  done
  pending=$next
done

find "$out" \( -iname '*.exe' -o -iname '*.dll' \) -exec $host-strip --strip-unneeded {} +
(cd "$build" && zip -qr9 "$name.zip" "$name")
printf '%s\n' "$build/$name.zip"
