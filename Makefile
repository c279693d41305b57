# Wraps the CMake build for the README's commands.
BUILD_PACKAGES := cmake ninja-build g++ libgtest-dev nlohmann-json3-dev
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)

.PHONY: all build test test-asan test-tsan fuzz demo deps clean

all: build

deps:
	@scripts/ensure-packages.sh $(BUILD_PACKAGES)

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
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

# Every fuzz target for FUZZ_SECONDS from its seed corpus (clang and libFuzzer).
fuzz:
	@scripts/ensure-packages.sh $(BUILD_PACKAGES) clang libfuzzer-14-dev
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUAYSIDE_FUZZ=ON -DQUAYSIDE_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

demo: build
	QUAYSIDE=$(BUILD)/quayside examples/fake-engine-demo.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
