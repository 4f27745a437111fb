# make test: install what is missing, build everything, run all three test suites.
# make run:  build Corvix.exe and start it under Wine.
# make bench: measure, print figures and ratios.
# make fuzz: run every fuzz target for FUZZ_SECONDS (60) and print executions and coverage.
BUILD     := build
TOOLCHAIN := cmake/mingw-w64-x86_64.cmake
JOBS      := $(shell nproc)

.PHONY: all setup deps win64 native build test run bench fuzz clean

all: build

setup:
	@scripts/setup-host.sh

deps: setup
	@scripts/build-deps.sh $(BUILD)/deps/win64 $(TOOLCHAIN)

win64: deps
	@cmake -S . -B $(BUILD)/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DCORVIX_WERROR=ON >/dev/null
	@cmake --build $(BUILD)/win64 -j $(JOBS)

native: setup
	@cmake -S . -B $(BUILD)/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVIX_WERROR=ON \
	  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
	@cmake --build $(BUILD)/native -j $(JOBS)

build: win64 native

test: build
	@scripts/run-tests.sh $(BUILD)

run: win64
	@scripts/run.sh $(BUILD)

# make bench: the speed of writing captures, against the floor measured in the same run.
bench: setup
	@scripts/setup-host.sh bench
	@scripts/build-deps.sh $(BUILD)/deps/win64 $(TOOLCHAIN) benchmark
	@cmake -S . -B $(BUILD)/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DCORVIX_WERROR=ON -DCORVIX_BENCH=ON >/dev/null
	@cmake --build $(BUILD)/win64 -j $(JOBS)
	@scripts/bench.sh $(BUILD)

# The fuzz targets and the logic under them, optimised in a build of their own (same sanitizers,
# assertions kept): the native build stays Debug for its tests.
FUZZ_SECONDS ?= 60
fuzz: setup
	@cmake -S . -B $(BUILD)/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVIX_WERROR=ON \
	  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g" \
	  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
	@cmake --build $(BUILD)/fuzz -j $(JOBS) --target fuzz_targets
	@scripts/fuzz.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
