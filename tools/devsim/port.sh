# Sourced by scripts that start the simulator with "--lan HOST:0".
# devsim_port FILE: prints the port from the simulator's "listening" line in
# FILE, waiting up to 10 s for it; fails when it never comes.
devsim_port() {
  local port
  for _ in $(seq 100); do
    port=$(sed -n 's/^listening .*:\([0-9]*\)$/\1/p' "$1")
    [ -n "$port" ] && { echo "$port"; return 0; }
    sleep 0.1
  done
  return 1
}
