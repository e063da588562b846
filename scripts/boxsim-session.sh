# Sourced by scripts that run tuneflash-boxsim as a child: sets WORK to a fresh
# directory that is removed on exit, together with any box still running.
# start_box BOXSIM LINK LOG [OPTIONS...] starts a box linked at LINK and waits
# for the link; stop_box stops it with Ctrl-C and waits for it to save and end.
WORK="$(mktemp -d)"
SIM_PID=""
stop_box() {
  kill -INT "$SIM_PID"
  wait "$SIM_PID" || true
  SIM_PID=""
}
start_box() {
  local boxsim="$1" link="$2" log="$3"
  shift 3
  "$boxsim" --link "$link" --no-announce "$@" > "$log" 2>&1 &
  SIM_PID=$!
  for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.05; done
}
cleanup_box_session() {
  [ -n "$SIM_PID" ] && kill -INT "$SIM_PID" 2>/dev/null && wait "$SIM_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup_box_session EXIT
