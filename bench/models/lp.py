"""lp(n): a plain sparse LP from a fixed seed.

n variables x[j] in [0, 10], m = 3n rows  sum_t a[i,t] x[c[i,t]] <= b[i],
each row with K = 4 distinct random columns and coefficients in [-1, 1];
b is the row at a random point of the box plus a random slack in [0, 20], so
the LP is feasible, and bounded by the box. Minimise c'x, c in [-1, 1].
(With slacks in [0, 1] nearly every row is tight at the optimum and the
random sparsity pattern makes the simplex factorisations fill in: HiGHS then
takes 8 s at n = 2000 and minutes at n = 20,000. The wider slack keeps the
full solve of the mid size to a few seconds.)

The data come from NumPy's generator with a fixed seed, before the clock
starts; the loop builders read them as Python lists (as a user's loop
would), the array builders as NumPy arrays. Each builder writes the model
the way a user of that package would and returns the package's model object.
"""
import numpy as np

SIZES = {"small": 20_000, "mid": 60_000, "large": 200_000}
SOLVE_SIZE = "mid"
VERIFY_SIZE = 150   # 450 rows of 4 entries: under gurobipy's size-limited licence
K = 4
SEED = 20240611


class Data:
    def __init__(self, n):
        self.n = n
        self.m = 3 * n
        rng = np.random.default_rng(SEED + n)
        cols = rng.integers(0, n, size=(self.m, K))
        # redraw rows that hit one column twice, so that every package sees
        # exactly K distinct entries per row
        while True:
            srt = np.sort(cols, axis=1)
            bad = np.nonzero((srt[:, 1:] == srt[:, :-1]).any(axis=1))[0]
            if len(bad) == 0:
                break
            cols[bad] = rng.integers(0, n, size=(len(bad), K))
        self.A = rng.uniform(-1.0, 1.0, size=(self.m, K))
        self.C = cols
        x0 = rng.uniform(0.0, 10.0, size=n)
        self.b = (self.A * x0[cols]).sum(axis=1) + rng.uniform(0.0, 20.0, size=self.m)
        self.c = rng.uniform(-1.0, 1.0, size=n)
        # the same data as Python lists, for the loop builders
        self.Al = self.A.tolist()
        self.Cl = self.C.tolist()
        self.bl = self.b.tolist()
        self.cl = self.c.tolist()

    def describe(self):
        return {"vars": self.n, "rows": self.m, "nnz": self.m * K}


def make_data(n):
    return Data(int(n))


def _rows(d):
    return range(d.m), range(K)


def ondrel(d):
    """Loops and Sum over a list of variables."""
    import ondrel as xp
    A, C, b, c = d.Al, d.Cl, d.bl, d.cl
    rows, ks = _rows(d)
    x = [xp.var(lb=0, ub=10) for _ in range(d.n)]
    p = xp.problem()
    p.addVariable(x)
    p.addConstraint([xp.Sum(A[i][t] * x[C[i][t]] for t in ks) <= b[i] for i in rows])
    p.setObjective(xp.Sum(c[j] * x[j] for j in range(d.n)), sense=xp.minimize)
    return p


def ondrel_dot(d):
    """NumPy arrays: an object array of variables, Dot per row and for the objective."""
    import ondrel as xp
    x = np.array([xp.var(lb=0, ub=10) for _ in range(d.n)], dtype=object)
    p = xp.problem()
    p.addVariable(x)
    A, C, b = d.A, d.C, d.b
    p.addConstraint([xp.Dot(A[i], x[C[i]]) <= b[i] for i in range(d.m)])
    p.setObjective(xp.Dot(d.c, x), sense=xp.minimize)
    return p


def highspy(d):
    import highspy as hp
    A, C, b, c = d.Al, d.Cl, d.bl, d.cl
    rows, ks = _rows(d)
    h = hp.Highs()
    h.silent()
    x = h.addVariables(d.n, lb=0, ub=10)
    h.addConstrs(h.qsum(A[i][t] * x[C[i][t]] for t in ks) <= b[i] for i in rows)
    h.setObjective(h.qsum(c[j] * x[j] for j in range(d.n)), sense=hp.ObjSense.kMinimize)
    return h


def highspy_matrix(d):
    """The floor: the whole LP handed to HiGHS as NumPy arrays in one call."""
    import highspy as hp
    h = hp.Highs()
    h.silent()
    lp = hp.HighsLp()
    lp.num_col_ = d.n
    lp.num_row_ = d.m
    lp.col_cost_ = d.c
    lp.col_lower_ = np.zeros(d.n)
    lp.col_upper_ = np.full(d.n, 10.0)
    lp.row_lower_ = np.full(d.m, -h.inf)
    lp.row_upper_ = d.b
    lp.a_matrix_.format_ = hp.MatrixFormat.kRowwise
    lp.a_matrix_.start_ = np.arange(0, d.m * K + 1, K, dtype=np.int32)
    lp.a_matrix_.index_ = d.C.ravel().astype(np.int32)
    lp.a_matrix_.value_ = d.A.ravel()
    h.passModel(lp)
    return h


