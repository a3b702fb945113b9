# Short commands over CMake; see README.md.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build demo test test-asan test-valgrind fuzz format clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	sh demo/run.sh $(BUILD)/bin

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON >/dev/null
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS)

# Every test program under valgrind's memcheck, the programs they start too.
test-valgrind: build
	sh tests/run_valgrind.sh $(BUILD)

# Every fuzz target for FUZZ_SECONDS each (clang with its libFuzzer runtime).
FUZZ_SECONDS ?= 180
fuzz:
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DFUZZ=ON -DBUILD_TESTING=OFF >/dev/null
	cmake --build build-fuzz -j $(JOBS)
	sh fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

format:
	clang-format -i $$(git ls-files '*.cc' '*.h')

clean:
	rm -rf $(BUILD) build-asan build-fuzz
