# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Convenience wrapper around CMake.  `make test` and `make demo` do all the
# set-up on a fresh Debian machine (scripts/bootstrap installs what is
# missing when run as root).
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all bootstrap configure build test demo bench bench-run install package clean

all: build

bootstrap:
	@scripts/bootstrap

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

configure: bootstrap $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

demo: build
	scripts/demo $(BUILD_DIR)

# Benchmarks (not part of `make test`): an optimised build of their own.
BENCH_DIR ?= build-bench
bench: bootstrap
	scripts/bootstrap --all
	cmake -S . -B $(BENCH_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DSTUBMETA_BENCH=ON -DBUILD_TESTING=OFF
	cmake --build $(BENCH_DIR) -j $(JOBS)

bench-run: bench
	$(BENCH_DIR)/bench/stubmeta_bench $(BENCH_ARGS)

# Installs into PREFIX (default /usr/local) in the GNUInstallDirs layout.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# Debian packages for the library, the development files and the tool,
# built by dpkg-buildpackage from debian/ into PACKAGE_DIR.
PACKAGE_DIR ?= $(BUILD_DIR)/debian-packages
package: bootstrap
	scripts/bootstrap --all
	scripts/build-packages $(PACKAGE_DIR)

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR)