def _matrix(d):
    from models.matrix import Matrix
    return Matrix(d.c, np.zeros(d.n), np.full(d.n, 10.0), np.full(d.m, "L"), d.b,
                  np.arange(0, d.m * K + 1, K, dtype=np.int64), d.C.ravel(), d.A.ravel())


def ondrel_matrix(d):
    """NumPy arrays by columns, loaded whole with loadproblem."""
    from models.matrix import ondrel_load
    return ondrel_load(_matrix(d))


def ondrel_rows(d):
    """NumPy arrays: addcols for the columns, addrows for the rows."""
    from models.matrix import ondrel_rows as build
    return build(_matrix(d))


def pyoptinterface(d):
    import pyoptinterface as poi
    from pyoptinterface import highs
    A, C, b, c = d.Al, d.Cl, d.bl, d.cl
    rows, ks = _rows(d)
    m = highs.Model()
    m.set_model_attribute(poi.ModelAttribute.Silent, True)
    x = m.add_variables(range(d.n), lb=0, ub=10)
    for i in rows:
        m.add_linear_constraint(poi.quicksum(A[i][t] * x[C[i][t]] for t in ks), poi.Leq, b[i])
    m.set_objective(poi.quicksum(c[j] * x[j] for j in range(d.n)), poi.ObjectiveSense.Minimize)
    return m


def pyscipopt(d):
    import pyscipopt as scip
    A, C, b, c = d.Al, d.Cl, d.bl, d.cl
    rows, ks = _rows(d)
    m = scip.Model()
    m.hideOutput()
    x = [m.addVar(lb=0, ub=10) for _ in range(d.n)]
    for i in rows:
        m.addCons(scip.quicksum(A[i][t] * x[C[i][t]] for t in ks) <= b[i])
    m.setObjective(scip.quicksum(c[j] * x[j] for j in range(d.n)), "minimize")
    return m


def mip(d):
    import mip as mp
    A, C, b, c = d.Al, d.Cl, d.bl, d.cl
    rows, ks = _rows(d)
    m = mp.Model(solver_name=mp.CBC)
    m.verbose = 0
    x = [m.add_var(lb=0, ub=10) for _ in range(d.n)]
    for i in rows:
        m += mp.xsum(A[i][t] * x[C[i][t]] for t in ks) <= b[i]
    m.objective = mp.minimize(mp.xsum(c[j] * x[j] for j in range(d.n)))
    return m


def pyomo(d):
    import pyomo.environ as pyo
    A, C, b, c = d.Al, d.Cl, d.bl, d.cl
    m = pyo.ConcreteModel()
    m.x = pyo.Var(range(d.n), bounds=(0, 10))
    m.row = pyo.Constraint(range(d.m), rule=lambda m, i:
                           pyo.quicksum(A[i][t] * m.x[C[i][t]] for t in range(K)) <= b[i])
    m.obj = pyo.Objective(expr=pyo.quicksum(c[j] * m.x[j] for j in range(d.n)), sense=pyo.minimize)
    return m


def linopy(d):
    # linopy is written on whole arrays: x gathered by the column table,
    # times the coefficient table, summed along each row.
    import linopy as lp
    import pandas as pd
    import xarray as xr
    m = lp.Model()
    x = m.add_variables(lower=0, upper=10, coords=[pd.RangeIndex(d.n, name="col")], name="x")
    idx = xr.DataArray(d.C, dims=["row", "t"])
    lhs = (xr.DataArray(d.A, dims=["row", "t"]) * x.isel(col=idx)).sum("t")
    m.add_constraints(lhs <= xr.DataArray(d.b, dims=["row"]), name="rows")
    m.add_objective((xr.DataArray(d.c, coords=[x.indexes["col"]]) * x).sum(), sense="min")
    return m


def gurobipy(d):
    import gurobipy as gp
    A, C, b, c = d.Al, d.Cl, d.bl, d.cl
    rows, ks = _rows(d)
    m = gp.Model()
    m.Params.OutputFlag = 0
    x = m.addVars(d.n, lb=0, ub=10)
    m.addConstrs(gp.quicksum(A[i][t] * x[C[i][t]] for t in ks) <= b[i] for i in rows)
    m.setObjective(gp.quicksum(c[j] * x[j] for j in range(d.n)), gp.GRB.MINIMIZE)
    return m


BUILDERS = {"ondrel": ondrel, "ondrel-dot": ondrel_dot, "ondrel-matrix": ondrel_matrix,
            "ondrel-rows": ondrel_rows, "highspy": highspy,
            "highspy-matrix": highspy_matrix, "pyoptinterface": pyoptinterface,
            "pyscipopt": pyscipopt, "mip": mip, "pyomo": pyomo, "linopy": linopy,
            "gurobipy": gurobipy}
