# make run         installs what is missing, builds, starts the window
# make screenshot  the window, run in Xvfb, pictured into docs/screenshot.png
#                  and, with 9, 11 and 12 point fonts, docs/screenshot-<size>pt.png
# make test        installs what is missing, builds, runs every test headless
# make check-tables-source
#                  checks that data/systemF.txt and systemJ.txt still follow
#                  from the installed OpenCC (tools/TABLES.md)
# make deb         a Release build of its own in build/deb, packaged as
#                  build/tavrel_<version>_<arch>.deb
# make sanitize    the same tests built with clang, ASan and UBSan, in build-asan
# make fuzz        each fuzz target for FUZZ_SECONDS (30 unless given) in build-asan
# make tsan        the engine, file and command-line tests built with clang and
#                  ThreadSanitizer, in build-tsan (the window is left out: Qt
#                  is not instrumented)
# make windows     the programs cross-built for 64-bit Windows in build-windows
#                  (ICU and Qt from tools/windows/build-deps.sh's cache), gathered
#                  with their tables and DLLs into
#                  build-windows/Tavrel-<version>-win64/, zipped beside it, and the
#                  installer build-windows/Tavrel-<version>-setup.exe
# make windows-test
#                  the same with the engine and file tests, run under Wine in a fresh
#                  prefix, the Windows command line compared byte for byte with the
#                  Linux one, and the installer installed and removed
# make windows-screenshot
#                  the Windows window under Wine, pictured into docs/screenshot-windows.png
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_SECONDS ?= 30
CMAKE_FLAGS ?=
DEB_BUILD = $(BUILD)/deb
WINDOWS_BUILD ?= build-windows
VERSION_TEXT = $(shell sed -n 's/^set(TAVREL_VERSION_TEXT "\(.*\)")$$/\1/p' CMakeLists.txt)
VERSION = $(shell sed -n 's/^project.Tavrel VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
# ON builds the Windows tests too (make windows-test). The Windows programs are
# built without debugging information, which package.sh would strip anyway.
WINDOWS_TESTS ?= OFF

.PHONY: all deps configure build run test check-tables-source screenshot bench deb windows windows-test windows-screenshot clean configure-asan sanitize fuzz tsan

all: build

deps:
	@./tools/install-deps.sh test

# The tests and the benchmark are built once their packages are there.
configure:
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

run:
	@./tools/install-deps.sh run
	@$(MAKE) --no-print-directory build
	$(BUILD)/bin/tavrel

test: deps
	cmake -S . -B $(BUILD) -G Ninja -DTAVREL_BUILD_TESTS=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD)
	cd $(BUILD) && ctest --output-on-failure

check-tables-source:
	@./tools/install-deps.sh bench
	/usr/bin/python3 tools/check_tables_against_opencc.py data

screenshot: deps build
	./tools/screenshot.sh $(BUILD)
	for points in 9 11 12; do ./tools/screenshot.sh $(BUILD) $$points || exit 1; done

bench:
	@./tools/install-deps.sh bench
	cmake -S . -B $(BUILD) -G Ninja -DTAVREL_BUILD_TESTS=ON -DTAVREL_BUILD_BENCH=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD)
	$(BUILD)/bin/tavrel-bench

# Debian's compiler and linker flags (hardening included) for the package build.
deb_flags = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get

deb:
	@./tools/install-deps.sh deb
	cmake -S . -B $(DEB_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DTAVREL_BUILD_TESTS=OFF -DTAVREL_BUILD_BENCH=OFF \
	  "-DCMAKE_CXX_FLAGS=$$($(deb_flags) CPPFLAGS) $$($(deb_flags) CXXFLAGS)" \
	  "-DCMAKE_EXE_LINKER_FLAGS=$$($(deb_flags) LDFLAGS)"
	cmake --build $(DEB_BUILD)
	rm -rf $(DEB_BUILD)/package
	cd $(DEB_BUILD) && cpack -B package
	cp $(DEB_BUILD)/package/tavrel_*.deb $(BUILD)/

windows:
	@./tools/install-deps.sh windows
	deps=$$(./tools/windows/build-deps.sh) && \
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DTAVREL_WINDOWS_DEPS="$$deps" -DTAVREL_BUILD_TESTS=$(WINDOWS_TESTS) -DTAVREL_BUILD_BENCH=OFF \
	  -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" && \
	cmake --build $(WINDOWS_BUILD) && \
	./tools/windows/package.sh $(WINDOWS_BUILD) "$$deps" $(VERSION_TEXT)
	./tools/windows/installer.sh $(WINDOWS_BUILD) $(VERSION_TEXT) $(VERSION)

# The Linux command line the Windows one is compared with.
windows-test: deps
	@./tools/install-deps.sh windows-test
	@$(MAKE) --no-print-directory windows WINDOWS_TESTS=ON
	@$(MAKE) --no-print-directory configure
	cmake --build $(BUILD) --target tavrel-convert tavrel_tables
	./tools/windows/test.sh $(WINDOWS_BUILD) $(BUILD) $(VERSION_TEXT)

windows-screenshot: deps windows configure
	cmake --build $(BUILD) --target tavrel-grab-window
	./tools/windows/screenshot.sh $(WINDOWS_BUILD) $(BUILD) $(VERSION_TEXT)

configure-asan: deps
	@test -f $(ASAN_BUILD)/build.ninja || CC=clang CXX=clang++ \
	    cmake -S . -B $(ASAN_BUILD) -G Ninja -DTAVREL_SANITIZE=ON -DTAVREL_BUILD_BENCH=OFF $(CMAKE_FLAGS)

sanitize: configure-asan
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && ctest --output-on-failure

fuzz: configure-asan
	cmake --build $(ASAN_BUILD) --target tavrel_fuzzers
	./tools/fuzz.sh $(ASAN_BUILD) $(FUZZ_SECONDS)

tsan: deps
	@test -f $(TSAN_BUILD)/build.ninja || CC=clang CXX=clang++ \
	    cmake -S . -B $(TSAN_BUILD) -G Ninja -DTAVREL_TSAN=ON -DTAVREL_BUILD_UI=OFF -DTAVREL_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD)
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --output-on-failure -L 'unit|e2e'

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)
