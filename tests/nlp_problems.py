"""Classic small nonlinear programs with published optimal values.

Source of every problem, starting point and optimal value:
  W. Hock and K. Schittkowski, "Test Examples for Nonlinear Programming Codes",
  Lecture Notes in Economics and Mathematical Systems 187, Springer, 1981
  (problem numbers as there, "hsNN").

Each problem is written once, for any arithmetic: `objective(x, m)` and
`constraints(x, m)` take a list of variables (ondrel variables or plain
floats) and a module of mathematical functions (`ondrel` or `math`), so the
same text builds an ondrel model and evaluates at a point. Constraints are
(body, lower, upper) triples, with INF for a missing side; HS writes g(x) >= 0
and h(x) = 0, kept here as (g, 0, INF) and (h, 0, 0).

`kind` tells the problem's content: "qp" (quadratic objective, linear rows),
"qp-nonconvex", "qcqp-convex", "qcqp-nonconvex" (quadratic rows) and "nlp"
(anything else). `xstar` is the published solution where it is known in
closed form or to enough digits to check the transcription.
"""
import math

INF = 1e20
SQ2, SQ3, SQ7 = math.sqrt(2.0), math.sqrt(3.0), math.sqrt(7.0)


class Problem:
    def __init__(self, name, x0, objective, constraints=None, lb=None, ub=None, fstar=None,
                 xstar=None, kind="nlp"):
        self.name = name
        self.n = len(x0)
        self.x0 = [float(v) for v in x0]
        self.objective = objective
        self.constraints = constraints or (lambda x, m: [])
        self.lb = [(-INF if v is None else float(v)) for v in (lb or [None] * self.n)]
        self.ub = [(INF if v is None else float(v)) for v in (ub or [None] * self.n)]
        self.fstar = float(fstar)
        self.xstar = xstar
        self.kind = kind
        assert len(self.lb) == self.n and len(self.ub) == self.n, name

    def __repr__(self):
        return "Problem(%s)" % self.name


def sq(a):
    return a * a


def rosenbrock(x, m):
    return 100 * sq(x[1] - sq(x[0])) + sq(1 - x[0])


N = None
PROBLEMS = []


def problem(*args, **kw):
    PROBLEMS.append(Problem(*args, **kw))


problem("hs1", [-2, 1], rosenbrock, lb=[N, -1.5], fstar=0.0, xstar=[1, 1])
problem("hs2", [-2, 1], rosenbrock, lb=[N, 1.5], fstar=0.0504261879,
        xstar=[1.2243707487, 1.5])
problem("hs3", [10, 1], lambda x, m: x[1] + 1e-5 * sq(x[1] - x[0]), lb=[N, 0], fstar=0.0,
        xstar=[0, 0], kind="qp")
problem("hs4", [1.125, 0.125], lambda x, m: (x[0] + 1) ** 3 / 3 + x[1], lb=[1, 0],
        fstar=8.0 / 3, xstar=[1, 0])
problem("hs5", [0, 0],
        lambda x, m: m.sin(x[0] + x[1]) + sq(x[0] - x[1]) - 1.5 * x[0] + 2.5 * x[1] + 1,
        lb=[-1.5, -3], ub=[4, 3], fstar=-SQ3 / 2 - math.pi / 3,
        xstar=[0.5 - math.pi / 3, -0.5 - math.pi / 3])
problem("hs6", [-1.2, 1], lambda x, m: sq(1 - x[0]),
        lambda x, m: [(10 * (x[1] - sq(x[0])), 0, 0)], fstar=0.0, xstar=[1, 1],
        kind="qcqp-nonconvex")
problem("hs7", [2, 2], lambda x, m: m.log(1 + sq(x[0])) - x[1],
        lambda x, m: [(sq(1 + sq(x[0])) + sq(x[1]), 4, 4)], fstar=-SQ3, xstar=[0, SQ3])
problem("hs8", [2, 1], lambda x, m: -1.0,
        lambda x, m: [(sq(x[0]) + sq(x[1]), 25, 25), (x[0] * x[1], 9, 9)], fstar=-1.0,
        xstar=[(math.sqrt(43) + SQ7) / 2, (math.sqrt(43) - SQ7) / 2], kind="qcqp-nonconvex")
problem("hs9", [0, 0], lambda x, m: m.sin(math.pi * x[0] / 12) * m.cos(math.pi * x[1] / 16),
        lambda x, m: [(4 * x[0] - 3 * x[1], 0, 0)], fstar=-0.5, xstar=[-3, -4])
