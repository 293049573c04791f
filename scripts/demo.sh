#!/usr/bin/env bash
# The main job: builds the launcher, the installer and the demo medium, makes
# a fresh simulated Windows machine whose CD-ROM drive D: is the medium, and
# starts the launcher etapix from it: step II runs the database server's
# installer stand-in, step III runs instalar from the medium. With a desktop
# (DISPLAY or WAYLAND_DISPLAY) both open in SDL windows for you to use;
# without one (or with VQM_DISPLAY=headless) operator scripts take the
# launcher through steps II and III and the installer through a server
# installation, saving a PNG of each screen. Then it prints what was installed.
#
# VQM_MACHINE: where the machine is made (default: build/default/demo/machine).
# VQM_BUILD:   an already configured build folder to use instead of the preset.
#
# demo.sh --wine: the same medium with the Windows programs etapix.exe and
# instalar.exe, as the CD-ROM drive D: of a fresh Wine prefix. With a desktop
# the launcher opens on it for you to use; without one the installation is
# driven from outside on a screen of its own (the end-to-end run's server
# session) and its screenshots are kept.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

if [ "${1:-}" = --wine ]; then
  cmake --preset default >/dev/null
  cmake --build build/default -j "$(nproc)" --target vqm-wine-expect vqm-demomedium vqm-launcherdemo arq
  # Wine runs 32-bit programs only where the host runs 32-bit code.
  preset=win32
  /usr/lib/wine/wine --version >/dev/null 2>&1 || preset=win64
  cmake --preset $preset >/dev/null
  cmake --build build/$preset -j "$(nproc)" --target etapix instalar vqm-fbsetup vqm-winlist
  out=build/$preset/demo-wine
  if [ -n "${DISPLAY:-}" ] && [ "${VQM_DISPLAY:-}" != headless ]; then
    python3 tests/wine-e2e/driver.py --linux build/default --windows build/$preset --out $out --demo
  else
    python3 tests/wine-e2e/driver.py --linux build/default --windows build/$preset --out $out --only servidor
    echo "screens: $out/screens"
  fi
  echo "the medium: $out/medium (copy the whole folder onto a CD or a folder of a Windows PC and start etapix.exe)"
  exit 0
fi

build=${VQM_BUILD:-build/default}
if [ -z "${VQM_BUILD:-}" ]; then
  cmake --preset default >/dev/null
fi
cmake --build "$build" -j "$(nproc)" \
  --target etapix instalar vqm-machine vqm-demomedium vqm-launcherdemo vqm-fbsetup
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

# The medium's instalar.exe is our installer, run through a host script that
# tells when it started and how it ended: the launcher does not wait for it.
started=$demo/instalar.started
ended=$demo/instalar.status
rm -f "$started" "$ended"
cat >"$demo/instalar.sh" <<SCRIPT
#!/bin/sh
: >"$started"
"$build/installer/instalar"
echo \$? >"$ended.tmp" && mv "$ended.tmp" "$ended"
SCRIPT
chmod +x "$demo/instalar.sh"

echo "== a fresh machine: $machine (CD-ROM D: is the medium)"
"$machine_tool" init "$machine" --cdrom "$medium" >/dev/null
echo "== the launcher's files on the medium, the machine's outside programs"
"$build/launcher/vqm-launcherdemo" "$medium" "$machine" "$demo/instalar.sh" "$build/launcher/vqm-fbsetup" |
  sed 's/^/  /'
export VQM_MACHINE=$machine
export VQM_MODULE='D:\etapix.exe'
export VQM_CURDIR='D:\'
drive_c=$("$machine_tool" path 'C:\')
# Unpacked files keep their archived dates: what is new is told by a list made now.
(cd "$drive_c" && find . -type f | sort) >"$demo/files-before.txt"

interactive=no
if [ "${VQM_DISPLAY:-}" != headless ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  interactive=yes
fi

if [ $interactive = yes ]; then
  echo "== etapix, in an SDL window"
else
  echo "== etapix, unattended; screens in $screens"
  export VQM_DISPLAY=headless
  # The launcher: step II and its sign, step III and its sign, "&Sair".
  cat >"$machine/operator-etapix.txt" <<SCRIPT
wait-window TFrmMain
wait 200
screenshot $screens/etapix-1-inicio.png
click &Firebird
wait-shown ImgStep2
click &Vantor
timeout 600000
wait-shown ImgStep3
wait 200
screenshot $screens/etapix-2-passos-feitos.png
click &Sair
SCRIPT
  # The installer that step III starts: a server installation, the licence
  # accepted, no restart.
  cat >"$machine/operator.txt" <<SCRIPT
timeout 180000
wait-window TFRMProgresso
screenshot $screens/instalar-1-bem-vindo.png
click btnavancar
click CheckBox1
wait-enabled btnavancar
screenshot $screens/instalar-2-contrato.png
click btnavancar
screenshot $screens/instalar-3-resumo.png
click btnavancar
wait-window TFRMProcess
screenshot $screens/instalar-4-copia-iniciada.png
wait 7000
screenshot $screens/instalar-5-billboard-2.png
click btnabort
wait-window Encerrando a Instalação
screenshot $screens/instalar-6-cancelar.png
answer &Continuar
wait 14000
screenshot $screens/instalar-7-billboard-4.png
wait-window TFRMConclusao
screenshot $screens/instalar-8-conclusao.png
click RadioButton2
click Ok
SCRIPT
fi

status=0
"$build/launcher/etapix" || status=$?
rm -f "$machine/operator-etapix.txt"
if [ $status -ne 0 ]; then
  echo "demo: etapix ended with exit code $status" >&2
  exit $status
fi
# The launcher may be left before the installer it started is done.
if [ -e "$started" ] && [ ! -e "$ended" ]; then
  echo "== waiting for instalar to end"
  for ((tenths = 0; ; tenths++)); do
    [ -e "$ended" ] && break
    if [ $interactive = no ] && [ $tenths -ge 6000 ]; then
      echo "demo: instalar did not end within 10 minutes" >&2
      exit 1
    fi
    sleep 0.1
  done
fi
rm -f "$machine/operator.txt"
if [ $interactive = no ] && [ ! -e "$ended" ]; then
  echo "demo: the launcher did not start instalar" >&2
  exit 1
fi
if [ -e "$ended" ] && [ "$(cat "$ended")" != 0 ]; then
  echo "demo: instalar ended with exit code $(cat "$ended")" >&2
  exit 1
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
for key in 'HKLM\Software\Firebird Project\Firebird Server\Instances' \
           'HKCU\Software\Tarquelia\Vantor\Q-Mira' 'HKCU\Software\Tarquelia\Vantor\Q-Mira\PgConexao' \
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
