"""Cost of building large expressions with the modelling algebra.

For n = 10^4, 10^5 and 10^6 it builds
  - Sum(c[i]*x[i] for i in range(n))
  - e = 0; e += c[i]*x[i] for every i
  - Dot(c, x) with NumPy arrays c (floats) and x (variables)
and, for a small dense Q, the quadratic Dot(x, Q, x). It prints the time
and the peak memory per term, and the ratio of the times at 10^6 and 10^5,
which is about 10 when the cost is linear in the number of terms.

Run: .venv/bin/python bench/algebra.py [--max-exp 6]
"""
import argparse
import gc
import time
import tracemalloc

import numpy as np

import ondrel


def measure(build, repeat=1):
    """Best CPU time of `repeat` runs (ns), and the peak traced memory of one run (bytes)."""
    best = float("inf")
    for _ in range(repeat):
        gc.collect()
        t0 = time.process_time_ns()
        result = build()
        best = min(best, time.process_time_ns() - t0)
        del result
    gc.collect()
    tracemalloc.start()
    result = build()
    peak = tracemalloc.get_traced_memory()[1]
    tracemalloc.stop()
    del result
    return best, peak


def linear_cases(n):
    x = [ondrel.var() for _ in range(n)]
    c = [1.0 + (i % 7) for i in range(n)]
    xa = np.array(x, dtype=object)
    ca = np.array(c)

    def by_sum():
        return ondrel.Sum(c[i] * x[i] for i in range(n))

    def by_inplace():
        e = 0
        for i in range(n):
            e += c[i] * x[i]
        return e

    def by_dot():
        return ondrel.Dot(ca, xa)

    return {"Sum(c[i]*x[i])": by_sum, "e += c[i]*x[i]": by_inplace, "Dot(c, x)": by_dot}


def quadratic_case(m):
    x = np.array([ondrel.var() for _ in range(m)], dtype=object)
    rng = np.random.default_rng(1)
    Q = rng.random((m, m))
    return lambda: ondrel.Dot(x, Q, x)


def nonlinear_cases(n):
    """The chained Rosenbrock sum as an objective and as one constraint, and
    its terms as n constraints: the time includes the conversion into the
    library (setObjective / addConstraint)."""
    x = [ondrel.var(lb=-2, ub=2) for _ in range(n)]

    def rosenbrock():
        return ondrel.Sum(100 * (x[i + 1] - x[i] ** 2) ** 2 + (1 - x[i]) ** 2 for i in range(n - 1))

    def problem():
        p = ondrel.problem()
        p.addVariable(x)
        return p

    def as_objective():
        p = problem()
        p.setObjective(rosenbrock())
        return p

    def as_constraint():
        p = problem()
        p.addConstraint(rosenbrock() <= 10 * n)
        return p

    def as_rows():
        p = problem()
        p.addConstraint([100 * (x[i + 1] - x[i] ** 2) ** 2 + (1 - x[i]) ** 2 <= 10 for i in range(n - 1)])
        return p

    return {"Rosenbrock obj": as_objective, "Rosenbrock con": as_constraint, "Rosenbrock rows": as_rows}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--max-exp", type=int, default=6)
    args = ap.parse_args()
    sizes = [10**k for k in range(4, args.max_exp + 1)]
    times = {}
    print(f"{'case':<18}{'n':>10}{'ns/term':>12}{'peak B/term':>14}")
    for n in sizes:
        for name, build in linear_cases(n).items():
            t, peak = measure(build, repeat=3)
            times[(name, n)] = t
            print(f"{name:<18}{n:>10}{t / n:>12.1f}{peak / n:>14.1f}")
    for m in (30, 100):
        t, peak = measure(quadratic_case(m), repeat=3)
        terms = m * m
        print(f"{'Dot(x, Q, x)':<18}{terms:>10}{t / terms:>12.1f}{peak / terms:>14.1f}   (m = {m}, dense Q)")
    print()
    nl = {}
    for n in (10**4, 10**5):
        for name, build in nonlinear_cases(n).items():
            t, peak = measure(build)
            nl[(name, n)] = t
            print(f"{name:<18}{n:>10}{t / n:>12.1f}{peak / n:>14.1f}")
    for name in nonlinear_cases(2):
        print(f"time(10^5) / time(10^4) for {name}: {nl[(name, 10**5)] / nl[(name, 10**4)]:.2f}")
    if 10**6 in sizes:
        print()
        for name in linear_cases(1):
            ratio = times[(name, 10**6)] / times[(name, 10**5)]
            print(f"time(10^6) / time(10^5) for {name}: {ratio:.2f}")


if __name__ == "__main__":
    main()