problem("hs10", [-10, 10], lambda x, m: x[0] - x[1],
        lambda x, m: [(-3 * sq(x[0]) + 2 * x[0] * x[1] - sq(x[1]) + 1, 0, INF)], fstar=-1.0,
        xstar=[0, 1], kind="qcqp-convex")
problem("hs11", [4.9, 0.1], lambda x, m: sq(x[0] - 5) + sq(x[1]) - 25,
        lambda x, m: [(-sq(x[0]) + x[1], 0, INF)], fstar=-8.498464223,
        xstar=[1.234679142, 1.524432460], kind="qcqp-convex")
problem("hs12", [0, 0], lambda x, m: 0.5 * sq(x[0]) + sq(x[1]) - x[0] * x[1] - 7 * x[0] - 7 * x[1],
        lambda x, m: [(25 - 4 * sq(x[0]) - sq(x[1]), 0, INF)], fstar=-30.0, xstar=[2, 3],
        kind="qcqp-convex")
problem("hs14", [2, 2], lambda x, m: sq(x[0] - 2) + sq(x[1] - 1),
        lambda x, m: [(x[0] - 2 * x[1] + 1, 0, 0), (-sq(x[0]) / 4 - sq(x[1]) + 1, 0, INF)],
        fstar=9 - 2.875 * SQ7, xstar=[(SQ7 - 1) / 2, (SQ7 + 1) / 4], kind="qcqp-convex")
problem("hs15", [-2, 1], rosenbrock,
        lambda x, m: [(x[0] * x[1] - 1, 0, INF), (x[0] + sq(x[1]), 0, INF)], ub=[0.5, N],
        fstar=306.5, xstar=[0.5, 2])
problem("hs16", [-2, 1], rosenbrock,
        lambda x, m: [(x[0] + sq(x[1]), 0, INF), (sq(x[0]) + x[1], 0, INF)], lb=[-0.5, N],
        ub=[0.5, 1], fstar=0.25, xstar=[0.5, 0.25])
problem("hs17", [-2, 1], rosenbrock,
        lambda x, m: [(sq(x[1]) - x[0], 0, INF), (sq(x[0]) - x[1], 0, INF)], lb=[-0.5, N],
        ub=[0.5, 1], fstar=1.0, xstar=[0, 0])
problem("hs18", [2, 2], lambda x, m: 0.01 * sq(x[0]) + sq(x[1]),
        lambda x, m: [(x[0] * x[1] - 25, 0, INF), (sq(x[0]) + sq(x[1]) - 25, 0, INF)],
        lb=[2, 0], ub=[50, 50], fstar=5.0, xstar=[math.sqrt(250), math.sqrt(2.5)],
        kind="qcqp-nonconvex")
problem("hs19", [20.1, 5.84], lambda x, m: (x[0] - 10) ** 3 + (x[1] - 20) ** 3,
        lambda x, m: [(sq(x[0] - 5) + sq(x[1] - 5) - 100, 0, INF),
                      (-sq(x[1] - 5) - sq(x[0] - 6) + 82.81, 0, INF)],
        lb=[13, 0], ub=[100, 100], fstar=-6961.81381, xstar=[14.095, 0.84296079])
problem("hs20", [-2, 1], rosenbrock,
        lambda x, m: [(x[0] + sq(x[1]), 0, INF), (sq(x[0]) + x[1], 0, INF),
                      (sq(x[0]) + sq(x[1]) - 1, 0, INF)],
        lb=[-0.5, N], ub=[0.5, N], fstar=81.5 - 25 * SQ3, xstar=[0.5, SQ3 / 2])
problem("hs21", [-1, -1], lambda x, m: 0.01 * sq(x[0]) + sq(x[1]) - 100,
        lambda x, m: [(10 * x[0] - x[1] - 10, 0, INF)], lb=[2, -50], ub=[50, 50], fstar=-99.96,
        xstar=[2, 0], kind="qp")
problem("hs22", [2, 2], lambda x, m: sq(x[0] - 2) + sq(x[1] - 1),
        lambda x, m: [(-x[0] - x[1] + 2, 0, INF), (-sq(x[0]) + x[1], 0, INF)], fstar=1.0,
        xstar=[1, 1], kind="qcqp-convex")
problem("hs23", [3, 1], lambda x, m: sq(x[0]) + sq(x[1]),
        lambda x, m: [(x[0] + x[1] - 1, 0, INF), (sq(x[0]) + sq(x[1]) - 1, 0, INF),
                      (9 * sq(x[0]) + sq(x[1]) - 9, 0, INF), (sq(x[0]) - x[1], 0, INF),
                      (sq(x[1]) - x[0], 0, INF)],
        lb=[-50, -50], ub=[50, 50], fstar=2.0, xstar=[1, 1], kind="qcqp-nonconvex")
