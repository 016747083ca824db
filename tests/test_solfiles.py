"""Solution, basis and snapshot files through the problem's low-level
methods, and the simple methods that pass scalars and strings through."""
import os
import struct

import pytest

import ondrel

HERE = os.path.dirname(os.path.abspath(__file__))
INSTANCES = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "data", "instances"))
needs_instances = pytest.mark.skipif(not os.path.isdir(INSTANCES), reason="instance folder not present")


def odd_lp():
    """An LP with names holding spaces and other unusual characters, and
    infinite bounds."""
    p = ondrel.problem("odd lp")
    p.controls.outputlog = 0
    x = ondrel.var(name="x 1", lb=0)
    y = ondrel.var(name="y%\t", lb=-ondrel.infinity, ub=5)
    z = ondrel.var(name="zé", lb=-ondrel.infinity, ub=4)
    p.addVariable(x, y, z)
    p.addConstraint(ondrel.constraint(x + 2 * y <= 10, name="cap a"),
                    ondrel.constraint(x + z >= 1, name="b\n"),
                    ondrel.constraint(body=x + y - z, lb=2, ub=6, name="r"))
    p.setObjective(3 * x + 2 * y - z, sense=ondrel.maximize)
    return p, (x, y, z)


def instance(name):
    p = ondrel.problem()
    p.controls.outputlog = 0
    p.read(os.path.join(INSTANCES, name + ".mps"))
    return p


