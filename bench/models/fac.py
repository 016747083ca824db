"""fac(G, F): facility location, linear variant (a MIP).

Customers sit at the grid points (i/G, j/G), i, j = 0..G; F facilities at
y[f] in [0, 1]^2. z[i,j,f] binary assigns customer (i, j) to facility f,
s[i,j,f] >= 0 bounds its distance, r[i,j,f,k] free holds the coordinate
differences, d free is the largest distance. Minimise d subject to
    sum_f z[i,j,f] = 1
    s[i,j,f] = d + M (1 - z[i,j,f])            (M = 2 sqrt 2)
    r[i,j,f,0] = i/G - y[f,0],  r[i,j,f,1] = j/G - y[f,1]
    |r0| + |r1| <= s  as the four rows  +-r0 +- r1 <= s.
The distance is the 1-norm (four linear rows per pair) instead of the
Euclidean cone of the original model, so HiGHS, CBC and the others solve it
as a plain MIP.

Each builder writes the model the way a user of that package would, and
returns the package's model object with the objective set (minimise).
"""
import math

SIZES = {"small": (10, 10), "mid": (25, 25), "large": (50, 50)}
# The assignment binaries are highly symmetric: no solver here proves fac
# optimal at the benchmark sizes within minutes, so there is no full solve.
SOLVE_SIZE = None
VERIFY_SIZE = (4, 2)   # under 2000 variables and rows: gurobipy's size-limited licence allows it

SIGNS = ((1, 1), (1, -1), (-1, 1), (-1, -1))


class Data:
    def __init__(self, GF):
        self.G, self.F = GF
        self.M = 2 * math.sqrt(2)
        self.pts = [i / self.G for i in range(self.G + 1)]

    def describe(self):
        C = (self.G + 1) ** 2
        return {"vars": 4 * C * self.F + 2 * self.F + 1, "rows": C * (1 + 7 * self.F)}


def make_data(GF):
    return Data(tuple(GF))


def _triples(d):
    n = d.G + 1
    return [(i, j, f) for i in range(n) for j in range(n) for f in range(d.F)]


def ondrel(d):
    import ondrel as xp
    G, F, M = d.G, d.F, d.M
    n = G + 1
    y = xp.vars(F, 2, name="y", lb=0, ub=1)
    z = xp.vars(n, n, F, name="z", vartype=xp.binary, lb=0, ub=1)
    s = xp.vars(n, n, F, name="s", lb=0)
    r = xp.vars(n, n, F, 2, name="r", lb=-xp.infinity)
    dd = xp.var(name="d", lb=-xp.infinity)
    p = xp.problem()
    p.addVariable(y, z, s, r, dd)
    T = _triples(d)
    cons = [xp.Sum(z[i, j, f] for f in range(F)) == 1 for i in range(n) for j in range(n)]
    cons += [s[i, j, f] == dd + M * (1 - z[i, j, f]) for i, j, f in T]
    cons += [r[i, j, f, 0] == d.pts[i] - y[f, 0] for i, j, f in T]
    cons += [r[i, j, f, 1] == d.pts[j] - y[f, 1] for i, j, f in T]
    cons += [a * r[i, j, f, 0] + b * r[i, j, f, 1] <= s[i, j, f] for i, j, f in T for a, b in SIGNS]
    p.addConstraint(cons)
    p.setObjective(dd, sense=xp.minimize)
    return p


def highspy(d):
    import highspy as hp
    G, F, M = d.G, d.F, d.M
    n = G + 1
    h = hp.Highs()
    h.silent()
    y = h.addVariables(F, 2, lb=0, ub=1)
    z = h.addBinaries(n, n, F)
    s = h.addVariables(n, n, F, lb=0)
    r = h.addVariables(n, n, F, 2, lb=-h.inf)
    dd = h.addVariable(lb=-h.inf)
    T = _triples(d)
    h.addConstrs(h.qsum(z[i, j, f] for f in range(F)) == 1 for i in range(n) for j in range(n))
    h.addConstrs(s[i, j, f] == dd + M * (1 - z[i, j, f]) for i, j, f in T)
    h.addConstrs(r[i, j, f, 0] == d.pts[i] - y[f, 0] for i, j, f in T)
    h.addConstrs(r[i, j, f, 1] == d.pts[j] - y[f, 1] for i, j, f in T)
    h.addConstrs(a * r[i, j, f, 0] + b * r[i, j, f, 1] <= s[i, j, f]
                 for i, j, f in T for a, b in SIGNS)
    h.setObjective(dd, sense=hp.ObjSense.kMinimize)
    return h


