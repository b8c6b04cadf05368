#!/usr/bin/env python3
"""Prints the medians of the benchmark runs in a folder of JSON reports, then one line per goal:
    goal <name> <measured> <target> met|missed
Ratios are taken between medians of the same run, so a busy machine slows both sides alike.
Further arguments name=value add measurements made outside the benchmarks (idle CPU, peak memory)."""
import glob
import json
import os
import sys


def medians(folder):
    """Median CPU time per benchmark name, in nanoseconds."""
    times = {}
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
    for path in sorted(glob.glob(os.path.join(folder, "*.json"))):
        with open(path) as f:
            report = json.load(f)
        for b in report["benchmarks"]:
            if b.get("aggregate_name") != "median" or b.get("error_occurred"):
                continue
            times[b["run_name"]] = b["cpu_time"] * scale[b.get("time_unit", "ns")]
    return times


def goals(t, extra):
    """(name, measured, target, met) for every goal whose benchmarks ran."""
    out = []

    def ratio(name, numerator, denominator, limit, at_most=True):
        if numerator in t and denominator in t:
            r = t[numerator] / t[denominator]
            out.append((name, f"{r:.2f}x", ("<=" if at_most else ">=") + f"{limit}x",
                        r <= limit if at_most else r >= limit))

    for d in (16, 24, 32):
        memcpy = f"memcpy_frame/{d}"
        for kind in ("page_layer", "scattered_keys"):
            ratio(f"keyed_copy_{kind}_{d}", f"keyed_copy/{kind}/{d}", memcpy, 2)
        ratio(f"doubled_copy_{d}", f"doubled_copy/plain/{d}", memcpy, 2)
        ratio(f"doubled_copy_keyed_{d}", f"doubled_copy/keyed/{d}", memcpy, 2)
        ratio(f"present_work_{d}", f"present_work/texture_copy/{d}", memcpy, 2.5)
        for op in ("blend", "darken"):
            for area in ("frame", "window"):
                ratio(f"{op}_{area}_{d}_vs_pixman", f"{op}/{area}/{d}/shipped", f"{op}/{area}/{d}/pixman", 1)
    ratio("load_game", "load/load_game", "load/read_and_convert", 1.5)
    # Instruction rate with the yield over the rate without: the inverse ratio of the times.
    if "interpreter/yield_window" in t and "interpreter/no_yield" in t:
        r = t["interpreter/no_yield"] / t["interpreter/yield_window"]
        out.append(("interpreter_rate_with_yield", f"{r * 100:.0f}%", ">=50%", r >= 0.5))
    if "idle_cpu_percent" in extra:
        v = float(extra["idle_cpu_percent"])
        out.append(("idle_window_cpu", f"{v:.1f}%", "<=5%", v <= 5))
    if "peak_rss_kb" in extra:
        v = float(extra["peak_rss_kb"]) / 1024
        out.append(("demo_peak_rss", f"{v:.0f}MB", "<=100MB", v <= 100))
    return out


def main():
    t = medians(sys.argv[1])
    extra = dict(a.split("=", 1) for a in sys.argv[2:])
    width = max((len(n) for n in t), default=10)
    print(f"{'benchmark (median of repetitions)':<{width}}  {'cpu time':>12}")
    for name, ns in t.items():
        print(f"{name:<{width}}  {ns / 1e3:>10.1f}us")
    print()
    for name, measured, target, met in goals(t, extra):
        print(f"goal {name} {measured} {target} {'met' if met else 'missed'}")


if __name__ == "__main__":
    main()
