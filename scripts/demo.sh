#!/usr/bin/env bash
# The main job: builds the installer and the demo medium, makes a fresh
# simulated Windows machine whose CD-ROM drive D: is the medium, and runs
# instalar from it. With a desktop (DISPLAY or WAYLAND_DISPLAY) the installer
# opens in an SDL window for you to use; without one (or with
# VQM_DISPLAY=headless) an operator script makes a server installation,
# accepts the licence, declines the restart and saves a PNG of each screen.
# Then it prints what was installed.
#
# VQM_MACHINE: where the machine is made (default: build/default/demo/machine).
# VQM_BUILD:   an already configured build folder to use instead of the preset.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh

build=${VQM_BUILD:-build/default}
if [ -z "${VQM_BUILD:-}" ]; then
  cmake --preset default >/dev/null
fi
cmake --build "$build" --target instalar vqm-machine vqm-demomedium -j "$(nproc)"
build=$(cd "$build" && pwd)
machine_tool=$build/tools/vqm-machine/vqm-machine

demo=$build/demo
medium=$demo/medium
screens=$demo/screens
machine=${VQM_MACHINE:-$demo/machine}
if [ -z "${VQM_MACHINE:-}" ]; then
  rm -rf "$machine"
elif [ -e "$machine/machine.ini" ]; then
  echo "demo: $machine holds a machine already; remove it or set VQM_MACHINE to another folder" >&2
  exit 1
fi

echo "== the demo medium: $medium"
rm -rf "$medium" "$screens"
mkdir -p "$screens"
"$build/tools/demo-medium/vqm-demomedium" "$medium"

echo "== a fresh machine: $machine (CD-ROM D: is the medium)"
"$machine_tool" init "$machine" --cdrom "$medium" >/dev/null
export VQM_MACHINE=$machine
export VQM_MODULE='D:\instalar.exe'
drive_c=$("$machine_tool" path 'C:\')
# Unpacked files keep their archived dates: what is new is told by a list made now.
(cd "$drive_c" && find . -type f | sort) >"$demo/files-before.txt"

interactive=no
if [ "${VQM_DISPLAY:-}" != headless ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  interactive=yes
fi

if [ $interactive = yes ]; then
  echo "== instalar, in an SDL window"
else
  echo "== instalar, unattended; screens in $screens"
  export VQM_DISPLAY=headless
  cat >"$machine/operator.txt" <<EOF
timeout 180000
wait-window TFRMProgresso
screenshot $screens/01-bem-vindo.png
click btnavancar
click CheckBox1
wait-enabled btnavancar
screenshot $screens/02-contrato.png
click btnavancar
screenshot $screens/03-resumo.png
click btnavancar
wait-window TFRMProcess
screenshot $screens/04-copia-iniciada.png
wait 7000
screenshot $screens/05-billboard-1.png
click btnabort
wait-window Encerrando a Instalação
screenshot $screens/06-cancelar.png
answer &Continuar
wait 14000
screenshot $screens/07-billboard-3.png
wait-window TFRMConclusao
screenshot $screens/08-conclusao.png
click RadioButton2
click Ok
EOF
fi

status=0
"$build/installer/instalar" || status=$?
rm -f "$machine/operator.txt"
if [ $status -ne 0 ]; then
  echo "demo: instalar ended with exit code $status" >&2
  exit $status
fi

# ---- what was installed ------------------------------------------------------------
setting() { sed -n "s/^$1=//p" "$machine/machine.ini" | head -1 | tr -d '\r'; }
host() { "$machine_tool" path "$1"; }
show_links() {
  local folder=$1
  [ -d "$folder" ] || return 0
  find "$folder" -maxdepth 1 -name '*.lnk' | sort | while read -r link; do
    if command -v lnkinfo >/dev/null; then
      target=$(lnkinfo "$link" 2>/dev/null | sed -n 's/^[[:space:]]*Local path[[:space:]]*:[[:space:]]*//p' | head -1)
      echo "  $(basename "$link") -> $target"
    else
      echo "  $(basename "$link")"
    fi
  done
}

echo
echo "== files the installation wrote on C: ($drive_c)"
(cd "$drive_c" && find . -type f | sort) | comm -13 "$demo/files-before.txt" - | sed 's|^\./|  C:/|'

echo
echo "== registry"
for key in 'HKCU\Software\Tarquelia\Vantor\Q-Mira' 'HKCU\Software\Tarquelia\Vantor\Q-Mira\PgConexao' \
           'HKLM\Software\MicroSoft\Windows\CurrentVersion\Uninstall\Vantor Q-Mira'; do
  echo "[$key]"
  "$machine_tool" reg get "$key" 2>/dev/null | sed 's/^/  /' || echo "  (not there)"
done

echo
echo "== links on the desktop ($(setting DesktopDir))"
show_links "$(host "$(setting DesktopDir)")"
echo "== links in the Start menu ($(setting StartMenuDir))"
show_links "$(host "$(setting StartMenuDir)")"
echo "== Program Manager group ($(setting ProgramsDir)\\Vantor Q-Mira)"
show_links "$(host "$(setting ProgramsDir)\\Vantor Q-Mira")"

echo
echo "== the journal"
"$machine_tool" journal | sed 's/^/  /'

if [ $interactive = no ]; then
  echo
  echo "== screens"
  ls "$screens" | sed "s|^|  $screens/|"
fi
echo
echo "machine: $machine"
