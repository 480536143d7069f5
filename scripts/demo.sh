#!/usr/bin/env bash
# Installs what is missing, builds Velto and starts it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
exec "${VELTO_BUILD_DIR:-$root/build}/src/velto"