problem("hs24", [1, 0.5], lambda x, m: (sq(x[0] - 3) - 9) * x[1] ** 3 / (27 * SQ3),
        lambda x, m: [(x[0] / SQ3 - x[1], 0, INF), (x[0] + SQ3 * x[1], 0, INF),
                      (-x[0] - SQ3 * x[1] + 6, 0, INF)],
        lb=[0, 0], fstar=-1.0, xstar=[3, SQ3])
problem("hs26", [-2.6, 2, 2], lambda x, m: sq(x[0] - x[1]) + (x[1] - x[2]) ** 4,
        lambda x, m: [((1 + sq(x[1])) * x[0] + x[2] ** 4 - 3, 0, 0)], fstar=0.0, xstar=[1, 1, 1])
problem("hs27", [2, 2, 2], lambda x, m: 0.01 * sq(x[0] - 1) + sq(x[1] - sq(x[0])),
        lambda x, m: [(x[0] + sq(x[2]) + 1, 0, 0)], fstar=0.04, xstar=[-1, 1, 0])
problem("hs28", [-4, 1, 1], lambda x, m: sq(x[0] + x[1]) + sq(x[1] + x[2]),
        lambda x, m: [(x[0] + 2 * x[1] + 3 * x[2] - 1, 0, 0)], fstar=0.0,
        xstar=[0.5, -0.5, 0.5], kind="qp")
problem("hs29", [1, 1, 1], lambda x, m: -x[0] * x[1] * x[2],
        lambda x, m: [(-sq(x[0]) - 2 * sq(x[1]) - 4 * sq(x[2]) + 48, 0, INF)],
        fstar=-16 * SQ2, xstar=[4, 2 * SQ2, 2])
problem("hs30", [1, 1, 1], lambda x, m: sq(x[0]) + sq(x[1]) + sq(x[2]),
        lambda x, m: [(sq(x[0]) + sq(x[1]) - 1, 0, INF)], lb=[1, -10, -10], ub=[10, 10, 10],
        fstar=1.0, xstar=[1, 0, 0], kind="qcqp-nonconvex")
problem("hs31", [1, 1, 1], lambda x, m: 9 * sq(x[0]) + sq(x[1]) + 9 * sq(x[2]),
        lambda x, m: [(x[0] * x[1] - 1, 0, INF)], lb=[-10, 1, -10], ub=[10, 10, 1],
        fstar=6.0, xstar=[1 / SQ3, SQ3, 0], kind="qcqp-nonconvex")
problem("hs32", [0.1, 0.7, 0.2], lambda x, m: sq(x[0] + 3 * x[1] + x[2]) + 4 * sq(x[0] - x[1]),
        lambda x, m: [(6 * x[1] + 4 * x[2] - x[0] ** 3 - 3, 0, INF),
                      (1 - x[0] - x[1] - x[2], 0, 0)],
        lb=[0, 0, 0], fstar=1.0, xstar=[0, 0, 1])
problem("hs33", [0, 0, 3], lambda x, m: (x[0] - 1) * (x[0] - 2) * (x[0] - 3) + x[2],
        lambda x, m: [(sq(x[2]) - sq(x[0]) - sq(x[1]), 0, INF),
                      (sq(x[0]) + sq(x[1]) + sq(x[2]) - 4, 0, INF)],
        lb=[0, 0, 0], ub=[N, N, 5], fstar=SQ2 - 6, xstar=[0, SQ2, SQ2])
problem("hs34", [0, 1.05, 2.9], lambda x, m: -x[0],
        lambda x, m: [(x[1] - m.exp(x[0]), 0, INF), (x[2] - m.exp(x[1]), 0, INF)],
        lb=[0, 0, 0], ub=[100, 100, 10], fstar=-math.log(math.log(10)),
        xstar=[math.log(math.log(10)), math.log(10), 10])
problem("hs35", [0.5, 0.5, 0.5],
        lambda x, m: (9 - 8 * x[0] - 6 * x[1] - 4 * x[2] + 2 * sq(x[0]) + 2 * sq(x[1]) + sq(x[2])
                      + 2 * x[0] * x[1] + 2 * x[0] * x[2]),
        lambda x, m: [(3 - x[0] - x[1] - 2 * x[2], 0, INF)], lb=[0, 0, 0], fstar=1.0 / 9,
        xstar=[4.0 / 3, 7.0 / 9, 4.0 / 9], kind="qp")
