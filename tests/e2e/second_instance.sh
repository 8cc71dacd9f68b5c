#!/bin/bash
# A second copy of the program, started while one runs, shows its message and ends without
# touching the first copy or the settings; a copy that crashed does not block the next start.
# Runs the real binary on a virtual X display (xvfb-run), driven by xdotool like a user.
set -u
program=$1
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME=$work/config TESSARIN_HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8

fail() { echo "FAIL: $*"; exit 1; }

# Every file of the settings store and the program folder, with size and time.
snapshot() { find "$work/config" "$work/home" -printf '%p %s %T@\n' | sort; }

# Waits up to $2 tenths of a second for process $1 to end.
ended() {
    for _ in $(seq 1 "$2"); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

"$program" &
first=$!
pids+=("$first")
options=$(timeout 30 xdotool search --sync --all --pid "$first" --name '^Impostazioni$' | head -1)
[ -n "$options" ] || fail "the first copy did not show its options"
[ -e "$work/runtime/Tessarin.lock" ] || fail "the first copy holds no lock"
before=$(snapshot)
sleep 1 # a write by the second copy would show as a newer time

"$program" &
second=$!
pids+=("$second")
message=$(timeout 30 xdotool search --sync --all --pid "$second" --name '^Tessarin$' | head -1)
[ -n "$message" ] || fail "the second copy showed no message"
xdotool search --all --pid "$second" --name '^Impostazioni$' >/dev/null &&
    fail "the second copy went on to its options"

# Enter presses the message's only button, OK.
xdotool windowfocus --sync "$message" key Return
ended "$second" 50 || fail "the second copy is still running after OK"
wait "$second"
code=$?
[ "$code" -eq 0 ] || fail "the second copy ended with code $code"

kill -0 "$first" 2>/dev/null || fail "the first copy ended"
xdotool search --all --pid "$first" --name '^Impostazioni$' >/dev/null ||
    fail "the first copy's options are gone"
[ "$(snapshot)" = "$before" ] || fail "the second copy changed the settings or the program folder"
echo "ok: the second copy showed its message and ended with 0; the first runs on untouched"

# A crashed copy leaves its lock file behind; the next start takes it over.
kill -9 "$first"
wait "$first" 2>/dev/null
[ -e "$work/runtime/Tessarin.lock" ] || fail "the crashed copy left no lock file to take over"
"$program" &
third=$!
pids+=("$third")
options=$(timeout 30 xdotool search --sync --all --pid "$third" --name '^Impostazioni$' | head -1)
[ -n "$options" ] || fail "a crashed copy's lock blocked the next start"
echo "ok: the lock of a crashed copy does not block"
