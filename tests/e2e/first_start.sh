#!/bin/bash
# The built program on a fresh home: the first start shows "Impostazioni", OK creates the
# archive with its default rows, and the file is a sound SQLite archive for any tool.
# Runs the real binary on a virtual X display (xvfb-run), driven by xdotool like a user.
set -u
program=$1
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME=$work/config TESSARIN_HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8

fail() { echo "FAIL: $*"; exit 1; }

"$program" &
pid=$!
options=$(timeout 30 xdotool search --sync --name '^Impostazioni$' | head -1)
[ -n "$options" ] || fail "the options window did not appear"
[ -e "$work/home/Tessarin.mdb" ] && fail "the archive exists before the options are confirmed"

# Enter presses the window's default button, OK.
xdotool windowfocus --sync "$options" key Return
for _ in $(seq 1 100); do
    [ -s "$work/home/Tessarin.mdb" ] && xdotool search --name '^Tessarin$' >/dev/null && break
    sleep 0.2
done
[ -s "$work/home/Tessarin.mdb" ] || fail "no archive after OK"
grep -q "RootDir=" "$work/config/Tessarin/Tessarin.ini" || fail "the settings were not stored"
sleep 1
kill "$pid"
wait "$pid" 2>/dev/null

archive=$work/home/Tessarin.mdb
[ "$(sqlite3 "$archive" 'PRAGMA integrity_check;')" = ok ] || fail "integrity check"
tables=$(sqlite3 "$archive" "SELECT COUNT(*) FROM _Tables;")
[ "$tables" -eq 12 ] || fail "$tables tables instead of 12"
payments=$(sqlite3 "$archive" "SELECT COUNT(*) FROM TipiPagamento;")
[ "$payments" -gt 0 ] || fail "no default payment types"
echo "ok: archive with $tables tables and $payments payment types"

# A first start left with Esc ends the program and creates nothing.
rm -rf "$work/home" "$work/config"
mkdir -p "$work/home" "$work/config"
"$program" &
pid=$!
options=$(timeout 30 xdotool search --sync --name '^Impostazioni$' | head -1)
[ -n "$options" ] || fail "the options window did not appear the second time"
xdotool windowfocus --sync "$options" key Escape
for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
done
kill -0 "$pid" 2>/dev/null && fail "the program goes on after the options were left"
[ -e "$work/home/Tessarin.mdb" ] && fail "an archive was created although the options were left"
echo "ok: leaving the options ends the program"