problem("hs36", [10, 10, 10], lambda x, m: -x[0] * x[1] * x[2],
        lambda x, m: [(72 - x[0] - 2 * x[1] - 2 * x[2], 0, INF)], lb=[0, 0, 0], ub=[20, 11, 42],
        fstar=-3300.0, xstar=[20, 11, 15])
problem("hs37", [10, 10, 10], lambda x, m: -x[0] * x[1] * x[2],
        lambda x, m: [(72 - x[0] - 2 * x[1] - 2 * x[2], 0, INF),
                      (x[0] + 2 * x[1] + 2 * x[2], 0, INF)],
        lb=[0, 0, 0], ub=[42, 42, 42], fstar=-3456.0, xstar=[24, 12, 12])
problem("hs38", [-3, -1, -3, -1],
        lambda x, m: (100 * sq(x[1] - sq(x[0])) + sq(1 - x[0]) + 90 * sq(x[3] - sq(x[2]))
                      + sq(1 - x[2]) + 10.1 * (sq(x[1] - 1) + sq(x[3] - 1))
                      + 19.8 * (x[1] - 1) * (x[3] - 1)),
        lb=[-10] * 4, ub=[10] * 4, fstar=0.0, xstar=[1, 1, 1, 1])
problem("hs39", [2, 2, 2, 2], lambda x, m: -x[0],
        lambda x, m: [(x[1] - x[0] ** 3 - sq(x[2]), 0, 0), (sq(x[0]) - x[1] - sq(x[3]), 0, 0)],
        fstar=-1.0, xstar=[1, 1, 0, 0])
problem("hs40", [0.8] * 4, lambda x, m: -x[0] * x[1] * x[2] * x[3],
        lambda x, m: [(x[0] ** 3 + sq(x[1]) - 1, 0, 0), (sq(x[0]) * x[3] - x[2], 0, 0),
                      (sq(x[3]) - x[1], 0, 0)],
        fstar=-0.25, xstar=[2 ** (-1 / 3), 2 ** (-1 / 2), 2 ** (-11 / 12), 2 ** (-1 / 4)])
problem("hs41", [2, 2, 2, 2], lambda x, m: 2 - x[0] * x[1] * x[2],
        lambda x, m: [(x[0] + 2 * x[1] + 2 * x[2] - x[3], 0, 0)], lb=[0] * 4, ub=[1, 1, 1, 2],
        fstar=52.0 / 27, xstar=[2.0 / 3, 1.0 / 3, 1.0 / 3, 2])
problem("hs42", [1, 1, 1, 1],
        lambda x, m: sq(x[0] - 1) + sq(x[1] - 2) + sq(x[2] - 3) + sq(x[3] - 4),
        lambda x, m: [(x[0] - 2, 0, 0), (sq(x[2]) + sq(x[3]) - 2, 0, 0)],
        fstar=28 - 10 * SQ2, xstar=[2, 2, 0.6 * SQ2, 0.8 * SQ2], kind="qcqp-nonconvex")
problem("hs43", [0, 0, 0, 0],
        lambda x, m: (sq(x[0]) + sq(x[1]) + 2 * sq(x[2]) + sq(x[3]) - 5 * x[0] - 5 * x[1]
                      - 21 * x[2] + 7 * x[3]),
        lambda x, m: [(8 - sq(x[0]) - sq(x[1]) - sq(x[2]) - sq(x[3]) - x[0] + x[1] - x[2] + x[3],
                       0, INF),
                      (10 - sq(x[0]) - 2 * sq(x[1]) - sq(x[2]) - 2 * sq(x[3]) + x[0] + x[3], 0, INF),
                      (5 - 2 * sq(x[0]) - sq(x[1]) - sq(x[2]) - 2 * x[0] + x[1] + x[3], 0, INF)],
        fstar=-44.0, xstar=[0, 1, 2, -1], kind="qcqp-convex")
problem("hs44", [0, 0, 0, 0],
        lambda x, m: (x[0] - x[1] - x[2] - x[0] * x[2] + x[0] * x[3] + x[1] * x[2]
                      - x[1] * x[3]),
        lambda x, m: [(8 - x[0] - 2 * x[1], 0, INF), (12 - 4 * x[0] - x[1], 0, INF),
                      (12 - 3 * x[0] - 4 * x[1], 0, INF), (8 - 2 * x[2] - x[3], 0, INF),
                      (8 - x[2] - 2 * x[3], 0, INF), (5 - x[2] - x[3], 0, INF)],
        lb=[0] * 4, fstar=-15.0, xstar=[0, 3, 0, 4], kind="qp-nonconvex")
