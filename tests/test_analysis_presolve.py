"""The presolved form after an optimal LP solve with presolve on: sizes,
the map back to the original rows and columns, the presolved solution and
basis, loading a presolved basis, and postsolve."""
import os

import numpy as np
import pytest

import ondrel

HERE = os.path.dirname(os.path.abspath(__file__))
INSTANCES = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "data", "instances"))
pytestmark = pytest.mark.skipif(not os.path.isdir(INSTANCES), reason="instance folder not present")


def afiro():
    p = ondrel.problem()
    p.read(os.path.join(INSTANCES, "afiro.mps"))
    p.lpoptimize()
    assert p.attributes.lpstatus == 1
    return p


def test_presolved_sizes_and_map():
    p = afiro()
    rows, cols = p.attributes.originalrows, p.attributes.originalcols
    prows, pcols = p.attributes.rows, p.attributes.cols
    assert 0 < prows < rows and 0 < pcols < cols
    rmap, cmap = [], []
    p.getpresolvemap(rmap, cmap)
    assert len(rmap) == prows and len(cmap) == pcols
    assert all(isinstance(r, ondrel.constraint) for r in rmap)
    assert all(isinstance(c, ondrel.var) for c in cmap)
    assert len(set(map(id, cmap))) == pcols
    with pytest.raises(RuntimeError, match="Must provide argument rowmap and colmap"):
        p.getpresolvemap(None, cmap)


def test_presolved_solution_and_basis():
    p = afiro()
    prows, pcols = p.attributes.rows, p.attributes.cols
    x, s, d, dj = [], [], [], []
    p.getpresolvesol(x, s, d, dj)
    assert (len(x), len(s), len(d), len(dj)) == (pcols, prows, prows, pcols)
    r, c = [], []
    p.getpresolvebasis(r, c)
    assert r.count(1) + c.count(1) == prows
    # Basis solves work on the presolved problem while it is held.
    v = [1.0] * prows
    p.ftran(v)
    w = list(v)
    p.btran(w)
    assert np.isfinite(v).all() and np.isfinite(w).all()
    # The original solution is unchanged by the presolved view.
    ox = []
    p.getlpsol(ox)
    assert len(ox) == p.attributes.originalcols


def test_loaded_presolved_basis_starts_the_next_solve():
    p = afiro()
    objective = p.attributes.lpobjval
    r, c = [], []
    p.getpresolvebasis(r, c)
    with pytest.raises(RuntimeError, match="Must provide argument rstatus, cstatus"):
        p.loadpresolvebasis(r, None)
    p.loadpresolvebasis(r, c)
    p.postsolve()
    assert p.attributes.rows == p.attributes.originalrows
    with pytest.raises(RuntimeError, match="not in a presolved form"):
        p.getpresolvesol([])
    p.lpoptimize()
    assert p.attributes.lpobjval == pytest.approx(objective, rel=1e-9)
    assert p.attributes.simplexiter == 0


def test_a_change_ends_the_presolved_form():
    p = afiro()
    assert p.attributes.rows < p.attributes.originalrows
    p.setObjective(p.getVariable()[0])
    assert p.attributes.rows == p.attributes.originalrows
    p.controls.presolve = 0
    p.lpoptimize()
    assert p.attributes.rows == p.attributes.originalrows


def test_solve_leaves_the_presolved_form_but_lpoptimize_keeps_it():
    p = ondrel.problem()
    p.read(os.path.join(INSTANCES, "afiro.mps"))
    p.solve()
    assert p.attributes.rows == p.attributes.originalrows
    assert p.attributes.cols == p.attributes.originalcols
    p.lpoptimize()
    assert p.attributes.rows < p.attributes.originalrows
