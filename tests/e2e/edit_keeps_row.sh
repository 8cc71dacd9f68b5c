#!/bin/bash
# On a small generated archive: the customers' list, a row other than the first clicked, F5, a
# field changed, OK; then F5 again must open the same row, not the first one. The archive is
# read back with the sqlite3 CLI. Runs the real binary on a virtual X display (xvfb-run),
# driven by xdotool like a user.
set -u
program=$1
generator=$2
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME=$work/config TESSARIN_HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$generator" --customers 40 --sales 10 --lines 1 "$work/home" >/dev/null || fail "no archive"
archive=$work/home/Tessarin.mdb
codes() { sqlite3 "$archive" "SELECT OID FROM Clienti WHERE Codice = '$1';"; }

# Waits for a window named exactly $1, gives it the keyboard and sets $id to it.
window() {
    id=$(timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -1)
    [ -n "$id" ] || fail "no window '$1'"
    xdotool windowfocus --sync "$id"
}

# The same for the main window, once it is the only one called Tessarin: the message shown
# while rows are read has that name too, and keeps the keyboard from the main window.
main_window() {
    for _ in $(seq 1 150); do
        id=$(xdotool search --onlyvisible --name '^Tessarin$' 2>/dev/null)
        if [ "$(echo "$id" | grep -c .)" = 1 ]; then
            eval "$(xdotool getwindowgeometry --shell "$id")"
            if [ "$WIDTH" -gt 600 ]; then
                xdotool windowfocus --sync "$id"
                return
            fi
        fi
        sleep 0.2
    done
    fail "no main window"
}

# The row editor opens on the current row with the keyboard in its first field, the code.
edit() {
    window Clienti
    xdotool key ctrl+a type "$1"
    xdotool key Return
    for _ in $(seq 1 50); do
        [ -n "$(codes "$1")" ] && return
        sleep 0.2
    done
    fail "the edit '$1' was not stored"
}

"$program" &
pid=$!
sleep 1
main_window
# The section tree has the keyboard: one step down from "Liste" is the customers' list.
xdotool key Down
sleep 1
main_window
# A row well below the first one: the grid fills the right of the window, under the title.
xdotool mousemove --window "$id" $((WIDTH * 2 / 3)) $((HEIGHT / 2)) click 1
sleep 0.5

xdotool key F5
edit E2E-PRIMA
first=$(codes E2E-PRIMA)
main_window
xdotool key F5
edit E2E-DOPO
second=$(codes E2E-DOPO)
kill "$pid"
wait "$pid" 2>/dev/null
pid=

top=$(sqlite3 "$archive" "SELECT OID FROM Clienti ORDER BY Descrizione, OID LIMIT 1;")
[ "$first" != "$top" ] || fail "the click did not choose a row below the first"
[ "$second" = "$first" ] || fail "the second F5 opened row $second instead of $first"
echo "ok: both edits went to customer $first"