problem("hs45", [2] * 5, lambda x, m: 2 - x[0] * x[1] * x[2] * x[3] * x[4] / 120,
        lb=[0] * 5, ub=[1, 2, 3, 4, 5], fstar=1.0, xstar=[1, 2, 3, 4, 5])
problem("hs46", [0.5 * SQ2, 1.75, 0.5, 2, 2],
        lambda x, m: sq(x[0] - x[1]) + sq(x[2] - 1) + (x[3] - 1) ** 4 + (x[4] - 1) ** 6,
        lambda x, m: [(sq(x[0]) * x[3] + m.sin(x[3] - x[4]) - 1, 0, 0),
                      (x[1] + x[2] ** 4 * sq(x[3]) - 2, 0, 0)],
        fstar=0.0, xstar=[1] * 5)
problem("hs47", [2, SQ2, -1, 2 - SQ2, 0.5],
        lambda x, m: sq(x[0] - x[1]) + (x[1] - x[2]) ** 3 + (x[2] - x[3]) ** 4 + (x[3] - x[4]) ** 4,
        lambda x, m: [(x[0] + sq(x[1]) + x[2] ** 3 - 3, 0, 0),
                      (x[1] - sq(x[2]) + x[3] - 1, 0, 0), (x[0] * x[4] - 1, 0, 0)],
        fstar=0.0, xstar=[1] * 5)
problem("hs48", [3, 5, -3, 2, -2], lambda x, m: sq(x[0] - 1) + sq(x[1] - x[2]) + sq(x[3] - x[4]),
        lambda x, m: [(x[0] + x[1] + x[2] + x[3] + x[4] - 5, 0, 0),
                      (x[2] - 2 * (x[3] + x[4]) + 3, 0, 0)],
        fstar=0.0, xstar=[1] * 5, kind="qp")
problem("hs49", [10, 7, 2, -3, 0.8],
        lambda x, m: sq(x[0] - x[1]) + sq(x[2] - 1) + (x[3] - 1) ** 4 + (x[4] - 1) ** 6,
        lambda x, m: [(x[0] + x[1] + x[2] + 4 * x[3] - 7, 0, 0), (x[2] + 5 * x[4] - 6, 0, 0)],
        fstar=0.0, xstar=[1] * 5)
problem("hs50", [35, -31, 11, 5, -5],
        lambda x, m: sq(x[0] - x[1]) + sq(x[1] - x[2]) + (x[2] - x[3]) ** 4 + sq(x[3] - x[4]),
        lambda x, m: [(x[0] + 2 * x[1] + 3 * x[2] - 6, 0, 0), (x[1] + 2 * x[2] + 3 * x[3] - 6, 0, 0),
                      (x[2] + 2 * x[3] + 3 * x[4] - 6, 0, 0)],
        fstar=0.0, xstar=[1] * 5)
problem("hs51", [2.5, 0.5, 2, -1, 0.5],
        lambda x, m: sq(x[0] - x[1]) + sq(x[1] + x[2] - 2) + sq(x[3] - 1) + sq(x[4] - 1),
        lambda x, m: [(x[0] + 3 * x[1] - 4, 0, 0), (x[2] + x[3] - 2 * x[4], 0, 0),
                      (x[1] - x[4], 0, 0)],
        fstar=0.0, xstar=[1] * 5, kind="qp")
problem("hs52", [2] * 5,
        lambda x, m: sq(4 * x[0] - x[1]) + sq(x[1] + x[2] - 2) + sq(x[3] - 1) + sq(x[4] - 1),
        lambda x, m: [(x[0] + 3 * x[1], 0, 0), (x[2] + x[3] - 2 * x[4], 0, 0), (x[1] - x[4], 0, 0)],
        fstar=1859.0 / 349, xstar=[v / 349.0 for v in (-33, 11, 180, -158, 11)], kind="qp")
problem("hs53", [2] * 5,
        lambda x, m: sq(x[0] - x[1]) + sq(x[1] + x[2] - 2) + sq(x[3] - 1) + sq(x[4] - 1),
        lambda x, m: [(x[0] + 3 * x[1], 0, 0), (x[2] + x[3] - 2 * x[4], 0, 0), (x[1] - x[4], 0, 0)],
        lb=[-10] * 5, ub=[10] * 5, fstar=176.0 / 43,
        xstar=[v / 43.0 for v in (-33, 11, 27, -5, 11)], kind="qp")
