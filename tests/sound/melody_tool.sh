#!/usr/bin/env bash
# brenvik-melody --dry-run: the steps, the alarm's error messages, exit codes.
#   melody_tool.sh TOOL DATA_DIR
set -u
tool=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

# expect NAME STATUS STDOUT STDERR -- ARGS...
expect() {
    local name=$1 status=$2 out=$3 err=$4; shift 5
    "$tool" "$@" >"$work/out" 2>"$work/err"
    local rc=$?
    if [ $rc -ne "$status" ] || [ "$(cat "$work/out")" != "$out" ] || [ "$(cat "$work/err")" != "$err" ]; then
        echo "FAIL $name: exit $rc"; echo "stdout:"; cat "$work/out"; echo "stderr:"; cat "$work/err"
        fail=1
    else
        echo "ok   $name"
    fi
}

printf 'Gut\nC_1,100, H_1,5, REST,50, A_1,x10,\nFINE\nKaputt\nC_1,100, D_1,1 0, E_1,5, FINE\nOffen\nC_1,100, D_1' >"$work/t.msk"
expect "steps in decimal, unknown notes skipped" 0 $'261 100\n1 50\n440 16' "" -- --dry-run "$work/t.msk" Gut
expect "default preset" 0 $'932 100\n988 100\n1046 100' "" -- --dry-run "$work/t.msk" Default
expect "conversion error after the steps before it" 1 "261 100" "'1 0' ist kein gültiger Integerwert" -- --dry-run "$work/t.msk" Kaputt
expect "no comma up to the end" 1 "261 100" "Beeper: Wrong Char" -- --dry-run "$work/t.msk" Offen
expect "melody not found" 1 "" "Can Not Locate Song Walzer in $work/t.msk" -- --dry-run "$work/t.msk" Walzer
expect "file missing" 1 "" "Datei $work/fehlt.msk kann nicht geöffnet werden" -- --dry-run "$work/fehlt.msk" Gut

# Every melody shipped in Timer.msk reads without an error.
for song in Entertainer "Bruder Jakob" Freude Elise Morgenstimmung Tonleiter; do
    if ! "$tool" --dry-run "$data/Timer.msk" "$song" >"$work/out" 2>"$work/err" || [ -s "$work/err" ] || [ ! -s "$work/out" ]; then
        echo "FAIL shipped melody $song"; cat "$work/err"; fail=1
    else
        echo "ok   shipped melody $song ($(wc -l <"$work/out") steps)"
    fi
done
exit $fail
