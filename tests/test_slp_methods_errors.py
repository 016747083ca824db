"""The nonlinear layer's methods on bad input: their own messages, the
library's refusals, and the problem left as it was."""
import pytest

import ondrel


@pytest.fixture
def prob():
    p = ondrel.problem()
    x, y = ondrel.var(name="x", lb=-5, ub=5), ondrel.var(name="y", lb=-5, ub=5)
    p.addVariable(x, y)
    c = ondrel.sin(x) + y <= 1
    p.addConstraint(c)
    p.setObjective(x + y)
    return p, x, y, c


# (call, exact message)
MESSAGES = [
    (lambda p, x, y, c: p.loadvars([x], [0], [-1], [0], [0], [1.0]), "Wrong arguments in loadvars"),
    (lambda p, x, y, c: p.addvars([x], [0], None, [0], [0], [1.0], [0.0]), "Wrong arguments in addvars"),
    (lambda p, x, y, c: p.loadtolsets([0.1] * 17), 'The "tol" argument should have a multiple of 9 elements'),
    (lambda p, x, y, c: p.addtolsets(), "Wrong arguments in addtolsets"),
    (lambda p, x, y, c: p.loadtolsets(None), "Wrong arguments in loadtolsets"),
    (lambda p, x, y, c: p.loaddfs([x], [c]), "Wrong arguments in loaddfs"),
    (lambda p, x, y, c: p.adddfs(None, [c], [1.0]), "Wrong arguments in adddfs"),
    (lambda p, x, y, c: p.loadcoefs([c], [x], None, [0, 2], 2, [10, 0], [0, 0]), "Wrong arguments in loadcoefs"),
    (lambda p, x, y, c: p.addcoefs([c], [x], None, [0, 2], "yes", [10, 0], [0, 0]), "Wrong arguments in addcoefs"),
    (lambda p, x, y, c: p.chgvar(), "Incorrect arguments to chgvar"),
    (lambda p, x, y, c: p.chgvar(x, tolset="one"), "Incorrect arguments to chgvar"),
    (lambda p, x, y, c: p.chgtolset(1, None, [0.1] * 8), "Wrong number of elements in tols (should be 9)"),
    (lambda p, x, y, c: p.chgrowwt(c, "heavy"), "Incorrect call to chgrowwt"),
    (lambda p, x, y, c: p.chgrowstatus(c, 1.5), "Incorrect call to chgrowstatus"),
    (lambda p, x, y, c: p.chgdf(x), "Wrong arguments in chgdf"),
    (lambda p, x, y, c: p.chgdeltatype([x]), "Wrong arguments in chgdeltatypes"),
    (lambda p, x, y, c: p.chgccoef(c, x, 1.0), "Wrong arguments in chgccoef"),
    (lambda p, x, y, c: p.chgcascadenlimit(x, "2"), "Wrong arguments in chgcascadenlimit"),
    (lambda p, x, y, c: p.delvars(None), "Incorrect arguments to delvars"),
    (lambda p, x, y, c: p.deltolsets(), "Incorrect arguments to deltolsets"),
    (lambda p, x, y, c: p.delcoefs([c]), "Incorrect arguments to delcoefs"),
    (lambda p, x, y, c: p.getvar(), "Incorrect arguments in getvar"),
    (lambda p, x, y, c: p.gettolset("1", []), "Incorrect arguments in gettolset"),
    (lambda p, x, y, c: p.getrowinfo("slack", c), "Incorrect argument to getrowinfo"),
    (lambda p, x, y, c: p.getcolinfo(1), "Incorrect argument to getcolinfo"),
    (lambda p, x, y, c: p.getdf(x), "Incorrect arguments in getdf"),
    (lambda p, x, y, c: p.getcoefformula(c, x, 1, 0), "Incorrect argument to getcoefformula or excessive buffersize"),
    (lambda p, x, y, c: p.getcoefformula(c, x, 1, 10001),
     "Incorrect argument to getcoefformula or excessive buffersize"),
    (lambda p, x, y, c: p.getccoef(c, x, 0), "Incorrect argument to getccoef or excessive formula length requested"),
    (lambda p, x, y, c: p.getccoef(c, x, 10001),
     "Incorrect argument to getccoef or excessive formula length requested"),
    (lambda p, x, y, c: p.getmessagetype("x"), "Incorrect argument in getmessagetype"),
    (lambda p, x, y, c: p.getmessagetype(123456), "Incorrect code passed to getmessagetype"),
    (lambda p, x, y, c: p.tokencount(5), "Erroneous argument in tokencount"),
    (lambda p, x, y, c: p.parseformula([1]), "Wrong arguments in parseformula"),
    (lambda p, x, y, c: p.parsecformula("x", None, None), "Incorrect arguments in parsecformula"),
    (lambda p, x, y, c: p.validformula([1, 0]), "Wrong arguments in validformula"),
    (lambda p, x, y, c: p.validaterow(), "Wrong arguments in validaterow"),
    (lambda p, x, y, c: p.validatekkt(0, 0, 0), "Wrong arguments in validatekkt"),
    (lambda p, x, y, c: p.validatevector(None), "Wrong arguments in validatevector"),
    (lambda p, x, y, c: p.validatevector([0.0] * 3), "Wrong vector size in validatevector"),
    (lambda p, x, y, c: p.filesol(), "Incorrect argument to filesol"),
    (lambda p, x, y, c: p.printmsg("1", "m"), "Incorrect arguments for printmsg"),
    (lambda p, x, y, c: p.msaddpreset("d", "0", 1, None), "Incorrect arguments in msaddpreset"),
    (lambda p, x, y, c: p.msaddjob("j"), "Incorrect arguments in msaddjob"),
    (lambda p, x, y, c: p.msaddcustompreset("j", 0), "Incorrect arguments in msaddcustompreset"),
    (lambda p, x, y, c: p.msaddjob("j", [], [], [1], None),
     "Incorrect argument 'control' in msaddcustompreset/msaddjob: must be a dictionary"),
    (lambda p, x, y, c: p.msaddjob("j", [], [], {1: 2}, None),
     "Incorrect key in parameter 'control' (all keys must be strings) of msaddcustompreset/msaddjob"),
    (lambda p, x, y, c: p.msaddjob("j", [], [], {"no_such_control": 1}, None),
     "Unknown control no_such_control in msaddcustompreset/msaddjob"),
    (lambda p, x, y, c: p.msaddcustompreset("j", 0, 1, [], [], {"mpsrhsname": "R"}, None),
     "Only integer and double controls allowed in msaddcustompreset/msaddjob"),
    (lambda p, x, y, c: p.loadvars([x, y], [0], [-1], [0], [0], [1.0], [0.0]),
     "Mismatched lengths in arguments: expected 2, found 1"),
]


