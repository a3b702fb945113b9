# Short commands over CMake; see README.md.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build demo test test-asan bench format clean

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

# Times the programs against cp on generated folders; see bench/bench.cc.
bench: build
	$(BUILD)/bin/bench $(BUILD)/bin $(BUILD)/bench-work

format:
	clang-format -i $$(git ls-files '*.cc' '*.h')

clean:
	rm -rf $(BUILD) build-asan
