"""The comparison benchmark (bench/peers.py): its ondrel builders build the
models the other packages build, and its bookkeeping (medians, failures,
repeats, profile summaries) reports what the runs measured.

The peers themselves live in bench/.venv-peers and are not needed here: the
reference objectives below are the ones every peer reached (bench/peers.py
--verify), so a change of the ondrel builders or of ondrel's algebra that
alters a model shows up here.
"""
import os
import sys

import pytest

BENCH = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "bench")
sys.path.insert(0, BENCH)

import peers  # noqa: E402
from models import fac, lp, lqcp  # noqa: E402

ondrel = pytest.importorskip("ondrel")


# Optimal objectives at the verify sizes, agreed by highspy, pyoptinterface,
# pyscipopt, python-mip, pyomo, linopy and gurobipy.
REFERENCE = [
    (lqcp, "ondrel", 0.000470870736449),
    (fac, "ondrel", 0.75),
    (lp, "ondrel", -353.128349942982),
    (lp, "ondrel-dot", -353.128349942982),
    (lp, "ondrel-matrix", -353.128349942982),
    (lp, "ondrel-rows", -353.128349942982),
    (fac, "ondrel-matrix", 0.75),
    (fac, "ondrel-rows", 0.75),
]


@pytest.mark.parametrize("mod,pkg,expected", REFERENCE,
                         ids=[f"{m.__name__.split('.')[-1]}-{p}" for m, p, _ in REFERENCE])
def test_ondrel_builders_reach_the_peers_optimum(mod, pkg, expected):
    d = mod.make_data(mod.VERIFY_SIZE)
    p = mod.BUILDERS[pkg](d)
    # the model has the size the model module announces
    size = d.describe()
    assert p.attributes.cols == size["vars"]
    assert p.attributes.rows == size["rows"]
    if "nnz" in size:
        assert p.attributes.elems == size["nnz"]
    p.controls.miprelstop = 0
    p.controls.mipabsstop = 0
    p.solve()
    assert p.getObjVal() == pytest.approx(expected, rel=1e-6, abs=1e-9)


def test_lp_data_has_distinct_columns_per_row_and_is_reproducible():
    a, b = lp.make_data(500), lp.make_data(500)
    assert (a.C == b.C).all() and (a.A == b.A).all() and (a.b == b.b).all()
    srt = a.C.copy()
    srt.sort(axis=1)
    assert not (srt[:, 1:] == srt[:, :-1]).any()
    assert a.C.shape == (3 * 500, lp.K) and a.C.min() >= 0 and a.C.max() < 500


def test_ondrel_hand_off_with_zero_time_limit_returns():
    d = lp.make_data(lp.VERIFY_SIZE)
    p = lp.ondrel(d)
    import packages
    packages.ZERO["ondrel"](p)
    assert p.controls.timelimit == 0


# --- bookkeeping ------------------------------------------------------------

def run(build=None, handoff=None, **extra):
    r = dict(extra)
    if build is not None:
        r["build"] = build
        r["rss_model"] = 10.0 * build
    if handoff is not None:
        r["handoff"] = handoff
    return r


@pytest.mark.parametrize("runs,status,build,total,nruns", [
    ([run(1.0, 0.5), run(3.0, 0.1), run(2.0, 0.3)], "ok", 2.0, 2.0 + 0.3, 3),
    # a failed hand-off keeps the build time, the run does not count
    ([run(0.4, error="GurobiError: too large")], "error: GurobiError: too large", 0.4, None, 0),
    ([run(licence="size-limited")], "licence: size-limited", None, None, 0),
    ([{"timeout": "timed out after 5 s"}], "timeout: timed out after 5 s", None, None, 0),
    # one good run then a failure: the good run is reported
    ([run(1.0, 0.5), {"timeout": "timed out"}], "ok", 1.0, 1.5, 1),
    # no hand-off to time (a note instead): the build stands alone
    ([run(1.0, note="n/a"), run(2.0, note="n/a")], "ok", 1.5, None, 2),
])
def test_summarise(runs, status, build, total, nruns):
    s = peers.summarise(runs)
    assert s["status"] == status
    assert s["build"] == (pytest.approx(build) if build is not None else None)
    assert s["total"] == (pytest.approx(total) if total is not None else None)
    assert s["runs"] == nruns
    if build is not None:
        assert s["rss_model"] == pytest.approx(10.0 * build)


