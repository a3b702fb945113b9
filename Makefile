# Short commands over CMake; see README.md.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

WIN_BUILD ?= build-win
WIN_CMAKE = cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	-DCMAKE_BUILD_TYPE=Release >/dev/null
# The headless wine of the Windows tests, as tests/CMakeLists.txt sets it up.
WINE = env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX=$(CURDIR)/$(WIN_BUILD)/wine WINEDEBUG=-all \
	WINEDLLOVERRIDES=mscoree,mshtml= wine

.PHONY: all build demo test test-asan windows test-windows package bench test-valgrind fuzz format clean

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

# The Windows programs, cross-compiled with MinGW-w64, in $(WIN_BUILD)/bin.
windows:
	$(WIN_CMAKE)
	cmake --build $(WIN_BUILD) -j $(JOBS) --target kestrin plovane zembrik kestrin-update

# Every test again, against the Windows build, under wine. The first start
# of wine makes its prefix, which takes a while; it is done before ctest
# times anything.
test-windows: windows
	cmake --build $(WIN_BUILD) -j $(JOBS)
	$(WINE) cmd /c exit > /dev/null 2>&1 || (echo "wine does not start" >&2; exit 1)
	cd $(WIN_BUILD) && ctest --output-on-failure -j $(JOBS)

# A Debian package of the Linux programs and a .zip of the Windows ones, both
# in packages/.
package: build windows
	mkdir -p packages
	cd $(BUILD) && cpack -G DEB -B $(CURDIR)/packages >/dev/null
	cd $(WIN_BUILD) && cpack -G ZIP -B $(CURDIR)/packages >/dev/null
	rm -rf packages/_CPack_Packages
	ls packages

# Times the programs against cp on generated folders; see bench/bench.cc.
bench: build
	$(BUILD)/bin/bench $(BUILD)/bin $(BUILD)/bench-work

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
	rm -rf $(BUILD) build-asan build-fuzz $(WIN_BUILD) packages
