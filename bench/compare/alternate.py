"""Paired, alternating whole-process timing: every round runs each command
once, in the order given, so that the machine's load falls on all of them
alike. Prints each command's median wall time and mean CPU time (user +
system, from the kernel), then for each pair asked for the ratio of the
medians, the median of the per-round ratios, the median per-round
difference and the ratio of mean CPU times (steadier on a busy machine).
    python3 alternate.py [--pipe] ROUNDS WARMUPS 'label=command' ... -- 'A B label' ...
A and B are 0-based indices of the commands. A command's output goes to
/dev/null, or with --pipe into a pipe that this script drains, as a shell
pipeline to another program would take it.
"""
import os
import shlex
import statistics
import sys
import time

args = sys.argv[1:]
piped = bool(args) and args[0] == "--pipe"
if piped:
    args = args[1:]
rounds, warmups = int(args[0]), int(args[1])
rest = args[2:]
split = rest.index("--") if "--" in rest else len(rest)
commands = [c.split("=", 1) for c in rest[:split]]
pairs = rest[split + 1:]
null = os.open(os.devnull, os.O_RDWR)


def run(argv):
    """Wall seconds and CPU seconds of one run of argv."""
    start = time.perf_counter()
    out, extra = null, []
    if piped:
        r, out = os.pipe()
        extra = [(os.POSIX_SPAWN_CLOSE, r)]
    pid = os.posix_spawnp(argv[0], argv, os.environ,
                          file_actions=[(os.POSIX_SPAWN_DUP2, null, 0), (os.POSIX_SPAWN_DUP2, out, 1),
                                        (os.POSIX_SPAWN_DUP2, null, 2)] + extra)
    if piped:
        os.close(out)
        while os.read(r, 1 << 20):
            pass
        os.close(r)
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {shlex.join(argv)}")
    return wall, usage.ru_utime + usage.ru_stime


argvs = [shlex.split(cmd) for _, cmd in commands]
for _ in range(warmups):
    for argv in argvs:
        run(argv)
walls = [[] for _ in commands]
cpus = [[] for _ in commands]
for _ in range(rounds):
    for i, argv in enumerate(argvs):
        w, c = run(argv)
        walls[i].append(w)
        cpus[i].append(c)

print(f"{rounds} rounds, commands alternating; load average {os.getloadavg()[0]:.2f}")
print(f"{'':40s} {'median ms':>10s} {'cpu ms':>8s}")
for (label, _), w, c in zip(commands, walls, cpus):
    print(f"{label:40s} {statistics.median(w) * 1000:10.2f} {statistics.mean(c) * 1000:8.2f}")
print(f"{'':40s} {'ratio':>10s} {'paired':>8s} {'diff ms':>8s} {'cpu':>6s}")
for pair in pairs:
    a, b, label = pair.split(" ", 2)
    wa, wb = walls[int(a)], walls[int(b)]
    ratio = statistics.median(wa) / statistics.median(wb)
    paired = statistics.median(x / y for x, y in zip(wa, wb))
    diff = statistics.median(x - y for x, y in zip(wa, wb)) * 1000
    cpu = statistics.mean(cpus[int(a)]) / statistics.mean(cpus[int(b)])
    print(f"{label:40s} {ratio:10.2f} {paired:8.2f} {diff:+8.2f} {cpu:6.2f}")