_a56 = math.asin(math.sqrt(1 / 4.2))
_b56 = math.asin(math.sqrt(5 / 7.2))
problem("hs56", [1, 1, 1, _a56, _a56, _a56, _b56], lambda x, m: -x[0] * x[1] * x[2],
        lambda x, m: [(x[0] - 4.2 * sq(m.sin(x[3])), 0, 0), (x[1] - 4.2 * sq(m.sin(x[4])), 0, 0),
                      (x[2] - 4.2 * sq(m.sin(x[5])), 0, 0),
                      (x[0] + 2 * x[1] + 2 * x[2] - 7.2 * sq(m.sin(x[6])), 0, 0)],
        fstar=-3.456)
problem("hs60", [2, 2, 2], lambda x, m: sq(x[0] - 1) + sq(x[0] - x[1]) + (x[1] - x[2]) ** 4,
        lambda x, m: [(x[0] * (1 + sq(x[1])) + x[2] ** 4 - 4 - 3 * SQ2, 0, 0)],
        lb=[-10] * 3, ub=[10] * 3, fstar=0.0325682003)
problem("hs61", [0, 0, 0],
        lambda x, m: 4 * sq(x[0]) + 2 * sq(x[1]) + 2 * sq(x[2]) - 33 * x[0] + 16 * x[1] - 24 * x[2],
        lambda x, m: [(3 * x[0] - 2 * sq(x[1]) - 7, 0, 0), (4 * x[0] - sq(x[2]) - 11, 0, 0)],
        fstar=-143.6461422, kind="qcqp-nonconvex")
problem("hs63", [2, 2, 2],
        lambda x, m: 1000 - sq(x[0]) - 2 * sq(x[1]) - sq(x[2]) - x[0] * x[1] - x[0] * x[2],
        lambda x, m: [(8 * x[0] + 14 * x[1] + 7 * x[2] - 56, 0, 0),
                      (sq(x[0]) + sq(x[1]) + sq(x[2]) - 25, 0, 0)],
        lb=[0, 0, 0], fstar=961.7151721, xstar=[3.512118414, 0.2169881741, 3.552174034],
        kind="qcqp-nonconvex")
problem("hs64", [1, 1, 1],
        lambda x, m: 5 * x[0] + 50000 / x[0] + 20 * x[1] + 72000 / x[1] + 10 * x[2] + 144000 / x[2],
        lambda x, m: [(1 - 4 / x[0] - 32 / x[1] - 120 / x[2], 0, INF)], lb=[1e-5] * 3,
        fstar=6299.842428)
problem("hs65", [-5, 5, 0],
        lambda x, m: sq(x[0] - x[1]) + sq(x[0] + x[1] - 10) / 9 + sq(x[2] - 5),
        lambda x, m: [(48 - sq(x[0]) - sq(x[1]) - sq(x[2]), 0, INF)], lb=[-4.5, -4.5, -5],
        ub=[4.5, 4.5, 5], fstar=0.9535288567, kind="qcqp-convex")
problem("hs66", [0, 1.05, 2.9], lambda x, m: 0.2 * x[2] - 0.8 * x[0],
        lambda x, m: [(x[1] - m.exp(x[0]), 0, INF), (x[2] - m.exp(x[1]), 0, INF)],
        lb=[0, 0, 0], ub=[100, 100, 10], fstar=0.5181632741)
problem("hs71", [1, 5, 5, 1], lambda x, m: x[0] * x[3] * (x[0] + x[1] + x[2]) + x[2],
        lambda x, m: [(x[0] * x[1] * x[2] * x[3] - 25, 0, INF),
                      (sq(x[0]) + sq(x[1]) + sq(x[2]) + sq(x[3]) - 40, 0, 0)],
        lb=[1] * 4, ub=[5] * 4, fstar=17.0140173, xstar=[1, 4.7429994, 3.8211503, 1.3794082])
problem("hs73", [1, 1, 1, 1], lambda x, m: 24.55 * x[0] + 26.75 * x[1] + 39 * x[2] + 40.50 * x[3],
        lambda x, m: [(2.3 * x[0] + 5.6 * x[1] + 11.1 * x[2] + 1.3 * x[3] - 5, 0, INF),
                      (12 * x[0] + 11.9 * x[1] + 41.8 * x[2] + 52.1 * x[3] - 21
                       - 1.645 * m.sqrt(0.28 * sq(x[0]) + 0.19 * sq(x[1]) + 20.5 * sq(x[2])
                                        + 0.62 * sq(x[3])), 0, INF),
                      (x[0] + x[1] + x[2] + x[3] - 1, 0, 0)],
        lb=[0] * 4, fstar=29.894378)
