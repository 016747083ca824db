"""Small published MIQP, MIQCP and MINLP problems solved by p.solve(), which
sends them to the tree search over QP or NLP node relaxations.

Each problem is one row of INSTANCES: its formulation, its published
optimum, the status the search must give (the proven MIP optimum for a
convex problem without formulas; for formulas or nonconvex quadratics, a
solution and no claim of optimality), the objective and constraints written
again in plain Python to check the returned point, and a reference found by
brute force over the integer values, the continuous part solved for each
assignment (by hand, or by the continuous solver where that part is
convex). The reference does not depend on the tree search, and both it and
the search must reproduce the published value.

Sources: MINLPLib (Bussieck, Drud & Meeraus 2003) and the papers it names:
Gupta & Ravindran (1985) for the nvs problems (nvs14 and nvs15 are test
problems of Himmelblau (1972) and of Hock & Schittkowski (1981) in integers), Floudas (1995) for the ex12
problems, Yuan et al. (1988), Manne's portfolio selection model from the
GAMS model library.
"""
import itertools
import math

import numpy as np
import pytest

import ondrel
from test_minlp import enumerate_min, ivar

TOL = 1e-6


def bvar():
    return ondrel.var(vartype=ondrel.binary)


def integral(v, lb, ub):
    return all(abs(t - round(t)) <= TOL and lb - TOL <= t <= ub + TOL for t in v)


def box(lb, ub, n):
    return [range(lb, ub + 1)] * n


def continuous_min(build, ints, assignments):
    """The best objective over the given integer assignments, each with the
    integer columns made continuous and fixed, solved by the continuous
    solver: exact where the continuous part is convex."""
    best = None
    for a in assignments:
        p, v = build()
        cols = [v[k] for k in ints]
        p.chgcoltype(cols, ["C"] * len(cols))
        p.chgbounds(cols, ["B"] * len(cols), list(a))
        p.solve()
        status = p.getProbStatusString()
        if status in ("lp_infeas", "nlp_infeasible", "nlp_locally_infeasible"):
            continue
        assert status in ("lp_optimal", "nlp_solution", "nlp_globally_optimal"), (a, status)
        if best is None or p.getObjVal() < best:
            best = p.getObjVal()
    return best


# ---- Gupta & Ravindran (1985), the MINLPLib nvs problems -----------------

def nvs03():
    """MINLPLib `nvs03`: optimum 16 at (4, 2). A convex quadratic objective
    and a convex quadratic row."""
    p = ondrel.problem()
    x = [ivar(0, 200) for _ in range(2)]
    p.addVariable(x)
    p.addConstraint(-0.1 * x[0] ** 2 + x[1] >= 0, -0.333333 * x[0] - x[1] + 4.5 >= 0)
    p.setObjective((x[0] - 8) ** 2 + (x[1] - 2) ** 2)
    return p, x


def nvs03_value(v):
    return (v[0] - 8) ** 2 + (v[1] - 2) ** 2


def nvs03_feasible(v):
    return (integral(v, 0, 200) and -0.1 * v[0] ** 2 + v[1] >= -TOL
            and -0.333333 * v[0] - v[1] + 4.5 >= -TOL)


def nvs04():
    """MINLPLib `nvs04`: optimum 0.72 at (1, 2). A quartic of Rosenbrock's
    kind, nonconvex."""
    p = ondrel.problem()
    x = [ivar(0, 200) for _ in range(2)]
    p.addVariable(x)
    p.setObjective(100 * (0.5 + x[1] - (0.6 + x[0]) ** 2) ** 2 + (0.4 - x[0]) ** 2)
    return p, x


def nvs04_value(v):
    return 100 * (0.5 + v[1] - (0.6 + v[0]) ** 2) ** 2 + (0.4 - v[0]) ** 2


def nvs06():
    """MINLPLib `nvs06`: optimum 1.7703 (1.7703125 at (2, 2)). Rational
    terms, nonconvex."""
    p = ondrel.problem()
    x = [ivar(1, 200) for _ in range(2)]
    p.addVariable(x)
    p.setObjective(0.1 * (12 + x[0] ** 2 + (1 + x[1] ** 2) / x[0] ** 2
                          + (x[0] ** 2 * x[1] ** 2 + 100) / (x[0] ** 4 * x[1] ** 4)))
    return p, x


