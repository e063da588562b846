# The README's commands as thin targets over cmake and ctest.
BUILD      ?= build
BUILD_SAN  ?= build-asan
BUILD_FUZZ ?= build-fuzz
# The Windows cross build (CMakePresets.json "windows") and its libraries.
BUILD_WIN  := build-windows
WIN_DEPS   := build-windows-deps
JOBS       ?= $(shell nproc)
# Seconds per fuzz target for `make fuzz`.
FUZZ_SECONDS ?= 180
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DTUNEFLASH_WERROR=ON
endif
# A compiler cache, when the machine has one: rebuilds of unchanged files (and
# of other checkouts of the tree, paths taken relative to each) come from it.
ifneq ($(shell command -v ccache 2>/dev/null),)
override CMAKE_FLAGS += -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
endif

.PHONY: all deps build build-asan build-fuzz demo test test-asan fuzz package format bench soak clean windows test-windows

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) -- --no-print-directory

# Sanitizer build of the core, the CLI, the simulator and their tests (no window).
build-asan: deps
	@cmake -S . -B $(BUILD_SAN) -DTUNEFLASH_SANITIZE=ON -DTUNEFLASH_GUI=OFF -DTUNEFLASH_BENCH=OFF \
	  -DCMAKE_BUILD_TYPE=Debug $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_SAN) -j $(JOBS) -- --no-print-directory

# clang build of the libraries the fuzz targets need, and the targets.
build-fuzz: deps
	@cmake -S . -B $(BUILD_FUZZ) -DTUNEFLASH_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_FUZZ) -j $(JOBS) -- --no-print-directory

demo: build
	@./scripts/demo.sh $(BUILD)/bin

# Both builds' tests (the package is built and unpacked by one of them), the
# format check, and each fuzz target over its seeds plus 10 s of new inputs.
test: build build-asan build-fuzz
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@cd $(BUILD_SAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) -LE nosan
	@cd $(BUILD_FUZZ) && ctest --output-on-failure -j $(JOBS)

# The long soak: 1,000 boxes with random faults over eight simulated ports.
soak: build
	@cd $(BUILD) && ctest -C soak -L '^soak$$' --output-on-failure

# Each fuzz target for FUZZ_SECONDS; new inputs stay in $(BUILD_FUZZ)/corpus/.
fuzz: build-fuzz
	@for target in $(BUILD_FUZZ)/bin/fuzz_*; do \
	  name=$${target##*/fuzz_}; \
	  [ "$$name" = seeds ] && continue; \
	  fuzz/run_fuzz_target.sh $$target $(FUZZ_SECONDS) $(BUILD_FUZZ)/corpus/$$name \
	    $(BUILD_FUZZ)/fuzz/seeds/$$name fuzz/corpus/$$name || exit 1; \
	done

# tuneflash-cli.exe and its zip, cross-built with mingw-w64 (no window).
windows:
	@./scripts/install-windows-deps.sh
	@./scripts/build-windows-deps.sh $(WIN_DEPS)
	@cmake --preset windows $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_WIN) -j $(JOBS) -- --no-print-directory

# The Windows unit tests and the Windows CLI against the simulated box, under wine.
test-windows: build windows
	@./scripts/test-windows.sh $(BUILD) $(BUILD_WIN)

# The Debian package: $(BUILD)/tuneflash_<version>_<arch>.deb
package: build
	@cmake --build $(BUILD) --target package -- --no-print-directory

format:
	@./scripts/format.sh

bench: build
	@./scripts/bench.sh $(BUILD)/bin

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_FUZZ) $(BUILD_WIN)
