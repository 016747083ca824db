"""One measurement in a fresh process: build one model with one package.

    python bench/run_one.py MODEL SIZE PACKAGE MODE

MODE is
- `zero`: build, then hand off (a solve with a time limit of zero);
- `solve`: build, then a full solve (its time and the objective);
- `verify`: build, then a full solve with a zero MIP gap (objective only).
SIZE is a size name of the model (small, mid, large, verify) or a number.

The last line printed is one JSON object: times in seconds (wall clock, and
the process's CPU time as *_cpu, all threads), memory in MiB, or an "error"
text. Memory is the process's resident set size (RSS, from the
kernel's own count, so it includes the solver's C/C++ allocations, not only
Python objects): "rss_peak" is the peak of the whole process, "rss_model" the
peak minus the RSS just before the build began (interpreter, imports and the
model's input data are thus not counted in it).
"""
import gc
import importlib
import json
import os
import resource
import sys
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import packages  # noqa: E402


def rss_now_mib():
    with open("/proc/self/statm") as f:
        pages = int(f.read().split()[1])
    return pages * os.sysconf("SC_PAGE_SIZE") / 2 ** 20


def rss_peak_mib():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0


def builder_for(mod, pkg):
    if pkg in mod.BUILDERS:
        return mod.BUILDERS[pkg]
    raise NotImplementedError(f"no {pkg} builder for this model")


def size_arg(mod, size):
    if size == "verify":
        return mod.VERIFY_SIZE
    if size in mod.SIZES:
        return mod.SIZES[size]
    return eval(size, {})  # a literal: 50 or (10, 5)


def measure(model, size, pkg, mode, out):
    mod = importlib.import_module(f"models.{model}")
    param = size_arg(mod, size)
    out["param"] = list(param) if isinstance(param, tuple) else param
    data = mod.make_data(param)
    out.update(data.describe())
    build = builder_for(mod, pkg)
    t = time.perf_counter()
    packages.load(pkg)
    out["import"] = time.perf_counter() - t
    out["version"] = packages.version(pkg)
    gc.collect()
    rss0 = rss_now_mib()
    try:
        t0, c0 = time.perf_counter(), time.process_time()
        m = build(data)
        t1, c1 = time.perf_counter(), time.process_time()
        out["build"], out["build_cpu"] = t1 - t0, c1 - c0
        if mode == "zero":
            try:
                packages.ZERO[pkg](m)
                out["handoff"] = time.perf_counter() - t1
                out["handoff_cpu"] = time.process_time() - c1
            except packages.NoHandoff as e:
                out["note"] = str(e)
        else:
            out["objective"] = packages.SOLVE[pkg](m, mode == "verify")
            out["solve"] = time.perf_counter() - t1
            out["solve_cpu"] = time.process_time() - c1
    finally:
        # also after a failed hand-off: the memory of the build is known
        if "build" in out:
            out["rss_peak"] = rss_peak_mib()
            out["rss_model"] = out["rss_peak"] - rss0


def list_models():
    """The models, their sizes and their builders, for the driver."""
    info = {}
    for name in ("lqcp", "fac", "lp"):
        mod = importlib.import_module(f"models.{name}")
        info[name] = {"sizes": {k: v for k, v in mod.SIZES.items()},
                      "verify": mod.VERIFY_SIZE, "solve": mod.SOLVE_SIZE,
                      "builders": list(mod.BUILDERS)}
    print(json.dumps(info))


def main(argv):
    if argv[1:2] == ["--list"]:
        return list_models()
    model, size, pkg, mode = argv[1:5]
    res = {"model": model, "size": size, "package": pkg, "mode": mode}
    try:
        measure(model, size, pkg, mode, res)
    except BaseException as e:  # reported to the driver, whatever it is
        # what was measured before the failure (a build time, say) is kept
        tb = traceback.format_exc(limit=6)
        sys.stderr.write(tb)
        kind = ("unsupported" if isinstance(e, NotImplementedError) else
                "licence" if isinstance(e, packages.LicenceLimit) else "error")
        msg = str(e).strip().splitlines()[0] if str(e).strip() else type(e).__name__
        res[kind] = (msg if kind == "licence" else f"{type(e).__name__}: {msg}")[:300]
    sys.stdout.flush()
    print("\n" + json.dumps(res), flush=True)


if __name__ == "__main__":
    main(sys.argv)
