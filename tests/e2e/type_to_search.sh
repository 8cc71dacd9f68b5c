#!/bin/bash
# On a small generated archive: the customers' list, a row clicked, then the first character of
# the card code of the customer shown last typed over the grid. The search dialog must open
# with that character already typed; the rest of the code and Enter move the grid to that
# customer, which F5 then edits. The archive is read back with the sqlite3 CLI. Runs the real
# binary on a virtual X display (xvfb-run), driven by xdotool like a user.
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

"$generator" --customers 60 --sales 10 --lines 1 "$work/home" >/dev/null || fail "no archive"
archive=$work/home/Tessarin.mdb
query() { sqlite3 "$archive" "$1"; }

# Waits for a window named exactly $1, gives it the keyboard and sets $id to it.
window() {
    id=$(timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -1)
    [ -n "$id" ] || fail "no window '$1'"
    xdotool windowfocus --sync "$id"
}

# The main window, once it is the only one called Tessarin (the message shown while rows are
# read has that name too).
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

# The customer the list shows last: far from the row clicked.
target=$(query "SELECT OID FROM Clienti ORDER BY Descrizione DESC, OID DESC LIMIT 1;")
code=$(query "SELECT Codice FROM Clienti WHERE OID = $target;")
[ -n "$code" ] || fail "no customer to look for"

"$program" &
pid=$!
sleep 1
main_window
# The section tree has the keyboard: one step down from "Liste" is the customers' list.
xdotool key Down
sleep 1
main_window
xdotool mousemove --window "$id" $((WIDTH * 2 / 3)) $((HEIGHT / 2)) click 1
sleep 0.5

# The first character over the grid opens the search on the card code with it typed.
xdotool type "${code:0:1}"
window Cerca
xdotool type "${code:1}"
xdotool key Return
main_window
# F5 edits the grid's current row: its code is changed, so the archive tells which row it was.
xdotool key F5
window Clienti
xdotool key ctrl+a type E2E-TROVATO
xdotool key Return
found=
for _ in $(seq 1 50); do
    found=$(query "SELECT OID FROM Clienti WHERE Codice = 'E2E-TROVATO';")
    [ -n "$found" ] && break
    sleep 0.2
done
kill "$pid"
wait "$pid" 2>/dev/null
pid=

[ -n "$found" ] || fail "the edit was not stored"
[ "$found" = "$target" ] || fail "the search left the grid on customer $found, not on $target ($code)"
echo "ok: the search typed over the grid went to customer $target"
