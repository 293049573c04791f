#!/usr/bin/env bash
# The Windows tests' Wine: wine.sh boot|run|stop PREFIX WINE [PROGRAM ARGS...]
#   boot  makes PREFIX afresh (a minute or two the first time)
#   run   runs a Windows program in PREFIX, its output and exit status passed on
#   stop  ends the prefix's wineserver
# Every Wine start is bounded by a timeout, so nothing can hang a run.
set -uo pipefail
action=$1 prefix=$2 wine=$3
shift 3
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
# Wine's loaders live beside each other; wineserver and wineboot come with them.
wine_dir=$(dirname "$(command -v "$wine")")
wineserver=$wine_dir/wineserver
[ -x "$wineserver" ] || wineserver=wineserver
wine64=$wine_dir/wine64
[ -x "$wine64" ] || wine64=$wine
case $action in
  boot)
    "$wineserver" -k 2>/dev/null
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    timeout 300 "$wine64" wineboot -i </dev/null >"$prefix.boot.log" 2>&1
    status=$?
    # wineboot may leave its helpers running; the prefix is made once wineserver is idle.
    [ -d "$prefix/drive_c/windows" ] || { cat "$prefix.boot.log"; exit 1; }
    # No window manager runs on the test screens: Wine draws the windows' frames
    # itself (title bars, close boxes) when it leaves none of its windows to one.
    timeout 120 "$wine64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >>"$prefix.boot.log" 2>&1 ||
      status=$?
    exit $status
    ;;
  run)
    program=$1
    shift
    # Programs the test starts (Program Manager's group window) outlive it and
    # would hold a pipe open: the output goes through a file.
    out=$(mktemp)
    timeout -k 10 "${VQM_WINE_TIMEOUT:-500}" "$wine" "$program" "$@" </dev/null >"$out" 2>&1
    status=$?
    # Wine's sound drivers complain when the machine has no sound device.
    grep -v '^ALSA lib ' "$out"
    rm -f "$out"
    exit $status
    ;;
  stop)
    "$wineserver" -k 2>/dev/null
    exit 0
    ;;
  *)
    echo "usage: wine.sh boot|run|stop PREFIX WINE [PROGRAM ARGS...]" >&2
    exit 2
    ;;
esac
