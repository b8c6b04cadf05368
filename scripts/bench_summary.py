#!/usr/bin/env python3
"""Prints the medians of the benchmark runs in a folder of JSON reports, then one line per goal:
    goal <name> <measured> <target> met|missed
Ratios are taken between medians of the same run, so a busy machine slows both sides alike.
Further arguments name=value add measurements made outside the benchmarks (idle CPU, peak memory)."""
import glob
import json
import os
import sys


def reports(folder):
    """Per benchmark program: the median CPU time of each benchmark in nanoseconds, and the largest value
    over the repetitions of each counter of it."""
    out = {}
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
    for path in sorted(glob.glob(os.path.join(folder, "*.json"))):
        with open(path) as f:
            report = json.load(f)
        times, largest = {}, {}
        for b in report["benchmarks"]:
            if b.get("error_occurred"):
                continue
            if b.get("aggregate_name") == "median":
                times[b["run_name"]] = b["cpu_time"] * scale[b.get("time_unit", "ns")]
            if b.get("aggregate_name") == "max":
                for key, value in b.items():
                    if key.endswith("_us"):
                        largest[b["run_name"] + ":" + key] = value
        out[os.path.basename(path)] = (times, largest)
    return out


def goals(runs, extra):
    """(name, measured, target, met) for every goal whose benchmarks ran. A ratio is taken only between
    benchmarks of the same program, which ran side by side."""
    out = []

    def ratio(name, numerator, denominator, limit, at_most=True, per=1):
        """The numerator's time divided by `per` (a benchmark that times `per` repetitions of the thing)
        over the denominator's."""
        for times, _ in runs.values():
            if numerator in times and denominator in times:
                r = times[numerator] / per / times[denominator]
                out.append((name, f"{r:.2f}x", ("<=" if at_most else ">=") + f"{limit}x",
                            r <= limit if at_most else r >= limit))
                return

    for d in (16, 24, 32):
        memcpy = f"memcpy_frame/{d}"
        for kind in ("page_layer", "scattered_keys"):
            ratio(f"keyed_copy_{kind}_{d}", f"keyed_copy/{kind}/{d}", memcpy, 2)
        ratio(f"doubled_copy_{d}", f"doubled_copy/plain/{d}", memcpy, 2)
        ratio(f"doubled_copy_keyed_{d}", f"doubled_copy/keyed/{d}", memcpy, 2)
        ratio(f"present_work_{d}", f"present_work/texture_copy/{d}", memcpy, 2)
        # One typed character of a message in the window, against copying the whole frame.
        ratio(f"typing_per_character_{d}", f"typing/window_100_characters/{d}", memcpy, 0.1, per=100)
        ratio(f"shot_{d}", f"shot/shipped/{d}", f"shot/plain/{d}", 0.5)
        for op in ("blend", "darken"):
            for area in ("frame", "window"):
                shipped = f"{op}/{area}/{d}/shipped"
                # How many times faster than the per-pixel reference: the reference's time over ours.
                ratio(f"{op}_{area}_{d}_speedup_over_reference", f"{op}/{area}/{d}/reference", shipped, 15,
                      at_most=False)
                ratio(f"{op}_{area}_{d}_vs_pixman", shipped, f"{op}/{area}/{d}/pixman", 1)
                # The loops of processors without AVX2 or SSE2 against the plain loop the compiler vectorises.
                ratio(f"{op}_{area}_{d}_portable_vs_naive", f"{op}/{area}/{d}/portable", f"{op}/{area}/{d}/naive",
                      1)
    ratio("blend_frame_32_vs_memcpy", "blend/frame/32/shipped", "memcpy_frame/32", 1.2)
    ratio("load_game", "load/load_game", "load/read_and_convert", 1.5)
    for bits in (24, 8):
        ratio(f"picture_load_{bits}", f"picture/loader/{bits}", f"picture/sdl_reader/{bits}", 1.2)
    for times, largest in runs.values():
        # Instruction rate with the yield over the rate without: the inverse ratio of the times.
        if "interpreter/yield_window" in times and "interpreter/no_yield" in times:
            r = times["interpreter/no_yield"] / times["interpreter/yield_window"]
            out.append(("interpreter_rate_with_yield", f"{r * 100:.0f}%", ">=50%", r >= 0.5))
        gap = largest.get("interpreter/yield_window:longest_run_between_yields_us")
        if gap is not None:
            out.append(("interpreter_longest_run_between_yields", f"{gap:.0f}us", "<=1000us", gap <= 1000))
    if "idle_cpu_percent" in extra:
        v = float(extra["idle_cpu_percent"])
        out.append(("idle_window_cpu", f"{v:.1f}%", "<=5%", v <= 5))
    if "start_ms" in extra:
        v = float(extra["start_ms"])
        out.append(("start_to_loading_screen", f"{v:.0f}ms", "<=300ms", v <= 300))
    if "peak_rss_kb" in extra:
        v = float(extra["peak_rss_kb"]) / 1024
        out.append(("demo_peak_rss", f"{v:.0f}MB", "<=100MB", v <= 100))
    return out


def main():
    runs = reports(sys.argv[1])
    extra = dict(a.split("=", 1) for a in sys.argv[2:])
    names = [(program, name, ns) for program, (times, _) in runs.items() for name, ns in times.items()]
    width = max((len(n) for _, n, _ in names), default=10)
    print(f"{'benchmark (median of repetitions)':<{width}}  {'cpu time':>12}  program")
    for program, name, ns in names:
        print(f"{name:<{width}}  {ns / 1e3:>10.1f}us  {program.removesuffix('.json')}")
    print()
    for name, measured, target, met in goals(runs, extra):
        print(f"goal {name} {measured} {target} {'met' if met else 'missed'}")


if __name__ == "__main__":
    main()
