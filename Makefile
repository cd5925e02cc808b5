# make run   installs what is missing, builds, starts the program
# make test  installs what is missing, builds, runs every test headless
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@./tools/install-deps.sh

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

run: build
	@echo "繁体转简体："
	@$(BUILD)/bin/tavrel-convert -s data/sample-traditional.txt
	@echo
	@echo "简体转繁体："
	@$(BUILD)/bin/tavrel-convert -t data/sample-simplified.txt

test: build
	cd $(BUILD) && ctest --output-on-failure

bench: build
	$(BUILD)/bin/tavrel-bench

clean:
	rm -rf $(BUILD)
