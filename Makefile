# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Convenience wrapper around CMake.  `make test` and `make demo` do all the
# set-up on a fresh Debian machine (scripts/bootstrap installs what is
# missing when run as root).
# PRESET names a configure preset of CMakePresets.json (CI uses ci and
# asan); BUILD_DIR overrides the preset's build folder and CMAKE_FLAGS adds
# cache settings.
PRESET ?= default
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all bootstrap configure build test demo bench bench-run install package clean

all: build

bootstrap:
	@scripts/bootstrap

$(BUILD_DIR)/CMakeCache.txt:
	cmake --preset $(PRESET) -B $(BUILD_DIR) $(CMAKE_FLAGS)

configure: bootstrap $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

demo: build
	scripts/demo $(BUILD_DIR)

# Benchmarks (not part of `make test`): an optimised build of their own
# (the bench preset).
BENCH_DIR ?= build-bench
bench: bootstrap
	scripts/bootstrap --all
	cmake --preset bench -B $(BENCH_DIR)
	cmake --build $(BENCH_DIR) -j $(JOBS)

bench-run: bench
	$(BENCH_DIR)/bench/stubmeta_bench $(BENCH_ARGS)

# Installs into PREFIX (default /usr/local) in the GNUInstallDirs layout.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# Debian packages for the library, the development files, the tool, the MPI
# scan and the Python module, built by dpkg-buildpackage from debian/ into
# PACKAGE_DIR.
PACKAGE_DIR ?= $(BUILD_DIR)/debian-packages
package: bootstrap
	scripts/bootstrap --all
	scripts/build-packages $(PACKAGE_DIR)

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR)
