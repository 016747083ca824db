"""The public instances solve to their published optima, through
p.read() + p.solve() and through the command-line solver."""
import os
import re
import subprocess
import sys

import pytest

import ondrel

HERE = os.path.dirname(os.path.abspath(__file__))
INSTANCES = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "data", "instances"))

# name: (kind, published optimum or "infeasible"/"unbounded")
PUBLISHED = {
    "afiro": ("LP", -4.6475314286e+02), "adlittle": ("LP", 2.2549496316e+05),
    "25fv47": ("LP", 5.5018458883e+03), "80bau3b": ("LP", 9.8722419241e+05),
    "etamacro": ("LP", -7.5571523330e+02), "greenbea": ("LP", -7.2555248130e+07),
    "israel": ("LP", -8.9664482186e+05), "perold": ("LP", -9.3807552782e+03),
    "scrs8": ("LP", 9.0429695380e+02), "shell": ("LP", 1.2088253460e+09),
    "stair": ("LP", -2.5126695119e+02), "standata": ("LP", 1.2576995000e+03),
    "standgub": ("LP", 1.2576995000e+03), "standmps": ("LP", 1.4060175000e+03),
    "woodinfe": ("LP", "infeasible"), "bgetam": ("LP", "infeasible"), "box1": ("LP", "infeasible"),
    "forest6": ("LP", "infeasible"), "galenet": ("LP", "infeasible"), "refinery": ("LP", "infeasible"),
    "gas11": ("LP", "unbounded"),
    "flugpl": ("MIP", 1201500), "lseu": ("MIP", 1120), "egout": ("MIP", 568.1007),
    "gt2": ("MIP", 21166), "rgn": ("MIP", 82.2), "bell5": ("MIP", 8966406.49152),
    "p0548": ("MIP", 8691), "dcmulti": ("MIP", 188182), "sp150x300d": ("MIP", 69),
    "small_mip": ("MIP", 3.2368421), "gesa2": ("MIP", 25779856.372),
}
SLOW = {"80bau3b", "greenbea", "dcmulti", "bell5", "gesa2", "gt2", "perold", "25fv47"}

pytestmark = pytest.mark.skipif(not os.path.isdir(INSTANCES), reason="instance folder not present")


def _params():
    return list(_gen())


def _gen():
    for name in PUBLISHED:
        marks = [pytest.mark.slow] if name in SLOW else []
        yield pytest.param(name, marks=marks, id=name)


def _check(kind, expected, status, objective):
    if expected == "infeasible":
        assert status in ("lp_infeas", "mip_infeas")
    elif expected == "unbounded":
        assert status in ("lp_unbounded", "mip_unbounded")
    elif kind == "LP":
        assert status == "lp_optimal"
        assert objective == pytest.approx(expected, rel=1e-6, abs=1e-6)
    else:
        assert status == "mip_optimal"
        assert objective == pytest.approx(expected, rel=2e-4, abs=1e-4)


@pytest.mark.parametrize("name", _params())
def test_instance_in_process(name):
    kind, expected = PUBLISHED[name]
    p = ondrel.problem()
    p.read(os.path.join(INSTANCES, name + ".mps"))
    assert len(p.getVariable()) == p.getAttrib("cols") > 0
    p.solve()
    status = p.getProbStatusString()
    objective = p.getObjVal() if status.endswith("optimal") else None
    _check(kind, expected, status, objective)


@pytest.mark.parametrize("name", ["afiro", "lseu", "woodinfe", "gas11", "small_mip"])
def test_instance_command_line(name):
    kind, expected = PUBLISHED[name]
    out = subprocess.run([sys.executable, "-m", "ondrel", os.path.join(INSTANCES, name + ".mps")],
                         capture_output=True, text=True, timeout=300)
    assert out.returncode == 0, out.stderr
    status = re.search(r"Status:\s+(\S+)", out.stdout).group(1)
    m = re.search(r"Objective:\s+(\S+)", out.stdout)
    _check(kind, expected, status, float(m.group(1)) if m else None)