def nvs06_value(v):
    a, b = v
    return 0.1 * (12 + a * a + (1 + b * b) / (a * a) + (a * a * b * b + 100) / (a ** 4 * b ** 4))


def nvs09():
    """MINLPLib `nvs09`: optimum -43.1343 with every x_i = 9. Logarithms and
    the fifth root of the product of ten integers, nonconvex."""
    p = ondrel.problem()
    x = [ivar(3, 9) for _ in range(10)]
    p.addVariable(x)
    product = x[0]
    for t in x[1:]:
        product = product * t
    p.setObjective(ondrel.Sum(ondrel.log(t - 2) ** 2 + ondrel.log(10 - t) ** 2 for t in x)
                   - product ** 0.2)
    return p, x


def nvs09_value(v):
    return sum(math.log(t - 2) ** 2 + math.log(10 - t) ** 2 for t in v) - math.prod(v) ** 0.2


def nvs09_reference():
    # The objective is symmetric in the ten integers: one point per multiset
    # (8008 of them) instead of 7^10 points.
    return min(nvs09_value(m) for m in itertools.combinations_with_replacement(range(3, 10), 10))


NVS14_ROWS = [  # constant, then coefficient and the two columns of each product; range
    (85.334407, [(0.0056858, 1, 4), (0.0006262, 0, 3), (-0.0022053, 2, 4)], 0, 92),
    (80.51249, [(0.0071317, 1, 4), (0.0029955, 0, 1), (0.0021813, 2, 2)], 90, 110),
    (9.300961, [(0.0047026, 2, 4), (0.0012547, 0, 2), (0.0019085, 2, 3)], 20, 25),
]


def nvs14():
    """MINLPLib `nvs14`: optimum -40358.1548 at (0, 9, 9, 168, 197).
    Himmelblau's problem 11 in integers on [0, 200]: bilinear ranged rows,
    nonconvex."""
    p = ondrel.problem()
    x = [ivar(0, 200) for _ in range(5)]
    p.addVariable(x)
    for const, terms, lo, hi in NVS14_ROWS:
        g = const + ondrel.Sum(c * x[i] * x[j] for c, i, j in terms)
        p.addConstraint(g >= lo, g <= hi)
    p.setObjective(5.3578547 * x[2] ** 2 + 0.8356891 * x[0] * x[4] + 37.293239 * x[0] - 40792.141)
    return p, x


def nvs14_value(v):
    return 5.3578547 * v[2] ** 2 + 0.8356891 * v[0] * v[4] + 37.293239 * v[0] - 40792.141


def nvs14_feasible(v):
    rows = [const + sum(c * v[i] * v[j] for c, i, j in terms) for const, terms, _, _ in NVS14_ROWS]
    return integral(v, 0, 200) and all(lo - TOL <= g <= hi + TOL for g, (_, _, lo, hi) in zip(rows, NVS14_ROWS))


def nvs14_reference(threshold=-40358.0):
    """The least objective over the integer points of the box whose value
    can be below threshold, exactly. The objective is at least
    5.36 x3^2 + 37.29 x1 - 40792.141, which leaves a few (x1, x3); for each,
    every (x2, x5) is tried, and the rows, linear in x4 then, give an
    interval that must hold an integer. The result is the minimum over the
    whole box when it is below threshold."""
    g = np.arange(201.0)
    x2, x5 = np.meshgrid(g, g, indexing="ij")
    best = math.inf
    for x1 in range(201):
        for x3 in range(1, 201):   # x3 = 0 leaves the third row at 9.3 < 20
            if 5.3578547 * x3 * x3 + 37.293239 * x1 - 40792.141 >= threshold:
                continue
            g2 = 80.51249 + 0.0071317 * x2 * x5 + 0.0029955 * x1 * x2 + 0.0021813 * x3 * x3
            ok = (g2 >= 90) & (g2 <= 110)
            base3 = 9.300961 + 0.0047026 * x3 * x5 + 0.0012547 * x1 * x3
            lo = np.maximum(0.0, (20 - base3) / (0.0019085 * x3))
            hi = np.minimum(200.0, (25 - base3) / (0.0019085 * x3))
            base1 = 85.334407 + 0.0056858 * x2 * x5 - 0.0022053 * x3 * x5
            if x1 == 0:
                ok &= (base1 >= 0) & (base1 <= 92)
            else:
                lo = np.maximum(lo, -base1 / (0.0006262 * x1))
                hi = np.minimum(hi, (92 - base1) / (0.0006262 * x1))
            ok &= np.ceil(lo - 1e-9) <= np.floor(hi + 1e-9)
            if ok.any():
                best = min(best, float((0.8356891 * x1 * x5[ok]).min()) + 5.3578547 * x3 * x3
                           + 37.293239 * x1 - 40792.141)
    assert best < threshold, "no point below the threshold: the minimum is elsewhere"
    return best


