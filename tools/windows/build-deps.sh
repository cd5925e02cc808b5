#!/bin/bash
# Cross-builds ICU and Qt's qtbase for 64-bit Windows (x86_64-w64-mingw32)
# from Debian's own source packages, with Debian's mingw-w64 compilers, and
# installs both into one cache folder:
#
#   ${TAVREL_WINDOWS_CACHE:-/var/cache/tavrel-windows}/<key>
#
# <key> names the two source package versions and ends in a short hash of
# everything that shapes the result (versions, compilers, configure flags).
# A run that finds that folder complete prints its path and does nothing else,
# so the build costs about an hour once (62 minutes measured on 2 cores
# shared with other builds: ICU 7, qtbase 55) and then half a second.
#
# Standard output carries only the cache folder's path, so a caller can write
#   deps=$(tools/windows/build-deps.sh)
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DTAVREL_WINDOWS_DEPS="$deps" ...
# Progress goes to standard error; each step's full output to a log under
# <cache root>/work/<key>/logs.
#
# Environment:
#   TAVREL_WINDOWS_CACHE  cache root (default /var/cache/tavrel-windows)
#   TAVREL_ICU_VERSION    Debian version of the icu source package
#                         (default: the newest apt knows)
#   TAVREL_QT_VERSION     Debian version of the qt6-base source package
#                         (default: the newest apt knows)
#   TAVREL_JOBS           parallel jobs (default 2)
#
# Every compile runs under nice -n 19 and ionice -c3: the machine is shared
# and others keep priority.
set -eu

cache_root=${TAVREL_WINDOWS_CACHE:-/var/cache/tavrel-windows}
jobs=${TAVREL_JOBS:-2}
host=x86_64-w64-mingw32
# Raised when this script changes what it builds in a way the flags below do
# not show, so that an older cache folder is not taken for a current one.
recipe_revision=1

say() { printf '%s\n' "build-deps: $*" >&2; }
die() { say "error: $*"; exit 1; }

if [ "$(id -u)" -eq 0 ]; then as_root=""; else as_root="sudo"; fi

# Heavy steps yield to everyone else on the machine.
if command -v ionice >/dev/null 2>&1; then
  low() { nice -n 19 ionice -c3 "$@"; }
else
  low() { nice -n 19 "$@"; }
fi

# --- Debian packages --------------------------------------------------------

packages="
  gcc-mingw-w64-x86-64-posix
  g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev
  dpkg-dev
  wine64
  nsis
  cmake
  ninja-build
  make
  perl
  python3
  g++
  qt6-base-dev
  qt6-base-dev-tools
"
missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done

# apt-get source needs a deb-src entry; Debian 12's default sources file has
# only binary ones. A file of our own adds them and is left alone afterwards.
deb_src_file=/etc/apt/sources.list.d/tavrel-deb-src.sources
need_update=""
if ! apt-cache showsrc icu 2>/dev/null | grep -q '^Package: icu$'; then
  if [ ! -e "$deb_src_file" ]; then
    say "adding deb-src entries in $deb_src_file"
    $as_root tee "$deb_src_file" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  need_update=yes
fi
if [ -n "$missing" ] || [ -n "$need_update" ]; then
  say "apt-get update"
  $as_root apt-get update -qq >&2
fi
if [ -n "$missing" ]; then
  say "installing:$missing"
  $as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >&2
fi

# --- What is built, and its key ----------------------------------------------

# The newest version of a source package that apt knows.
newest_source_version() {
  apt-cache showsrc --only-source "$1" | sed -n 's/^Version: //p' |
    while read -r version; do
      printf '%s\n' "$version"
    done | sort -u | {
      best=""
      while read -r version; do
        if [ -z "$best" ] || dpkg --compare-versions "$version" gt "$best"; then
          best=$version
        fi
      done
      printf '%s\n' "$best"
    }
}

icu_version=${TAVREL_ICU_VERSION:-$(newest_source_version icu)}
qt_version=${TAVREL_QT_VERSION:-$(newest_source_version qt6-base)}
[ -n "$icu_version" ] || die "apt knows no icu source package"
[ -n "$qt_version" ] || die "apt knows no qt6-base source package"

