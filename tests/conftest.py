import pytest

import ondrel


@pytest.fixture(autouse=True)
def _module_defaults():
    """Module-level control values never leak from one test to another."""
    ondrel.setdefaults()
    yield
    ondrel.setdefaults()
