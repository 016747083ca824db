"""How each package hands a built model to its solver and solves it.

A builder in bench/models/*.py returns the package's own model object; the
functions here take that object and
- `zero(m)`: run a solve with a time limit of zero (the hand-off: everything
  the package does between the model in Python and the solver starting work),
- `solve(m, exact)`: run a full solve and return the optimal objective value
  (`exact` asks for a zero MIP gap, used by the cross-check),
- `version()`: the package version for the results file.

Every package solves quietly (no log output), with its default threads.
"""
import importlib
import math

SOLVER = {
    "ondrel": "HiGHS via libondr",
    "ondrel-dot": "HiGHS via libondr",
    "ondrel-matrix": "HiGHS via libondr",
    "ondrel-rows": "HiGHS via libondr",
    "highspy": "HiGHS",
    "highspy-matrix": "HiGHS",
    "pyoptinterface": "HiGHS",
    "pyscipopt": "SCIP",
    "mip": "CBC",
    "pyomo": "HiGHS (in-memory)",
    "linopy": "HiGHS (direct)",
    "gurobipy": "Gurobi",
}

# The Python module each package is imported as.
MODULE = {
    "ondrel": "ondrel",
    "ondrel-dot": "ondrel",
    "ondrel-matrix": "ondrel",
    "ondrel-rows": "ondrel",
    "highspy": "highspy",
    "highspy-matrix": "highspy",
    "pyoptinterface": "pyoptinterface",
    "pyscipopt": "pyscipopt",
    "mip": "mip",
    "pyomo": "pyomo.environ",
    "linopy": "linopy",
    "gurobipy": "gurobipy",
}

# The name the package has on PyPI (for its version).
DIST = {"ondrel": "ondrel", "ondrel-dot": "ondrel", "ondrel-matrix": "ondrel", "ondrel-rows": "ondrel",
        "highspy": "highspy",
        "highspy-matrix": "highspy", "pyoptinterface": "pyoptinterface", "pyscipopt": "PySCIPOpt", "mip": "mip",
        "pyomo": "pyomo", "linopy": "linopy", "gurobipy": "gurobipy"}


# Objective constants that a package cannot hold (linopy), by id of the model.
OBJ_OFFSET = {}


class NotSolved(RuntimeError):
    """A full solve ended without an optimal solution."""


class LicenceLimit(RuntimeError):
    """The package's licence does not allow a model of this size."""


class NoHandoff(Exception):
    """The package has no separate hand-off step that can be timed."""


def version(pkg):
    from importlib import metadata
    try:
        return metadata.version(DIST[pkg])
    except metadata.PackageNotFoundError:
        return "?"


def load(pkg):
    """Import the package (so that import time is not counted as build time)."""
    return importlib.import_module(MODULE[pkg])


# --- ondrel -----------------------------------------------------------------

def _ondrel_zero(p):
    p.controls.timelimit = 0
    p.solve()


def _ondrel_solve(p, exact):
    import ondrel
    if exact:
        p.controls.miprelstop = 0
        p.controls.mipabsstop = 0
    p.solve()
    status = p.getProbStatusString()
    if status not in ("lp_optimal", "mip_optimal"):
        raise NotSolved(f"ondrel status {status}")
    return p.getObjVal()


# --- highspy ------------------------------------------------------------------

def _highs_status_ok(h):
    import highspy
    return h.getModelStatus() == highspy.HighsModelStatus.kOptimal


def _highspy_zero(h):
    h.setOptionValue("time_limit", 0.0)
    h.run()


def _highspy_solve(h, exact):
    if exact:
        h.setOptionValue("mip_rel_gap", 0.0)
        h.setOptionValue("mip_abs_gap", 0.0)
    h.run()
    if not _highs_status_ok(h):
        raise NotSolved(f"highspy status {h.modelStatusToString(h.getModelStatus())}")
    return h.getInfo().objective_function_value


# --- pyoptinterface -------------------------------------------------------------

def _poi_zero(m):
    import pyoptinterface as poi
    m.set_model_attribute(poi.ModelAttribute.TimeLimitSec, 0.0)
    m.optimize()


def _poi_solve(m, exact):
    import pyoptinterface as poi
    if exact:
        m.set_raw_option_double("mip_rel_gap", 0.0)
        m.set_raw_option_double("mip_abs_gap", 0.0)
    m.optimize()
    status = m.get_model_attribute(poi.ModelAttribute.TerminationStatus)
    if status != poi.TerminationStatusCode.OPTIMAL:
        raise NotSolved(f"pyoptinterface status {status}")
    return m.get_model_attribute(poi.ModelAttribute.ObjectiveValue)


# --- pyscipopt ------------------------------------------------------------------

def _scip_zero(m):
    m.setParam("limits/time", 0.0)
    m.optimize()


def _scip_solve(m, exact):
    if exact:
        m.setParam("limits/gap", 0.0)
        m.setParam("limits/absgap", 0.0)
        # the quadratic objective sits in a constraint; its default
        # tolerance (1e-6 absolute) is coarse next to small objective values
        m.setParam("numerics/feastol", 1e-11)
    m.optimize()
    if m.getStatus() != "optimal":
        raise NotSolved(f"pyscipopt status {m.getStatus()}")
    return m.getObjVal()


