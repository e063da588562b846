#!/usr/bin/env bash
# The Windows build under wine: its unit tests, then tuneflash-cli.exe against
# the Linux tuneflash-boxsim, each box's pseudo-terminal linked into wine as a
# COM port (dosdevices/comN; COM5 and up, since wine re-points com1 to the
# host's /dev/ttyS0 on every start).
#   test-windows.sh LINUX-BUILD WINDOWS-BUILD
# Runs as an unprivileged user (wine refuses nothing as root, but the tests of
# read-only files need a user the permissions hold for): as root it makes the
# user tuneflash-wine once and runs itself as that user. Headless: no X
# display, WINEDEBUG=-all; wine's output goes to files, never to a pipe (its
# processes inherit it), and wineserver is ended at the end.
set -euo pipefail
LINUX_BUILD=$(cd "${1:?usage: test-windows.sh LINUX-BUILD WINDOWS-BUILD}" && pwd)
WIN_BUILD=$(cd "${2:?usage: test-windows.sh LINUX-BUILD WINDOWS-BUILD}" && pwd)
TEST_USER=tuneflash-wine

if [ "$(id -u)" -eq 0 ]; then
  if ! id "$TEST_USER" >/dev/null 2>&1; then
    useradd --create-home --shell /usr/sbin/nologin --comment "Tuneflash tests under wine" "$TEST_USER"
  fi
  exec runuser -u "$TEST_USER" -- env HOME="$(getent passwd "$TEST_USER" | cut -d: -f6)" PATH="$PATH" \
    bash "$(realpath "$0")" "$LINUX_BUILD" "$WIN_BUILD"
fi

