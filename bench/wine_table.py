#!/usr/bin/env python3
"""Prints the table of bench/wine_compare.sh from its measurements, with the
goals; exits with 1 when one is missed. Its input: one line per
measurement, SCALE TAB TOOL TAB MILLISECONDS (scale 1 or 10).

With --requests, the table of the server requests each entry costs, from
the counts of bench/wine_compare.sh --count: one line per tool, scale and
kind of request, SCALE TAB TOOL TAB KIND TAB COUNT.

usage: wine_table.py RESULTS.tsv FILES
       wine_table.py --requests REQUESTS.tsv FILES
"""
import statistics
import sys

TOOLS = [
    ("installer", "installer copy phase"),
    ("xcopy", "xcopy /E /I /Y"),
    ("uninst", "uninst removal"),
    ("rmdir", "cmd /c rmdir /s /q"),
    ("cp", "cp -r (native)"),
    ("rm", "rm -rf (native)"),
]
# (numerator, denominator, label, goal)
RATIOS = [
    ("installer", "xcopy", "installer / xcopy", 1.0),
    ("uninst", "rmdir", "uninst / rmdir", 0.5),
]
SCALE_GOAL = 10.5  # ten times the files in at most 10.5 times the time


def load(path):
    runs = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.strip():
                continue
            scale, tool, ms = line.rstrip("\n").split("\t")
            runs.setdefault((int(scale), tool), []).append(int(ms))
    return runs


def verdict(value, goal, missed):
    if value <= goal:
        return "met"
    missed.append(1)
    return "MISSED"


def requests_table(path, files):
    counts = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.strip():
                scale, tool, kind, n = line.rstrip("\n").split("\t")
                counts.setdefault(tool, {}).setdefault(kind, {})[int(scale)] = int(n)
    extra = files * 9  # the files the 10x CD has beyond the 1x CD
    print(f"server requests per entry: (requests at {files * 10} files - at {files}) / {extra}")
    print(f"{'tool':<24}{f'{files} files':>12}{f'{files * 10} files':>12}{'per entry':>11}  largest kinds per entry")
    # What is traced is the whole program, dialogs and registration
    # included: only the difference between the two CDs is per entry.
    labels = {"installer": "installer.exe", "uninst": "uninst.exe"}
    for tool, label in TOOLS:
        label = labels.get(tool, label)
        kinds = counts.get(tool)
        if not kinds:
            continue
        totals = [sum(k.get(s, 0) for k in kinds.values()) for s in (1, 10)]
        per = {kind: (k.get(10, 0) - k.get(1, 0)) / extra for kind, k in kinds.items()}
        top = sorted((p for p in per.items() if p[1] >= 0.05), key=lambda p: -p[1])
        kinds_text = ", ".join(f"{kind} {p:.1f}" for kind, p in top[:10])
        print(f"{label:<24}{totals[0]:>12}{totals[1]:>12}{(totals[1] - totals[0]) / extra:>11.1f}  {kinds_text}")


def main():
    if sys.argv[1] == "--requests":
        requests_table(sys.argv[2], int(sys.argv[3]))
        return 0
    runs = load(sys.argv[1])
    files = int(sys.argv[2])
    missed = []
    med = {key: statistics.median(v) for key, v in runs.items()}
    count = max(len(v) for v in runs.values())
    print(f"median of {count} alternating runs, milliseconds")
    print(f"{'tool':<24}{f'{files} files':>14}{f'{files * 10} files':>14}{'10x/1x':>9}  {'goal':<15}runs at 1x | at 10x")
    for tool, label in TOOLS:
        one, ten = med.get((1, tool)), med.get((10, tool))
        if one is None and ten is None:
            continue
        cells = [f"{m:g}" if m is not None else "-" for m in (one, ten)]
        ratio, goal = "-", ""
        if one and ten is not None:
            ratio = f"{ten / one:.2f}"
            if tool in ("installer", "uninst"):
                goal = f"<= {SCALE_GOAL:g} {verdict(ten / one, SCALE_GOAL, missed)}"
        all_runs = " | ".join(" ".join(map(str, runs.get((s, tool), []))) for s in (1, 10))
        print(f"{label:<24}{cells[0]:>14}{cells[1]:>14}{ratio:>9}  {goal:<15}{all_runs}")
    print()
    print(f"{'ratio of medians':<24}{f'{files} files':>14}{f'{files * 10} files':>14}  goal")
    for num, den, label, goal in RATIOS:
        cells = []
        verdicts = []
        for scale in (1, 10):
            a, b = med.get((scale, num)), med.get((scale, den))
            if a is None or not b:
                cells.append("-")
                continue
            cells.append(f"{a / b:.2f}")
            verdicts.append(verdict(a / b, goal, missed))
        print(f"{label:<24}{cells[0]:>14}{cells[1]:>14}  <= {goal:g} {' / '.join(verdicts)}")
    print("every goal met" if not missed else f"{len(missed)} goal(s) MISSED")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
