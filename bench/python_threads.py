#!/usr/bin/python3
"""Times layra.invert over the example soundings, one thread against
several: the module releases the interpreter while a run goes, so threads
share the cores.

    PYTHONPATH=build/python bench/python_threads.py [ROUNDS] [THREADS] [ENGINE]

Prints the soundings inverted per second with one thread and with THREADS
(default 2), the cores each used on average, and the ratio.
"""

import sys
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import layra

rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 20
threads = int(sys.argv[2]) if len(sys.argv) > 2 else 2
engine = sys.argv[3] if len(sys.argv) > 3 else "accurate"
examples = Path(__file__).resolve().parent.parent / "examples"
soundings = [layra.read_data(path) for path in
             sorted(examples.glob("*.dat")) + sorted((examples / "survey").glob("*.dat"))]
work = soundings * rounds


def invert(sounding):
    return layra.invert(sounding, engine=engine).misfit


def rate(workers):
    """Runs per second and the cores used on average (process CPU time over
    wall time: above 1 only when runs go on at the same time)."""
    start, cpu = time.perf_counter(), time.process_time()
    with ThreadPoolExecutor(max_workers=workers) as pool:
        misfits = list(pool.map(invert, work))
    assert len(misfits) == len(work)
    wall = time.perf_counter() - start
    return len(work) / wall, (time.process_time() - cpu) / wall


one, one_cores = rate(1)
several, several_cores = rate(threads)
print(f"{len(work)} {engine} runs: 1 thread {one:.0f}/s ({one_cores:.2f} cores), "
      f"{threads} threads {several:.0f}/s ({several_cores:.2f} cores), x{several / one:.2f}")
