#!/usr/bin/env bash
# Writes the demo installation medium for Windows: the Linux build's
# vqm-demomedium and vqm-launcherdemo write the medium's files, then the
# Windows build's programs take the places of the medium's executables:
# etapix.exe, instalar.exe and the database server's installer (our stand-in
# vqm-fbsetup.exe). The folder can be copied onto a CD or any Windows folder.
#
#   windows-medium.sh OUT [WINDOWS-BUILD [LINUX-BUILD]]
#     WINDOWS-BUILD  a built win32 or win64 folder (default build/win32, else build/win64)
#     LINUX-BUILD    a built default folder (default build/default)
set -euo pipefail
if [ $# -lt 1 ] || [ "$1" = "--help" ]; then
  sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
  [ $# -ge 1 ] && exit 0 || exit 2
fi
top=$(cd "$(dirname "$0")/.." && pwd)
out=$1
windows=${2:-}
if [ -z "$windows" ]; then
  windows=$top/build/win32
  [ -x "$windows/launcher/etapix.exe" ] || windows=$top/build/win64
fi
linux=${3:-$top/build/default}
for f in "$linux/tools/demo-medium/vqm-demomedium" "$linux/launcher/vqm-launcherdemo"; do
  [ -x "$f" ] || { echo "windows-medium: $f is missing: build the default preset first" >&2; exit 1; }
done
for f in launcher/etapix.exe installer/instalar.exe launcher/vqm-fbsetup.exe; do
  [ -f "$windows/$f" ] || { echo "windows-medium: $windows/$f is missing: build a Windows preset first" >&2; exit 1; }
done
rm -rf "$out"
mkdir -p "$out"
"$linux/tools/demo-medium/vqm-demomedium" "$out" >/dev/null
"$linux/launcher/vqm-launcherdemo" --medium-only "$out" >/dev/null
cp "$windows/launcher/etapix.exe" "$out/etapix.exe"
cp "$windows/installer/instalar.exe" "$out/instalar.exe"
cp "$windows/launcher/vqm-fbsetup.exe" "$out/Firebird-2.0.1.12855-1-Win32.exe"
echo "$out"
