#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once plain, once under
# AddressSanitizer and UndefinedBehaviorSanitizer; then cross-builds the
# Windows programs and runs their tests under Wine.
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

# The 32-bit Windows build. Wine runs 32-bit programs only where the host can
# run 32-bit code (its 32-bit loader starts); elsewhere the same sources are
# tested as 64-bit Windows programs.
# Quiet unless it fails.
quietly() {
  local log
  log=$(mktemp)
  "$@" >"$log" 2>&1 || { cat "$log"; rm -f "$log"; return 1; }
  rm -f "$log"
}
echo "== win32: configure and build"
quietly cmake --preset win32 -DVQM_WERROR=$werror
quietly cmake --build --preset win32 -j "$jobs"
# The tests under Wine run on the shipped 32-bit build where the host runs
# 32-bit code, elsewhere on the 64-bit build of the same sources, which every
# host with Wine runs. VQM_WINE_WIN64=1 takes the 64-bit build anyway.
wine_preset=win32
if [ "${VQM_WINE_WIN64:-0}" = 1 ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  wine_preset=win64
  echo "== win64: configure and build (the Windows tests run as 64-bit programs)"
  quietly cmake --preset win64 -DVQM_WERROR=$werror
  quietly cmake --build --preset win64 -j "$jobs"
fi
echo "== $wine_preset: tests under Wine"
# One prefix for the run, so one test at a time; Xvfb is the display.
xvfb-run -a ctest --preset "$wine_preset" -j 1 -LE wine-e2e
# The shipped etapix.exe and instalar.exe on the demo medium, in a fresh
# prefix on a screen of their own, driven from outside with the mouse; what
# they leave is checked against the Linux build's run of the same medium.
echo "== $wine_preset: the installation under Wine, driven from outside"
ctest --preset "$wine_preset" -L wine-e2e
