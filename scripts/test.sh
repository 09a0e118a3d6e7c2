#!/usr/bin/env bash
# Installs what is missing, builds Kelto and runs every test headless; exits non-zero on any
# failure. Usage: scripts/test.sh [build-folder] [extra cmake options...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
shift || true

bash "$root/scripts/build.sh" "$build" -DKELTO_BUILD_BENCH=OFF "$@"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --timeout 120 --parallel "$(nproc)"
