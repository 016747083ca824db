"""Seed and budget of the fuzzers, from the environment.

ONDREL_FUZZ_SEED   first seed (default 1)
ONDREL_FUZZ_COUNT  number of cases per fuzzer (default small, for the suite)
ONDREL_FUZZ_SECONDS  stop after this many seconds (default 3)
"""
import os
import time


def seeds(default_count):
    """Yield seeds until the count or the time budget runs out."""
    first = int(os.environ.get("ONDREL_FUZZ_SEED", "1"))
    count = int(os.environ.get("ONDREL_FUZZ_COUNT", str(default_count)))
    limit = float(os.environ.get("ONDREL_FUZZ_SECONDS", "3"))
    end = time.monotonic() + limit
    for seed in range(first, first + count):
        if time.monotonic() > end:
            return
        yield seed
