#!/usr/bin/env bash
# Installs what building and running needs, builds the program alone (Release, in build-release/)
# and starts it with the arguments given: scripts/run.sh [FILE...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-release"

bash "$root/scripts/setup.sh" run
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELTO_BUILD_TESTS=OFF \
    -DKELTO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target kelto --parallel "$(nproc)"
exec "$build/kelto" "$@"
