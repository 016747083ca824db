"""lqcp(N): linear-quadratic control of a heat equation (a convex QP).

Variables y[i, j] in [0, 1] (i, j = 0..N), u[i] in [-1, 1] (i = 0..N).
Minimise 1/4 dx [(y[N,0]-yt_0)^2 + 2 sum_{j=1}^{N-1} (y[N,j]-yt_j)^2 + (y[N,N]-yt_N)^2]
       + 1/4 a dt [2 sum_{i=1}^{N-1} u[i]^2 + u[N]^2]
subject to the discretised heat equation (rows for i = 0..N-1, j = 1..N-1),
y[0, j] = 0, and the two Neumann-type boundary rows for i = 1..N-1.

Each builder writes the model the way a user of that package would, and
returns the package's model object with the objective set (minimise).
"""
import numpy as np

import packages

SIZES = {"small": 100, "mid": 300, "large": 600}
# HiGHS's QP solver (active set; it takes no other method for a QP) does not
# finish lqcp beyond N of about 30: at N = 50 it runs 90,000 iterations in
# 30 s with the objective rising. The full solve is timed at N = 30.
SOLVE_SIZE = 30
VERIFY_SIZE = 12   # under 200 variables: gurobipy's size-limited licence allows that for a QP


class Data:
    def __init__(self, N):
        self.N = N
        self.dx = 1.0 / N
        self.T = 1.58
        self.dt = self.T / N
        self.h2 = self.dx ** 2
        self.a = 0.001
        self.yt = [0.5 * (1 - (j * self.dx) ** 2) for j in range(N + 1)]
        # objective weights: y[N, j] and u[i] terms
        self.wy = [1.0] + [2.0] * (N - 1) + [1.0]
        self.wu = [0.0] + [2.0] * (N - 1) + [1.0]

    def describe(self):
        N = self.N
        return {"vars": (N + 1) ** 2 + N + 1, "rows": N * (N - 1) + (N + 1) + 2 * (N - 1)}


def make_data(N):
    return Data(N)


def _pde_lhs(y, i, j, d):
    """The heat-equation row for (i, j) as an expression in the package's algebra."""
    return (y[i + 1, j] - y[i, j]) / d.dt - 0.5 * (
        y[i, j - 1] - 2 * y[i, j] + y[i, j + 1]
        + y[i + 1, j - 1] - 2 * y[i + 1, j] + y[i + 1, j + 1]) / d.h2


def ondrel(d):
    import ondrel as xp
    N = d.N
    y = xp.vars(N + 1, N + 1, name="y", lb=0, ub=1)
    u = xp.vars(N + 1, name="u", lb=-1, ub=1)
    p = xp.problem()
    p.addVariable(y, u)
    cons = [_pde_lhs(y, i, j, d) == 0 for i in range(N) for j in range(1, N)]
    cons += [y[0, j] == 0 for j in range(N + 1)]
    cons += [y[i, 2] - 4 * y[i, 1] + 3 * y[i, 0] == 0 for i in range(1, N)]
    cons += [y[i, N - 2] - 4 * y[i, N - 1] + 3 * y[i, N] == 2 * d.dx * (u[i] - y[i, N])
             for i in range(1, N)]
    p.addConstraint(cons)
    obj = 0.25 * d.dx * xp.Sum(d.wy[j] * (y[N, j] - d.yt[j]) ** 2 for j in range(N + 1)) \
        + 0.25 * d.a * d.dt * xp.Sum(d.wu[i] * u[i] ** 2 for i in range(1, N + 1))
    p.setObjective(obj, sense=xp.minimize)
    return p