# Qt cross-builds with the host's own Qt tools (moc, rcc, uic...): their
# version must be the one being built.
host_qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
qt_upstream=${qt_version%-*}; qt_upstream=${qt_upstream%+dfsg*}
host_qt_upstream=${host_qt_version%-*}; host_qt_upstream=${host_qt_upstream%+dfsg*}
[ "$qt_upstream" = "$host_qt_upstream" ] ||
  die "qt6-base source $qt_version differs from the host's Qt tools $host_qt_version"

cc=$host-gcc-posix
cxx=$host-g++-posix
compiler_version=$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)
mingw_runtime_version=$(dpkg-query -W -f='${Version}' mingw-w64-x86-64-dev)

# ICU: the shared libraries (icuuc, icuin, icudt) and nothing else; the
# tools of the cross build come from a native build of the same source.
icu_native_flags="--disable-tests --disable-samples --disable-extras"
# The same native compiler whatever else is installed (ICU's configure would
# take clang when it finds it).
icu_native_env="CC=gcc CXX=g++"
icu_flags="--host=$host --enable-shared --disable-static
  --disable-tests --disable-samples --disable-extras --disable-layoutex
  --disable-icuio --disable-tools"
icu_env="CFLAGS=-O2 CXXFLAGS=-O2"

# Qt: shared Core, Gui and Widgets with the windows platform plugin and the
# windowsvista style plugin; the host's Qt tools do the code generation.
#  - tabletevent off: Debian's source drops the Wintab headers, mingw-w64
#    has none.
#  - direct2d off, and then directwrite3 off too: the directwrite3 font
#    engine in qwindows.dll otherwise fails to link.
#  - icu off: on Windows Qt's Core does without it; the program links ICU
#    itself.
#  - the bundled third-party libraries, never the mingw sysroot's (its zlib1.dll
#    would become one more DLL to ship).
qt_flags="-G Ninja
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_SYSTEM_NAME=Windows
  -DCMAKE_SYSTEM_PROCESSOR=AMD64
  -DCMAKE_C_COMPILER=$cc
  -DCMAKE_CXX_COMPILER=$cxx
  -DCMAKE_RC_COMPILER=$host-windres
  -DCMAKE_FIND_ROOT_PATH=/usr/$host
  -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER
  -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY
  -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY
  -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_TESTS=OFF
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_gui=ON
  -DFEATURE_widgets=ON
  -DFEATURE_concurrent=OFF
  -DFEATURE_dbus=OFF
  -DFEATURE_network=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_sql=OFF
  -DFEATURE_testlib=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_icu=OFF
  -DFEATURE_tabletevent=OFF
  -DFEATURE_direct2d=OFF
  -DFEATURE_directwrite3=OFF
  -DFEATURE_system_zlib=OFF
  -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_png=OFF
  -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_freetype=OFF
  -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_system_libb2=OFF"

recipe="recipe $recipe_revision
icu $icu_version
qt6-base $qt_version
host qt tools $host_qt_version
g++-mingw-w64-x86-64-posix $compiler_version
mingw-w64-x86-64-dev $mingw_runtime_version
icu native: $icu_native_env $icu_native_flags
icu: $icu_env $(printf '%s' "$icu_flags" | tr -s ' \n' ' ')
qt: $(printf '%s' "$qt_flags" | tr -s ' \n' ' ')
"
hash=$(printf '%s' "$recipe" | sha256sum | cut -c1-12)
key="icu-${icu_version}_qtbase-${qt_version}_${hash}"
prefix=$cache_root/$key
stamp=$prefix/.complete

if [ -f "$stamp" ]; then
  say "up to date: $prefix"
  printf '%s\n' "$prefix"
  exit 0
fi

# --- The build ---------------------------------------------------------------

$as_root mkdir -p "$cache_root"
[ -w "$cache_root" ] || die "cannot write to $cache_root (set TAVREL_WINDOWS_CACHE)"
work=$cache_root/work/$key
sources=$cache_root/work/sources
logs=$work/logs
mkdir -p "$work" "$sources" "$logs" "$prefix/.steps"

