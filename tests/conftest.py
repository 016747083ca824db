import os

import pytest

import ondrel

# Tests needing the shared data folder skip with a reason that says it is
# "not present". Under CI=true such a skip is a failure: CI must run them.
_MISSING_DATA = "not present"


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    rep = outcome.get_result()
    if os.environ.get("CI") == "true" and rep.skipped and not hasattr(rep, "wasxfail"):
        reason = rep.longrepr[2] if isinstance(rep.longrepr, tuple) else str(rep.longrepr)
        if _MISSING_DATA in reason:
            rep.outcome = "failed"
            rep.longrepr = f"shared test data missing under CI=true: {reason}"


@pytest.fixture(autouse=True)
def _module_defaults():
    """Module-level control values never leak from one test to another."""
    ondrel.setdefaults()
    yield
    ondrel.setdefaults()
