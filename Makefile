# Wraps the CMake build for the README's commands.
BUILD_PACKAGES := cmake ninja-build g++ libgtest-dev nlohmann-json3-dev time
ENGINE_PACKAGES := podman runc busybox-static iputils-ping docker.io
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
THREADS_BUILD ?= build-threads
WIN_BUILD ?= build-windows
WINDOWS_PACKAGES := cmake ninja-build googletest nlohmann-json3-dev g++-mingw-w64-x86-64-posix wine64 wine
RELEASE_PACKAGES := cmake ninja-build g++ nlohmann-json3-dev git googletest g++-mingw-w64-x86-64-posix \
  g++-aarch64-linux-gnu qemu-user wine64 wine binutils
DIST ?= dist
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
ENGINE ?= podman

.PHONY: all build test test-asan test-tsan thread-check test-windows fuzz bench bench-short demo deps engine-deps release release-check clean

all: build

deps:
	@scripts/ensure-packages.sh $(BUILD_PACKAGES)

# The real engine for the demo and the real-engine tests. Where it can't be
# installed, those tests say that they are skipped.
engine-deps:
	@scripts/ensure-packages.sh $(ENGINE_PACKAGES) || echo "An engine is missing: its real-engine tests will be skipped"

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build engine-deps
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUAYSIDE_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -L unit

# The unit tests under ThreadSanitizer.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUAYSIDE_TSAN=ON
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && ctest --output-on-failure -j $(JOBS) -L unit

# The programs built by clang with its thread-safety analysis: the state of
# the runtime that one thread or one lock owns is used only there.
thread-check:
	@scripts/ensure-packages.sh $(BUILD_PACKAGES) clang
	CXX=clang++ cmake -S . -B $(THREADS_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUAYSIDE_TESTS=OFF
	cmake --build $(THREADS_BUILD) -j $(JOBS) --target quayside corvo-sim quayside-inspect

# The Windows programs cross-built with mingw-w64, their tests run under wine.
test-windows:
	@scripts/ensure-packages.sh $(WINDOWS_PACKAGES)
	cmake -S . -B $(WIN_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(WIN_BUILD) -j $(JOBS) --target quayside quayside-inspect corvo-sim quayside_tests fake_wslc
	scripts/with-wine.sh ctest --test-dir $(WIN_BUILD) --output-on-failure

# Every fuzz target for FUZZ_SECONDS from its seed corpus (clang and libFuzzer).
fuzz:
	@scripts/ensure-packages.sh $(BUILD_PACKAGES) clang libfuzzer-14-dev
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUAYSIDE_FUZZ=ON -DQUAYSIDE_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The engine channel's round trip against starting the engine per command,
# the copy of a 100 MB container log (quayside's CPU time and memory),
# suspend and resume on the real Podman engine, and the cost of watching a
# running container on Podman and Docker.
bench: build
	$(BUILD)/bench_engine_round_trip 500
	$(BUILD)/bench_log_copy 100
	$(BUILD)/bench_init_data_read
	BUILD=$(abspath $(BUILD)) bench/suspend_latency.sh 5
	BUILD=$(abspath $(BUILD)) bench/watch_cost.sh 50

# Every benchmark, briefly: CI runs them so that a broken one is seen.
bench-short: build engine-deps
	$(BUILD)/bench_engine_round_trip 50
	$(BUILD)/bench_log_copy 10
	$(BUILD)/bench_init_data_read $(CURDIR)/tests/fixtures/init_data/full.xml 200
	BUILD=$(abspath $(BUILD)) bench/suspend_latency.sh 1
	BUILD=$(abspath $(BUILD)) bench/watch_cost.sh 3

# An example job from build to finish on Podman, through the client
# simulator: the live progress line, how the job ended, and its log.
demo: build
	@scripts/ensure-packages.sh $(ENGINE_PACKAGES)
	BUILD=$(abspath $(BUILD)) ENGINE=$(ENGINE) examples/run-example.sh hello

# The programs to ship, into $(DIST): static Linux x86_64 and aarch64, and
# Windows x86_64, stripped, reproducible, with SHA256SUMS.
release:
	@scripts/ensure-packages.sh $(RELEASE_PACKAGES)
	scripts/release.sh $(DIST)

# A second build agrees byte for byte, and the programs run: a real job on
# Podman, an empty image, qemu-user and wine.
release-check: release engine-deps
	scripts/release-check.sh $(DIST)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(WIN_BUILD) $(DIST)
