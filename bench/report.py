#!/usr/bin/env python3
"""Prints Google Benchmark JSON results as one table, with the goals the
benchmarks are held to; exits with 1 when one is missed.
usage: report.py RESULT.json..."""
import json
import sys

# benchmark name prefix -> (what is measured, goal, unit)
GOALS = {
    "BM_ReadAndMapLines": ("items_per_second", 2_000_000, "lines/s"),
    "BM_RewriteManyLinks": ("bytes_per_second", 200e6, "B/s"),
    "BM_RewriteOneLongLine": ("bytes_per_second", 200e6, "B/s"),
}


def rate(value, unit):
    if unit == "B/s":
        return f"{value / 1e6:,.0f} MB/s"
    return f"{value / 1e6:,.2f} M{unit}"


def main():
    rows = []
    missed = 0
    context = None
    for path in sys.argv[1:]:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        context = context or data.get("context", {})
        for b in data["benchmarks"]:
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
                continue
            name = b["name"].removesuffix("_median")
            base = name.split("/")[0]
            goal = GOALS.get(base)
            if "items_per_second" in b and (goal is None or goal[0] == "items_per_second"):
                unit, value = (goal[2] if goal else "items/s"), b["items_per_second"]
            elif "bytes_per_second" in b:
                unit, value = "B/s", b["bytes_per_second"]
            else:
                unit, value = "ns/op", b["real_time"] if b["time_unit"] == "ns" else None
            shown = rate(value, unit) if unit != "ns/op" else f"{b['real_time']:,.1f} {b['time_unit']}/op"
            verdict = ""
            if goal is not None:
                met = value >= goal[1]
                missed += not met
                verdict = ("met" if met else "MISSED") + f" (goal {rate(goal[1], goal[2])})"
            rows.append((name, shown, verdict))
    if context:
        print(f"machine: {context.get('host_name', '?')}, {context.get('num_cpus', '?')} CPUs "
              f"at {context.get('mhz_per_cpu', '?')} MHz, load average "
              f"{', '.join(f'{x:.1f}' for x in context.get('load_avg', []))}")
    width = max(len(r[0]) for r in rows) if rows else 10
    print(f"{'benchmark':{width}}  {'rate':>18}  goal")
    for name, shown, verdict in rows:
        print(f"{name:{width}}  {shown:>18}  {verdict}")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
