"""Import, constants, starting and stopping the library."""
import subprocess
import sys

import pytest

import ondrel

CONSTANTS = {
    "continuous": 0, "binary": 1, "integer": 2, "semicontinuous": 3, "semiinteger": 4,
    "partiallyinteger": 5, "minimize": 1, "maximize": -1, "leq": 1, "geq": 2, "eq": 3,
    "range": 4, "solinfo_absprimalinfeas": 0, "solinfo_relprimalinfeas": 1,
    "solinfo_absdualinfeas": 2, "solinfo_reldualinfeas": 3, "solinfo_maxmipfractional": 4,
    "basis_nonbasic_lower": 0, "basis_basic": 1, "basis_nonbasic_upper": 2,
    "basis_superbasic": 3, "lp_unstarted": 0, "lp_optimal": 1, "lp_infeas": 2,
    "lp_cutoff": 3, "lp_unfinished": 4, "lp_unbounded": 5, "lp_cutoff_in_dual": 6,
    "lp_unsolved": 7, "lp_nonconvex": 8, "mip_not_loaded": 0, "mip_lp_not_optimal": 1,
    "mip_lp_optimal": 2, "mip_no_sol_found": 3, "mip_solution": 4, "mip_infeas": 5,
    "mip_optimal": 6, "mip_unbounded": 7, "nlp_unstarted": 0, "nlp_solution": 1,
    "nlp_locally_optimal": 1, "nlp_globally_optimal": 2, "nlp_locally_infeasible": 3,
    "nlp_infeasible": 4, "nlp_unbounded": 5, "nlp_unfinished": 6, "stop_timelimit": 1,
    "stop_ctrlc": 2, "stop_nodelimit": 3, "stop_iterlimit": 4, "stop_mipgap": 5,
    "stop_sollimit": 6, "stop_user": 9, "type_notdefined": 0, "type_int": 1,
    "type_int64": 2, "type_double": 3, "type_string": 4, "colinfo_value": 1,
    "colinfo_rdj": 2, "colinfo_deltaindex": 3, "colinfo_delta": 4, "colinfo_deltadj": 5,
    "colinfo_updaterow": 6, "colinfo_sb": 7, "colinfo_sbdual": 8, "rowinfo_slack": 1,
    "rowinfo_dual": 2, "rowinfo_numpenaltyerrors": 3, "rowinfo_maxpenaltyerror": 4,
    "rowinfo_totalpenaltyerror": 5, "rowinfo_currentpenaltyerror": 6,
    "rowinfo_currentpenaltyfactor": 7, "rowinfo_penaltycolumnplus": 8,
    "rowinfo_penaltycolumnplusvalue": 9, "rowinfo_penaltycolumnplusdj": 10,
    "rowinfo_penaltycolumnminus": 11, "rowinfo_penaltycolumnminusvalue": 12,
    "rowinfo_penaltycolumnminusdj": 13, "msset_initialvalues": 0, "msset_initialfiltered": 6,
    "msset_solvers": 1, "msset_slp_basic": 2, "msset_slp_extended": 3,
    "msset_knitro_basic": 4, "msset_knitro_extended": 5,
}


def test_constants_have_their_values_and_types():
    assert len(CONSTANTS) + 1 == 87  # plus infinity
    for name, value in CONSTANTS.items():
        got = getattr(ondrel, name)
        assert type(got) is int and got == value, name
    assert type(ondrel.infinity) is float and ondrel.infinity == 1e20


def test_published_and_hidden_types():
    for name in ("var", "sos", "constraint", "problem", "branchobj", "poolcut"):
        if hasattr(ondrel.ondrellib, name):
            assert isinstance(getattr(ondrel, name), type)
    assert repr(ondrel.problem) == "<class 'ondrel.problem'>"
    for name in ("expression", "control", "attribute", "linterm", "quadterm", "nonlinear"):
        assert not hasattr(ondrel, name)
    assert ondrel.ondrellib.__doc__.startswith("Module for creating, solving")


def test_free_then_problem_starts_library_again():
    p = ondrel.problem("before")
    ondrel.free()
    ondrel.free()  # stopping twice is harmless
    q = ondrel.problem("after")
    assert q.name() == "after"
    # the old problem's handles went with the library: clear errors, no crash
    with pytest.raises(RuntimeError):
        p.name()
    del p
    ondrel.init()
    ondrel.init()
    assert ondrel.problem().name() == "noname"


def test_problem_survives_free_and_reset_makes_it_usable():
    p = ondrel.problem("x")
    ondrel.free()
    p.reset()
    assert p.name() == ""
    assert p.getAttrib("cols") == 0


def test_import_in_fresh_interpreter_and_clean_exit():
    code = (
        "import ondrel, numpy\n"
        "p = ondrel.problem('p1')\n"
        "print(p.name(), p.controls.feastol)\n"
    )
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=60)
    assert out.returncode == 0, out.stderr
    assert out.stdout.split() == ["p1", "1e-06"]
    assert out.stderr == ""


def test_module_functions_have_documentation():
    for name in ("init", "free", "setdefaultcontrol", "setdefaults"):
        doc = getattr(ondrel, name).__doc__
        for section in ("Purpose:", "Synopsis:", "Arguments:", "Example:",
                        "Further information:", "Related topics:"):
            assert section in doc, (name, section)
