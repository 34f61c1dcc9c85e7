# Wine for the scripts: its settings, a bounded call, a .reg import, and a prefix's clean-up.
# shellcheck shell=bash

# Exports what every Wine call here runs with: the prefix (TOBALIN_WINEPREFIX,
# else build/wineprefix), 64-bit, headless and fast, and an X display
# (DISPLAY, else :77). The locale stays as it is: wine_run sets Wine's.
wine_env() {
  local repo
  repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  export WINEPREFIX=${TOBALIN_WINEPREFIX:-$repo/build/wineprefix}
  export WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono/Gecko downloads, no menu builder, and no debugger that would
  # wait for ever on a crash.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"
  export DISPLAY=${DISPLAY:-:77}
}

# wine_run SECONDS PROGRAM ARGS...: runs a Windows program, ended after
# SECONDS, with the 64-bit loader (this machine runs no 32-bit code) in the
# Japanese locale, from which Wine takes the ANSI code page 932.
wine_run() {
  LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 timeout "$1" /usr/lib/wine/wine64 "${@:2}"
}

# A Linux path as Wine's drive Z: shows it.
wine_path() {
  printf 'Z:%s' "${1//\//\\}"
}

# wine_import_reg FILE: imports a .reg file written in UTF-8 into the
# prefix's registry; regedit reads a copy in C:\ as UTF-16LE with a BOM.
wine_import_reg() {
  local name
  name=$(basename "$1")
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$1"; } >"$WINEPREFIX/drive_c/$name"
  wine_run 60 regedit /S "C:\\$name"
}

# wine_stop PREFIX: stops every Wine process of the prefix (programs and
# Wine's own) and waits, at most 10 s, for its wineserver to end. The prefix
# is named, never taken from the environment, which may hold the user's own.
wine_stop() {
  [ -d "$1" ] || return 0
  WINEPREFIX=$1 /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  WINEPREFIX=$1 timeout 10 /usr/lib/wine/wineserver64 -w 2>/dev/null || true
}
