#!/bin/bash
# Esc in the sale window: with an article line it asks before throwing the sale away, No keeps
# the sale and its line, Yes drops both; a sale with no lines is left without a question.
# Runs the real binary on a virtual X display (xvfb-run), driven by xdotool like a user.
set -u
program=$1
gen=$2
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME=$work/config TESSARIN_HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8

# Says what failed, with the program's windows on screen as a clue.
fail() {
    echo "FAIL: $*"
    for w in $(visible .); do echo "  window: $(xdotool getwindowname "$w")"; done
    exit 1
}

archive=$work/home/Tessarin.mdb
"$gen" --customers 2 --suppliers 1 --articles 2 --sales 0 --prizes 0 --bonuses 0 "$work/home" \
    >/dev/null || fail "no demo archive"
query() { sqlite3 -cmd '.timeout 5000' "$archive" "$1"; }
card=$(query "SELECT Codice FROM Clienti ORDER BY OID LIMIT 1;")
article=$(query "SELECT Codice FROM Articoli ORDER BY OID LIMIT 1;")

# Sales and article lines in the archive, as "sales/lines".
state() {
    query "SELECT (SELECT COUNT(*) FROM OperazioniVendite) || '/' ||
                  (SELECT COUNT(*) FROM OperazioniVendite__Articoli);"
}
# Runs a check every tenth of a second until it holds, for at most ten seconds.
until_true() {
    for _ in $(seq 1 100); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
state_is() { [ "$(state)" = "$1" ]; }
visible() { xdotool search --onlyvisible --all --pid "$pid" --name "$1" 2>/dev/null; }
# The message boxes are titled like the main window.
boxes() { visible '^Tessarin$' | grep -vx "$main"; }
has_box() { [ -n "$(boxes)" ]; }
no_box() { [ -z "$(boxes)" ]; }
sale_open() { [ -n "$(visible '^Vendita / Premiazione$')" ]; }
sale_closed() { ! sale_open; }
archive_open() { [ "$(readlink -f /proc/"$pid"/fd/* 2>/dev/null | grep -c '/Tessarin.mdb$')" -gt 0 ]; }
one_main() { [ "$(visible '^Tessarin$' | wc -l)" -eq 1 ]; }

# Opens the sale window and a sale for the first customer.
open_sale() {
    xdotool windowfocus --sync "$main" key F9
    until_true sale_open || fail "F9 opened no sale window"
    sale=$(visible '^Vendita / Premiazione$' | head -1)
    xdotool windowfocus --sync "$sale"
    # The field selects its text once it sees the focus arrive; keys typed before that would
    # be replaced, and no state shows when it has happened.
    sleep 0.5
    xdotool type --delay 30 "$card"
    xdotool key Return
    until_true state_is "1/0" || fail "the card opened no sale ($(state))"
}
# Esc in the sale window; waits for its question.
escape_asks() {
    xdotool windowfocus --sync "$sale" key Escape
    until_true has_box || fail "Esc with a line asked nothing"
    box=$(boxes | head -1)
}

"$program" &
pid=$!
# The splash and the "opening" message share the main window's title: wait until both are gone.
until_true archive_open || fail "the program did not open the archive"
until_true one_main || fail "no main window"
main=$(visible '^Tessarin$')

open_sale
# The article as a reader types it: Ctrl down, the code, Ctrl up.
xdotool windowfocus --sync "$sale" keydown ctrl type "$article"
xdotool keyup ctrl
until_true state_is "1/1" || fail "the article added no line ($(state))"

escape_asks
xdotool windowfocus --sync "$box" key n
until_true no_box || fail "No did not close the question"
sale_open || fail "the sale window closed after No"
state_is "1/1" || fail "No did not keep the sale and its line ($(state))"
echo "ok: Esc with a line asks, No keeps the sale and its line"

escape_asks
xdotool windowfocus --sync "$box" key Return # the default answer, Yes
until_true sale_closed || fail "the sale window stays after Yes"
until_true state_is "0/0" || fail "Yes left the sale behind ($(state))"
echo "ok: Yes drops the sale and its line"

open_sale
xdotool windowfocus --sync "$sale" key Escape
until_true sale_closed || fail "Esc did not close a sale with no lines"
no_box || fail "Esc asked about a sale with no lines"
until_true state_is "0/0" || fail "the sale with no lines stays in the archive ($(state))"
echo "ok: Esc leaves a sale with no lines without asking"
