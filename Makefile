# Front door to the CMake build. `make run` and `make test` install what is
# missing first (scripts/install-deps), so a fresh Debian/Ubuntu machine needs
# nothing else.

BUILD_DIR  ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/zelvan

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Benchmarks live in their own Release tree so they never disturb the test build.
BENCH_DIR ?= build-bench
bench: deps
	@cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DZELVAN_BUILD_BENCH=ON -DZELVAN_BUILD_TESTS=OFF $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS) --target bench_engine
	$(BENCH_DIR)/bin/bench_engine --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR)
