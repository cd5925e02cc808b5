#!/bin/sh
# Installs the Debian packages the build, the window, the tests and the
# Debian package need, asking apt only for those that are missing. Safe to
# run again and again.
set -eu

packages="
  cmake
  ninja-build
  g++
  clang
  libclang-rt-14-dev
  libicu-dev
  icu-devtools
  libgtest-dev
  qt6-base-dev
  qt6-base-dev-tools
  qt6-qpa-plugins
  qt6-translations-l10n
  fonts-wqy-microhei
  opencc
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
  python3
  procps
"

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
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing
