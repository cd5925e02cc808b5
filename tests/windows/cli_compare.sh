#!/bin/bash
# Compares tavrel-convert.exe under Wine with the Linux tavrel-convert:
#
#   tests/windows/cli_compare.sh <Linux tavrel-convert> <Windows program folder> <work folder>
#
# Each case makes its files in a fresh folder per program and runs one shell
# command there, the program being $convert. Both runs must succeed, write the
# same standard output and leave the same files, byte for byte. The Windows
# program runs under a code page without Chinese (1252, from en_US) and under
# GBK's (936, from zh_CN): names reach it only through the wide calls. Wine
# takes the code page from the Unix locale, which must exist for the UTF-8
# names on its command line to be read as UTF-8: both are made with localedef
# (package locales) in the work folder. WINEPREFIX names the prefix to run in.
set -u

linux=$1
windows="/usr/lib/wine/wine64 $2/tavrel-convert.exe"
work=$3
failures=0

mkdir -p "$work/locales"
export LOCPATH=$work/locales
for locale in en_US zh_CN; do
  localedef -i $locale -f UTF-8 "$LOCPATH/$locale.UTF-8" || exit 1
done

# Traditional text with CR LF and LF line ends and "：" (U+FF1A), whose
# UTF-16LE form holds the byte 0x1A that ends text-mode input on Windows.
text='中國的漢字：繁體與簡體。\n說明(&H)\r\n這個視窗把兩者互相轉換。\n'
sample() {  # <encoding> <file> [lines]
  local count=${3:-1}
  case $1 in
    UTF-16LE) { printf '\377\376'; yes "$(printf "$text")" | head -n "$count" | iconv -f UTF-8 -t UTF-16LE; } >"$2" ;;
    *) yes "$(printf "$text")" | head -n "$count" | iconv -f UTF-8 -t "$1" >"$2" ;;
  esac
}
# A folder whose absolute name passes Windows' 260 characters.
long=$(printf '很長的資料夾名稱-%040d/' 1 2 3 4 5 6)

run() {  # <folder> <program> <locale> <setup> <command>
  rm -rf "$1"
  mkdir -p "$1"
  (cd "$1" && eval "$4") || return 2
  (cd "$1" && export LC_ALL=$3 LANG=$3 && convert=$2 && eval "$5") >"$1.out"
}

compare() {  # <name> <setup> <command>
  local locale base
  for locale in en_US.UTF-8 zh_CN.UTF-8; do
    base=$work/$1-${locale%%.*}
    if ! run "$base-linux" "$linux" C.UTF-8 "$2" "$3"; then
      echo "FAIL $1: the Linux program failed" >&2
    elif ! run "$base-windows" "$windows" "$locale" "$2" "$3"; then
      echo "FAIL $1 ($locale): tavrel-convert.exe failed" >&2
    elif ! cmp "$base-linux.out" "$base-windows.out" >&2; then
      echo "FAIL $1 ($locale): the standard output differs" >&2
    elif ! diff -r "$base-linux" "$base-windows" >&2; then
      echo "FAIL $1 ($locale): the files differ" >&2
    else
      echo "ok   $1 ($locale)" >&2
      continue
    fi
    failures=$((failures + 1))
  done
}

compare GbkFile 'sample GBK 繁體.txt' '$convert -s 繁體.txt 简体.txt'
compare Utf8FileOfManyBlocks 'sample UTF-8 in.txt 200000' '$convert -s in.txt out.txt'
compare Big5FileBecomesGbk 'sample BIG5 in.txt' '$convert -s in.txt out.txt'
# Binary standard streams: the 0x1A byte does not end the input, LF stays LF.
compare Utf16LeThroughPipes 'sample UTF-16LE in.txt 3' 'cat in.txt | $convert -s | cat >out.txt'
compare ChineseFolderBatch 'mkdir 测试目录 && sample GBK 测试目录/繁體.txt' '$convert -s --batch -r 测试目录'
# A second run finds its results in place: distinct files must not look like
# one, and existing targets must be replaced.
compare BatchRunTwice 'mkdir -p books/子目錄 && sample GBK books/a.txt && sample UTF-8 books/子目錄/b.txt' \
  '$convert -s --batch -r books && $convert -s --batch -r books && $convert -s --batch -r -o 輸出 books && $convert -s --batch -r -o 輸出 books'
# The first file's result is the second file: the second is read as it was,
# which takes knowing that the two names are one file.
compare BatchOutputIsALaterInput 'sample GBK a.txt && sample UTF-8 简体a.txt' '$convert -s --batch a.txt 简体a.txt'
compare ReplacesExistingTarget 'sample GBK in.txt && sample UTF-8 out.txt 40' '$convert -s in.txt out.txt'
compare PathPast260Characters "mkdir -p $long && sample GBK $long/繁體.txt" \
  "\$convert -s \"\$PWD/$long/繁體.txt\" \"\$PWD/$long/简体.txt\""

[ "$failures" -eq 0 ]