problem("hs76", [0.5] * 4,
        lambda x, m: (sq(x[0]) + 0.5 * sq(x[1]) + sq(x[2]) + 0.5 * sq(x[3]) - x[0] * x[2]
                      + x[2] * x[3] - x[0] - 3 * x[1] + x[2] - x[3]),
        lambda x, m: [(5 - x[0] - 2 * x[1] - x[2] - x[3], 0, INF),
                      (4 - 3 * x[0] - x[1] - 2 * x[2] + x[3], 0, INF),
                      (x[1] + 4 * x[2] - 1.5, 0, INF)],
        lb=[0] * 4, fstar=-4.681818181, kind="qp")
problem("hs77", [2] * 5,
        lambda x, m: (sq(x[0] - 1) + sq(x[0] - x[1]) + sq(x[2] - 1) + (x[3] - 1) ** 4
                      + (x[4] - 1) ** 6),
        lambda x, m: [(sq(x[0]) * x[3] + m.sin(x[3] - x[4]) - 2 * SQ2, 0, 0),
                      (x[1] + x[2] ** 4 * sq(x[3]) - 8 - SQ2, 0, 0)],
        fstar=0.2415051288)
problem("hs78", [-2, 1.5, 2, -1, -1], lambda x, m: x[0] * x[1] * x[2] * x[3] * x[4],
        lambda x, m: [(sq(x[0]) + sq(x[1]) + sq(x[2]) + sq(x[3]) + sq(x[4]) - 10, 0, 0),
                      (x[1] * x[2] - 5 * x[3] * x[4], 0, 0), (x[0] ** 3 + x[1] ** 3 + 1, 0, 0)],
        fstar=-2.91970041)
problem("hs79", [2] * 5,
        lambda x, m: (sq(x[0] - 1) + sq(x[0] - x[1]) + sq(x[1] - x[2]) + (x[2] - x[3]) ** 4
                      + (x[3] - x[4]) ** 4),
        lambda x, m: [(x[0] + sq(x[1]) + x[2] ** 3 - 2 - 3 * SQ2, 0, 0),
                      (x[1] - sq(x[2]) + x[3] + 2 - 2 * SQ2, 0, 0), (x[0] * x[4] - 2, 0, 0)],
        fstar=0.0787768209)
problem("hs80", [-2, 2, 2, -1, -1], lambda x, m: m.exp(x[0] * x[1] * x[2] * x[3] * x[4]),
        lambda x, m: [(sq(x[0]) + sq(x[1]) + sq(x[2]) + sq(x[3]) + sq(x[4]) - 10, 0, 0),
                      (x[1] * x[2] - 5 * x[3] * x[4], 0, 0), (x[0] ** 3 + x[1] ** 3 + 1, 0, 0)],
        lb=[-2.3, -2.3, -3.2, -3.2, -3.2], ub=[2.3, 2.3, 3.2, 3.2, 3.2], fstar=0.0539498478)
problem("hs83", [78, 33, 27, 27, 27],
        lambda x, m: 5.3578547 * sq(x[2]) + 0.8356891 * x[0] * x[4] + 37.293239 * x[0] - 40792.141,
        lambda x, m: [(85.334407 + 0.0056858 * x[1] * x[4] + 0.0006262 * x[0] * x[3]
                       - 0.0022053 * x[2] * x[4], 0, 92),
                      (80.51249 + 0.0071317 * x[1] * x[4] + 0.0029955 * x[0] * x[1]
                       + 0.0021813 * sq(x[2]), 90, 110),
                      (9.300961 + 0.0047026 * x[2] * x[4] + 0.0012547 * x[0] * x[2]
                       + 0.0019085 * x[2] * x[3], 20, 25)],
        lb=[78, 33, 27, 27, 27], ub=[102, 45, 45, 45, 45], fstar=-30665.53867,
        xstar=[78, 33, 29.99526, 45, 36.77581], kind="qcqp-nonconvex")
