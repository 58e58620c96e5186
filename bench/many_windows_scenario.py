#!/usr/bin/env python3
"""Writes a scenario with a desktop of many windows to standard output, for timing the headless run.

    bench/many_windows_scenario.py WINDOWS [--apps N] [--spread]

All windows are on the first display's active Space by default, so Mission Control lays out every
one of them as a thumbnail. With --spread, all but a dozen are on the display's other Spaces:
Mission Control shows the dozen, the application recognises it and ticks at its full rate while
every query still lists every window.
"""
import argparse
import json
import sys

parser = argparse.ArgumentParser()
parser.add_argument("windows", type=int)
parser.add_argument("--apps", type=int, default=100)
parser.add_argument("--spread", action="store_true")
args = parser.parse_args()

apps = [{"pid": 1000 + a, "name": f"App {a}", "bundleID": f"com.example.app{a}", "windows": []} for a in range(args.apps)]
for i in range(args.windows):
    # Windows of the active Space keep a size that shrinks visibly into a thumbnail.
    shown = not args.spread or i < 12
    window = {"number": 100 + i, "title": f"Document {i}",
              "bounds": [40 + (i * 37) % 700, 60 + (i * 23) % 300, 600 if shown else 120, 450 if shown else 90]}
    if not shown:
        window["space"] = 1 + i % 3
    apps[i % args.apps]["windows"].append(window)
scenario = {
    "description": f"{args.windows} windows" + (", a dozen on the active Space" if args.spread else ""),
    "displays": [{"number": 1, "bounds": [0, 0, 1440, 900], "spaces": 4 if args.spread else 1}],
    "apps": apps,
    "front": apps[0]["pid"] if apps else None,
    "timeline": [{"at": 0.3, "do": "openMissionControl"}, {"at": 0.9, "do": "snapshot", "caption": "overview"},
                 {"at": 1.5, "do": "closeMissionControl"}],
    "duration": 2,
}
if scenario["front"] is None:
    del scenario["front"]
json.dump(scenario, sys.stdout)