def highspy(d):
    # highspy's modelling layer is linear: the quadratic part of the objective
    # goes in as a Hessian, the way the package's own examples do it.
    import highspy as hp
    N = d.N
    h = hp.Highs()
    h.silent()
    y = h.addVariables(N + 1, N + 1, lb=0, ub=1)
    u = h.addVariables(N + 1, lb=-1, ub=1)
    h.addConstrs(_pde_lhs(y, i, j, d) == 0 for i in range(N) for j in range(1, N))
    h.addConstrs(y[0, j] == 0 for j in range(N + 1))
    h.addConstrs(y[i, 2] - 4 * y[i, 1] + 3 * y[i, 0] == 0 for i in range(1, N))
    h.addConstrs(y[i, N - 2] - 4 * y[i, N - 1] + 3 * y[i, N] == 2 * d.dx * (u[i] - y[i, N])
                 for i in range(1, N))
    # 1/4 dx w (y - yt)^2 = 1/4 dx w y^2 - 1/2 dx w yt y + 1/4 dx w yt^2;
    # HiGHS minimises 1/2 x'Qx + c'x + offset.
    lin = h.qsum(-0.5 * d.dx * d.wy[j] * d.yt[j] * y[N, j] for j in range(N + 1))
    offset = 0.25 * d.dx * sum(d.wy[j] * d.yt[j] ** 2 for j in range(N + 1))
    h.setObjective(lin + offset, sense=hp.ObjSense.kMinimize)
    diag = {}
    for j in range(N + 1):
        diag[y[N, j].index] = 0.5 * d.dx * d.wy[j]
    for i in range(1, N + 1):
        diag[u[i].index] = 0.5 * d.a * d.dt * d.wu[i]
    ncol = h.getNumCol()
    start = np.zeros(ncol + 1, dtype=np.int32)
    cols = sorted(diag)
    for c in cols:
        start[c + 1] = 1
    start = np.cumsum(start).astype(np.int32)
    h.passHessian(ncol, len(cols), hp.HessianFormat.kTriangular, start,
                  np.array(cols, dtype=np.int32), np.array([diag[c] for c in cols]))
    return h


def pyoptinterface(d):
    import pyoptinterface as poi
    from pyoptinterface import highs
    N = d.N
    m = highs.Model()
    m.set_model_attribute(poi.ModelAttribute.Silent, True)
    y = m.add_variables(range(N + 1), range(N + 1), lb=0, ub=1)
    u = m.add_variables(range(N + 1), lb=-1, ub=1)
    for i in range(N):
        for j in range(1, N):
            m.add_linear_constraint(_pde_lhs(y, i, j, d), poi.Eq, 0)
    for j in range(N + 1):
        m.add_linear_constraint(y[0, j], poi.Eq, 0)
    for i in range(1, N):
        m.add_linear_constraint(y[i, 2] - 4 * y[i, 1] + 3 * y[i, 0], poi.Eq, 0)
        m.add_linear_constraint(y[i, N - 2] - 4 * y[i, N - 1] + 3 * y[i, N]
                                - 2 * d.dx * (u[i] - y[i, N]), poi.Eq, 0)
    obj = poi.ExprBuilder()
    for j in range(N + 1):
        obj += 0.25 * d.dx * d.wy[j] * (y[N, j] - d.yt[j]) * (y[N, j] - d.yt[j])
    for i in range(1, N + 1):
        obj += 0.25 * d.a * d.dt * d.wu[i] * u[i] * u[i]
    m.set_objective(obj, poi.ObjectiveSense.Minimize)
    return m


def pyscipopt(d):
    import pyscipopt as scip
    from pyscipopt.recipes.nonlinear import set_nonlinear_objective
    N = d.N
    m = scip.Model()
    m.hideOutput()
    y = {(i, j): m.addVar(lb=0, ub=1) for i in range(N + 1) for j in range(N + 1)}
    u = {i: m.addVar(lb=-1, ub=1) for i in range(N + 1)}
    for i in range(N):
        for j in range(1, N):
            m.addCons(_pde_lhs(y, i, j, d) == 0)
    for j in range(N + 1):
        m.addCons(y[0, j] == 0)
    for i in range(1, N):
        m.addCons(y[i, 2] - 4 * y[i, 1] + 3 * y[i, 0] == 0)
        m.addCons(y[i, N - 2] - 4 * y[i, N - 1] + 3 * y[i, N] == 2 * d.dx * (u[i] - y[i, N]))
    # SCIP takes only linear objectives: its recipe moves a nonlinear one
    # into a constraint on an extra variable.
    obj = 0.25 * d.dx * scip.quicksum(d.wy[j] * (y[N, j] - d.yt[j]) ** 2 for j in range(N + 1)) \
        + 0.25 * d.a * d.dt * scip.quicksum(d.wu[i] * u[i] ** 2 for i in range(1, N + 1))
    set_nonlinear_objective(m, obj, "minimize")
    return m


def mip(d):
    raise NotImplementedError("python-mip has no quadratic objective")


