"""Controls and attributes, per problem and at module level."""
import pytest

import ondrel


@pytest.fixture
def p():
    return ondrel.problem("c")


def test_control_access_paths_agree(p):
    assert p.controls.feastol == p.getControl("feastol") == 1e-6
    assert type(p.controls.presolve) is int
    assert p.getControl("feastol", "presolve") == p.getControl(["feastol", "presolve"])
    assert p.getControl(("feastol",)) == {"feastol": 1e-6}
    assert p.getControl(iter(["presolve"])) == {"presolve": 1}
    assert p.getControl([]) == {} and p.getControl(()) == {}
    everything = p.getControl()
    assert everything["feastol"] == 1e-6 and len(everything) > 20
    assert str(p.controls) == str(everything)
    attrs = p.getAttrib()
    assert attrs["cols"] == 0 and attrs["lpstatus"] == 0
    assert p.getAttrib("rows") == p.attributes.rows == 0
    assert isinstance(str(p.attributes), str)
    assert "feastol" in dir(p.controls)


@pytest.mark.parametrize("call, message", [
    (lambda p: p.controls.FEASTOL, "Incorrect control name"),
    (lambda p: p.controls.nosuch, "Incorrect control name"),
    (lambda p: p.attributes.nosuch, "Incorrect attribute name"),
    (lambda p: p.getControl("nosuch"), "Could not retrieve value of control"),
    (lambda p: p.getControl("feastol", "nosuch"), "Could not retrieve value of control"),
    (lambda p: p.getAttrib("nosuch"), "Could not retrieve value of attribute"),
    (lambda p: p.getControl(5), "Could not retrieve value of control"),
    (lambda p: setattr(p.attributes, "lpstatus", 3), "A problem's attribute cannot be set"),
    (lambda p: setattr(p.controls, "presolve", "a"), "Cannot set non-integer value to an integer control"),
    (lambda p: setattr(p.controls, "presolve", 1.0), "Cannot set non-integer value to an integer control"),
    (lambda p: setattr(p.controls, "feastol", "a"), "Cannot set non-numerical value to a floating-point control"),
    (lambda p: setattr(p.controls, "mpsrhsname", 3), "Cannot set non-string value to a string control"),
    (lambda p: setattr(p.controls, "Presolve", 0), "Incorrect control name"),
    (lambda p: p.setControl(), "setControl requires at least one argument of type dictionary or two elements: parameter, value"),
    (lambda p: p.setControl("feastol"), "single argument to setControl must be a dictionary"),
    (lambda p: p.setControl("feastol", 1, 2), "setControl: arguments mismatch"),
    (lambda p: p.setControl("nosuch", 1), "Incorrect control name"),
    (lambda p: p.setControl({"nosuch": 1}), "Incorrect control name"),
    (lambda p: p.setdefaultcontrol("nosuch"), "Incorrect control name"),
    (lambda p: setattr(p.controls, "feastol", -1.0), "out of range"),
])
def test_control_errors(p, call, message):
    with pytest.raises(RuntimeError, match=message):
        call(p)


def test_setting_controls(p):
    p.setControl({"feastol": 1e-4, "presolve": 0})
    assert p.controls.feastol == 1e-4 and p.controls.presolve == 0
    p.setControl("timelimit", 2)  # an integer is accepted for a double control
    assert p.getControl("timelimit") == 2.0
    p.controls.mpsrhsname = "RHS1"
    assert p.controls.mpsrhsname == "RHS1"
    p.setdefaultcontrol("feastol")
    assert p.controls.feastol == 1e-6
    # a failing setting keeps the ones before it in the same call
    with pytest.raises(RuntimeError):
        p.setControl({"presolve": 1, "nosuch": 2})
    assert p.controls.presolve == 1


def test_module_level_controls_apply_to_later_problems():
    before = ondrel.problem()
    assert ondrel.controls.presolve == 1
    ondrel.controls.presolve = 0
    ondrel.controls.feastol = 1e-5
    assert ondrel.controls.presolve == 0
    after = ondrel.problem()
    assert after.controls.presolve == 0 and after.controls.feastol == 1e-5
    assert before.controls.presolve == 1
    ondrel.setdefaultcontrol("presolve")
    assert ondrel.controls.presolve == 1
    with pytest.raises(KeyError):
        ondrel.setdefaultcontrol("presolve")
    ondrel.setdefaults()
    assert ondrel.controls.feastol == 1e-6
    with pytest.raises(RuntimeError, match="Cannot set non-integer value"):
        ondrel.controls.presolve = "x"
    with pytest.raises(RuntimeError, match="Incorrect control name"):
        ondrel.controls.nosuch = 1
    with pytest.raises(RuntimeError, match="Incorrect control name"):
        ondrel.controls.nosuch
    assert "feastol" in str(ondrel.controls)


def test_module_controls_reach_copies_and_resets():
    src = ondrel.problem()
    src.controls.feastol = 1e-3
    ondrel.controls.presolve = 0
    cp = src.copy()
    assert cp.controls.feastol == 1e-3  # the source's controls win
    assert cp.controls.presolve == 1
    src.reset()
    assert src.controls.presolve == 0 and src.controls.feastol == 1e-6
