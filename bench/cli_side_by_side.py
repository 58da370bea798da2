#!/usr/bin/env python3
"""Measures layra-cli against other builds of it, side by side in one run.

    bench/cli_side_by_side.py NAME=PATH [NAME=PATH ...] [--runs N] [--files N]

The first build is the one under test; the others are measured with the same
commands, and the last is the reference the CPU ratios are taken against (e.g.
a build of the same commands without any GUI toolkit). CPU time is user + system
time of the child processes from getrusage(RUSAGE_CHILDREN), averaged over
--runs runs of each command, the builds taking turns run by run so that a
busy machine slows them alike. Peak memory is the largest resident set of one
run (ru_maxrss). The soundings are those of bench/invert_throughput.sh:
90-point Schlumberger curves with 3 % scatter, one per file.
"""

import argparse
import math
import os
import random
import resource
import shutil
import subprocess
import sys
import tempfile
import time


def sounding(seed):
    rng = random.Random(seed)
    lines = [f"Throughput sounding {seed}", "Array type (Wenner or Schlumberger)",
             "Schlumberger", "Number of data points", "90", "Data type", "Resistivity",
             "Error in measurements inluded (Yes,No)", "No", "Data section"]
    for i in range(90):
        a = math.exp(math.log(10) * 3 * i / 89)
        rho = 40 + 160 / (1 + (a / 4) ** 2) + 300 / (1 + (200 / a) ** 1.5)
        rho *= 1 + 0.03 * (rng.random() + rng.random() + rng.random() - 1.5) * 2
        lines.append(f"{a:10.3f}  {0.5:10.3f}  {rho:10.3f}")
    lines += ["User Starting Model Available (Yes/No)", "No"]
    return "\n".join(lines) + "\n"


def run(command, cwd):
    """CPU seconds, wall seconds and peak resident kilobytes of one run."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    with open(os.devnull, "w") as null:
        status = subprocess.run(command, cwd=cwd, stdout=null, stderr=null).returncode
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if status != 0:
        return None  # this build cannot run the command (e.g. no pictures)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return cpu, wall, after.ru_maxrss


def peak_memory(command, cwd):
    """Peak resident kilobytes of `command`, measured in a fresh child."""
    probe = ("import resource, subprocess, sys, os\n"
             "subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, "
             "stderr=subprocess.DEVNULL, check=True)\n"
             "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)\n")
    out = subprocess.run([sys.executable, "-c", probe] + command, cwd=cwd,
                         capture_output=True, text=True)
    return int(out.stdout) if out.returncode == 0 else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("builds", nargs="+", help="NAME=PATH of layra-cli")
    parser.add_argument("--runs", type=int, default=40)
    parser.add_argument("--files", type=int, default=1000)
    args = parser.parse_args()
    # The runs start in a temporary folder: paths are taken from here.
    builds = [(name, os.path.abspath(path)) for name, path in (b.split("=", 1) for b in args.builds)]
    work = tempfile.mkdtemp(prefix="layra_bench_")
    try:
        with open(os.path.join(work, "one.dat"), "w") as f:
            f.write(sounding(1))
        batch = os.path.join(work, "batch")
        os.mkdir(batch)
        for k in range(1, 4 * args.files + 1):
            with open(os.path.join(batch, f"s{k:05d}.dat"), "w") as f:
                f.write(sounding(k))
        names = sorted(os.listdir(batch))
        os.mkdir(os.path.join(work, "out"))
        commands = {
            "--help": ["--help"],
            "invert (90 points)": ["invert", "--output-dir", "out", "one.dat"],
            "invert --plot x.png": ["invert", "--output-dir", "out", "--plot", "x.png", "one.dat"],
            "invert --plot x.svg": ["invert", "--output-dir", "out", "--plot", "x.svg", "one.dat"],
            "invert --plot x.bmp": ["invert", "--output-dir", "out", "--plot", "x.bmp", "one.dat"],
        }
        print(f"CPU time per run (user + system, mean of {args.runs} runs), ms")
        print(f"{'command':24}" + "".join(f"{name:>14}" for name, _ in builds))
        plain = {}
        for label, arguments in commands.items():
            totals = [0.0] * len(builds)
            for _ in range(args.runs):
                for b, (_, path) in enumerate(builds):
                    result = run([path] + arguments, work) if totals[b] is not None else None
                    totals[b] = None if result is None else totals[b] + result[0]
            means = [None if t is None else 1000 * t / args.runs for t in totals]
            if label == "invert (90 points)":
                plain = dict(zip([n for n, _ in builds], means))
            cells = "".join(f"{'n/a':>14}" if m is None else f"{m:14.2f}" for m in means)
            ratio = ""
            if label.startswith("invert --plot"):
                ratio = "   " + " ".join(f"{n}: {m / plain[n]:.2f}x plain"
                                         for (n, _), m in zip(builds, means) if m is not None)
            elif label != "invert (90 points)" or len(builds) > 1:
                ratio = "   " + " ".join(f"{n}/{builds[-1][0]}: {m / means[-1]:.2f}x"
                                         for (n, _), m in zip(builds[:-1], means)
                                         if m is not None and means[-1])
            print(f"{label:24}{cells}{ratio}")

        print(f"\nBatch: invert -j 2 of {args.files} files, best of 3 runs")
        for name, path in builds:
            best = None
            for _ in range(3):
                shutil.rmtree(os.path.join(work, "out"))
                os.mkdir(os.path.join(work, "out"))
                cpu, wall, _ = run([path, "invert", "-j", "2", "--output-dir", "out"] +
                                   [os.path.join("batch", n) for n in names[:args.files]], work)
                if best is None or wall < best[1]:
                    best = (cpu, wall)
            print(f"{name:14} {args.files / best[1]:8.0f} files/s  "
                  f"({1000 * best[1]:.0f} ms wall, {1000 * best[0] / args.files:.3f} ms CPU per file)")

        print("\nPeak memory (largest resident set), MB")
        counts = [args.files // 4, args.files, 4 * args.files]
        rows = {
            "invert --plot 8192x8192 .svg": ["invert", "--output-dir", "out", "--size",
                                             "8192x8192", "--plot", "big.svg", "one.dat"],
            "invert --plot 8192x8192 .png": ["invert", "--output-dir", "out", "--size",
                                             "8192x8192", "--plot", "big.png", "one.dat"],
            "invert --plot 8192x8192 .bmp": ["invert", "--output-dir", "out", "--size",
                                             "8192x8192", "--plot", "big.bmp", "one.dat"],
        }
        for count in counts:
            rows[f"invert -j 2, {count} files"] = (
                ["invert", "-j", "2", "--output-dir", "out"] +
                [os.path.join("batch", n) for n in names[:count]])
            rows[f"invert -j 2 --json, {count} files"] = (
                ["invert", "-j", "2", "--json", "--output-dir", "out"] +
                [os.path.join("batch", n) for n in names[:count]])
        print(f"{'command':36}" + "".join(f"{name:>14}" for name, _ in builds))
        for label, arguments in rows.items():
            peaks = [peak_memory([path] + arguments, work) for _, path in builds]
            cells = "".join(f"{'n/a':>14}" if p is None else f"{p / 1024:14.1f}" for p in peaks)
            print(f"{label:36}{cells}")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