def pyomo(d):
    import pyomo.environ as pyo
    N = d.N
    m = pyo.ConcreteModel()
    m.y = pyo.Var(range(N + 1), range(N + 1), bounds=(0, 1))
    m.u = pyo.Var(range(N + 1), bounds=(-1, 1))
    m.pde = pyo.Constraint(range(N), range(1, N), rule=lambda m, i, j: _pde_lhs(m.y, i, j, d) == 0)
    m.init = pyo.Constraint(range(N + 1), rule=lambda m, j: m.y[0, j] == 0)
    m.left = pyo.Constraint(range(1, N), rule=lambda m, i:
                            m.y[i, 2] - 4 * m.y[i, 1] + 3 * m.y[i, 0] == 0)
    m.right = pyo.Constraint(range(1, N), rule=lambda m, i:
                             m.y[i, N - 2] - 4 * m.y[i, N - 1] + 3 * m.y[i, N]
                             == 2 * d.dx * (m.u[i] - m.y[i, N]))
    m.obj = pyo.Objective(
        expr=0.25 * d.dx * pyo.quicksum(d.wy[j] * (m.y[N, j] - d.yt[j]) ** 2 for j in range(N + 1))
        + 0.25 * d.a * d.dt * pyo.quicksum(d.wu[i] * m.u[i] ** 2 for i in range(1, N + 1)),
        sense=pyo.minimize)
    return m


def linopy(d):
    # linopy works on whole arrays: the stencil is written with shifted copies
    # of y and the rows are the interior slice of it.
    import warnings
    import linopy as lp
    import pandas as pd
    import xarray as xr
    warnings.filterwarnings("ignore", category=getattr(lp, "LinopySemanticsWarning", Warning))
    try:
        from linopy.common import LinopySemanticsWarning
        warnings.filterwarnings("ignore", category=LinopySemanticsWarning)
    except ImportError:
        pass
    N = d.N
    m = lp.Model()
    I = pd.RangeIndex(N + 1, name="i")
    J = pd.RangeIndex(N + 1, name="j")
    y = m.add_variables(lower=0, upper=1, coords=[I, J], name="y")
    u = m.add_variables(lower=-1, upper=1, coords=[I], name="u")
    yi = y.shift(i=-1)   # y[i+1, j] at (i, j)
    pde = (yi - y) / d.dt - 0.5 * (y.shift(j=1) - 2 * y + y.shift(j=-1)
                                   + yi.shift(j=1) - 2 * yi + yi.shift(j=-1)) / d.h2
    m.add_constraints(pde.isel(i=slice(0, N), j=slice(1, N)) == 0, name="pde")
    m.add_constraints(y.isel(i=0) == 0, name="init")
    col = lambda k: y.isel(j=k, drop=True).isel(i=slice(1, N))
    m.add_constraints(col(2) - 4 * col(1) + 3 * col(0) == 0, name="left")
    ui = u.isel(i=slice(1, N))
    m.add_constraints(col(N - 2) - 4 * col(N - 1) + 3 * col(N) - 2 * d.dx * (ui - col(N)) == 0,
                      name="right")
    yt = xr.DataArray(d.yt, coords=[J])
    wy = xr.DataArray(d.wy, coords=[J])
    wu = xr.DataArray(d.wu, coords=[I])
    # linopy refuses a constant in the objective: the squares are expanded
    # and the constant is added back to the objective value afterwards.
    yN = y.isel(i=N, drop=True)
    obj = (0.25 * d.dx * wy * yN * yN).sum() - (0.5 * d.dx * wy * yt * yN).sum() \
        + (0.25 * d.a * d.dt * wu * u * u).sum()
    m.add_objective(obj, sense="min")
    packages.OBJ_OFFSET[id(m)] = 0.25 * d.dx * float((wy * yt * yt).sum())
    return m


def gurobipy(d):
    import gurobipy as gp
    N = d.N
    m = gp.Model()
    m.Params.OutputFlag = 0
    y = m.addVars(N + 1, N + 1, lb=0, ub=1)
    u = m.addVars(N + 1, lb=-1, ub=1)
    m.addConstrs(_pde_lhs(y, i, j, d) == 0 for i in range(N) for j in range(1, N))
    m.addConstrs(y[0, j] == 0 for j in range(N + 1))
    m.addConstrs(y[i, 2] - 4 * y[i, 1] + 3 * y[i, 0] == 0 for i in range(1, N))
    m.addConstrs(y[i, N - 2] - 4 * y[i, N - 1] + 3 * y[i, N] == 2 * d.dx * (u[i] - y[i, N])
                 for i in range(1, N))
    m.setObjective(
        0.25 * d.dx * gp.quicksum(d.wy[j] * (y[N, j] - d.yt[j]) * (y[N, j] - d.yt[j])
                                  for j in range(N + 1))
        + 0.25 * d.a * d.dt * gp.quicksum(d.wu[i] * u[i] * u[i] for i in range(1, N + 1)),
        gp.GRB.MINIMIZE)
    return m


BUILDERS = {"ondrel": ondrel, "highspy": highspy, "pyoptinterface": pyoptinterface,
            "pyscipopt": pyscipopt, "mip": mip, "pyomo": pyomo, "linopy": linopy,
            "gurobipy": gurobipy}
