#!/bin/bash
# The command-line options answer without a display and leave no trace: --version and --help
# print and end with 0, an unknown option is refused with a non-zero code. The settings, the
# runtime and the program's folders point at empty temporary folders that must stay empty;
# with no display and the xcb platform forced, any window would end the run in an error.
set -u
program=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
unset DISPLAY WAYLAND_DISPLAY
export XDG_CONFIG_HOME=$work/config TESSARIN_HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs the program with the given options and sets $out, $err and $rc.
run() {
    (cd "$work" && timeout 20 "$program" "$@" >"$work/out" 2>"$work/err")
    rc=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
    rm -f "$work/out" "$work/err"
}

run --version
[ "$rc" = 0 ] || fail "--version ended with $rc: $err"
[ "$out" = "Tessarin $version" ] || fail "--version printed '$out'"

for help in --help -h; do
    run $help
    [ "$rc" = 0 ] || fail "$help ended with $rc: $err"
    for line in "Uso: tessarin [opzioni]" "Tessarin - Fidelity card per agenzie di viaggio." \
        "-h, --help" "-v, --version"; do
        grep -qF -- "$line" <<<"$out" || fail "$help does not show '$line': $out"
    done
done

run --bogus
[ "$rc" != 0 ] || fail "an unknown option ended with 0"
[ -z "$out" ] || fail "an unknown option printed '$out' on the output"
grep -qF "Opzione sconosciuta: --bogus" <<<"$err" || fail "an unknown option said '$err'"

left=$(find "$work" -mindepth 1 -not -path "$work/config" -not -path "$work/home" \
    -not -path "$work/runtime")
[ -z "$left" ] || fail "the options left files behind: $left"
echo "ok: --version, --help and an unknown option, nothing written"