def nvs15():
    """MINLPLib `nvs15`: optimum 1. Hock & Schittkowski's problem 35 in
    integers: a convex quadratic with one linear row."""
    p = ondrel.problem()
    x = [ivar(0, 200) for _ in range(3)]
    p.addVariable(x)
    p.addConstraint(x[0] + x[1] + 2 * x[2] <= 3)
    p.setObjective(2 * x[0] ** 2 - 8 * x[0] + 2 * x[1] ** 2 - 6 * x[1] + x[2] ** 2 - 4 * x[2]
                   + 2 * x[0] * x[1] + 2 * x[0] * x[2] + 9)
    return p, x


def nvs15_value(v):
    a, b, c = v
    return 2 * a * a - 8 * a + 2 * b * b - 6 * b + c * c - 4 * c + 2 * a * b + 2 * a * c + 9


def nvs15_feasible(v):
    return integral(v, 0, 200) and v[0] + v[1] + 2 * v[2] <= 3 + TOL


def nvs16():
    """MINLPLib `nvs16`: optimum 0.703125 at (2, 0). Beale's function in
    integers, nonconvex."""
    p = ondrel.problem()
    a, b = ivar(0, 200), ivar(0, 200)
    p.addVariable(a, b)
    p.setObjective((1.5 - a * (1 - b)) ** 2 + (2.25 - a * (1 - b ** 2)) ** 2
                   + (2.625 - a * (1 - b ** 3)) ** 2)
    return p, [a, b]


def nvs16_value(v):
    a, b = v
    return (1.5 - a * (1 - b)) ** 2 + (2.25 - a * (1 - b * b)) ** 2 + (2.625 - a * (1 - b ** 3)) ** 2


# ---- Floudas (1995), chapter 12; Yuan et al. (1988) ----------------------

def ex1222():
    """Floudas (1995), Example 12.2.2; MINLPLib `ex1222`: optimum 1.0765 at
    x1 = 0.2 + ln 2.1, x2 = -2.1, y = 1. The exponential row bounds x2 from
    below by a concave function: a nonconvex feasible set."""
    p = ondrel.problem()
    x1, x2, y = ondrel.var(lb=0.2, ub=1), ondrel.var(lb=-2.22554, ub=-1), bvar()
    p.addVariable(x1, x2, y)
    p.addConstraint(-ondrel.exp(x1 - 0.2) - x2 <= 0, x2 + 1.1 * y <= -1, x1 - 1.2 * y <= 0.2)
    p.setObjective(-0.7 * y + 5 * (x1 - 0.5) ** 2 + 0.8)
    return p, [x1, x2, y]


def ex1222_value(v):
    return -0.7 * v[2] + 5 * (v[0] - 0.5) ** 2 + 0.8


def ex1222_feasible(v):
    x1, x2, y = v
    return (integral([y], 0, 1) and 0.2 - TOL <= x1 <= 1 + TOL and -2.22554 - TOL <= x2 <= -1 + TOL
            and -math.exp(x1 - 0.2) - x2 <= TOL and x2 + 1.1 * y <= -1 + TOL and x1 - 1.2 * y <= 0.2 + TOL)


def ex1222_reference():
    # For fixed y, x2 at its largest, -1 - 1.1 y (within its bounds), loosens
    # the exponential row the most, which then reads x1 >= 0.2 + ln(1 + 1.1 y);
    # the objective is convex in x1 alone: 0.5 clipped to the interval.
    best = None
    for y in (0, 1):
        lo, hi = max(0.2, 0.2 + math.log(1 + 1.1 * y)), min(1.0, 0.2 + 1.2 * y)
        if lo <= hi:
            x1 = min(max(0.5, lo), hi)
            v = ex1222_value([x1, -1 - 1.1 * y, y])
            best = v if best is None else min(best, v)
    return best


