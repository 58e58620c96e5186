#!/usr/bin/env bash
# Feeds the two programs of a build hostile and mistaken input, the way a new user or another
# process would, and counts per input class: tries, crashes (a signal), hangs (no end within the
# time limit), wrong results (a bad input accepted, a failure reported as success, a message
# that breaks the line, a file grown by a rewrite that changed nothing in it) and data lost.
#
#   bench/hostile_inputs.sh BUILD_DIR      e.g. bench/hostile_inputs.sh build
set -uo pipefail
build=$(cd "${1:?usage: bench/hostile_inputs.sh BUILD_DIR}" && pwd)
app="$build/apps/talvora"
defaults="$build/apps/talvora-defaults"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/xdg"
mkdir -p "$XDG_RUNTIME_DIR"
limit=${HOSTILE_TIME_LIMIT:-30}

declare -A tries crashes hangs wrong lost
classes=()
class=""
begin() { class=$1; classes+=("$1"); tries[$1]=0; crashes[$1]=0; hangs[$1]=0; wrong[$1]=0; lost[$1]=0; }
count() { eval "$1[\$class]=\$(( \${$1[\$class]} + 1 ))"; }

# run EXPECT CMD...: runs one try; EXPECT is "fail" (the input is bad: a non-zero exit with a
# one-line message is right) or "ok".
run() {
    local expect=$1
    shift
    count tries
    timeout -s KILL "$limit" "$@" >"$work/out" 2>"$work/err" </dev/null
    local rc=$?
    if [ $rc -eq 137 ]; then count hangs; echo "  hang: $*" | cut -c1-160; return; fi
    if [ $rc -gt 128 ]; then count crashes; echo "  crash ($rc): $*" | cut -c1-160; return; fi
    if [ "$expect" = fail ] && { [ $rc -eq 0 ] || [ "$(grep -c . "$work/err")" -lt 1 ]; }; then
        count wrong; echo "  accepted or silent: $*" | cut -c1-160; return
    fi
    if [ "$expect" = ok ] && [ $rc -ne 0 ]; then count wrong; echo "  failed ($rc): $*" | cut -c1-160; return; fi
    if grep -q $'\x1b' "$work/err" "$work/out"; then count wrong; echo "  raw control characters: $*" | cut -c1-160; fi
}

scenario() { printf '%s' "$1" >"$work/s.json"; run "${2:-fail}" "$app" --scenario "$work/s.json" --out "$work/out-dir"; }
window() { scenario '{ "displays": [ { "number": 1, "bounds": [0, 0, 1440, 900] } ], "apps": [ { "pid": 5, "windows": [ { "number": 3, "bounds": [0, 30, 800, 600]'"$1"' } ] } ] }'; }

begin "scenario files and options"
run fail "$app" --scenario /dev/zero --out "$work/out-dir"
rm -f "$work/fifo"; mkfifo "$work/fifo"; run fail "$app" --scenario "$work/fifo" --out "$work/out-dir"
run fail "$app" --scenario "$work" --out "$work/out-dir"
run fail "$app" --scenario "" --out "$work/out-dir"
run fail "$app" --out ""
scenario "{ \"description\": $(python3 -c 'print("["*150000 + "]"*150000)') }"
scenario '{ "duration": 1e300 }'
scenario '{ "timeline": [ { "at": 1e300, "do": "click" } ] }'
window ', "number": 1e20'
window ', "layer": 2.5'
window ', "minimized": "yes"'
window ', "title": 5'
scenario '{ "apps": [ { "pid": -1 } ] }'
scenario '{ "front": "Finder" }'
scenario '{ "timeline": [ { "at": 1, "do": "\u001b[2J" } ] }'
scenario '{ "timeline": [ { "at": 1, "do": "removeDisplay", "number": 4294967297 } ] }'
scenario '{ "displays": [ { "number": 1, "bounds": [0, 0, 1440, 900] } ], "apps": [ { "pid": 5, "windows": [ { "number": 3, "bounds": [0, 30, 1e308, 1e308] } ] } ], "timeline": [ { "at": 0.1, "do": "snapshot" } ] }'
scenario '{ "thumbnailLayout": { "cellPadding": 1e300 } }'
# A desktop of 10^5 windows, every one of them in Mission Control's overview.
python3 "$(dirname "$0")/many_windows_scenario.py" 100000 >"$work/big.json"
run ok "$app" --scenario "$work/big.json" --out "$work/out-dir"

