"""Cost of a callback invocation on top of the Python callable it runs.

For the message kind (log lines of an LP solve) and the intsol kind (the
integer solution of ONDRmipoptimize on the same LP, reported once per
solve), in the same run: the solve without callbacks and the same solve
with K registrations of a trivial callable (each event then makes K
invocations, so that the difference stands well above the timing noise),
the number of invocations, and the time of the callable alone. The
overhead per invocation is (time with - time without) / invocations -
callable time. Two model sizes show how it grows: each invocation builds a
problem object for the callable and copies the problem's three index maps,
whose size is the number of variables and constraints.

    .venv/bin/python bench/callbacks.py [--repeat 5] [--sizes 100,1000] [--copies 100]
"""
import argparse
import contextlib
import os
import random
import statistics
import time

import ondrel


def lp_model(n, seed=1):
    """A dense-ish random LP of n variables and n // 2 rows (many simplex log lines)."""
    rng = random.Random(seed)
    p = ondrel.problem()
    x = [ondrel.var(lb=0, ub=10) for _ in range(n)]
    p.addVariable(*x)
    for _ in range(n // 2):
        cols = rng.sample(range(n), min(8, n))
        p.addConstraint(ondrel.Sum(rng.randint(1, 9) * x[j] for j in cols) <= rng.randint(20, 60))
    p.setObjective(ondrel.Sum(rng.randint(1, 20) * x[j] for j in range(n)), sense=ondrel.maximize)
    return p


@contextlib.contextmanager
def quiet_stdout():
    """Sends the process's standard output (HiGHS log lines) to /dev/null."""
    fd = os.dup(1)
    null = os.open(os.devnull, os.O_WRONLY)
    try:
        os.dup2(null, 1)
        yield
    finally:
        os.dup2(fd, 1)
        os.close(null)
        os.close(fd)


def timed_solve(size, kind, copies):
    p = lp_model(size)
    calls = [0]

    def message(prob, data, msg, n, t):
        calls[0] += 1

    def intsol(prob, data):
        calls[0] += 1

    p.controls.outputlog = 1 if kind == "message" else 0
    for _ in range(copies):
        if kind == "message":
            p.addcbmessage(message)
        else:
            p.addcbintsol(intsol)
    run = p.lpoptimize if kind == "message" else p.mipoptimize
    with quiet_stdout():
        t0 = time.perf_counter()
        run()
        t = time.perf_counter() - t0
    return t, calls[0]


def callable_time(kind, n=200000):
    """Seconds per call of the trivial callable alone, called from Python."""
    calls = [0]

    def message(prob, data, msg, k, t):
        calls[0] += 1

    def intsol(prob, data):
        calls[0] += 1

    p = object()
    t0 = time.perf_counter()
    if kind == "message":
        for _ in range(n):
            message(p, None, "line", 4, 1)
    else:
        for _ in range(n):
            intsol(p, None)
    return (time.perf_counter() - t0) / n


def measure(kind, size, repeat, copies):
    without, with_cb, ncalls = [], [], []
    for _ in range(repeat):  # interleaved, so that load changes hit both alike
        without.append(timed_solve(size, kind, 0)[0])
        t, c = timed_solve(size, kind, copies)
        with_cb.append(t)
        ncalls.append(c)
    t0, t1, c = statistics.median(without), statistics.median(with_cb), statistics.median(ncalls)
    base = callable_time(kind)
    per = (t1 - t0) / c if c else float("nan")
    return t0, t1, c, per - base, base


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--repeat", type=int, default=5)
    ap.add_argument("--sizes", default="100,1000")
    ap.add_argument("--copies", type=int, default=100)
    args = ap.parse_args()
    sizes = [int(s) for s in args.sizes.split(",")]
    print("load average: %.2f %.2f %.2f" % os.getloadavg())
    print("%-8s %6s %10s %10s %7s %8s %12s %12s" % ("kind", "size", "without s", "with s", "ratio",
                                                    "calls", "callable us", "overhead us"))
    for kind in ("message", "intsol"):
        for size in sizes:
            t0, t1, c, over, base = measure(kind, size, args.repeat, args.copies)
            print("%-8s %6d %10.4f %10.4f %7.2f %8d %12.2f %12.2f" % (
                kind, size, t0, t1, t1 / t0 if t0 else float("nan"), c, base * 1e6, over * 1e6))
    print("load average: %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
