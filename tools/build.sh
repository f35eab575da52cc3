#!/usr/bin/env bash
# build.sh [i686|x86_64]: configures and builds one architecture (i686 by default); the staged
# install lands in dist/<arch>/.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-i686}
# DORMELLO_TESTS=OFF builds the release alone (tools/reproduce.sh); the tests are built otherwise.
cmake --preset "$arch" -DDORMELLO_TESTS="${DORMELLO_TESTS:-ON}" >/dev/null
cmake --build --preset "$arch" -j"$(nproc)"
