# The README's commands as thin targets over cmake and ctest.
BUILD     ?= build
BUILD_SAN ?= build-asan
JOBS      ?= $(shell nproc)
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DTUNEFLASH_WERROR=ON
endif

.PHONY: all deps build build-asan demo test test-asan bench clean

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

demo: build
	@./scripts/demo.sh $(BUILD)/bin

test: build build-asan
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@cd $(BUILD_SAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) -LE nosan

bench: build
	@./scripts/bench.sh $(BUILD)/bin

clean:
	rm -rf $(BUILD) $(BUILD_SAN)
