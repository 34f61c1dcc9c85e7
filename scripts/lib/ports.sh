# Loopback ports for the test servers: a taken one, a free one, and a loopback of one's own.
# shellcheck shell=bash

# Whether something listens on 127.0.0.1 at each PORT given.
port_taken() {
  local port
  for port in "$@"; do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || return 1
  done
}

# A port on 127.0.0.1 that was free a moment ago.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Whether this process may make a network namespace of its own, where
# 127.0.0.1:110 and :995 are free whatever the machine runs: unshare -n,
# which needs root.
own_network_possible() {
  unshare -n true 2>/dev/null
}

# Runs CMD in place of this shell, in a network namespace of its own whose
# only device, the loopback, is up; TOBALIN_OWN_NETWORK=1 tells CMD so.
exec_in_own_network() {
  exec unshare -n env TOBALIN_OWN_NETWORK=1 bash -c 'ip link set lo up && exec "$@"' bash "$@"
}