@pytest.mark.parametrize("results,expected_calls", [
    ([run(1.0, 0.1)] * 3, 3),
    ([run(1.0, error="boom")] + [run(1.0, 0.1)] * 2, 1),   # a failure is not repeated
    ([run(25.0, 1.0)] + [run(1.0, 0.1)] * 2, 1),           # nor a long first run
    ([run(1.0, 0.1), {"timeout": "t"}, run(1.0, 0.1)], 2),
])
def test_measure_repeats(monkeypatch, results, expected_calls):
    calls = []

    def fake_child(model, size, pkg, mode, timeout):
        calls.append((model, size, pkg, mode, timeout))
        return results[len(calls) - 1]

    monkeypatch.setattr(peers, "child", fake_child)
    runs = peers.measure("lp", "small", "ondrel", "zero", 3, 7.0, 20.0)
    assert len(runs) == len(calls) == expected_calls
    assert calls[0] == ("lp", "small", "ondrel", "zero", 7.0)


def test_profile_summary_splits_build_and_hand_off(tmp_path, capsys):
    head = "<module> (run_one.py:120);main (run_one.py:107);measure (run_one.py:{})"
    stacks = [
        (head.format(62) + ";make_data (models/lp.py:52);tolist (x)", 30),
        (head.format(72) + ";ondrel (models/lp.py:71);Sum (lib.so);reduce (lib.so)", 50),
        (head.format(72) + ";ondrel (models/lp.py:71);gc_collect_main (python)", 10),
        (head.format(77) + ";_ondrel_zero (packages.py:78);Highs::run (libhighs.so)", 40),
        ("<module> (run_one.py:120);_find_and_load (importlib)", 20),
    ]
    path = tmp_path / "prof.txt"
    path.write_text("".join(f"{s} {n}\n" for s, n in stacks))
    peers.summarise_profile(str(path), 5)
    out = capsys.readouterr().out
    assert "150 samples" in out and "100 in the build and hand-off, 50 outside" in out
    assert "== build: 60.0% of the measured samples (Python's cyclic garbage collector: 10.0%)" in out
    assert "== hand-off: 40.0%" in out
    assert "50.0%  reduce" in out and "40.0%  Highs::run" in out
    assert "make_data" not in out and "_find_and_load" not in out


def test_table_ratios_and_csv(tmp_path, monkeypatch, capsys):
    info = {"lp": {"builders": ["ondrel", "highspy", "mip"], "solve": "mid"}}
    table = {
        ("lp", "small", "ondrel", "handoff"): peers.summarise(
            [run(1.0, 1.0, param=10, vars=10, rows=30, nnz=120, version="0.1")]),
        ("lp", "small", "highspy", "handoff"): peers.summarise([run(3.0, 1.0, version="1.0")]),
        ("lp", "small", "mip", "handoff"): peers.summarise([{"unsupported": "no"}]),
    }
    args = peers.parse_args(["--models", "lp", "--sizes", "small"])
    rows = peers.print_table(table, info, args)
    out = capsys.readouterr().out
    assert "-- lp small (n=10: 10 variables, 30 rows, 120 nonzeros)" in out
    by_pkg = {r["package"]: r for r in rows}
    assert by_pkg["ondrel"]["ratio_to_ondrel"] == 1.0
    assert by_pkg["highspy"]["ratio_to_ondrel"] == pytest.approx(2.0)
    assert by_pkg["highspy"]["mem_ratio_to_ondrel"] == pytest.approx(3.0)
    assert by_pkg["mip"]["status"] == "unsupported: no" and by_pkg["mip"]["ratio_to_ondrel"] is None
    monkeypatch.setattr(peers, "RESULTS", str(tmp_path))
    path = peers.write_csv(rows, args, {"cpu": "test cpu", "cores": 2}, {"ondrel": "0.1"})
    text = open(path).read()
    assert text.startswith("# cpu: test cpu\n# cores: 2\n# packages: ondrel 0.1\n")
    assert open(os.path.join(str(tmp_path), "peers-latest.csv")).read() == text
    # the row: what the package measured, medians and ratios
    assert "lp,small,,,,,highspy,1.0,handoff,ok,1,3,1,4,,2," in text
