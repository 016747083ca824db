"""Cost of reading results and deleting objects as the model grows.

For n = 10^4, 10^5 and 10^6 columns (one row over all of them), after a
solve: the time of one `getSolution(x)` call (averaged over 1000 calls on
different variables), of `getSolution()` for all variables, and of deleting
one variable. A read of one object should cost the same at every size; the
whole-vector read and the deletion grow with n (one pass). Prints the ratio
of each time to the time at the smallest size, and the load average.

    .venv/bin/python bench/problem.py [--max-exp 6]
"""
import argparse
import os
import time

import ondrel


def measure(n):
    x = [ondrel.var(ub=1) for _ in range(n)]
    p = ondrel.problem()
    p.addVariable(x)
    p.addConstraint(ondrel.Sum(x) <= n / 2)
    p.setObjective(ondrel.Sum(x), sense=ondrel.maximize)
    p.controls.outputlog = 0
    p.solve()
    k = min(1000, n)
    t0 = time.perf_counter()
    for i in range(k):
        p.getSolution(x[i])
    one = (time.perf_counter() - t0) / k
    t0 = time.perf_counter()
    p.getSolution()
    whole = time.perf_counter() - t0
    t0 = time.perf_counter()
    p.delVariable(x[n // 2])
    delete = time.perf_counter() - t0
    return one, whole, delete


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--max-exp", type=int, default=6)
    args = ap.parse_args()
    print("load average: %.2f %.2f %.2f" % os.getloadavg())
    base = None
    print("%9s %14s %14s %14s   ratios to the smallest size" % ("n", "one read", "all values", "delete one"))
    for e in range(4, args.max_exp + 1):
        r = measure(10 ** e)
        base = base or r
        print("%9d %12.2f us %12.2f ms %12.2f ms   %5.1f %7.1f %7.1f" % (
            10 ** e, r[0] * 1e6, r[1] * 1e3, r[2] * 1e3, r[0] / base[0], r[1] / base[1], r[2] / base[2]))
    print("load average: %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
