#!/usr/bin/env bash
# Builds the code that needs no window, its tests and the fuzz targets with
# AddressSanitizer and UndefinedBehaviorSanitizer (clang 14, the "sanitize"
# preset, in build-sanitize/) and runs those tests and a replay of every fuzz
# corpus. Any sanitizer report fails the run. Arguments go to ctest
# (-R <regex> to run some).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$root"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --preset sanitize "${launcher[@]}" >/dev/null
cmake --build --preset sanitize --parallel "$(nproc)"
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
  dbus-run-session -- \
  ctest --preset sanitize -j "$(nproc)" "$@"
