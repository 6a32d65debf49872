# shellcheck shell=bash
# Sourced, not run: the Wine environment of the launcher and its tests.
#   source scripts/env.sh; "$WINE" build/x86_64/Qarvelo.exe; qarvelo_cleanup
# Starts an X display (only when none is usable) and a warm wineserver, and
# defines qarvelo_cleanup, which stops only what this shell started.
# QARVELO_ENV_NO_START=1 sets the variables and functions without starting anything.

QARVELO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export QARVELO_ROOT
export WINEPREFIX="${QARVELO_WINEPREFIX:-$HOME/.qarvelo-wine}"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko downloads, no menu entries written into the Linux desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The plain `wine` wrapper tries the 32-bit loader, which cannot run here.
export WINE=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64

_qarvelo_xvfb_pid=${_qarvelo_xvfb_pid:-}
_qarvelo_own_server=${_qarvelo_own_server:-}

qarvelo_display_ok() {
  [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1
}

qarvelo_start_display() {
  qarvelo_display_ok && return 0
  local n i
  # Xvfb takes the display's lock file itself; losing a race to another server just means trying the next.
  for ((n = 99; n < 140; n++)); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    _qarvelo_xvfb_pid=$!
    for ((i = 0; i < 100; i++)); do
      if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$_qarvelo_xvfb_pid" 2>/dev/null || break
      sleep 0.05
    done
    kill "$_qarvelo_xvfb_pid" 2>/dev/null || true
    _qarvelo_xvfb_pid=
  done
  echo "env: could not start Xvfb" >&2
  return 1
}

qarvelo_start_wineserver() {
  [[ -d "$WINEPREFIX" ]] || { echo "env: no Wine prefix at $WINEPREFIX; run scripts/setup.sh" >&2; return 1; }
  # Exit status 2: a server already runs for this prefix. Use it, and leave it to its owner.
  # Its output is dropped so that it cannot hold the caller's pipes open.
  local rc=0
  "$WINESERVER" -p </dev/null >/dev/null 2>&1 || rc=$?
  case $rc in
    0) _qarvelo_own_server=1 ;;
    2) ;;
    *) echo "env: wineserver failed to start ($rc)" >&2; return 1 ;;
  esac
  # Start Wine's service processes now, with no output to inherit: started by a test program they
  # would hold its output pipe open for the server's lifetime, and ctest would wait on it.
  "$WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1
}

qarvelo_cleanup() {
  if [[ -n "$_qarvelo_own_server" ]]; then
    "$WINESERVER" -k 2>/dev/null || true
    _qarvelo_own_server=
  fi
  if [[ -n "$_qarvelo_xvfb_pid" ]]; then
    kill "$_qarvelo_xvfb_pid" 2>/dev/null || true
    wait "$_qarvelo_xvfb_pid" 2>/dev/null || true
    _qarvelo_xvfb_pid=
  fi
}

if [[ -z "${QARVELO_ENV_NO_START:-}" ]]; then
  qarvelo_start_display || return 1
  qarvelo_start_wineserver || { qarvelo_cleanup; return 1; }
fi
