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

# Qt's own options are left to it, not refused.
for options in --version "-style fusion -reverse -v"; do
    run $options
    [ "$rc" = 0 ] || fail "$options ended with $rc: $err"
    [ "$out" = "Tessarin $version" ] || fail "$options printed '$out'"
done

for help in --help -h; do
    run $help
    [ "$rc" = 0 ] || fail "$help ended with $rc: $err"
    for line in "Uso: tessarin [opzioni]" "Tessarin - Fidelity card per agenzie di viaggio." \
        "-h, --help" "-v, --version"; do
        grep -qF -- "$line" <<<"$out" || fail "$help does not show '$line': $out"
    done
done

for unknown in --bogus -bogus; do
    run $unknown
    [ "$rc" != 0 ] || fail "$unknown ended with 0"
    [ -z "$out" ] || fail "$unknown printed '$out' on the output"
    grep -qxF -- "Opzione sconosciuta: $unknown" <<<"$err" || fail "$unknown: '$err'"
done

left=$(find "$work" -mindepth 1 -not -path "$work/config" -not -path "$work/home" \
    -not -path "$work/runtime")
[ -z "$left" ] || fail "the options left files behind: $left"
echo "ok: --version, --help and an unknown option, nothing written"