def _matrix(d):
    """The rows of the ondrel builder as NumPy arrays, columns y, z, s, r, d."""
    import numpy as np
    from models.matrix import INF, Matrix
    n, F, M = d.G + 1, d.F, d.M
    nt = n * n * F
    Y = np.arange(2 * F).reshape(F, 2)
    Z = 2 * F + np.arange(nt)
    S = Z + nt
    R = 2 * F + 2 * nt + np.arange(2 * nt).reshape(nt, 2)
    D = 2 * F + 4 * nt
    t = np.arange(nt)
    i, j, f = t // (n * F), (t // F) % n, t % F
    pts = np.asarray(d.pts)
    sg = np.asarray(SIGNS, dtype=float)
    ones = np.ones
    blocks = [  # (index, value, rhs, type) of rows with the same number of entries
        (Z.reshape(n * n, F), ones((n * n, F)), ones(n * n), "E"),
        (np.stack([S, np.full(nt, D), Z], 1), np.tile([1.0, -1.0, M], (nt, 1)), np.full(nt, M), "E"),
        (np.stack([R[:, 0], Y[f, 0]], 1), ones((nt, 2)), pts[i], "E"),
        (np.stack([R[:, 1], Y[f, 1]], 1), ones((nt, 2)), pts[j], "E"),
        (np.repeat(np.stack([R[:, 0], R[:, 1], S], 1), 4, axis=0),
         np.column_stack([np.tile(sg, (nt, 1)), -ones(4 * nt)]), np.zeros(4 * nt), "L"),
    ]
    index = np.concatenate([b[0].ravel() for b in blocks]).astype(np.int64)
    value = np.concatenate([b[1].ravel() for b in blocks])
    rhs = np.concatenate([b[2] for b in blocks])
    rowtype = np.concatenate([np.full(len(b[2]), b[3]) for b in blocks])
    widths = np.concatenate([np.full(len(b[2]), b[0].shape[1]) for b in blocks])
    start = np.zeros(len(rhs) + 1, dtype=np.int64)
    np.cumsum(widths, out=start[1:])
    ncols = D + 1
    obj = np.zeros(ncols)
    obj[D] = 1.0
    lb = np.concatenate([np.zeros(2 * F + 2 * nt), np.full(2 * nt + 1, -INF)])
    ub = np.concatenate([ones(2 * F + nt), np.full(3 * nt + 1, INF)])
    return Matrix(obj, lb, ub, rowtype, rhs, start, index, value, binaries=Z)


def ondrel_matrix(d):
    """NumPy arrays by columns, loaded whole with loadproblem."""
    from models.matrix import ondrel_load
    return ondrel_load(_matrix(d))


def ondrel_rows(d):
    """NumPy arrays: addcols for the columns, addrows for the rows."""
    from models.matrix import ondrel_rows as build
    return build(_matrix(d))


def highspy_matrix(d):
    """The floor: the same arrays handed to HiGHS in one call."""
    from models.matrix import highspy_load
    return highspy_load(_matrix(d))


