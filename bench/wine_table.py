#!/usr/bin/env python3
"""Prints the table of bench/wine_compare.sh from its measurements: one line
per measurement, SCALE TAB TOOL TAB MILLISECONDS (scale 1 or 10).

usage: wine_table.py RESULTS.tsv FILES
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
    ("installer", "xcopy", "installer / xcopy", 1.1),
    ("uninst", "rmdir", "uninst / rmdir", 1.1),
]
SCALE_GOAL = 11.0  # ten times the files in at most eleven times the time


def load(path):
    runs = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.strip():
                continue
            scale, tool, ms = line.rstrip("\n").split("\t")
            runs.setdefault((int(scale), tool), []).append(int(ms))
    return runs


def verdict(value, goal):
    return "met" if value <= goal else "NOT met"


def main():
    runs = load(sys.argv[1])
    files = int(sys.argv[2])
    med = {key: statistics.median(v) for key, v in runs.items()}
    count = max(len(v) for v in runs.values())
    print(f"median of {count} alternating runs, milliseconds")
    print(f"{'tool':<24}{f'{files} files':>14}{f'{files * 10} files':>14}{'10x/1x':>9}  {'goal':<12}runs at 1x | at 10x")
    for tool, label in TOOLS:
        one, ten = med.get((1, tool)), med.get((10, tool))
        if one is None and ten is None:
            continue
        cells = [f"{m:g}" if m is not None else "-" for m in (one, ten)]
        ratio, goal = "-", ""
        if one and ten is not None:
            ratio = f"{ten / one:.2f}"
            if tool in ("installer", "uninst"):
                goal = f"<= {SCALE_GOAL:g} {verdict(ten / one, SCALE_GOAL)}"
        all_runs = " | ".join(" ".join(map(str, runs.get((s, tool), []))) for s in (1, 10))
        print(f"{label:<24}{cells[0]:>14}{cells[1]:>14}{ratio:>9}  {goal:<12}{all_runs}")
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
            verdicts.append(verdict(a / b, goal))
        print(f"{label:<24}{cells[0]:>14}{cells[1]:>14}  <= {goal:g} {' / '.join(verdicts)}")


if __name__ == "__main__":
    main()
