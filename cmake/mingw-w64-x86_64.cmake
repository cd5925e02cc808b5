# CMake toolchain file: cross-builds for 64-bit Windows on Debian with the
# mingw-w64 compilers, against the ICU and Qt that
# tools/windows/build-deps.sh cross-built into its cache folder.
#
#   deps=$(tools/windows/build-deps.sh)
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DTAVREL_WINDOWS_DEPS="$deps"
#
# TAVREL_WINDOWS_DEPS may come from the environment instead.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(TAVREL_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix-thread compilers: their libstdc++ has std::thread, std::mutex and
# std::call_once (through winpthreads); the win32-thread ones lack them in
# GCC 12. ICU and Qt in the cache were built with the same ones.
set(CMAKE_C_COMPILER ${TAVREL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVREL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVREL_MINGW_TRIPLET}-windres)

# Where ICU and Qt are. The cache variable is lost in the try_compile projects
# CMake makes while it checks the compiler; the environment carries it there.
if(NOT TAVREL_WINDOWS_DEPS AND DEFINED ENV{TAVREL_WINDOWS_DEPS})
  set(TAVREL_WINDOWS_DEPS "$ENV{TAVREL_WINDOWS_DEPS}")
endif()
if(TAVREL_WINDOWS_DEPS)
  set(TAVREL_WINDOWS_DEPS "${TAVREL_WINDOWS_DEPS}" CACHE PATH
      "Folder of the cross-built ICU and Qt (printed by tools/windows/build-deps.sh)")
  set(ENV{TAVREL_WINDOWS_DEPS} "${TAVREL_WINDOWS_DEPS}")
endif()

# Libraries, headers and CMake packages come only from the cache folder and
# the mingw-w64 system root; programs (moc, uic, rcc...) from the host.
set(CMAKE_FIND_ROOT_PATH ${TAVREL_WINDOWS_DEPS} /usr/${TAVREL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A cross-built Qt runs its code generators from the host's Qt of the same
# version (Debian's qt6-base-dev-tools).
set(QT_HOST_PATH /usr CACHE PATH "Host Qt installation")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH
    "CMake packages of the host Qt")

# mingw-w64 keeps off_t and struct stat's st_size 32-bit even on 64-bit
# Windows (measured under Wine: fstat gives 1 GB for a 5 GB file, lseek the
# same). With _FILE_OFFSET_BITS=64 they are 64-bit, and stat, fstat, lseek
# and ftruncate take the 64-bit calls.
set(CMAKE_C_FLAGS_INIT "-D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-D_FILE_OFFSET_BITS=64")

# Tests and other built programs (the code generators of the build among
# them) run under Wine, finding the DLLs of ICU and of the compiler's runtime
# in the cache folder, which Wine sees on its drive Z:.
if(EXISTS /usr/lib/wine/wine64)
  set(CMAKE_CROSSCOMPILING_EMULATOR env "WINEPATH=Z:${TAVREL_WINDOWS_DEPS}/bin" WINEDEBUG=-all /usr/lib/wine/wine64)
endif()
