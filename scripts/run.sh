#!/usr/bin/env bash
# Installs what is missing, builds Kelto and starts it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/build.sh" "$root/build" -DKELTO_BUILD_BENCH=OFF
exec "$root/build/kelto" "$@"