def ex1223a():
    """Yuan, Zhang, Pibouleau & Domenech (1988); Floudas (1995), Example
    12.2.3; MINLPLib `ex1223a`: optimum 4.5796 at x = (0.2, 0.8, 1.908),
    y = (1, 1, 0, 1). Convex; the -ln(1 + y4) term is a formula."""
    p = ondrel.problem()
    x = [ondrel.var(ub=u) for u in (1.2, 1.8, 2.5)]
    y = [bvar() for _ in range(4)]
    p.addVariable(x, y)
    p.addConstraint(ondrel.Sum(x) + y[0] + y[1] + y[2] <= 5,
                    y[2] ** 2 + x[0] ** 2 + x[1] ** 2 + x[2] ** 2 <= 5.5,
                    x[0] + y[0] <= 1.2, x[1] + y[1] <= 1.8, x[2] + y[2] <= 2.5, x[0] + y[3] <= 1.2,
                    y[1] ** 2 + x[1] ** 2 <= 1.64, y[2] ** 2 + x[2] ** 2 <= 4.25,
                    y[1] ** 2 + x[2] ** 2 <= 4.64)
    p.setObjective((y[0] - 1) ** 2 + (y[1] - 2) ** 2 + (y[2] - 1) ** 2 - ondrel.log(1 + y[3])
                   + (x[0] - 1) ** 2 + (x[1] - 2) ** 2 + (x[2] - 3) ** 2)
    return p, x + y


def ex1223a_value(v):
    x, y = v[:3], v[3:]
    return ((y[0] - 1) ** 2 + (y[1] - 2) ** 2 + (y[2] - 1) ** 2 - math.log(1 + y[3])
            + (x[0] - 1) ** 2 + (x[1] - 2) ** 2 + (x[2] - 3) ** 2)


def ex1223a_feasible(v):
    x, y = v[:3], v[3:]
    rows = [sum(x) + y[0] + y[1] + y[2] - 5, y[2] ** 2 + sum(t * t for t in x) - 5.5,
            x[0] + y[0] - 1.2, x[1] + y[1] - 1.8, x[2] + y[2] - 2.5, x[0] + y[3] - 1.2,
            y[1] ** 2 + x[1] ** 2 - 1.64, y[2] ** 2 + x[2] ** 2 - 4.25, y[1] ** 2 + x[2] ** 2 - 4.64]
    return (integral(y, 0, 1) and all(-TOL <= t <= u + TOL for t, u in zip(x, (1.2, 1.8, 2.5)))
            and max(rows) <= TOL)


def ex1226():
    """Floudas (1995), Example 12.2.6; MINLPLib `ex1226`: optimum -17 at
    (4, 1). Square roots times squares in the row: nonconvex."""
    p = ondrel.problem()
    x1, x2 = ivar(1, 10), ivar(1, 6)
    p.addVariable(x1, x2)
    p.addConstraint(2 * x2 ** 2 - 2 * ondrel.sqrt(x2) - 2 * ondrel.sqrt(x1) * x2 ** 2 + 11 * x2 + 8 * x1 <= 39,
                    -x1 + x2 <= 3, 2 * x1 + 3 * x2 <= 24)
    p.setObjective(-5 * x1 + 3 * x2)
    return p, [x1, x2]


def ex1226_value(v):
    return -5 * v[0] + 3 * v[1]


def ex1226_feasible(v):
    a, b = v
    return (integral([a], 1, 10) and integral([b], 1, 6)
            and 2 * b * b - 2 * math.sqrt(b) - 2 * math.sqrt(a) * b * b + 11 * b + 8 * a <= 39 + TOL
            and -a + b <= 3 + TOL and 2 * a + 3 * b <= 24 + TOL)


# ---- other MINLPLib problems ---------------------------------------------

def prob03():
    """MINLPLib `prob03`: optimum 10 at (2, 2). A bilinear row x1 x2 >= 3.5,
    which the search cannot prove convex."""
    p = ondrel.problem()
    x = [ivar(1, 5) for _ in range(2)]
    p.addVariable(x)
    p.addConstraint(-x[0] * x[1] <= -3.5)
    p.setObjective(3 * x[0] + 2 * x[1])
    return p, x


