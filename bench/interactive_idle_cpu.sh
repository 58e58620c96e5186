#!/usr/bin/env bash
# CPU of the whole interactive app while idle with its window open: talvora on the demo
# desktop in an X server of its own (Xvfb), nobody touching it; after a few seconds to settle,
# its user and system time over SECONDS are read from /proc.
#
#   bench/interactive_idle_cpu.sh build/apps/talvora [SECONDS]
#
# Prints: seconds=… cpu_pct=… (percent of one core)
set -euo pipefail
app=${1:?usage: interactive_idle_cpu.sh TALVORA [SECONDS]}
seconds=${2:-30}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
cleanup() {
    [ -n "${talvora:-}" ] && kill "$talvora" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display=":$(head -n1 "$work/display")"
DISPLAY=$display QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work "$app" --scenario "$here/scenarios/demo.json" --out "$work/out" --scale 0.45 >/dev/null 2>&1 &
talvora=$!
sleep 5
ticks() { awk '{ print $14 + $15 }' "/proc/$talvora/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "seconds=%d cpu_pct=%.3f\n", s, 100 * t / hz / s }'