def pyoptinterface(d):
    import pyoptinterface as poi
    from pyoptinterface import highs
    G, F, M = d.G, d.F, d.M
    n = G + 1
    m = highs.Model()
    m.set_model_attribute(poi.ModelAttribute.Silent, True)
    y = m.add_variables(range(F), range(2), lb=0, ub=1)
    z = m.add_variables(range(n), range(n), range(F), domain=poi.VariableDomain.Binary)
    s = m.add_variables(range(n), range(n), range(F), lb=0)
    r = m.add_variables(range(n), range(n), range(F), range(2))
    dd = m.add_variable()
    T = _triples(d)
    for i in range(n):
        for j in range(n):
            m.add_linear_constraint(poi.quicksum(z[i, j, f] for f in range(F)), poi.Eq, 1)
    for i, j, f in T:
        m.add_linear_constraint(s[i, j, f] - dd + M * z[i, j, f], poi.Eq, M)
        m.add_linear_constraint(r[i, j, f, 0] + y[f, 0], poi.Eq, d.pts[i])
        m.add_linear_constraint(r[i, j, f, 1] + y[f, 1], poi.Eq, d.pts[j])
        for a, b in SIGNS:
            m.add_linear_constraint(a * r[i, j, f, 0] + b * r[i, j, f, 1] - s[i, j, f], poi.Leq, 0)
    m.set_objective(dd, poi.ObjectiveSense.Minimize)
    return m


def pyscipopt(d):
    import pyscipopt as scip
    G, F, M = d.G, d.F, d.M
    n = G + 1
    m = scip.Model()
    m.hideOutput()
    rng = range(n)
    y = {(f, k): m.addVar(lb=0, ub=1) for f in range(F) for k in range(2)}
    z = {(i, j, f): m.addVar(vtype="B") for i in rng for j in rng for f in range(F)}
    s = {(i, j, f): m.addVar(lb=0) for i in rng for j in rng for f in range(F)}
    r = {(i, j, f, k): m.addVar(lb=None) for i in rng for j in rng for f in range(F) for k in range(2)}
    dd = m.addVar(lb=None)
    T = _triples(d)
    for i in rng:
        for j in rng:
            m.addCons(scip.quicksum(z[i, j, f] for f in range(F)) == 1)
    for i, j, f in T:
        m.addCons(s[i, j, f] == dd + M * (1 - z[i, j, f]))
        m.addCons(r[i, j, f, 0] == d.pts[i] - y[f, 0])
        m.addCons(r[i, j, f, 1] == d.pts[j] - y[f, 1])
        for a, b in SIGNS:
            m.addCons(a * r[i, j, f, 0] + b * r[i, j, f, 1] <= s[i, j, f])
    m.setObjective(dd, "minimize")
    return m


def mip(d):
    import mip as mp
    G, F, M = d.G, d.F, d.M
    n = G + 1
    m = mp.Model(solver_name=mp.CBC)
    m.verbose = 0
    rng = range(n)
    y = {(f, k): m.add_var(lb=0, ub=1) for f in range(F) for k in range(2)}
    z = {(i, j, f): m.add_var(var_type=mp.BINARY) for i in rng for j in rng for f in range(F)}
    s = {(i, j, f): m.add_var(lb=0) for i in rng for j in rng for f in range(F)}
    r = {(i, j, f, k): m.add_var(lb=-mp.INF) for i in rng for j in rng for f in range(F) for k in range(2)}
    dd = m.add_var(lb=-mp.INF)
    T = _triples(d)
    for i in rng:
        for j in rng:
            m += mp.xsum(z[i, j, f] for f in range(F)) == 1
    for i, j, f in T:
        m += s[i, j, f] == dd + M * (1 - z[i, j, f])
        m += r[i, j, f, 0] == d.pts[i] - y[f, 0]
        m += r[i, j, f, 1] == d.pts[j] - y[f, 1]
        for a, b in SIGNS:
            m += a * r[i, j, f, 0] + b * r[i, j, f, 1] <= s[i, j, f]
    m.objective = mp.minimize(dd)
    return m


