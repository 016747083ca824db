"""The tuner: a search within its time budget that leaves the best settings
set and the problem otherwise as it was; tuner method files read, written
and refused."""
import time

import pytest

import ondrel


def lp(n=30):
    """A transport-like LP big enough to take some pivots."""
    p = ondrel.problem()
    x = [[ondrel.var() for _ in range(n)] for _ in range(n)]
    p.addVariable(*[v for row in x for v in row])
    for i in range(n):
        p.addConstraint(ondrel.Sum(x[i]) <= 10 + i % 7)
        p.addConstraint(ondrel.Sum(x[k][i] for k in range(n)) >= 5 + i % 3)
    p.setObjective(ondrel.Sum(((i * 7 + j * 13) % 17 + 1) * x[i][j] for i in range(n) for j in range(n)))
    return p


def mip():
    p = ondrel.problem()
    w = [3, 5, 7, 9, 11, 4, 6, 8, 10, 12]
    x = [ondrel.var(vartype=ondrel.binary) for _ in w]
    p.addVariable(*x)
    p.addConstraint(ondrel.Sum(wi * xi for wi, xi in zip(w, x)) <= 31)
    p.setObjective(ondrel.Sum(-(wi + i % 3) * xi for i, (wi, xi) in enumerate(zip(w, x))))
    return p


def test_tune_keeps_within_its_budget_and_leaves_valid_settings(tmp_path):
    p = lp()
    p.write(str(tmp_path / "a.lp"), "l")
    p.controls.tunermaxtime = 2.0
    t0 = time.monotonic()
    p.tune()
    # The budget and one trial's limit past it at most (plus building copies).
    assert time.monotonic() - t0 < 2.0 + 3.0
    assert p.controls.presolve in (0, 1) and p.controls.scaling in (0, 1)
    assert p.controls.defaultalg in (1, 2, 3, 4)
    p.write(str(tmp_path / "b.lp"), "l")
    assert (tmp_path / "a.lp").read_text() == (tmp_path / "b.lp").read_text()
    assert p.attributes.lpstatus == 0          # the tuner solved copies only
    p.solve()
    assert p.attributes.lpstatus == 1


@pytest.mark.parametrize("make,limit,flags", [(lp, "LPITERLIMIT", ""), (mip, "MAXNODE", "g")])
def test_tune_keeps_the_setting_that_finishes(make, limit, flags, tmp_path):
    """A method offering a limit that stops every solve early (fast, but
    unfinished): the tuner must keep the unlimited value."""
    f = tmp_path / "method.txt"
    f.write_text(f"# the tuner must refuse a crippling limit\n{limit} 2147483647 {0 if limit == 'MAXNODE' else 1}\n"
                 "\nSCALING 1 0\n")
    p = make()
    p.controls.presolve = 0
    p.tunerreadmethod(str(f))
    p.controls.tunermaxtime = 20
    p.tune(flags)
    assert p.getControl(limit.lower()) == 2147483647
    assert p.controls.scaling in (0, 1)
    assert p.controls.presolve == 0            # not in the method: untouched


def test_method_files_round_trip(tmp_path):
    p = mip()
    default = tmp_path / "default.txt"
    p.tunerwritemethod(str(default))
    text = default.read_text()
    assert "MIPSOLVER" in text and "PRESOLVE" in text and "CUTROUNDS" in text
    mine = tmp_path / "mine.txt"
    mine.write_text("# comment\n  presolve 0 1\nfeastol 1e-6 1e-7\n")
    p.tunerreadmethod(str(mine))
    out = tmp_path / "out.txt"
    p.tunerwritemethod(str(out))
    lines = [l for l in out.read_text().splitlines() if not l.startswith("#")]
    assert lines == ["PRESOLVE 0 1", "FEASTOL 9.9999999999999995e-07 9.9999999999999995e-08"]
    again = tmp_path / "again.txt"
    p.tunerreadmethod(str(out))
    p.tunerwritemethod(str(again))
    assert again.read_text() == out.read_text()
    # An LP writes the LP default method.
    q = lp(3)
    q.tunerwritemethod(str(default))
    assert "MIPSOLVER" not in default.read_text() and "DEFAULTALG 1 2 3 4" in default.read_text()


@pytest.mark.parametrize("content,message", [
    ("NOSUCHCONTROL 1 2\n", "line 1: 'NOSUCHCONTROL' is not a control"),
    ("\nLPSTATUS 1\n", "line 2: 'LPSTATUS' is not a control"),
    ("MPSRHSNAME 1\n", "not numeric"),
    ("PRESOLVE 0 7\n", "does not accept the value 7"),
    ("PRESOLVE 0.5\n", "does not accept the value 0.5"),
    ("PRESOLVE one\n", "'one' is not a number"),
    ("PRESOLVE\n", "no values given for PRESOLVE"),
    ("PRESOLVE 1\npresolve 0\n", "listed twice"),
    ("# nothing\n", "lists no controls"),
    ("TIMELIMIT 1 2\n", "limits the tuner's trials"),
])
def test_bad_method_files_are_refused_and_keep_the_method(content, message, tmp_path):
    p = lp(3)
    good = tmp_path / "good.txt"
    good.write_text("SCALING 0 1\n")
    p.tunerreadmethod(str(good))
    bad = tmp_path / "bad.txt"
    bad.write_text(content)
    with pytest.raises(RuntimeError, match=message):
        p.tunerreadmethod(str(bad))
    out = tmp_path / "out.txt"
    p.tunerwritemethod(str(out))
    assert "SCALING 0 1" in out.read_text()


def test_tuner_refusals(tmp_path):
    p = lp(3)
    with pytest.raises(RuntimeError, match="Cannot open tuner method file"):
        p.tunerreadmethod(str(tmp_path / "missing.txt"))
    with pytest.raises(RuntimeError, match="Cannot write tuner method file"):
        p.tunerwritemethod(str(tmp_path / "no" / "such" / "dir.txt"))
    with pytest.raises(RuntimeError, match="Unknown tuner flag 'x'"):
        p.tune("x")
    with pytest.raises(RuntimeError, match="Invalid|range|out of"):
        p.controls.tunermaxtime = -1


def test_tree_search_settings_act_and_keep_the_optimum():
    """The branching and cut settings the tuner tries change the search of
    the library's tree search, never its answer."""
    import random

    def knap():
        rnd = random.Random(3)
        p = ondrel.problem()
        w = [rnd.randint(5, 40) for _ in range(40)]
        v = [wi + rnd.randint(0, 10) for wi in w]
        x = [ondrel.var(vartype=ondrel.binary) for _ in w]
        p.addVariable(*x)
        p.addConstraint(ondrel.Sum(a * b for a, b in zip(w, x)) <= sum(w) // 2)
        p.addConstraint(ondrel.Sum(a * b for a, b in zip(v[::-1], x)) <= sum(w) // 2)
        p.setObjective(ondrel.Sum(-a * b for a, b in zip(v, x)))
        p.controls.mipsolver = 2
        return p

    seen = []
    for setting in ({}, {"cutrounds": 0}, {"branchmaxstrong": 0}, {"branchreliability": 0}):
        p = knap()
        p.setControl(setting)
        p.solve()
        assert p.attributes.mipstatus == 6
        seen.append((round(p.getObjVal(), 6), p.attributes.nodes))
    assert len({obj for obj, _ in seen}) == 1
    assert len({nodes for _, nodes in seen}) > 1
