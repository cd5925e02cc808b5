#!/bin/sh
# Installs the Debian packages one task needs, asking apt only for those that
# are missing. Building and running take no package that is merely
# recommended. Safe to run again and again.
#
#   tools/install-deps.sh run     building and running the window and the command line
#   tools/install-deps.sh test    that, plus what the tests use (sanitizers, an X server
#                                 and its tools, the packaging checks)
#   tools/install-deps.sh deb     building and running, plus what makes the Debian package
#   tools/install-deps.sh bench   the tests' packages, plus the programs the benchmark
#                                 compares with
#   tools/install-deps.sh windows building and running, plus the compilers for Windows,
#                                 Wine, NSIS and zip (tools/windows/build-deps.sh adds
#                                 what cross-building ICU and Qt takes)
#   tools/install-deps.sh windows-test
#                                 that, plus GoogleTest's sources for the Windows tests
set -eu

run="
  cmake
  ninja-build
  g++
  libicu-dev
  qt6-base-dev
  qt6-base-dev-tools
  qt6-qpa-plugins
  qt6-translations-l10n
  fonts-wqy-microhei
  gettext
"

test="
  $run
  libgtest-dev
  clang
  libclang-rt-14-dev
  python3
  procps
  xvfb
  xauth
  xdotool
  xclip
  libx11-dev
  qt6-gtk-platformtheme
  desktop-file-utils
  appstream
  dpkg-dev
  lintian
  groff-base
  man-db
  bash-completion
  binutils-mingw-w64-x86-64
"

deb="
  $run
  dpkg-dev
  lintian
"

bench="
  $test
  icu-devtools
  hyperfine
  opencc
  time
"

windows="
  $run
  gcc-mingw-w64-x86-64-posix
  g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64
  wine64
  nsis
  zip
"

windows_test="
  $windows
  googletest
  locales
"

recommends=""
case "${1:-test}" in
  run) packages=$run recommends="--no-install-recommends" ;;
  test) packages=$test ;;
  deb) packages=$deb recommends="--no-install-recommends" ;;
  bench) packages=$bench ;;
  windows) packages=$windows recommends="--no-install-recommends" ;;
  windows-test) packages=$windows_test recommends="--no-install-recommends" ;;
  *) echo "usage: $0 [run|test|deb|bench|windows|windows-test]" >&2; exit 2 ;;
esac

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=""
else
  as_root="sudo"
fi
echo "Installing:$missing"
$as_root apt-get update -qq
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $recommends $missing