# One build of a key at a time; a second run waits, then finds it done.
exec 9>"$cache_root/work/$key.lock"
if ! flock -n 9; then
  say "another run is building $key; waiting for it"
  flock 9
  if [ -f "$stamp" ]; then
    printf '%s\n' "$prefix"
    exit 0
  fi
fi

printf '%s' "$recipe" > "$prefix/recipe.txt"
started=$(date +%s)

# run STEP COMMAND...: runs a step once per key, its output in logs/STEP.log;
# a step that already succeeded for this cache folder is skipped, so a failed
# build resumes where it stopped.
run() {
  step=$1; shift
  if [ -f "$prefix/.steps/$step" ]; then
    say "$step: done before"
    return 0
  fi
  say "$step: $(date -u +%H:%M:%S) (log: $logs/$step.log)"
  step_start=$(date +%s)
  # In the background, not in the if's condition: there set -e would not
  # stop the step at its first failing command.
  ( "$@" ) > "$logs/$step.log" 2>&1 &
  if ! wait $!; then
    tail -n 40 "$logs/$step.log" >&2
    die "$step failed; full log: $logs/$step.log"
  fi
  say "$step: $(( $(date +%s) - step_start )) s"
  touch "$prefix/.steps/$step"
}

# Fetches and unpacks a source package (with Debian's patches applied) once
# per version; prints the unpacked folder.
fetch_source() {
  package=$1 version=$2
  dir=$sources/$package-$version
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    say "fetching $package $version"
    (cd "$dir" && apt-get source -q "$package=$version") > "$logs/fetch-$package.log" 2>&1 ||
      { tail -n 20 "$logs/fetch-$package.log" >&2; die "apt-get source $package=$version failed"; }
    touch "$dir/.unpacked"
  fi
  for sub in "$dir"/*/; do
    [ -f "$sub/debian/changelog" ] && { printf '%s\n' "${sub%/}"; return 0; }
  done
  die "no unpacked source in $dir"
}

icu_src=$(fetch_source icu "$icu_version")/source
qt_src=$(fetch_source qt6-base "$qt_version")

icu_native=$work/icu-native
icu_cross=$work/icu-windows
qt_build=$work/qtbase-windows

icu_native_build() {
  rm -rf "$icu_native" && mkdir -p "$icu_native" && cd "$icu_native"
  # shellcheck disable=SC2086
  low env $icu_native_env "$icu_src/configure" $icu_native_flags
  low make -j"$jobs"
}

icu_cross_build() {
  rm -rf "$icu_cross" && mkdir -p "$icu_cross" && cd "$icu_cross"
  # shellcheck disable=SC2086
  low env $icu_env "$icu_src/configure" $icu_flags \
    --prefix="$prefix" --with-cross-build="$icu_native" CC="$cc" CXX="$cxx"
  low make -j"$jobs"
  low make install
}

qt_cross_build() {
  rm -rf "$qt_build" && mkdir -p "$qt_build" && cd "$qt_build"
  # shellcheck disable=SC2086
  low cmake -S "$qt_src" -B . $qt_flags -DCMAKE_INSTALL_PREFIX="$prefix"
  low cmake --build . --parallel "$jobs"
  low cmake --install .
}

# The compiler's own DLLs, which every C++ program built with it needs: put
# beside ICU's and Qt's so that one folder holds everything to ship.
runtime_dlls() {
  gcc_dir=$(dirname "$($cxx -print-libgcc-file-name)")
  for dll in libstdc++-6.dll libgcc_s_seh-1.dll; do
    cp -v "$gcc_dir/$dll" "$prefix/bin/"
  done
  cp -v "/usr/$host/lib/libwinpthread-1.dll" "$prefix/bin/"
}

run icu-native icu_native_build
run icu-windows icu_cross_build
run qtbase-windows qt_cross_build
run runtime-dlls runtime_dlls

touch "$stamp"
say "built in $(( $(date +%s) - started )) s: $prefix ($(du -sh "$prefix" | cut -f1))"
say "the intermediate build folders are in $work (safe to delete)"
printf '%s\n' "$prefix"
