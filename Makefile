# The two set-up commands: `make run` (install, build, start tradex) and `make test`.
PRESET ?= default
BUILD_DIR = $(if $(filter asan,$(PRESET)),build-asan,build)
FUZZ_SECONDS ?= 60

.PHONY: deps build run test test-asan fuzz bench package package-test clean

deps:
	scripts/install-deps

build: deps
	cmake --preset $(PRESET) >/dev/null
	cmake --build --preset $(PRESET)

run: build
	$(BUILD_DIR)/bin/tradex

test: build
	ctest --preset $(PRESET) -j2

test-asan:
	$(MAKE) test PRESET=asan

# Builds the fuzz targets with clang and runs each over its corpus for FUZZ_SECONDS.
fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	fuzz/run-corpus $(FUZZ_SECONDS) build-fuzz

bench: build
	bench/run-bench $(BUILD_DIR)

package: build
	cd $(BUILD_DIR) && cpack -G DEB

package-test: build
	tests/package/deb-in-fresh-debian.sh $(BUILD_DIR)

clean:
	rm -rf build build-asan build-fuzz