def pyomo(d):
    import pyomo.environ as pyo
    G, F, M = d.G, d.F, d.M
    n = G + 1
    m = pyo.ConcreteModel()
    m.C = pyo.Set(initialize=[(i, j) for i in range(n) for j in range(n)], dimen=2)
    m.T = pyo.Set(initialize=_triples(d), dimen=3)
    m.y = pyo.Var(range(F), range(2), bounds=(0, 1))
    m.z = pyo.Var(m.T, within=pyo.Binary)
    m.s = pyo.Var(m.T, within=pyo.NonNegativeReals)
    m.r = pyo.Var(m.T, range(2))
    m.d = pyo.Var()
    m.assign = pyo.Constraint(m.C, rule=lambda m, i, j: sum(m.z[i, j, f] for f in range(F)) == 1)
    m.big = pyo.Constraint(m.T, rule=lambda m, i, j, f: m.s[i, j, f] == m.d + M * (1 - m.z[i, j, f]))
    m.r0 = pyo.Constraint(m.T, rule=lambda m, i, j, f: m.r[i, j, f, 0] == d.pts[i] - m.y[f, 0])
    m.r1 = pyo.Constraint(m.T, rule=lambda m, i, j, f: m.r[i, j, f, 1] == d.pts[j] - m.y[f, 1])
    m.norm = pyo.Constraint(m.T, range(4), rule=lambda m, i, j, f, q:
                            SIGNS[q][0] * m.r[i, j, f, 0] + SIGNS[q][1] * m.r[i, j, f, 1]
                            <= m.s[i, j, f])
    m.obj = pyo.Objective(expr=m.d, sense=pyo.minimize)
    return m


def linopy(d):
    import linopy as lp
    import numpy as np
    import pandas as pd
    import xarray as xr
    G, F, M = d.G, d.F, d.M
    n = G + 1
    m = lp.Model()
    I = pd.RangeIndex(n, name="i")
    J = pd.RangeIndex(n, name="j")
    Fi = pd.RangeIndex(F, name="f")
    K = pd.RangeIndex(2, name="k")
    y = m.add_variables(lower=0, upper=1, coords=[Fi, K], name="y")
    z = m.add_variables(coords=[I, J, Fi], binary=True, name="z")
    s = m.add_variables(lower=0, coords=[I, J, Fi], name="s")
    r = m.add_variables(coords=[I, J, Fi, K], name="r")
    dd = m.add_variables(name="d")
    m.add_constraints(z.sum("f") == 1, name="assign")
    m.add_constraints(s - dd + M * z == M, name="big")
    pi = xr.DataArray(np.array(d.pts), coords=[I])
    pj = xr.DataArray(np.array(d.pts), coords=[J])
    r0 = r.sel(k=0, drop=True)
    r1 = r.sel(k=1, drop=True)
    m.add_constraints(r0 + y.sel(k=0, drop=True) == pi, name="r0")
    m.add_constraints(r1 + y.sel(k=1, drop=True) == pj, name="r1")
    for q, (a, b) in enumerate(SIGNS):
        m.add_constraints(a * r0 + b * r1 - s <= 0, name=f"norm{q}")
    m.add_objective(1 * dd, sense="min")
    return m


def gurobipy(d):
    import gurobipy as gp
    G, F, M = d.G, d.F, d.M
    n = G + 1
    m = gp.Model()
    m.Params.OutputFlag = 0
    y = m.addVars(F, 2, lb=0, ub=1)
    z = m.addVars(n, n, F, vtype=gp.GRB.BINARY)
    s = m.addVars(n, n, F, lb=0)
    r = m.addVars(n, n, F, 2, lb=-gp.GRB.INFINITY)
    dd = m.addVar(lb=-gp.GRB.INFINITY)
    T = _triples(d)
    m.addConstrs(z.sum(i, j, "*") == 1 for i in range(n) for j in range(n))
    m.addConstrs(s[i, j, f] == dd + M * (1 - z[i, j, f]) for i, j, f in T)
    m.addConstrs(r[i, j, f, 0] == d.pts[i] - y[f, 0] for i, j, f in T)
    m.addConstrs(r[i, j, f, 1] == d.pts[j] - y[f, 1] for i, j, f in T)
    m.addConstrs(a * r[i, j, f, 0] + b * r[i, j, f, 1] <= s[i, j, f]
                 for i, j, f in T for a, b in SIGNS)
    m.setObjective(dd, gp.GRB.MINIMIZE)
    return m


BUILDERS = {"ondrel": ondrel, "ondrel-matrix": ondrel_matrix, "ondrel-rows": ondrel_rows,
            "highspy": highspy, "highspy-matrix": highspy_matrix, "pyoptinterface": pyoptinterface,
            "pyscipopt": pyscipopt, "mip": mip, "pyomo": pyomo, "linopy": linopy,
            "gurobipy": gurobipy}