CLI_LINUX=$LINUX_BUILD/bin/tuneflash-cli
BOXSIM=$LINUX_BUILD/bin/tuneflash-boxsim
CLI_EXE=$WIN_BUILD/bin/tuneflash-cli.exe
export WINEPREFIX=$HOME/.wine-tuneflash WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
WORK=$(mktemp -d)
BOX_PIDS=()
cleanup() {
  for pid in "${BOX_PIDS[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
now_ms() { echo $(($(date +%s%N) / 1000000)); }
fail() {
  echo "test-windows: FAILED: $*" >&2
  exit 1
}
cd "$WORK"

# A prefix of our own (made once, about 7 s), and a wineserver that stays for
# the whole run, its stderr in a file: it gets SIGHUP when a line hangs up.
mkdir -p "$WINEPREFIX"
wineserver -k 2>/dev/null || true  # one left by an interrupted run
wineserver -p >wineserver.log 2>&1 || { cat wineserver.log; fail "wineserver"; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot --init >wineboot.log 2>&1 || { cat wineboot.log; fail "wineboot"; }
fi
rm -f "$WINEPREFIX"/dosdevices/com[5-9]

# --- The unit tests ---------------------------------------------------------
# Every unit test of the four folders runs; none needs leaving out.
for exe in "$WIN_BUILD"/bin/*_tests.exe; do
  name=$(basename "$exe" .exe)
  start=$(now_ms)
  if ! wine "$exe" --gtest_brief=1 >"$name.log" 2>&1; then
    cat "$name.log"
    fail "$name"
  fi
  echo "test-windows: $name passed ($(($(now_ms) - start)) ms)"
done

# --- tuneflash-cli.exe against simulated boxes --------------------------------
# start_box NAME COM [BOXSIM OPTIONS...]: a box on its own pseudo-terminal,
# linked as COM<COM> in wine.
start_box() {
  local name=$1 com=$2
  shift 2
  "$BOXSIM" --link "$WORK/$name" --no-announce "$@" >"$name.sim" 2>&1 &
  BOX_PIDS+=($!)
  for _ in $(seq 100); do [ -e "$WORK/$name" ] && break; sleep 0.05; done
  [ -e "$WORK/$name" ] || fail "box $name did not start"
  ln -sfn "$(readlink -f "$WORK/$name")" "$WINEPREFIX/dosdevices/com$com"
}
stop_boxes() {
  for pid in "${BOX_PIDS[@]}"; do kill -INT "$pid" 2>/dev/null || true; done
  for pid in "${BOX_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  BOX_PIDS=()
}
# win NAME ARGS...: tuneflash-cli.exe ARGS, output in NAME.out and NAME.err.
win() {
  local name=$1
  shift
  wine "$CLI_EXE" "$@" >"$name.out" 2>"$name.err"
}

# A Data file with a sample database, and an ALL file of patterned images.
"$CLI_LINUX" sample-data -o data.dld >/dev/null
python3 - <<'PY'
import random
r = random.Random(21)
sizes = [0x10000] * 30 + [0x8000, 0x2000, 0x2000, 0x4000]
for i, size in enumerate(sizes):
    half = bytes(r.getrandbits(8) for _ in range(size // 2))
    open(f"all{i:02d}.bin", "wb").write(half + bytes((j * 7) & 0xFF for j in range(size - size // 2)))
PY
"$CLI_LINUX" pack --set all --manufacture WINTEST -o all.dld all??.bin >/dev/null

# Each set: downloaded by the Windows CLI into one box and by the Linux CLI
# into another; both flash models byte for byte the same; read back by
# upload (the same file from both boxes) and verified.
for set in data all; do
  start_box "win-$set" 5 --flash "$WORK/win-$set.flash"
  start_box "linux-$set" 6 --flash "$WORK/linux-$set.flash"
  win "down-$set" download --port COM5 "$set.dld" || { cat "down-$set.err"; fail "download $set"; }
  grep -q "^Update Success!" "down-$set.out" || { cat "down-$set.out" "down-$set.err"; fail "download $set: no success line"; }
  "$CLI_LINUX" download --port "$WORK/linux-$set" "$set.dld" >/dev/null
  win "up-$set" upload --port COM5 --set "$set" "win-$set-back.dld" || { cat "up-$set.err"; fail "upload $set"; }
  "$CLI_LINUX" upload --port "$WORK/linux-$set" --set "$set" "linux-$set-back.dld" >/dev/null
  cmp "win-$set-back.dld" "linux-$set-back.dld" || fail "upload $set: the Windows CLI read other bytes"
  win "verify-$set" verify --port COM5 "$set.dld" || { cat "verify-$set.err"; fail "verify $set"; }
  stop_boxes
  cmp "win-$set.flash" "linux-$set.flash" || fail "$set: the flash differs from the Linux CLI's download"
  echo "test-windows: $set set: download, upload, verify through COM5; flash byte for byte as from Linux"
done

# Two ports at once.
start_box two-a 5 --flash "$WORK/two-a.flash"
start_box two-b 7 --flash "$WORK/two-b.flash"
win two download --port COM5 --port COM7 data.dld || { cat two.out two.err; fail "two ports"; }
stop_boxes
cmp two-a.flash win-data.flash && cmp two-b.flash win-data.flash || fail "two ports: a flash differs"
echo "test-windows: two ports at once: both boxes flashed"

# A pulled line: the box's pseudo-terminal goes mid-transfer (the box paced at
# 115200 bit/s so the transfer lasts); the run ends within 2 s with the port
# named and exit 1.
start_box pulled 8 --wire-rate 115200
wine "$CLI_EXE" download --port COM8 data.dld >pulled.out 2>pulled.err &
cli=$!
for _ in $(seq 200); do grep -q "Transfer" pulled.out 2>/dev/null && break; sleep 0.05; done
sleep 0.5
pulled_at=$(now_ms)
kill -KILL "${BOX_PIDS[0]}"
wait "${BOX_PIDS[0]}" 2>/dev/null || true
set +e
wait "$cli"
rc=$?
set -e
ended=$(($(now_ms) - pulled_at))
BOX_PIDS=()
[ "$rc" -eq 1 ] || { cat pulled.out pulled.err; fail "pulled line: exit $rc"; }
grep -q "COM8 went away" pulled.err || { cat pulled.err; fail "pulled line: the port is not named"; }
[ "$ended" -lt 2000 ] || fail "pulled line: ended $ended ms after"
echo "test-windows: pulled line: ended $ended ms after, naming COM8"

echo "test-windows: all checks passed"
