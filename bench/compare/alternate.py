"""Paired, alternating timing of two commands: run A, then B, then A, ...
(the first of each pair swapped every round so neither always goes first),
each run's wall and CPU time (user + system of the child) taken from the
process itself. Prints the median of the per-pair ratios B / A, which a
shared machine's changing load disturbs far less than two separate series.
    python3 alternate.py [-r ROUNDS] [-w WARMUP] "COMMAND A" "COMMAND B"
Output goes to /dev/null; a command that fails stops the comparison.
"""
import argparse
import os
import shlex
import statistics
import subprocess
import sys
import time


def run(command):
    start = time.perf_counter()
    with open(os.devnull, "wb") as sink:
        child = subprocess.Popen(shlex.split(command), stdout=sink, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {command}")
    return wall, usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("-r", "--rounds", type=int, default=21)
    parser.add_argument("-w", "--warmup", type=int, default=2)
    parser.add_argument("a")
    parser.add_argument("b")
    args = parser.parse_args()
    for _ in range(args.warmup):
        run(args.a)
        run(args.b)
    walls = {"a": [], "b": []}
    cpus = {"a": [], "b": []}
    for i in range(args.rounds):
        order = ("a", "b") if i % 2 == 0 else ("b", "a")
        for name in order:
            wall, cpu = run(getattr(args, name))
            walls[name].append(wall)
            cpus[name].append(cpu)
    wall_ratio = statistics.median(b / a for a, b in zip(walls["a"], walls["b"]))
    cpu_ratio = statistics.median(b / a for a, b in zip(cpus["a"], cpus["b"]))
    print(f"A median {statistics.median(walls['a']) * 1000:8.1f} ms wall {statistics.median(cpus['a']) * 1000:8.1f} ms cpu")
    print(f"B median {statistics.median(walls['b']) * 1000:8.1f} ms wall {statistics.median(cpus['b']) * 1000:8.1f} ms cpu")
    print(f"B / A, median of {args.rounds} pairs: wall {wall_ratio:.3f}, cpu {cpu_ratio:.3f}")


if __name__ == "__main__":
    main()