@pytest.mark.parametrize("call,message", MESSAGES)
def test_own_messages(prob, call, message):
    with pytest.raises(RuntimeError) as e:
        call(*prob)
    assert str(e.value) == message


# Refused by the library: the problem keeps what it had.
REFUSED = [
    (lambda p, x, y, c: p.chgvar(x, stepbound=-1.0), "step bound"),
    (lambda p, x, y, c: p.chgvar(x, initvalue=float("nan")), "finite"),
    (lambda p, x, y, c: p.chgvar(x, tolset=3), "tolerance set 3"),
    (lambda p, x, y, c: p.loadvars([x], [0], [-1], [0], [0], [1.0], [-0.5]), "step bound"),
    (lambda p, x, y, c: p.loadvars([x, y], [0, 0], [c, c], [0, 0], [0, 0], [1.0, 1.0], [0.0, 0.0]),
     "already determines"),
    (lambda p, x, y, c: p.loadtolsets([0.1] * 8 + [float("nan")]), "finite"),
    (lambda p, x, y, c: p.addtolsets([-1.0] * 9), ">= 0"),
    (lambda p, x, y, c: p.chgtolset(2, None, [0.1] * 9), "Invalid tolerance set 2"),
    (lambda p, x, y, c: p.gettolset(0, []), "Invalid tolerance set 0"),
    (lambda p, x, y, c: p.deltolsets([5]), "Invalid tolerance set 5"),
    (lambda p, x, y, c: p.chgrowwt(c, 0.0), "> 0"),
    (lambda p, x, y, c: p.chgrowwt(c, float("nan")), "> 0"),
    (lambda p, x, y, c: p.chgdf(x, c, float("inf")), "nonzero"),
    (lambda p, x, y, c: p.loaddfs([x, y], [c, c], [1.0, 0.0]), "nonzero"),
    (lambda p, x, y, c: p.chgdeltatype([x], [7], [1.0]), "delta type 7"),
    (lambda p, x, y, c: p.chgdeltatype([x], [1], [-1.0]), "> 0"),
    (lambda p, x, y, c: p.chgcascadenlimit(x, -1), "cascade limit"),
    (lambda p, x, y, c: p.getvar(9), "column index 9"),
    (lambda p, x, y, c: p.getrowinfo(99, c), "information type 99"),
    (lambda p, x, y, c: p.getrowinfo(ondrel.rowinfo_slack, c), "not been solved"),
    (lambda p, x, y, c: p.validatekkt(2, 0, 0, 1e-6), "calculation mode"),
    (lambda p, x, y, c: p.fixpenalties(), "SLP solve"),
    (lambda p, x, y, c: p.printmsg(2, "m"), "message type"),
    (lambda p, x, y, c: p.msaddpreset("d", 4, 2, None), "does not have"),
    (lambda p, x, y, c: p.msaddpreset("d", 9, 2, None), "preset 9"),
    (lambda p, x, y, c: p.msaddjob("j", [x], [1.0], {"nlpsolver": 7}, None), "out of range"),
    (lambda p, x, y, c: p.msaddjob("j", [x], [float("nan")], {}, None), "finite"),
    (lambda p, x, y, c: p.msaddjob("j", [], [], {"nlpiterlimit": 2 ** 40}, None), "does not fit"),
]


