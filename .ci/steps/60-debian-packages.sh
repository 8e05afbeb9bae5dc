#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The Debian packages: built by dpkg-buildpackage (`make package`, without
# running the tests again), checked by lintian with no error or warning
# allowed, then unpacked into a throw-away root where the README's
# consumers build against them, shared and static, and the tool runs.
set -euo pipefail
export DEB_BUILD_OPTIONS="nocheck parallel=2"
scripts/build-packages build-deb
lintian --fail-on error,warning build-deb/*.changes
tests/package/check_debian_packages.sh build-deb