# --- python-mip -------------------------------------------------------------------

def _mip_zero(m):
    # Every add_var and constraint of python-mip goes straight into CBC's C
    # model, so the build already includes the hand-off. For an LP a zero
    # time limit stops CBC's LP solver at once; for a MIP, CBC preprocesses
    # and solves the root LP before it looks at the limit (6.5 s at
    # fac(20, 20), over 6 minutes at fac(50, 50)): that is solver work, not
    # hand-off, so it is not measured.
    if m.num_int > 0:
        raise NoHandoff("CBC solves the root LP before it looks at a zero time limit: "
                        "hand-off not measured (the model is in CBC after the build)")
    m.optimize(max_seconds=0)


def _mip_solve(m, exact):
    import mip
    if exact:
        m.max_mip_gap = 0.0
        m.max_mip_gap_abs = 0.0
    status = m.optimize()
    if status != mip.OptimizationStatus.OPTIMAL:
        raise NotSolved(f"mip status {status}")
    return m.objective_value


# --- pyomo -------------------------------------------------------------------------

def _pyomo_solver():
    # The in-memory HiGHS interface (pyomo.contrib.solver): pyomo's own walk
    # over the model, handed to HiGHS through highspy without any file.
    from pyomo.contrib.solver.common.factory import SolverFactory
    return SolverFactory("highs")


def _pyomo_zero(m):
    _pyomo_solver().solve(m, time_limit=0.0, load_solutions=False,
                          raise_exception_on_nonoptimal_result=False)


def _pyomo_solve(m, exact):
    opts = {"mip_rel_gap": 0.0, "mip_abs_gap": 0.0} if exact else {}
    res = _pyomo_solver().solve(m, load_solutions=False, solver_options=opts,
                                raise_exception_on_nonoptimal_result=False)
    from pyomo.contrib.solver.common.results import TerminationCondition
    if res.termination_condition != TerminationCondition.convergenceCriteriaSatisfied:
        raise NotSolved(f"pyomo status {res.termination_condition}")
    return res.incumbent_objective


# --- linopy --------------------------------------------------------------------------

def _linopy_zero(m):
    m.solve(solver_name="highs", io_api="direct", time_limit=0.0, output_flag=False)


def _linopy_solve(m, exact):
    opts = {"mip_rel_gap": 0.0, "mip_abs_gap": 0.0} if exact else {}
    status, cond = m.solve(solver_name="highs", io_api="direct", output_flag=False, **opts)
    if cond != "optimal":
        raise NotSolved(f"linopy status {status}/{cond}")
    return float(m.objective.value) + OBJ_OFFSET.get(id(m), 0.0)


# --- gurobipy ------------------------------------------------------------------------

def _grb_licence(e):
    if getattr(e, "errno", None) == 10010:   # model too large for the licence
        raise LicenceLimit("size-limited licence: at most 2000 variables and 2000 rows "
                           "(200 variables with quadratic terms)") from None
    raise e


def _grb_zero(m):
    import gurobipy as gp
    m.Params.TimeLimit = 0.0
    try:
        m.optimize()
    except gp.GurobiError as e:
        _grb_licence(e)


def _grb_solve(m, exact):
    import gurobipy as gp
    if exact:
        m.Params.MIPGap = 0.0
        m.Params.MIPGapAbs = 0.0
        m.Params.BarConvTol = 1e-12
    try:
        m.optimize()
    except gp.GurobiError as e:
        _grb_licence(e)
    if m.Status != gp.GRB.OPTIMAL:
        raise NotSolved(f"gurobipy status {m.Status}")
    return m.ObjVal


ZERO = {"ondrel": _ondrel_zero, "ondrel-dot": _ondrel_zero, "ondrel-matrix": _ondrel_zero,
        "ondrel-rows": _ondrel_zero, "highspy": _highspy_zero,
        "highspy-matrix": _highspy_zero,
        "pyoptinterface": _poi_zero, "pyscipopt": _scip_zero, "mip": _mip_zero,
        "pyomo": _pyomo_zero, "linopy": _linopy_zero, "gurobipy": _grb_zero}
SOLVE = {"ondrel": _ondrel_solve, "ondrel-dot": _ondrel_solve, "ondrel-matrix": _ondrel_solve,
         "ondrel-rows": _ondrel_solve, "highspy": _highspy_solve,
         "highspy-matrix": _highspy_solve,
         "pyoptinterface": _poi_solve, "pyscipopt": _scip_solve, "mip": _mip_solve,
         "pyomo": _pyomo_solve, "linopy": _linopy_solve, "gurobipy": _grb_solve}


def agree(a, b, rel=1e-6):
    """Objective values equal within `rel` relative (with a tiny absolute floor)."""
    return abs(a - b) <= rel * max(abs(a), abs(b)) + 1e-9


def finite(v):
    return v is not None and math.isfinite(v)
