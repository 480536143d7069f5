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
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${launcher[@]}" >/dev/null
# New Q_OBJECT headers picked up by the source globs are only seen by moc when
# its stamp is gone (CMake's autogen does not depend on the glob results).
rm -f "$build"/sandbox/velto_sandbox_lib_autogen/timestamp
cmake --build "$build" --parallel "$(nproc)"