problem("hs100", [1, 2, 0, 4, 0, 1, 1],
        lambda x, m: (sq(x[0] - 10) + 5 * sq(x[1] - 12) + x[2] ** 4 + 3 * sq(x[3] - 11)
                      + 10 * x[4] ** 6 + 7 * sq(x[5]) + x[6] ** 4 - 4 * x[5] * x[6] - 10 * x[5]
                      - 8 * x[6]),
        lambda x, m: [(127 - 2 * sq(x[0]) - 3 * x[1] ** 4 - x[2] - 4 * sq(x[3]) - 5 * x[4], 0, INF),
                      (282 - 7 * x[0] - 3 * x[1] - 10 * sq(x[2]) - x[3] + x[4], 0, INF),
                      (196 - 23 * x[0] - sq(x[1]) - 6 * sq(x[5]) + 8 * x[6], 0, INF),
                      (-4 * sq(x[0]) - sq(x[1]) + 3 * x[0] * x[1] - 2 * sq(x[2]) - 5 * x[5]
                       + 11 * x[6], 0, INF)],
        fstar=680.6300573)
problem("hs108", [1] * 9,
        lambda x, m: -0.5 * (x[0] * x[3] - x[1] * x[2] + x[2] * x[8] - x[4] * x[8] + x[4] * x[7]
                             - x[5] * x[6]),
        lambda x, m: [(1 - sq(x[2]) - sq(x[3]), 0, INF), (1 - sq(x[8]), 0, INF),
                      (1 - sq(x[4]) - sq(x[5]), 0, INF), (1 - sq(x[0]) - sq(x[1] - x[8]), 0, INF),
                      (1 - sq(x[0] - x[4]) - sq(x[1] - x[5]), 0, INF),
                      (1 - sq(x[0] - x[6]) - sq(x[1] - x[7]), 0, INF),
                      (1 - sq(x[2] - x[4]) - sq(x[3] - x[5]), 0, INF),
                      (1 - sq(x[2] - x[6]) - sq(x[3] - x[7]), 0, INF),
                      (1 - sq(x[6]) - sq(x[7] - x[8]), 0, INF),
                      (x[0] * x[3] - x[1] * x[2], 0, INF), (x[2] * x[8], 0, INF),
                      (-x[4] * x[8], 0, INF), (x[4] * x[7] - x[5] * x[6], 0, INF)],
        lb=[N] * 8 + [0], fstar=-0.8660254038, kind="qcqp-nonconvex")
problem("hs113", [2, 3, 5, 5, 1, 2, 7, 3, 6, 10],
        lambda x, m: (sq(x[0]) + sq(x[1]) + x[0] * x[1] - 14 * x[0] - 16 * x[1] + sq(x[2] - 10)
                      + 4 * sq(x[3] - 5) + sq(x[4] - 3) + 2 * sq(x[5] - 1) + 5 * sq(x[6])
                      + 7 * sq(x[7] - 11) + 2 * sq(x[8] - 10) + sq(x[9] - 7) + 45),
        lambda x, m: [(105 - 4 * x[0] - 5 * x[1] + 3 * x[6] - 9 * x[7], 0, INF),
                      (-10 * x[0] + 8 * x[1] + 17 * x[6] - 2 * x[7], 0, INF),
                      (8 * x[0] - 2 * x[1] - 5 * x[8] + 2 * x[9] + 12, 0, INF),
                      (-3 * sq(x[0] - 2) - 4 * sq(x[1] - 3) - 2 * sq(x[2]) + 7 * x[3] + 120, 0, INF),
                      (-5 * sq(x[0]) - 8 * x[1] - sq(x[2] - 6) + 2 * x[3] + 40, 0, INF),
                      (-0.5 * sq(x[0] - 8) - 2 * sq(x[1] - 4) - 3 * sq(x[4]) + x[5] + 30, 0, INF),
                      (-sq(x[0]) - 2 * sq(x[1] - 2) + 2 * x[0] * x[1] - 14 * x[4] + 6 * x[5], 0, INF),
                      (3 * x[0] - 6 * x[1] - 12 * sq(x[8] - 8) + 7 * x[9], 0, INF)],
        fstar=24.3062091, kind="qcqp-convex")

BY_NAME = {p.name: p for p in PROBLEMS}


def starting_points(p, count=3, seed=12345):
    """The published start, then `count - 1` deterministic perturbations of it
    (each coordinate moved by up to 20% of max(1, |x0|)), moved into the bounds."""
    import random
    rng = random.Random(seed + sum(ord(c) for c in p.name))
    starts = [list(p.x0)]
    for _ in range(count - 1):
        x = []
        for j, v in enumerate(p.x0):
            w = v + 0.2 * max(1.0, abs(v)) * rng.uniform(-1, 1)
            x.append(min(max(w, p.lb[j]), p.ub[j]))
        starts.append(x)
    return starts
