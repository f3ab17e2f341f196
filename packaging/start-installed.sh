#!/usr/bin/env bash
# start-installed.sh ROOT: starts the programs installed under ROOT (a package unpacked with
# dpkg -x) against each other on a temporary bus:
#  1. headless (offscreen): the program comes up beside the simulator, stays up and ends cleanly,
#     with status 0, when SIGTERM closes its window;
#  2. on a virtual display: a click on the Pictures page makes it read the device (the
#     simulator's log shows the identity poll and the picture directory), and once the read is
#     over the Exit button ends it with status 0. Skipped where xvfb-run or xdotool is missing.
# The headless platform takes no clicks, and only a page change starts a read, hence the display.
# Every wait is bounded; a program that does not end in time fails the check.
set -euo pipefail
root=$(cd "$1" && pwd)
devsim=$root/usr/bin/orvanel-devsim
scratch=$(mktemp -d)
simulator=
cleanup() {
  if [ -n "$simulator" ]; then kill "$simulator" 2>/dev/null || true; wait "$simulator" || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in "$scratch"/*.out "$scratch"/requests.log; do
    [ -s "$f" ] && { echo "--- $(basename "$f")"; tail -n 20 "$f"; } >&2
  done
  exit 1
}

# Polls a condition every 0.1 s for at most $1 seconds.
wait_for() {
  local seconds=$1
  shift
  for ((i = 0; i < seconds * 10; i++)); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

# Waits at most $2 seconds for process $1 to end and checks that it ended with status 0.
expect_clean_end() {
  local pid=$1 seconds=$2 status=0
  wait_for "$seconds" eval "! kill -0 $pid 2>/dev/null" || {
    kill -KILL "$pid" 2>/dev/null || true
    fail "orvanel-config still running ${seconds} s after it was asked to end"
  }
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "orvanel-config ended with status $status"
}

# The program is started as a desktop starts it: the command of the installed desktop entry,
# without its field codes, looked up on a path that begins with the unpacked bin/.
desktop=$root/usr/share/applications/org.orvanel.Config.desktop
command=$(sed -n 's/^Exec=//p' "$desktop" | head -n 1 | sed -E 's/ +%[a-zA-Z]//g')
app=$(PATH="$root/usr/bin:$PATH" command -v "$command") ||
  fail "the desktop entry's command '$command' is not installed"
[ "$app" = "$root/usr/bin/orvanel-config" ] || fail "the desktop entry starts $app"

# Both sides find the bus through the variable; nothing of the user's own bus is touched.
export ORVANEL_IRDA_BUS=$scratch/bus
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 0700 "$XDG_RUNTIME_DIR"

"$devsim" --state "$scratch/state" --log "$scratch/requests.log" >"$scratch/devsim.out" 2>&1 &
simulator=$!
wait_for 10 grep -q "^orvanel-devsim: device " "$scratch/devsim.out" ||
  fail "the installed simulator did not join the bus"

echo "Installed program, headless"
QT_QPA_PLATFORM=offscreen "$app" >"$scratch/headless.out" 2>&1 &
pid=$!
# Time enough to start the watcher and enumerate the simulator a few times.
sleep 3
kill -0 "$pid" 2>/dev/null || { wait "$pid" || true; fail "orvanel-config did not stay up"; }
kill -TERM "$pid"
expect_clean_end "$pid" 30
echo "  came up, stayed up 3 s, closed by SIGTERM with status 0"

if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null; then
  echo "SKIPPED: reading the device needs xvfb-run and xdotool"
  exit 0
fi

echo "Installed program on a virtual display"
# The window sits at the top left corner without a window manager, laid out for 96 dpi; the
# coordinates are the page tabs on its right edge and the Exit button of the bottom strip.
cat >"$scratch/drive.sh" <<'DRIVE'
set -u
"$APP" >"$SCRATCH/display.out" 2>&1 &
pid=$!
ended() { ! kill -0 "$pid" 2>/dev/null; }
window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
[ -n "$window" ] || { echo "no window"; kill -KILL "$pid"; exit 3; }
xdotool mousemove --window "$window" 784 178 click 1
# The read is over once the simulator has heard nothing for a second and a half.
quiet=0 lines=0
for ((i = 0; i < 300 && quiet < 15; i++)); do
  sleep 0.1
  now=$(wc -l <"$SCRATCH/requests.log")
  if [ "$now" -gt 0 ] && [ "$now" -eq "$lines" ]; then quiet=$((quiet + 1)); else quiet=0; fi
  lines=$now
done
xdotool mousemove --window "$window" 753 556 click 1
for ((i = 0; i < 300; i++)); do ended && break; sleep 0.1; done
ended || { echo "still running"; kill -KILL "$pid"; }
wait "$pid"
DRIVE
status=0
APP=$app SCRATCH=$scratch timeout 90 xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
  bash "$scratch/drive.sh" >"$scratch/drive.out" 2>&1 || status=$?
grep -qx '[0-9]* 10' "$scratch/requests.log" || fail "no identity poll reached the simulator"
grep -qix '[0-9]* ff *fa *ff *04 *ff' "$scratch/requests.log" ||
  fail "the picture directory was not read"
[ "$status" -eq 0 ] || fail "orvanel-config did not end cleanly after Exit (status $status)"
pictures=$(grep -cix '[0-9]* ff *c2 .*' "$scratch/requests.log" || true)
echo "  read the device: identity poll, picture directory, $pictures pictures;" \
  "ended by Exit with status 0"
