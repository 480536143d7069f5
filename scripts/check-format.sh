#!/usr/bin/env bash
# Fails when a C++ file of the project does not match .clang-format; names the files.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src sandbox tests bench -name '*.cpp' -o -name '*.h')
clang-format --dry-run --Werror "${files[@]}"
