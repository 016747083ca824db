"""Shared helpers for the modelling-algebra tests."""
import ondrel


def kind(obj):
    """The short kind name of a result: var, linterm, ..., or the Python type."""
    name = type(obj).__name__
    return name.rsplit(".", 1)[-1]


def names(*labels):
    """Variables with the given names, created in order (so ids ascend)."""
    return [ondrel.var(name=label) for label in labels]


def check_result(result, expected, env):
    """`expected` is ("same", name) for the very object `name`, a float for a
    plain number, or (kind, text) for a modelling object and its printed form."""
    if isinstance(expected, tuple) and expected[0] == "same":
        assert result is env[expected[1]]
    elif isinstance(expected, float):
        assert type(result) is float and result == expected
    else:
        want_kind, want_text = expected
        assert kind(result) == want_kind, str(result)
        assert str(result) == want_text
