# Sourced by the shell tests that run the simulated box: a work folder of
# their own (the current directory), SIM_PID for the box they start, stop_box
# to end it, and both gone when the test ends however it ends.
WORK="$(mktemp -d)"
SIM_PID=""
stop_box() {
  if [ -n "$SIM_PID" ]; then
    kill -INT "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
  fi
  SIM_PID=""
}
cleanup() {
  stop_box
  rm -rf "$WORK"
}
trap cleanup EXIT
cd "$WORK"
