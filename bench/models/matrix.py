"""The matrix route: a model given as NumPy arrays (rows in start form) and
handed over whole, by ondrel's loadproblem, by its addcols and addrows, and
by highspy's passModel (the floor).

A model module builds a `Matrix` from its data inside the builder, so the
array work counts the same for every package that takes this route.
"""
import numpy as np

INF = 1e20


class Matrix:
    """ncols columns with obj, lb, ub and the indices of the binary ones;
    nrows rows of type 'L' or 'E' with rhs; the rows in start form
    (start has nrows+1 entries, index and value the entries)."""

    def __init__(self, obj, lb, ub, rowtype, rhs, start, index, value, binaries=None):
        self.obj, self.lb, self.ub = obj, lb, ub
        self.rowtype, self.rhs = rowtype, rhs
        self.start, self.index, self.value = start, index, value
        self.binaries = binaries
        self.ncols, self.nrows = len(obj), len(rhs)


def by_columns(m):
    """The entries of `m` in column start form: (mstart, row index, value)."""
    rows = np.repeat(np.arange(m.nrows, dtype=np.int32), np.diff(m.start))
    order = np.argsort(m.index.astype(np.int32))  # rows within a column in any order
    mstart = np.zeros(m.ncols + 1, dtype=np.int64)
    np.cumsum(np.bincount(m.index, minlength=m.ncols), out=mstart[1:])
    return mstart, rows[order], m.value[order]


def ondrel_load(m):
    """loadproblem from column arrays."""
    import ondrel as xp
    mstart, mrwind, dmatval = by_columns(m)
    p = xp.problem()
    kw = {}
    if m.binaries is not None:
        kw = {"qgtype": np.full(len(m.binaries), "B"), "mgcols": m.binaries}
    p.loadproblem("matrix", m.rowtype, m.rhs, None, m.obj, mstart, None, mrwind, dmatval, m.lb, m.ub, **kw)
    return p


def ondrel_rows(m):
    """addcols for the columns (no entries), then addrows for the rows."""
    import ondrel as xp
    p = xp.problem()
    types = None
    if m.binaries is not None:
        types = np.full(m.ncols, "C")
        types[m.binaries] = "B"
    p.addcols(m.obj, np.zeros(m.ncols + 1, dtype=np.int64), [], [], m.lb, m.ub, types=types)
    p.addrows(m.rowtype, m.rhs, m.start, m.index, m.value)
    return p


def highspy_load(m):
    """The floor: one HighsLp by rows, then the integrality of the binaries."""
    import highspy as hp
    h = hp.Highs()
    h.silent()
    lp = hp.HighsLp()
    lp.num_col_ = m.ncols
    lp.num_row_ = m.nrows
    lp.col_cost_ = m.obj
    lp.col_lower_ = np.maximum(m.lb, -h.inf)
    lp.col_upper_ = np.where(m.ub >= INF, h.inf, m.ub)
    eq = m.rowtype == "E"
    lp.row_lower_ = np.where(eq, m.rhs, -h.inf)
    lp.row_upper_ = m.rhs
    lp.a_matrix_.format_ = hp.MatrixFormat.kRowwise
    lp.a_matrix_.start_ = m.start.astype(np.int32)
    lp.a_matrix_.index_ = m.index.astype(np.int32)
    lp.a_matrix_.value_ = m.value
    h.passModel(lp)
    if m.binaries is not None:
        b = m.binaries.astype(np.int32)
        h.changeColsIntegrality(len(b), b, np.full(len(b), hp.HighsVarType.kInteger))
    return h
