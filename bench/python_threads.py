#!/usr/bin/python3
"""Times layra.invert over the example soundings, one thread against
several: the module releases the interpreter while a run goes, so threads
share the cores.

    PYTHONPATH=build/python bench/python_threads.py [ROUNDS] [THREADS] [ENGINE]

Prints the soundings inverted per second with one thread and with THREADS
(default 2), and the ratio.
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
    start = time.perf_counter()
    with ThreadPoolExecutor(max_workers=workers) as pool:
        misfits = list(pool.map(invert, work))
    assert len(misfits) == len(work)
    return len(work) / (time.perf_counter() - start)


one = rate(1)
several = rate(threads)
print(f"{len(work)} {engine} runs: 1 thread {one:.0f}/s, {threads} threads {several:.0f}/s, "
      f"x{several / one:.2f}")