def prob03_value(v):
    return 3 * v[0] + 2 * v[1]


def prob03_feasible(v):
    return integral(v, 1, 5) and v[0] * v[1] >= 3.5 - TOL


ST_MIQP1_WEIGHT = [20, 12, 11, 7, 4]
ST_MIQP1_LINEAR = [42, 44, 45, 47, 47.5]


def st_miqp1():
    """MINLPLib `st_miqp1` (the test set of Tawarmalani & Sahinidis): optimum
    281 with the first three items. A convex binary QP with a cover row."""
    p = ondrel.problem()
    x = [bvar() for _ in range(5)]
    p.addVariable(x)
    p.addConstraint(ondrel.Sum(w * t for w, t in zip(ST_MIQP1_WEIGHT, x)) >= 40)
    p.setObjective(ondrel.Sum(50 * t ** 2 + c * t for c, t in zip(ST_MIQP1_LINEAR, x)))
    return p, x


def st_miqp1_value(v):
    return sum(50 * t * t + c * t for c, t in zip(ST_MIQP1_LINEAR, v))


def st_miqp1_feasible(v):
    return integral(v, 0, 1) and sum(w * t for w, t in zip(ST_MIQP1_WEIGHT, v)) >= 40 - TOL


ALAN_MEAN = [8, 9, 12, 7]           # hardware, software, show-biz, t-bills
ALAN_COV = [[4, 3, -1, 0], [3, 6, 1, 0], [-1, 1, 10, 0], [0, 0, 0, 0]]


def alan():
    """Manne's portfolio selection model (GAMS model library); MINLPLib
    `alan`: optimum 2.925, the least variance of a portfolio of mean return
    10 with at most three of the four assets, at x = (0.375, 0, 0.525, 0.1).
    A convex MIQP."""
    p = ondrel.problem()
    x = [ondrel.var(ub=1) for _ in range(4)]
    b = [bvar() for _ in range(4)]
    p.addVariable(x, b)
    p.addConstraint(ondrel.Sum(x) == 1, ondrel.Sum(m * t for m, t in zip(ALAN_MEAN, x)) == 10,
                    ondrel.Sum(b) <= 3, *[x[i] <= b[i] for i in range(4)])
    p.setObjective(ondrel.Sum(ALAN_COV[i][j] * x[i] * x[j] for i in range(4) for j in range(4) if ALAN_COV[i][j]))
    return p, x + b


def alan_value(v):
    return sum(ALAN_COV[i][j] * v[i] * v[j] for i in range(4) for j in range(4))


def alan_feasible(v):
    x, b = v[:4], v[4:]
    return (integral(b, 0, 1) and all(-TOL <= t <= 1 + TOL for t in x) and abs(sum(x) - 1) <= TOL
            and abs(sum(m * t for m, t in zip(ALAN_MEAN, x)) - 10) <= TOL and sum(b) <= 3 + TOL
            and all(t <= c + TOL for t, c in zip(x, b)))


# ---- the table ------------------------------------------------------------

class Published:
    def __init__(self, name, build, published, status, value, feasible, reference):
        self.name, self.build, self.published, self.status = name, build, published, status
        self.value, self.feasible, self.reference = value, feasible, reference


def pure(value, feasible, ranges):
    """The reference of a problem without continuous columns: every point."""
    return lambda: enumerate_min(value, feasible, ranges)


