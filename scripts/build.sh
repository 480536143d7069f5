#!/usr/bin/env bash
# Configures and builds Velto, the sandbox service, the tests and the benchmarks in build/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELTO_BUILD_DIR:-$root/build}"
type="${VELTO_BUILD_TYPE:-RelWithDebInfo}"
launcher=()
# A compiler cache, where the machine has one, makes rebuilds of other checkouts cheap.
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$root"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# VELTO_WARNINGS_AS_ERRORS=1 (the test command sets it) fails the build on any
# warning. Unset, a build folder keeps what it had, so the demo after the tests
# does not build everything again.
werror=()
if [ -n "${VELTO_WARNINGS_AS_ERRORS:-}" ]; then
  werror=(-DVELTO_WARNINGS_AS_ERRORS="$VELTO_WARNINGS_AS_ERRORS")
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${werror[@]}" "${launcher[@]}" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
