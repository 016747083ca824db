"""The nonlinear benchmark (bench/nlp.py): a multistart run goes through the
module's pool methods and reaches what the single run reaches, and the
failure notes tell a lower-than-published objective from a local optimum
and from a solver failure."""
import os
import sys

import pytest

BENCH = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "bench")
sys.path.insert(0, BENCH)

import nlp  # noqa: E402
import nlp_problems  # noqa: E402

ondrel = pytest.importorskip("ondrel")


@pytest.mark.parametrize("name", ["hs71", "hs6"])
def test_multistart_run_solves_what_the_single_run_solves(name):
    p = nlp_problems.BY_NAME[name]
    single = nlp.run_module(p, p.x0, "ipopt")
    pooled = nlp.run_module(p, p.x0, "ipopt+ms")
    assert single[0] and pooled[0], (single, pooled)
    assert nlp.rel_error(pooled[2], p) <= 1e-5
    # the pool keeps its best job: never worse than the given start alone
    assert pooled[2] <= single[2] + 1e-7 * max(1.0, abs(single[2]))


def test_failure_notes_name_the_cause():
    p = nlp_problems.BY_NAME["hs71"]
    below, above = p.fstar - 1.0, p.fstar + 1.0
    notes = nlp.why_failed(p, [(True, "", below), (True, "", above), (False, "nlp status 3", float("nan"))],
                           1e-5, ["casadi"])
    assert "below the published" in notes[0]
    assert "local optimum" in notes[1]
    assert notes[2] == "no solution (nlp status 3)"
    assert notes[3] == "solved by casadi"
    assert nlp.rel_error(float("nan"), p) == float("inf")