# Statuses: "mip_optimal" with a proven bound for convex problems without
# formulas; "nlp_solution" for problems with formulas (their convexity is
# not proven, so no global claim even for ex1223a); "mip_solution" and no
# bound for the nonconvex bilinear rows.
INSTANCES = [
    Published("nvs03", nvs03, 16, "mip_optimal", nvs03_value, nvs03_feasible,
              pure(nvs03_value, nvs03_feasible, box(0, 200, 2))),
    Published("nvs04", nvs04, 0.72, "nlp_solution", nvs04_value, lambda v: integral(v, 0, 200),
              pure(nvs04_value, lambda v: True, box(0, 200, 2))),
    Published("nvs06", nvs06, 1.7703, "nlp_solution", nvs06_value, lambda v: integral(v, 1, 200),
              pure(nvs06_value, lambda v: True, box(1, 200, 2))),
    Published("nvs09", nvs09, -43.1343, "nlp_solution", nvs09_value, lambda v: integral(v, 3, 9),
              nvs09_reference),
    Published("nvs14", nvs14, -40358.1548, "mip_solution", nvs14_value, nvs14_feasible, nvs14_reference),
    # x >= 0 and the row bound every integer of nvs15 by 3.
    Published("nvs15", nvs15, 1, "mip_optimal", nvs15_value, nvs15_feasible,
              pure(nvs15_value, nvs15_feasible, box(0, 3, 3))),
    Published("nvs16", nvs16, 0.703125, "nlp_solution", nvs16_value, lambda v: integral(v, 0, 200),
              pure(nvs16_value, lambda v: True, box(0, 200, 2))),
    Published("ex1222", ex1222, 1.0765, "nlp_solution", ex1222_value, ex1222_feasible, ex1222_reference),
    Published("ex1223a", ex1223a, 4.5796, "nlp_solution", ex1223a_value, ex1223a_feasible,
              lambda: continuous_min(ex1223a, range(3, 7), itertools.product((0, 1), repeat=4))),
    Published("ex1226", ex1226, -17, "nlp_solution", ex1226_value, ex1226_feasible,
              pure(ex1226_value, ex1226_feasible, [range(1, 11), range(1, 7)])),
    Published("prob03", prob03, 10, "mip_solution", prob03_value, prob03_feasible,
              pure(prob03_value, prob03_feasible, box(1, 5, 2))),
    Published("st_miqp1", st_miqp1, 281, "mip_optimal", st_miqp1_value, st_miqp1_feasible,
              pure(st_miqp1_value, st_miqp1_feasible, box(0, 1, 5))),
    Published("alan", alan, 2.925, "mip_optimal", alan_value, alan_feasible,
              lambda: continuous_min(alan, range(4, 8), itertools.product((0, 1), repeat=4))),
]
BY_NAME = {i.name: i for i in INSTANCES}


@pytest.fixture(params=[i.name for i in INSTANCES])
def instance(request):
    return BY_NAME[request.param]


def test_search_reaches_the_published_optimum(instance):
    p, v = instance.build()
    p.solve()
    assert p.getProbStatusString() == instance.status
    obj = p.getObjVal()
    assert obj == pytest.approx(instance.published, rel=1e-4)
    s = p.getSolution(v)
    assert instance.feasible(s)
    assert instance.value(s) == pytest.approx(obj, rel=1e-7, abs=1e-7)
    bound = p.attributes.bestbound
    if instance.status == "mip_optimal":
        assert obj - 1e-4 * max(1, abs(obj)) <= bound <= obj + 1e-6
    elif instance.status == "mip_solution":
        assert bound <= -1e19


def test_enumeration_reproduces_the_published_optimum(instance):
    assert instance.reference() == pytest.approx(instance.published, rel=1e-4)


@pytest.mark.parametrize("name", ["ex1222", "nvs16"])
def test_globalsol_over_the_tree_search_keeps_the_published_optimum(name):
    # Several starts, each a whole tree search: the best job is the result,
    # still reported as a solution only.
    instance = BY_NAME[name]
    p, v = instance.build()
    p.globalsol()
    assert p.getProbStatusString() == "nlp_solution"
    assert p.getObjVal() == pytest.approx(instance.published, rel=1e-4)
    assert instance.feasible(p.getSolution(v))


@pytest.mark.parametrize("name", ["st_miqp1", "alan", "nvs03"])
def test_globalsol_results_read_back_without_formulas(name):
    # A problem with no formulas is solved by the nonlinear layer's globalsol:
    # its results, not the untouched MIP solver's, are what the problem reads.
    instance = BY_NAME[name]
    p, v = instance.build()
    p.globalsol()
    assert p.getProbStatusString().startswith("nlp_")
    assert p.getObjVal() == pytest.approx(instance.published, rel=1e-4)
    assert instance.feasible(p.getSolution(v))
    # a plain solve afterwards reads the MIP solver's results again
    p.solve()
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(instance.published, rel=1e-4)
