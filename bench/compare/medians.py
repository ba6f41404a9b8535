"""Reads a hyperfine JSON export and prints, for each pair of commands named
on the command line (index of ours, index of the peer's, label), the median
wall time of both, their ratio, and the ratio of their mean CPU time (user +
system), which follows the machine's load less than the wall time does.
    python3 medians.py times.json "1 0 make 1200 (8-bit)" ...
"""
import json
import statistics
import sys

results = json.load(open(sys.argv[1]))["results"]


def wall(i):
    return statistics.median(results[i]["times"]) * 1000


def cpu(i):
    return (results[i]["user"] + results[i]["system"]) * 1000


print(f"{'':34s} {'ours ms':>9s} {'peer ms':>9s} {'wall':>6s} {'cpu':>6s}")
for pair in sys.argv[2:]:
    ours, peer, label = pair.split(" ", 2)
    a, b = int(ours), int(peer)
    print(f"{label:34s} {wall(a):9.2f} {wall(b):9.2f} {wall(a) / wall(b):6.2f} {cpu(a) / cpu(b):6.2f}")