@pytest.fixture
def in_tmp(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    return tmp_path


def bits(values):
    return [struct.pack("<d", v) for v in values]


@needs_instances
@pytest.mark.parametrize("name,mip", [("afiro", False), ("adlittle", False), ("flugpl", True), ("egout", True)])
def test_solution_files_round_trip_on_instances(in_tmp, name, mip):
    a = instance(name)
    a.mipoptimize() if mip else a.lpoptimize()
    xa = a.getSolution()
    b = instance(name)
    a.writebinsol("a.bsol")
    b.readbinsol("a.bsol")
    assert bits(b.getSolution()) == bits(xa)
    for attr in ("lpstatus", "mipstatus", "simplexiter", "lpobjval", "mipobjval"):
        assert getattr(b.attributes, attr) == getattr(a.attributes, attr)
    c = instance(name)
    a.writeslxsol("a.slx")
    c.readslxsol("a.slx")
    assert bits(c.getSolution()) == bits(xa)
    a.writesol("a.sol")
    a.writeprtsol("a.prt")
    assert (in_tmp / "a.sol").read_text().startswith("PROBLEM ")
    assert "MIP status" in (in_tmp / "a.prt").read_text()


@needs_instances
def test_basis_read_back_resolves_without_iterations(in_tmp):
    a = instance("afiro")
    a.lpoptimize()
    assert a.attributes.simplexiter > 0
    a.writebasis("afiro.bss")
    b = instance("afiro")
    b.readbasis("afiro.bss")
    b.lpoptimize()
    assert b.attributes.simplexiter == 0
    assert b.attributes.lpobjval == pytest.approx(a.attributes.lpobjval)


def test_writebasis_without_arguments_uses_the_problem_name(in_tmp):
    p, _ = odd_lp()
    p.setprobname("named")
    p.solve()
    p.writebasis()
    assert (in_tmp / "named.bss").exists()
    p.readbasis("named.bss")


def test_odd_names_and_infinite_bounds_round_trip(in_tmp):
    p, (x, y, z) = odd_lp()
    p.solve()
    sol = p.getSolution()
    p.writeslxsol("odd.slx", "d")
    text = (in_tmp / "odd.slx").read_text()
    assert "C x%201 " in text and "C y%25%09 " in text and "C zé " in text
    q, _ = odd_lp()
    q.readslxsol("odd.slx")
    assert bits(q.getSolution()) == bits(sol)
    assert q.getDual() == p.getDual()
    p.writesol("odd.sol")
    assert " -inf 5\n" in (in_tmp / "odd.sol").read_text()


def test_restore_gives_back_attributes_solution_and_objects(in_tmp):
    p, (x, y, z) = odd_lp()
    p.controls.feastol = 1e-7
    p.solve()
    attrs = p.getAttrib()
    sol, duals = p.getSolution(), p.getDual()
    p.save()
    assert (in_tmp / "odd lp.svf").exists()
    q = ondrel.problem()
    q.restore("odd lp")
    assert q.getAttrib() == attrs
    assert bits(q.getSolution()) == bits(sol) and q.getDual() == duals
    assert q.controls.feastol == 1e-7
    # The restored problem has variables and constraints of its own, named
    # as saved, bound to its columns and rows.
    names = [v.name for v in q.getVariable()]
    assert names == ["x 1", "y%\t", "zé"]
    assert [c.name for c in q.getConstraint()] == ["cap a", "b\n", "r"]
    assert q.getSolution(q.getVariable()[0]) == sol[0]
    q.lpoptimize()
    assert q.attributes.simplexiter == 0


@pytest.mark.parametrize("content,method,part", [
    (b"ONDRBSOL\x02\x00\x00\x00", "readbinsol", "format version 2"),
    (b"NOTASOL!\x01\x00\x00\x00", "readbinsol", "wrong magic"),
    (b"ONDRBSOL\x01\x00", "readbinsol", "truncated"),
    (b"ONDRSLX 1\nC nosuch 1\nEND\n", "readslxsol", "no column named 'nosuch'"),
    (b"ONDRSLX 1\nC x%201 1.5\nC x%201 2\nEND\n", "readslxsol", "listed twice"),
    (b"ONDRSLX 1\nC x%201 abc\nEND\n", "readslxsol", "bad number"),
    (b"ONDRSLX 1\nC x%201 1\n", "readslxsol", "no END"),
    (b"ONDRBASIS 1\nSIZE 4 3\nEND\n", "readbasis", "of a problem of 4 rows"),
    (b"ONDRBASIS 1\nSIZE 3 3\nC 1 x%201\nEND\n", "readbasis", "has no status"),
    (b"garbage", "readbasis", "not a basis file"),
])
def test_malformed_files_are_refused_and_change_nothing(in_tmp, content, method, part):
    p, (x, y, z) = odd_lp()
    p.solve()
    sol = p.getSolution()
    iters = p.attributes.simplexiter
    (in_tmp / "bad").write_bytes(content)
    with pytest.raises(RuntimeError, match=part):
        getattr(p, method)("bad")
    assert p.getSolution() == sol and p.attributes.simplexiter == iters


def test_truncated_snapshot_is_refused_and_problem_kept(in_tmp):
    p, _ = odd_lp()
    p.solve()
    p.setprobname("snap")
    p.save()
    data = (in_tmp / "snap.svf").read_bytes()
    (in_tmp / "cut.svf").write_bytes(data[: len(data) // 2])
    q, (x, y, z) = odd_lp()
    with pytest.raises(RuntimeError, match="truncated"):
        q.restore("cut")
    assert [v.name for v in q.getVariable()] == ["x 1", "y%\t", "zé"]
    assert q.getVariable()[0] is x
    with pytest.raises(RuntimeError, match="Unknown restore flag 'q'"):
        q.restore("snap", "q")


@pytest.mark.parametrize("method,args", [
    ("writesol", ("f", "z")), ("writeprtsol", ("f", "lm")), ("writeslxsol", ("f", "x")),
    ("writebinsol", ("f", "l")), ("writebasis", ("f", "x")),
])
def test_bad_flags_are_refused(in_tmp, method, args):
    p, _ = odd_lp()
    p.solve()
    with pytest.raises(RuntimeError, match="flag"):
        getattr(p, method)(*args)
    assert not (in_tmp / "f").exists()


def test_writers_need_a_solution(in_tmp):
    p, _ = odd_lp()
    for method in ("writesol", "writeslxsol", "writeprtsol", "writebinsol", "writebasis"):
        with pytest.raises(RuntimeError, match="No (solution|basis)"):
            getattr(p, method)("f")


# ---- simple methods ----

def test_get_index_from_name():
    p, _ = odd_lp()
    assert p.getIndexFromName(2, "y%\t") == 1
    assert p.getIndexFromName(type=1, name="r") == 2
    with pytest.raises(RuntimeError):
        p.getIndexFromName(1, "no such row")


def test_copycontrols_and_setdefaults():
    p, q = ondrel.problem(), ondrel.problem()
    p.controls.feastol = 1e-5
    q.copycontrols(p)
    assert q.controls.feastol == 1e-5
    q.setdefaults(1, 2)  # arguments are ignored
    assert q.controls.feastol == 1e-6
    with pytest.raises(RuntimeError, match="^A problem must be passed for copying controls$"):
        q.copycontrols(3)


def test_setprobname_and_dumpcontrols(capfd):
    p = ondrel.problem()
    p.setprobname("renamed")
    assert p.name() == "renamed"
    p.dumpcontrols("ignored")
    out = capfd.readouterr().out
    assert "\nFEASTOL = " in out and "\nPRESOLVE = 1\n" in out


def test_attrib_and_control_info_pair():
    p = ondrel.problem()
    assert p.getattribinfo("lpstatus") == (1010, 1)
    assert p.getcontrolinfo(name="FEASTOL") == (7001, 3)
    assert p.getcontrolinfo("lpstatus") == (0, 0)
    assert p.getattribinfo("feastol") == (0, 0)


def test_setlogfile_receives_log_lines_and_message_status_suppresses(in_tmp):
    p, _ = odd_lp()
    p.setlogfile("run.log")
    p.controls.outputlog = 1
    p.lpoptimize()
    p.writesol("a.sol")
    log = (in_tmp / "run.log").read_text()
    assert "Model status" in log  # the solver's own log lines
    assert "Solution written to 'a.sol'" in log
    assert p.getmessagestatus(1101) == 1
    p.setmessagestatus(1101, 0)
    assert p.getmessagestatus(errcode=1101) == 0
    p.writesol("b.sol")
    assert "'b.sol'" not in (in_tmp / "run.log").read_text()
    p.setlogfile("")
    with pytest.raises(RuntimeError, match="Cannot open log file"):
        p.setlogfile(str(in_tmp / "no" / "such" / "dir.log"))


def test_restore_of_a_nonlinear_problem_keeps_its_solution(in_tmp):
    p = ondrel.problem("nl")
    p.controls.outputlog = 0
    x = ondrel.var(name="x", lb=0.5, ub=3)
    y = ondrel.var(name="y", lb=0, ub=3)
    p.addVariable(x, y)
    p.addConstraint(ondrel.sin(x) * y + x ** 2 <= 4)
    p.setObjective(ondrel.exp(x) - y)
    p.solve()
    sol, obj = p.getSolution(), p.getObjVal()
    p.save()
    q = ondrel.problem()
    q.restore("nl")
    assert bits(q.getSolution()) == bits(sol) and q.getObjVal() == obj
    q.solve()
    assert q.getObjVal() == pytest.approx(obj, abs=1e-6)
