# make test   installs what is missing, builds, runs every test under Wine
# make build  configures and builds into build/
# make clean  removes build/
BUILD ?= build
JOBS  ?= $(shell nproc)
CTEST_ARGS ?=

.PHONY: all deps configure build test clean screenshots medium demo run-setup run-cpl

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	WINE_ENV_ROOT=$(abspath $(BUILD))/wine scripts/wine-env \
	  ctest --test-dir $(BUILD) --output-on-failure $(CTEST_ARGS)

clean:
	rm -rf $(BUILD)

# The Mouse Properties sheet with the Tavix page, taken under Xvfb.
screenshots: build
	WINE_ENV_ROOT=$(abspath $(BUILD))/wine scripts/wine-env \
	  scripts/screenshot-mouse-properties $(BUILD) $(BUILD)/screenshots/mouse-properties.png

# The installation medium: setup.exe, TAVMOUSE.INF and the product's files
# packed with mscompress, laid out in $(BUILD)/medium.
medium: build
	medium/assemble $(BUILD)/bin $(BUILD)/medium

# The road of one installation and one use of the settings page, in a fresh
# prefix under Xvfb: pictures of every dialog in $(BUILD)/demo, a summary of
# what was installed and what the driver received.
demo: medium
	WINE_ENV_ROOT=$(abspath $(BUILD))/wine scripts/wine-env scripts/demo $(BUILD)

# setup.exe and the Mouse control panel on your own DISPLAY, in a prefix
# that stays in $(BUILD)/wine-interactive between runs.
run-setup: medium
	scripts/run-interactive setup $(BUILD)

run-cpl: build
	scripts/run-interactive cpl $(BUILD)
