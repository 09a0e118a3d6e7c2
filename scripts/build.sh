#!/usr/bin/env bash
# Configures and builds Kelto in a build folder (default: build), after installing what is
# missing. Usage: scripts/build.sh [build-folder] [extra cmake options...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
shift || true

bash "$root/scripts/setup.sh" run test
export CCACHE_BASEDIR="$root"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build" --parallel "$(nproc)"
