# One Xvfb launcher for the scripts: an X display on a given or the first free number.
# shellcheck shell=bash
# Needs process.sh (wait_ready).

# Whether a live X server holds display number N. A lock file whose server
# is gone (a machine restored from a snapshot, a killed session) does not
# count, even when its process number now belongs to another program: its
# socket would make Wine wait for a display that never answers.
x_server_live() {
  local pid stat
  pid=$(tr -d ' ' 2>/dev/null <"/tmp/.X$1-lock") || return 1
  stat=$(cat "/proc/$pid/stat" 2>/dev/null) || return 1
  # "pid (command) state ...": a live X server (Xvfb, Xorg, Xwayland).
  [[ $stat =~ ^[0-9]+\ \(X[A-Za-z]*\)\ [^Z] ]]
}

# xvfb_serves N PID: whether Xvfb process PID serves display number N (its lock, its socket).
xvfb_serves() {
  [ -S "/tmp/.X11-unix/X$1" ] && [ "$(tr -d ' ' 2>/dev/null <"/tmp/.X$1-lock")" = "$2" ]
}

# Starts Xvfb (1024x768, 24 bits) on display number N, which no live X
# server may hold, and waits for its socket; its process number goes into
# xvfb_pid for the caller's trap. Fails when it did not come up (another
# server took N meanwhile). It runs in a session of its own, out of reach of
# the terminal's Ctrl-C: the caller stops it, or leaves it for later calls.
xvfb_start() {
  local number=$1
  x_server_live "$number" && return 1
  # What a server that is gone left behind.
  rm -f "/tmp/.X$number-lock" "/tmp/.X11-unix/X$number"
  # With job control off, as in a script, setsid runs Xvfb in place: $! is its number.
  setsid Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
  xvfb_pid=$!
  wait_ready "$xvfb_pid" xvfb_serves "$number" "$xvfb_pid" && return 0
  kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
  return 1
}

# Starts Xvfb as xvfb_start does on the first free display number from
# FIRST on (a hundred are tried) and exports DISPLAY.
xvfb_start_free() {
  local number
  for number in $(seq "$1" $(($1 + 99))); do
    [ -e "/tmp/.X$number-lock" ] && continue
    if xvfb_start "$number"; then
      export DISPLAY=":$number"
      return 0
    fi
  done
  return 1
}
