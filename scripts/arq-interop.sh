#!/usr/bin/env bash
# arq.exe under Wine against the Linux arq: an archive made by either extracts
# byte for byte with the other, for plain, every level, enciphered, solid and
# segmented archives.
#   arq-interop.sh LINUX_ARQ ARQ_EXE PREFIX WINE
set -uo pipefail
linux_arq=$1 arq_exe=$2 prefix=$3 wine=$4
wine_sh=$(dirname "$0")/wine.sh
if [ ! -x "$linux_arq" ]; then
  echo "no Linux arq at $linux_arq: build the default preset first"
  exit 77
fi
root=$prefix/drive_c/vqm-interop  # C:\vqm-interop for arq.exe
win='C:\vqm-interop'
rm -rf "$root"
mkdir -p "$root/src/bin" "$root/src/empty folder"
python3 - "$root/src" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(7)
open(os.path.join(root, "readme.txt"), "w").write("".join(f"line {i} of some text\n" for i in range(3000)))
open(os.path.join(root, "bin", "noise.bin"), "wb").write(bytes(random.getrandbits(8) for _ in range(40000)))
open(os.path.join(root, "bin", "empty.dat"), "wb").close()
open(os.path.join(root, "configuração.ini"), "w").write("[a]\nb=c\n")
PY
printf '0123456789abcdef\n' > "$root/key.txt"

winarq() { "$wine_sh" run "$prefix" "$wine" "$arq_exe" "$@"; }
failures=0
check() {  # what, the extracted folder
  if diff -r "$root/src" "$2/src" >/dev/null; then
    echo "ok: $1"
  else
    echo "FAILED: $1"
    diff -r "$root/src" "$2/src" | head -5
    failures=$((failures + 1))
  fi
}

variants=(
  "plain|"
  "maximum|--level maximum"
  "normal|--level normal"
  "fast|--level fast"
  "superfast|--level superfast"
  "none|--level none"
  "stored|--no-compress"
  "enciphered|--key-file KEY"
  "solid|--solid"
  "segmented|--block-size 4096 --segment-size 16384"
)
for variant in "${variants[@]}"; do
  name=${variant%%|*}
  read -r -a options <<<"${variant#*|}"
  linux_options=("${options[@]/KEY/$root/key.txt}")
  win_options=("${options[@]/KEY/$win\\key.txt}")
  key_linux=() key_win=()
  [ "$name" = enciphered ] && key_linux=(--key-file "$root/key.txt") key_win=(--key-file "$win\\key.txt")
  made=$root/$name
  mkdir -p "$made/linux-out" "$made/win-out"

  # Made on Linux, extracted by arq.exe.
  (cd "$root" && "$linux_arq" c "$made/linux.arq" src "${linux_options[@]}" >/dev/null) ||
    { echo "FAILED: $name: the Linux arq made no archive"; failures=$((failures + 1)); continue; }
  winarq x "$win\\$name\\linux.arq" -d "$win\\$name\\win-out" "${key_win[@]}" >/dev/null ||
    echo "arq.exe x $name ended with an error"
  check "$name: Linux arq -> arq.exe" "$made/win-out"

  # Made by arq.exe, extracted on Linux.
  winarq c "$win\\$name\\win.arq" "$win\\src" --base "$win" "${win_options[@]}" >/dev/null ||
    echo "arq.exe c $name ended with an error"
  (cd "$made" && "$linux_arq" x "$made/win.arq" -d "$made/linux-out" "${key_linux[@]}" >/dev/null) ||
    echo "arq x $name ended with an error"
  check "$name: arq.exe -> Linux arq" "$made/linux-out"
done
rm -rf "$root"
[ $failures -eq 0 ]