begin "preferences domain (talvora-defaults)"
home="$work/home"; prefs="$home/Library/Preferences/app.talvora.Talvora.json"
fresh() { rm -rf "$home"; mkdir -p "$(dirname "$prefs")"; }
deep() { python3 -c "import sys; d=int(sys.argv[1]); print('{\"a\": {\"type\": \"integer\", \"value\": 1}, \"x\": ' + '['*d + ']'*d + '}')" "$1" >"$prefs"; }
for depth in 10000 48000; do
    fresh; deep $depth; size=$(stat -c %s "$prefs")
    run ok "$defaults" --home "$home" write b -int 2
    now=$(stat -c %s "$prefs" 2>/dev/null || echo 0)
    if [ "$now" -gt $((size * 2)) ]; then count wrong; echo "  a write grew $size bytes to $now"; fi
    kept=$(cat "$prefs" "$prefs".corrupt-* 2>/dev/null | grep -c '"x"')
    [ "$kept" -ge 1 ] || { count lost; echo "  the unknown entry is gone"; }
done
fresh; mkfifo "$prefs"; run fail "$defaults" --home "$home" read
fresh; mkfifo "$prefs"; run fail "$defaults" --home "$home" write b -int 1
fresh; printf '{"a": {"type": "integer", "value": 1},' >"$prefs"; run fail "$defaults" --home "$home" read
fresh; printf '{"a": {"type": "integer", "value": 1},' >"$prefs"; run fail "$defaults" --home "$home" read a
fresh; run fail "$defaults" --home "$home" write $'bad\xff' -int 1
if [ -f "$prefs" ] && ! "$defaults" --home "$home" read $'bad\xff' >/dev/null 2>&1; then count lost; echo "  a stored key cannot be read back"; fi
fresh; run fail "$defaults" --home "$home" write k -string $'caf\xc3'
fresh; run fail "$defaults" --home "$home" write $'k\x1b[2J' -int x
fresh; run ok "$defaults" --home "$home" write keep -int 1
for i in $(seq 1 60); do
    "$defaults" --home "$home" write "k$((i % 3))" -int "$i" >/dev/null 2>&1 &
    pid=$!; sleep "0.00$((RANDOM % 9))"; kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null
done
run ok "$defaults" --home "$home" write last -bool true
count tries
left=$(ls "$(dirname "$prefs")" | grep -c '\.tmp-')
[ "$left" -eq 0 ] || { count wrong; echo "  $left temporary files left after killed writers"; }
"$defaults" --home "$home" read keep >/dev/null 2>&1 || { count lost; echo "  a value written before the kills is gone"; }

begin "headless run: its home, runtime folder and debug log"
small='{ "debugLogging": true, "displays": [ { "number": 1, "bounds": [0, 0, 1440, 900] } ], "apps": [ { "pid": 5, "name": "A", "windows": [ { "number": 3, "bounds": [0, 30, 800, 600] } ] } ], "timeline": [ { "at": 0.3, "do": "openMissionControl" }, { "at": 1.5, "do": "closeMissionControl" } ], "duration": 2 }'
printf '%s' "$small" >"$work/small.json"
out="$work/run"; rm -rf "$out"; mkdir -p "$out/home/Library/Preferences"
printf '{"talvora.iconMaxSize": {"type": "double", "value": 64}, ' >"$out/home/Library/Preferences/app.talvora.Talvora.json"
run ok "$app" --scenario "$work/small.json" --out "$out"
ls "$out/home/Library/Preferences" | grep -q corrupt || { count lost; echo "  the damaged preferences file was deleted"; }
before=$(ls -d /tmp/talvora-runtime-* 2>/dev/null | wc -l)
run ok env -u XDG_RUNTIME_DIR "$app" --scenario "$work/small.json" --out "$out"
after=$(ls -d /tmp/talvora-runtime-* 2>/dev/null | wc -l)
[ "$after" -le "$before" ] || { count wrong; echo "  a runtime folder was left in /tmp"; }
# A full disk: a file-size limit on the process, its signal ignored, so writes fail as on a full disk.
# The limit is 1 KiB: this run's debug log grows to a few KiB, so the disk fills while it runs.
rm -rf "$out"
count tries
( trap '' XFSZ; ulimit -f 1; exec timeout -s KILL "$limit" "$app" --scenario "$work/small.json" --out "$out" ) >/dev/null 2>"$work/err"
rc=$?
[ $rc -eq 137 ] && count hangs
[ $rc -gt 128 ] && [ $rc -ne 137 ] && count crashes
log="$out/home/Library/Logs/Talvora/debug.txt"
if [ -s "$log" ] && [ "$(tail -c1 "$log" | od -An -c | tr -d ' ')" != '\n' ]; then count lost; echo "  the debug log ends in a torn line"; fi
grep -q "could not write .*debug.txt" "$work/err" || { count wrong; echo "  the failed log writes were not reported"; }

printf '\n| input class | tries | crashes | hangs | wrong results | data lost |\n|---|---|---|---|---|---|\n'
for c in "${classes[@]}"; do
    printf '| %s | %d | %d | %d | %d | %d |\n' "$c" "${tries[$c]}" "${crashes[$c]}" "${hangs[$c]}" "${wrong[$c]}" "${lost[$c]}"
done
