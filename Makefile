# Thin wrapper over CMake + Ninja. `make run` and `make test` set up what is
# missing first, so both work on a fresh Debian 12 machine.
# PRESET=dev|asan|release configures BUILD from that preset of CMakePresets.json
# (and runs the tests with the preset's settings); without it, a plain build.
BUILD ?= build
PRESET ?=
CMAKE_FLAGS ?=

# Fuzzing (clang, address and undefined-behaviour sanitizers, own build folder):
# `make fuzz` runs every target for FUZZ_SECONDS seconds; `make fuzz-replay`
# replays the seed corpora in fuzz/corpus/ once, as a regression test.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all deps configure build run test bench clean fuzz fuzz-replay install package

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

# `make install PREFIX=/usr/local` (DESTDIR is honoured); `make package` builds the .deb.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cmake --build $(BUILD) --target package

bench: build
	BUILD=$(BUILD) bash bench/run-all

fuzz: deps
	FUZZ_BUILD=$(FUZZ_BUILD) FUZZ_SECONDS=$(FUZZ_SECONDS) bash fuzz/run fuzz

fuzz-replay: deps
	FUZZ_BUILD=$(FUZZ_BUILD) bash fuzz/run replay

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
