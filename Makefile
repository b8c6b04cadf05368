# Corvalline: the two commands of the README, and the rest.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
CMAKE_FLAGS ?=

.PHONY: all deps build test test-release test-asan test-arm64 play bench fuzz install deb format format-check clean

all: build

deps:
	@scripts/install-deps

# The configurations are CMake's presets (CMakePresets.json): release, asan, bench and fuzz.
$(BUILD)/CMakeCache.txt: | deps
	cmake --preset release -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Every test twice: once as built for players, once under AddressSanitizer, UBSan and LeakSanitizer.
# Both builds treat warnings as errors.
test: test-release test-asan

test-release: deps $(BUILD)/CMakeCache.txt
	cmake --preset release -B $(BUILD) -DCORV_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake --preset asan -B $(ASAN_BUILD) $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	# LeakSanitizer is on by default; a test process that loads the X libraries SDL unloads at exit turns
	# it off for itself (their leftovers cannot be told apart), every other process is leak-checked.
	cd $(ASAN_BUILD) && ASAN_OPTIONS=abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# The surface and shading unit tests cross-built for 64-bit Arm and run under qemu-user (installs the cross
# compiler and qemu-user when missing). Not part of `make test`.
test-arm64:
	JOBS=$(JOBS) scripts/test-arm64 build-arm64

play: build
	@scripts/play $(BUILD)

bench: deps
	cmake --preset bench $(CMAKE_FLAGS)
	cmake --build --preset bench -j $(JOBS)
	@scripts/run-bench build-bench

fuzz: deps
	@scripts/run-fuzz $(FUZZ_SECONDS)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, out/deb/corvalline_VERSION_ARCH.deb: `sudo apt install ./out/deb/corvalline_*.deb`.
deb: build
	cd $(BUILD) && cpack -G DEB -B $(CURDIR)/out/deb
	@ls $(CURDIR)/out/deb/*.deb

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# Fails when a tracked C++ file does not match .clang-format (CI runs it).
format-check: deps
	clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-bench build-fuzz build-arm64 out
