#!/usr/bin/env bash
# Times the headless run on a desktop of many windows (10^5 by default): once with every window
# in Mission Control's overview, once with a dozen there and the rest on other Spaces, so that the
# application recognises Mission Control and samples the whole list at 120 Hz. Each run opens
# Mission Control, takes a snapshot of the overview and closes it, two seconds of virtual time.
# Prints wall and CPU seconds per run; a desktop this large should play within 30 s.
#
#   bench/many_windows.sh BUILD_DIR [WINDOWS]      e.g. bench/many_windows.sh build 100000
set -euo pipefail
build=$(cd "${1:?usage: bench/many_windows.sh BUILD_DIR [WINDOWS]}" && pwd)
windows=${2:-100000}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/xdg"
mkdir -p "$XDG_RUNTIME_DIR"

TIMEFORMAT='%R %U %S'
status=0
for variant in one-space spread; do
    flags=()
    [ "$variant" = spread ] && flags=(--spread)
    python3 "$here/many_windows_scenario.py" "$windows" "${flags[@]}" >"$work/$variant.json"
    rc=0
    { time "$build/apps/talvora" --scenario "$work/$variant.json" --out "$work/out-$variant" >"$work/$variant.log" 2>&1; } 2>"$work/time" || rc=$?
    read -r real user sys <"$work/time"
    ticks=$(grep -o '^[0-9]* ticks' "$work/$variant.log" || echo "no ticks")
    verdict=ok
    [ "$rc" -eq 0 ] || { verdict="failed ($rc)"; status=1; }
    awk -v r="$real" 'BEGIN { exit !(r > 30) }' && verdict="$verdict, over 30 s"
    printf '%-9s %6d windows: %6.2f s wall, %6.2f s user, %5.2f s system, %s; %s\n' "$variant" "$windows" "$real" "$user" "$sys" "$ticks" "$verdict"
    [ "$rc" -eq 0 ] || tail -5 "$work/$variant.log"
done
exit $status
