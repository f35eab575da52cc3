#!/usr/bin/env bash
# build.sh [i686|x86_64]: configures and builds one architecture (i686 by default); the staged
# install lands in dist/<arch>/.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-i686}
cmake --preset "$arch" >/dev/null
cmake --build --preset "$arch" -j"$(nproc)"
