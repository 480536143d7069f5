#!/usr/bin/env bash
# Configures and builds Velto, the sandbox service, the tests and the benchmarks in build/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELTO_BUILD_DIR:-$root/build}"
type="${VELTO_BUILD_TYPE:-RelWithDebInfo}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$type" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
