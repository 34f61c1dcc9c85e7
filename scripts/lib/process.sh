# Processes a script starts: waiting until one is ready, and stopping one.
# shellcheck shell=bash

# wait_ready PID CMD...: waits, at most 10 s, until CMD succeeds, giving up
# as soon as process PID has ended; CMD's last status.
wait_ready() {
  local pid=$1
  shift
  for _ in $(seq 100); do
    "$@" && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  "$@"
}

# stop_process PID: ends the process and waits, at most 10 s, until it has;
# nothing when it has ended already.
stop_process() {
  kill "$1" 2>/dev/null || return 0
  for _ in $(seq 100); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
}
