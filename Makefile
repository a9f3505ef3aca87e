# Thin wrapper over CMake + Ninja. `make run` and `make test` set up what is
# missing first, so both work on a fresh Debian 12 machine.
# PRESET=dev|asan|release configures BUILD from that preset of CMakePresets.json
# (and runs the tests with the preset's settings); without it, a plain build.
BUILD ?= build
PRESET ?=
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
		cmake -S . -B $(BUILD) $(if $(PRESET),--preset $(PRESET),-G Ninja) $(CMAKE_FLAGS); fi

build: configure
	cmake --build $(BUILD)

run: configure
	cmake --build $(BUILD) --target varnolt
	./$(BUILD)/varnolt

test: build
ifneq ($(PRESET),)
	ctest --preset $(PRESET) --test-dir $(BUILD)
else
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300
endif

bench: build
	BUILD=$(BUILD) bash bench/run-all

clean:
	rm -rf $(BUILD)
