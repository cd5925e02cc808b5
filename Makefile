# make run         installs what is missing, builds, starts the window
# make screenshot  the window, run in Xvfb, pictured into docs/screenshot.png
#                  and, with 9, 11 and 12 point fonts, docs/screenshot-<size>pt.png
# make test        installs what is missing, builds, runs every test headless
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test screenshot bench clean

all: build

deps:
	@./tools/install-deps.sh

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

run: build
	$(BUILD)/bin/tavrel

test: build
	cd $(BUILD) && ctest --output-on-failure

screenshot: build
	./tools/screenshot.sh $(BUILD)
	for points in 9 11 12; do ./tools/screenshot.sh $(BUILD) $$points || exit 1; done

bench: build
	$(BUILD)/bin/tavrel-bench

clean:
	rm -rf $(BUILD)
