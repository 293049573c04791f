#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once plain, once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
jobs=$(nproc)

for preset in default asan; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" -DVQM_WERROR=$werror >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: tests"
  ctest --preset "$preset" -j "$jobs"
done
