#!/usr/bin/env bash
# One-time machine set-up: Debian packages (root, only when something is missing)
# and the Wine prefix the launcher and its tests run in. Safe to run again.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

packages=(
  cmake ninja-build googletest
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64
  # Wine's X11 driver loads these at run time; they are only recommended.
  libxcursor1 libxi6 libxrandr2 libxinerama1 libxcomposite1 libxrender1 libxfixes3
  xvfb x11-utils xdotool imagemagick
  fonts-wqy-microhei fonts-wqy-zenhei
  python3 python3-pytest python3-pil
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  if ((EUID != 0)); then
    echo "setup: missing packages: ${missing[*]}; run scripts/setup.sh as root" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
fi

# Bump when the settings below change, so existing prefixes pick them up.
stamp_version=4
# shellcheck source=scripts/env.sh
QARVELO_ENV_NO_START=1 source scripts/env.sh
stamp="$WINEPREFIX/.qarvelo-setup"
if [[ "$(cat "$stamp" 2>/dev/null)" == "$stamp_version" ]]; then
  exit 0
fi

echo "setup: preparing Wine prefix $WINEPREFIX"
mkdir -p "$WINEPREFIX"
trap qarvelo_cleanup EXIT
qarvelo_start_display
qarvelo_start_wineserver
# wineboot is chatty about the missing 32-bit half; show its output only when it fails.
if ! "$WINE" wineboot --init >"$WINEPREFIX/wineboot.log" 2>&1; then
  cat "$WINEPREFIX/wineboot.log" >&2
  exit 1
fi
reg() { "$WINE" reg add "$@" /f >/dev/null; }
# No debugger: a crash ends the process with a non-zero code instead of hanging on a hidden dialog.
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d ''
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 0
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
# Chinese text (and "MS Shell Dlg") rendered with an installed CJK font.
for face in SimSun '宋体' 'Microsoft YaHei'; do
  reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei'
done
# Latin faces such as Arial fall back to the CJK font for Chinese characters, as font linking does on Windows.
for face in Arial Tahoma 'MS Shell Dlg' 'MS Shell Dlg 2'; do
  "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null
done
# Without a window manager Wine waits about 2 s before it lets go of a window that was ever active.
# The unit tests open and close hundreds of windows, so their program gets unmanaged X windows;
# the launcher keeps the default, whose stacking of owned windows is the one it relies on.
reg 'HKCU\Software\Wine\AppDefaults\qarvelo_tests.exe\X11 Driver' /v Managed /d N
# Fixed 96 DPI, so that pixel geometry does not depend on the X screen.
reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96
echo "$stamp_version" >"$stamp"
echo "setup: Wine prefix ready"