@pytest.mark.parametrize("call,fragment", REFUSED)
def test_refused_calls_leave_the_problem_unchanged(prob, call, fragment):
    p, x, y, c = prob
    p.loadtolsets([0.1] * 9)
    p.chgvar(x, initvalue=1.0, stepbound=0.5, tolset=1)
    p.chgrowwt(c, 2.0)
    before = (p.getvar(x), p.getvar(y), p.getrowwt(c), p.getdf(x, c), p.getAttrib("nlptolsets"))
    with pytest.raises(RuntimeError, match=fragment):
        call(*prob)
    assert (p.getvar(x), p.getvar(y), p.getrowwt(c), p.getdf(x, c), p.getAttrib("nlptolsets")) == before


MALFORMED = [
    ([10, 10, 0], [0, 1, 0]),            # two operands, no operator
    ([31, 0], [5, 0]),                   # operator without operands
    ([10, 12, 0], [0, 27, 0]),           # function without its argument marker
    ([10, 99, 0], [0, 0, 0]),            # unknown token type
    ([10, 31, 0], [0, 77, 0]),           # unknown operator
]


@pytest.mark.parametrize("types,values", MALFORMED)
def test_malformed_formulas_are_found_and_refused(prob, types, values):
    p, x, y, c = prob
    bad, none1, none2 = p.validformula(types, values)
    assert bad > 0 and none1 is None and none2 is None
    coefs_before = []
    p.getcoefs(coefs_before)
    with pytest.raises(RuntimeError):
        p.chgnlcoef(c, x, 1.0, True, types, values)
    with pytest.raises(RuntimeError):
        p.evaluateformula(1, types, values)
    after = []
    p.getcoefs(after)
    assert after == coefs_before


def test_unbalanced_and_unknown_text_formulas(prob):
    p, x, y, c = prob
    for text in ["sin(x", "x +* y", "frobnicate(x)"]:
        with pytest.raises(RuntimeError):
            p.chgccoef(c, x, 1.0, text)
    assert p.tokencount("x + y") == 3


def test_formula_round_trip(prob):
    p, x, y, c = prob
    types, values, table = p.preparseformula("x * 2 + 3")
    assert len(types) == p.tokencount("x * 2 + 3")
    out_t, out_v = [], []
    n = p.parseformula(types + [0], values + [0.0], out_t, out_v)
    assert n == len(out_t) and out_t[-1] == 0
    assert p.validformula(out_t, out_v)[0] == 0
    p.chgvar(x, value=4.0)
    assert p.evaluateformula(1, out_t, out_v) == pytest.approx(11.0)
    n2 = p.parsecformula("x * 2 + 3", [0] * 16, [0.0] * 16)
    assert n2 == n
    p.chgnlcoef(c, y, 2.0, True, out_t, out_v)
    assert p.getcoefformula(c, y, 1, 100) == 2.0
    factor, text = p.getccoef(c, y, 200)
    assert factor == 2.0 and "x" in text
    p.chgvar(y, value=1.0)
    assert p.evaluatecoef(c, y) == pytest.approx(2.0 * 1.0 * 11.0)
    rows, cols = [], []
    p.getcoefs(rows, cols)
    assert (0, 1) in zip(rows, cols)
    p.delcoefs([c], [y])
    p.getcoefs(rows, cols)
    assert (0, 1) not in zip(rows, cols)
