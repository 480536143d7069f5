#!/usr/bin/env bash
# Installs what is missing, checks the layers and the format, builds everything
# with warnings as errors and runs every test; then builds the window-free code
# and its tests under the sanitizers and runs them, and runs each fuzz target
# for 20 seconds.
# Widget tests use the offscreen platform; the X11 and end-to-end tests get a
# private X server (Xvfb) and a private session bus, so nothing touches the
# user's own desktop or files.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
# The layers and the format are checked before anything is built.
"$root/scripts/check-layers.py"
"$root/scripts/check-format.sh"
VELTO_WARNINGS_AS_ERRORS=1 "$root/scripts/build.sh"
build="${VELTO_BUILD_DIR:-$root/build}"
cd "$build"
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
  dbus-run-session -- \
  ctest --output-on-failure --timeout 300 -j "$(nproc)" "$@"
"$root/scripts/sanitize.sh"
"$root/scripts/fuzz.sh" 20
