#!/usr/bin/env python3
"""Measures layra-cli against other builds of it, side by side in one run.

    bench/cli_side_by_side.py NAME=PATH [NAME=PATH ...] [--runs N] [--files N]

The first build is the one under test; the others are measured with the same
commands, and the last is the reference the CPU ratios are taken against (e.g.
a build of the same commands without any GUI toolkit). CPU time is user + system
time of each child process (wait4), the median of --runs runs of each
command; the runs go round every command with every build in turn, so that a
change in the machine's load reaches them alike. Peak memory is the largest
resident set of one run (ru_maxrss). The soundings are those of bench/invert_throughput.sh:
90-point Schlumberger curves with 3 % scatter, one per file.
"""

import argparse
import math
import os
import random
import shutil
import statistics
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
    """CPU seconds (user + system of this child alone) and wall seconds of one
    run, or None when the command failed."""
    start = time.perf_counter()
    with open(os.devnull, "w") as null:
        child = subprocess.Popen(command, cwd=cwd, stdout=null, stderr=null)
        _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        return None  # this build cannot run the command (e.g. no pictures)
    return usage.ru_utime + usage.ru_stime, wall


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
        print(f"CPU time per run (user + system, median of {args.runs} runs), ms")
        print(f"{'command':24}" + "".join(f"{name:>14}" for name, _ in builds))
        # Round after round, every command with every build, so that a change
        # in the machine's load reaches all of them alike.
        samples = {(label, b): [] for label in commands for b in range(len(builds))}
        for _ in range(args.runs):
            for label, arguments in commands.items():
                for b, (_, path) in enumerate(builds):
                    if samples[(label, b)] is None:
                        continue
                    result = run([path] + arguments, work)
                    if result is None:
                        samples[(label, b)] = None
                    else:
                        samples[(label, b)].append(result[0])
        plain = {}
        for label in commands:
            means = [None if samples[(label, b)] is None
                     else 1000 * statistics.median(samples[(label, b)])
                     for b in range(len(builds))]
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
            for k in range(3):
                # A new folder each time: creating files where many were just
                # removed is slower on some file systems.
                out = f"batch-{name}-{k}"
                os.mkdir(os.path.join(work, out))
                cpu, wall = run([path, "invert", "-j", "2", "--output-dir", out] +
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
