#!/usr/bin/env python3
"""Build-and-hand-off benchmark: ondrel against the Python packages users
would otherwise choose.

    python3 bench/peers.py                 # set up, run the suite, print the table
    python3 bench/peers.py --verify        # cross-check the optimal objectives
    python3 bench/peers.py --profile lp:large:ondrel   # sampling profile of one run

Set-up (on the first run, and again whenever bench/requirements-peers.txt
changes): the Debian packages the ondrel build needs, a separate virtual
environment bench/.venv-peers with the peers from PyPI, and ondrel built from
this checkout into it (incrementally, in build/peers). The driver itself
needs only the standard library.

Every measurement runs in a fresh process (bench/run_one.py) with a time
limit: each of the models lqcp, fac and lp, at three sizes, with each package,
three times; the table shows the median. A package that cannot build a model,
fails, or runs out of time is shown with that reason, never left out.
"""
import argparse
import csv
import datetime
import hashlib
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
VENV = os.path.join(HERE, ".venv-peers")
VPY = os.path.join(VENV, "bin", "python")
REQS = os.path.join(HERE, "requirements-peers.txt")
RESULTS = os.path.join(HERE, "results")
RUN_ONE = os.path.join(HERE, "run_one.py")

MODELS = ["lqcp", "fac", "lp"]
SIZES = ["small", "mid", "large"]
ORDER = ["ondrel", "ondrel-dot", "ondrel-matrix", "ondrel-rows", "highspy", "highspy-matrix", "pyoptinterface",
         "pyscipopt", "mip", "pyomo", "linopy", "gurobipy"]
ONDREL = ("ondrel", "ondrel-dot", "ondrel-matrix", "ondrel-rows")
# gurobipy runs under its size-limited licence (2000 variables and rows,
# 200 variables with quadratic terms): only the smallest size is tried.
LICENCE_LIMITED = {"gurobipy": ("small",)}
# full solves (of the size each model names: the mid size where the solver
# can finish it; see SOLVE_SIZE in bench/models/*.py)
SOLVE_PACKAGES = ["ondrel", "ondrel-dot", "highspy"]
NO_SOLVE = {"fac": "no full solve: no solver here proves fac optimal at these sizes in minutes",
            "lqcp": "HiGHS's QP solver does not finish lqcp beyond N = 30: solved at N = 30"}

T0 = time.time()


def log(msg):
    m, s = divmod(int(time.time() - T0), 60)
    print(f"[{m:2d}:{s:02d}] {msg}", flush=True)


# --- set-up ------------------------------------------------------------------------

def run(cmd, **kw):
    return subprocess.run(cmd, text=True, capture_output=True, **kw)


def ensure_system_packages():
    need = []
    if not shutil.which("g++"):
        need.append("g++")
    if not shutil.which("pkg-config"):
        need.append("pkg-config")
    if not shutil.which("pkg-config") or run(["pkg-config", "--exists", "ipopt"]).returncode:
        need.append("coinor-libipopt-dev")
    if not need:
        return
    log(f"installing system packages: {' '.join(need)}")
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True)
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq"] + need, check=True,
                   env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))


def ensure_venv():
    if not os.path.exists(VPY):
        log(f"creating {os.path.relpath(VENV, ROOT)}")
        subprocess.run([sys.executable, "-m", "venv", VENV], check=True)
    stamp = os.path.join(VENV, ".requirements.sha256")
    with open(REQS, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    if os.path.exists(stamp) and open(stamp).read().strip() == digest:
        return
    log("installing the peers into the benchmark environment (pip)")
    subprocess.run([VPY, "-m", "pip", "install", "-q", "--upgrade", "pip"], check=True)
    subprocess.run([VPY, "-m", "pip", "install", "-q", "-r", REQS], check=True)
    with open(stamp, "w") as f:
        f.write(digest + "\n")


def install_ondrel():
    """Build ondrel from this checkout into the benchmark environment.
    Returns None, or the reason it is not available."""
    log("building ondrel into the benchmark environment")
    r = run([VPY, "-m", "pip", "install", "-q", "--no-build-isolation", "--no-deps",
             "-C", "build-dir=build/peers", ROOT], cwd=ROOT)
    if r.returncode != 0:
        # never benchmark a stale build
        run([VPY, "-m", "pip", "uninstall", "-y", "-q", "ondrel"])
        tail = [ln for ln in (r.stdout + r.stderr).splitlines() if ln.strip()][-3:]
        return "build failed: " + " | ".join(tail)[:300]
    return None


# --- one measurement ------------------------------------------------------------------

def child(model, size, pkg, mode, timeout):
    cmd = [VPY, RUN_ONE, model, size, pkg, mode]
    try:
        r = subprocess.run(cmd, text=True, capture_output=True, timeout=timeout, cwd=HERE)
    except subprocess.TimeoutExpired:
        return {"timeout": f"timed out after {timeout:.0f} s"}
    for line in reversed(r.stdout.splitlines()):
        if line.startswith("{"):
            try:
                return json.loads(line)
            except ValueError:
                break
    err = [ln for ln in r.stderr.splitlines() if ln.strip()]
    return {"error": f"crashed (exit {r.returncode})" + (f": {err[-1][:200]}" if err else "")}


def failure(res):
    for k in ("timeout", "unsupported", "licence", "error"):
        if k in res:
            return k, res[k]
    return None, None


def run_seconds(res):
    return sum(res.get(k) or 0.0 for k in ("build", "handoff", "solve"))


def measure(model, size, pkg, mode, repeats, timeout, long_run):
    """Up to `repeats` runs; a failed run, or a first run longer than
    `long_run` seconds, is not repeated (the suite must fit its time)."""
    runs = []
    for _ in range(repeats):
        res = child(model, size, pkg, mode, timeout)
        runs.append(res)
        if failure(res)[0] or run_seconds(res) > long_run:
            break
    return runs


def med(runs, key):
    vals = [r[key] for r in runs if key in r and not failure(r)[0]]
    return statistics.median(vals) if vals else None


def summarise(runs):
    """The median of each quantity over the runs that succeeded."""
    ok = [r for r in runs if not failure(r)[0]]
    s = {}
    for k in ("build", "handoff", "solve", "build_cpu", "handoff_cpu", "solve_cpu",
              "rss_model", "rss_peak", "objective"):
        s[k] = med(runs, k)
    for k in ("build", "rss_model", "rss_peak"):
        if s[k] is None:
            # a failed hand-off still tells how long the build took, and its memory
            vals = [r[k] for r in runs if k in r]
            s[k] = statistics.median(vals) if vals else None
    if s["build"] is not None and s["handoff"] is not None:
        s["total"] = s["build"] + s["handoff"]
    else:
        s["total"] = None
    kind, text = failure(runs[-1]) if runs and not ok else (None, None)
    s["status"] = "ok" if ok else (f"{kind}: {text}" if kind else "no run")
    s["runs"] = len(ok)
    for k in ("param", "vars", "rows", "nnz", "version", "note"):
        for r in runs:
            if k in r:
                s[k] = r[k]
                break
    s["raw"] = runs
    return s


# --- the suite ---------------------------------------------------------------------------

def list_models():
    r = run([VPY, RUN_ONE, "--list"], cwd=HERE)
    if r.returncode != 0:
        sys.exit("cannot list the models: " + r.stderr[-500:])
    return json.loads(r.stdout.strip().splitlines()[-1])


def packages_for(info, model, wanted):
    have = info[model]["builders"]
    extra = [p for p in have if p not in ORDER]
    return [p for p in ORDER + extra if p in have and (not wanted or p in wanted)]


def probe_ondrel(info, models, pkgs, ondrel_error):
    """A cheap first run of each ondrel variant (the model at its verify size,
    solved): when it fails, ondrel is reported as not available with that
    error instead of failing at every size."""
    bad = {}
    for model in models:
        for pkg in ONDREL:
            if pkg not in packages_for(info, model, pkgs):
                continue
            if ondrel_error:
                bad[(model, pkg)] = f"not available: {ondrel_error}"
                continue
            res = child(model, "verify", pkg, "verify", 120)
            kind, text = failure(res)
            if kind:
                bad[(model, pkg)] = f"not available: {text}"
                log(f"{model} {pkg}: not available: {text}")
    return bad


def run_suite(args, info, ondrel_error):
    models = args.models
    sizes = args.sizes
    pkgs = args.packages
    unavailable = probe_ondrel(info, models, pkgs, ondrel_error)
    table = {}
    for model in models:
        timed_out = {}
        for size in sizes:
            for pkg in packages_for(info, model, pkgs):
                key = (model, size, pkg, "handoff")
                if (model, pkg) in unavailable:
                    table[key] = {"status": unavailable[(model, pkg)], "runs": 0}
                    continue
                if pkg in LICENCE_LIMITED and size not in LICENCE_LIMITED[pkg]:
                    table[key] = {"status": "licence: size-limited, tried at the smallest size only",
                                  "runs": 0}
                    continue
                if pkg in timed_out:
                    table[key] = {"status": f"skipped: timed out at {timed_out[pkg]}", "runs": 0}
                    continue
                runs = measure(model, size, pkg, "zero", args.repeats, args.timeout, args.long)
                s = summarise(runs)
                table[key] = s
                if any("timeout" in r for r in runs):
                    timed_out[pkg] = size
                if s["status"] == "ok":
                    log(f"{model} {size} {pkg}: build {s['build']:.3f} s, hand-off "
                        f"{fmt(s['handoff'], '.3f')} s, {s['rss_model']:.0f} MiB ({s['runs']} runs)")
                else:
                    log(f"{model} {size} {pkg}: {s['status']}")
    if args.solve:
        for model in models:
            size = info[model]["solve"]
            if size is None:
                continue
            size = str(size)
            for pkg in [p for p in SOLVE_PACKAGES if p in packages_for(info, model, pkgs)]:
                key = (model, size, pkg, "solve")
                if (model, pkg) in unavailable:
                    table[key] = {"status": unavailable[(model, pkg)], "runs": 0}
                    continue
                runs = measure(model, size, pkg, "solve", args.repeats, args.solve_timeout,
                               args.long)
                s = summarise(runs)
                table[key] = s
                if s["status"] == "ok":
                    log(f"{model} {size} {pkg}: full solve {s['solve']:.2f} s, "
                        f"objective {s['objective']:.10g} ({s['runs']} runs)")
                else:
                    log(f"{model} {size} {pkg}: full solve: {s['status']}")
    return table


# --- output -----------------------------------------------------------------------------

def loadavg():
    try:
        return " ".join(f"{x:.2f}" for x in os.getloadavg())
    except OSError:
        return "?"


LOAD_AT_START = loadavg()


def machine():
    d = {"date": datetime.datetime.now().isoformat(timespec="seconds"),
         "load average at start (1, 5, 15 min)": LOAD_AT_START,
         "load average at end": loadavg(),
         "python": platform.python_version(), "os": platform.platform()}
    try:
        with open("/proc/cpuinfo") as f:
            d["cpu"] = next(ln.split(":", 1)[1].strip() for ln in f if ln.startswith("model name"))
    except (OSError, StopIteration):
        d["cpu"] = platform.processor() or "?"
    d["cores"] = os.cpu_count()
    try:
        with open("/proc/meminfo") as f:
            kb = int(next(ln.split()[1] for ln in f if ln.startswith("MemTotal")))
        d["memory"] = f"{kb / 2 ** 20:.1f} GiB"
    except (OSError, StopIteration):
        d["memory"] = "?"
    try:
        d["commit"] = run(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"]).stdout.strip()
    except OSError:
        d["commit"] = "?"
    return d


def ratio(a, b):
    if a is None or b is None or b <= 0:
        return None
    return a / b


def fmt(v, fmt_spec):
    return "-" if v is None else format(v, fmt_spec)


def size_label(s, model):
    p = s.get("param")
    if p is None:
        return ""
    if model == "fac":
        return f"G=F={p[0]}" if p[0] == p[1] else f"G={p[0]},F={p[1]}"
    return f"N={p}" if model == "lqcp" else f"n={p}"


def print_table(table, info, args):
    rows = []
    hdr = ("model", "size", "package", "build s", "hand-off s", "total s", "x ondrel",
           "mem MiB", "x ondrel", "note")
    print()
    print("Build and hand-off (solve with time limit 0); median of "
          f"{args.repeats} runs; x ondrel = this package / ondrel (higher is slower)")
    line = "{:<5} {:<6} {:<15} {:>9} {:>10} {:>9} {:>8} {:>8} {:>8}  {}"
    print(line.format(*hdr))
    for model in args.models:
        for size in args.sizes:
            pk = packages_for(info, model, args.packages)
            first = next((table[(model, size, p, "handoff")] for p in pk
                          if table.get((model, size, p, "handoff"), {}).get("vars")), {})
            if first:
                nnz = f", {first['nnz']:,} nonzeros" if first.get("nnz") else ""
                print(f"-- {model} {size} ({size_label(first, model)}: {first['vars']:,} "
                      f"variables, {first['rows']:,} rows{nnz})")
            ref = table.get((model, size, "ondrel", "handoff"), {})
            for p in pk:
                s = table.get((model, size, p, "handoff"))
                if s is None:
                    continue
                rt = ratio(s.get("total"), ref.get("total"))
                rm = ratio(s.get("rss_model"), ref.get("rss_model"))
                note = s.get("note", "") if s["status"] == "ok" else s["status"]
                print(line.format(model, size, p, fmt(s.get("build"), ".3f"),
                                  fmt(s.get("handoff"), ".3f"), fmt(s.get("total"), ".3f"),
                                  fmt(rt, ".2f"), fmt(s.get("rss_model"), ".0f"), fmt(rm, ".2f"),
                                  note[:90]))
                rows.append(csv_row(model, size, p, "handoff", s, rt, rm))
    solves = [k for k in table if k[3] == "solve"]
    if solves:
        print()
        print("Full solve (from the built model to the optimum; the mid size unless noted); "
              f"median of {args.repeats} runs")
        line2 = "{:<5} {:<6} {:<15} {:>9} {:>9} {:>18}  {}"
        print(line2.format("model", "size", "package", "solve s", "x ondrel", "objective", "note"))
        for model in args.models:
            if model in NO_SOLVE:
                print(f"-- {model}: {NO_SOLVE[model]}")
            keys = [k for k in solves if k[0] == model]
            if not keys:
                continue
            size = keys[0][1]
            ref = table.get((model, size, "ondrel", "solve"), {})
            for p in SOLVE_PACKAGES:
                s = table.get((model, size, p, "solve"))
                if s is None:
                    continue
                rt = ratio(s.get("solve"), ref.get("solve"))
                note = "" if s["status"] == "ok" else s["status"]
                print(line2.format(model, size, p, fmt(s.get("solve"), ".2f"), fmt(rt, ".2f"),
                                   fmt(s.get("objective"), ".10g"), note[:90]))
                rows.append(csv_row(model, size, p, "solve", s, rt, None))
    return rows


def csv_row(model, size, pkg, mode, s, rt, rm):
    raw = s.get("raw", [])
    param = s.get("param")
    return {
        "model": model, "size": size,
        "param": "x".join(map(str, param)) if isinstance(param, list) else param,
        "vars": s.get("vars"), "rows": s.get("rows"), "nnz": s.get("nnz"),
        "package": pkg, "version": s.get("version"), "mode": mode,
        "status": s["status"] if s["status"] != "ok" or not s.get("note") else "ok: " + s["note"],
        "runs": s.get("runs", 0),
        "build_s": s.get("build"), "handoff_s": s.get("handoff"), "total_s": s.get("total"),
        "solve_s": s.get("solve"), "ratio_to_ondrel": rt,
        "build_cpu_s": s.get("build_cpu"), "handoff_cpu_s": s.get("handoff_cpu"),
        "solve_cpu_s": s.get("solve_cpu"),
        "rss_model_mib": s.get("rss_model"), "rss_peak_mib": s.get("rss_peak"),
        "mem_ratio_to_ondrel": rm, "objective": s.get("objective"),
        "build_runs": " ".join(f"{r['build']:.4f}" for r in raw if "build" in r),
        "handoff_runs": " ".join(f"{r['handoff']:.4f}" for r in raw if "handoff" in r),
        "solve_runs": " ".join(f"{r['solve']:.4f}" for r in raw if "solve" in r),
    }


def write_csv(rows, args, mach, versions):
    os.makedirs(RESULTS, exist_ok=True)
    stamp = datetime.datetime.now().strftime("%Y%m%d-%H%M%S")
    path = os.path.join(RESULTS, f"peers-{stamp}.csv")
    with open(path, "w", newline="") as f:
        for k, v in mach.items():
            f.write(f"# {k}: {v}\n")
        f.write("# packages: " + ", ".join(f"{k} {v}" for k, v in sorted(versions.items())) + "\n")
        f.write(f"# command: {' '.join(sys.argv)}\n")
        f.write("# times in seconds (median over runs), memory: peak resident set size of the "
                "process minus its size before the build (rss_model) and the whole peak "
                "(rss_peak), in MiB\n")
        w = csv.DictWriter(f, fieldnames=list(rows[0].keys()) if rows else ["model"])
        w.writeheader()
        for r in rows:
            w.writerow({k: (f"{v:.6g}" if isinstance(v, float) else v) for k, v in r.items()})
    latest = os.path.join(RESULTS, "peers-latest.csv")
    shutil.copyfile(path, latest)
    return path


# --- verification -------------------------------------------------------------------------

# Each model at its verify size (small enough for gurobipy's size-limited
# licence), and at a second size where every solver can finish: lp at its
# small size; lqcp at N = 30, since HiGHS's QP solver does not finish its
# small size; fac at its verify size only, since no solver here proves its
# small size optimal in minutes (the assignment binaries are highly symmetric).
VERIFY_SIZES = {"lqcp": ["verify", "30"], "fac": ["verify"], "lp": ["verify", "small"]}


# SCIP takes a quadratic objective only as a constraint on an extra variable,
# which it meets by outer approximation within its feasibility tolerance: on
# lqcp(12) it stops 1e-6 below the optimum.
# HiGHS's QP solver (active set), which highspy, PyOptInterface, Pyomo and
# linopy use, stops 2.8e-5 above the optimum on lqcp(30) (0.00050628414);
# ondrel's interior point (0.00050627008), Clarabel at its 1e-8 tolerances
# (0.00050627005) and SCIP (0.00050627008) agree on the lower value.
VERIFY_TOL = {("lqcp", "pyscipopt"): 1e-4, ("lqcp", "highspy"): 1e-4, ("lqcp", "pyoptinterface"): 1e-4,
              ("lqcp", "pyomo"): 1e-4, ("lqcp", "linopy"): 1e-4}


def run_verify(args, info, ondrel_error):
    failures = 0
    print()
    print("Cross-check of the optimal objective (all packages that can solve the model)")
    line = "{:<5} {:<7} {:<15} {:>22} {:>10}  {}"
    print(line.format("model", "size", "package", "objective", "rel diff", "note"))
    for model in args.models:
        for size in VERIFY_SIZES[model]:
            res = {}
            for pkg in packages_for(info, model, args.packages):
                if pkg in ONDREL and ondrel_error:
                    res[pkg] = {"error": f"not available: {ondrel_error}"}
                    continue
                if pkg in LICENCE_LIMITED and size != "verify":
                    res[pkg] = {"licence": "size-limited, tried at the verify size only"}
                    continue
                res[pkg] = child(model, size, pkg, "verify", args.timeout)
            ref_pkg = next((p for p in ORDER if p in res and "objective" in res[p]), None)
            ref = res[ref_pkg]["objective"] if ref_pkg else None
            for pkg, r in res.items():
                kind, text = failure(r)
                if kind:
                    print(line.format(model, size, pkg, "-", "-", f"{kind}: {text}"[:90]))
                    continue
                obj = r["objective"]
                rel = abs(obj - ref) / max(abs(obj), abs(ref), 1e-300)
                tol = VERIFY_TOL.get((model, pkg), 1e-6)
                ok = abs(obj - ref) <= tol * max(abs(obj), abs(ref)) + 1e-9
                failures += not ok
                word = ("reference" if pkg == ref_pkg else "ok") if ok else "MISMATCH"
                if tol != 1e-6:
                    word += f" (tolerance {tol:g}: see VERIFY_TOL)"
                print(line.format(model, size, pkg, f"{obj:.15g}", f"{rel:.1e}", word))
    print()
    print("all objectives agree within 1e-6 relative (unless noted)" if not failures
          else f"{failures} objective(s) disagree")
    return failures


# --- profile ----------------------------------------------------------------------------------

def run_profile(target, args):
    model, size, pkg = target.split(":")
    spy = os.path.join(VENV, "bin", "py-spy")
    os.makedirs(RESULTS, exist_ok=True)
    out = os.path.join(RESULTS, f"profile-{model}-{size}-{pkg}.txt")
    cmd = [spy, "record", "--native", "--rate", str(args.rate), "--format", "raw", "-o", out,
           "--", VPY, RUN_ONE, model, size, pkg, "zero"]
    log("profiling: " + " ".join(cmd[1:]))
    r = run(cmd, cwd=HERE)
    print(r.stdout.strip().splitlines()[-1] if r.stdout.strip() else "")
    if r.returncode != 0 or not os.path.exists(out):
        print(r.stderr[-2000:])
        return 1
    summarise_profile(out, args.top)
    return 0


def summarise_profile(path, top):
    """Self and inclusive sample counts per function from py-spy's collapsed
    stacks, split into the build (the model's builder function) and the
    hand-off (the package's zero-time solve); samples outside both (imports,
    the model's data) are counted apart."""
    phases = {"build": ({}, {}), "hand-off": ({}, {})}
    counts = {"build": 0, "hand-off": 0, "other": 0}
    gc_counts = {"build": 0, "hand-off": 0}
    with open(path) as f:
        for line in f:
            stack, _, n = line.rstrip("\n").rpartition(" ")
            if not stack:
                continue
            n = int(n)
            frames = [fr.split(" (")[0] for fr in stack.split(";") if fr]
            files = stack.split(";")
            phase = "other"
            for k, fr in enumerate(frames[:-1]):
                if fr == "measure" and "run_one.py" in files[k]:
                    nxt, nxt_file = frames[k + 1], files[k + 1]
                    if nxt.endswith("_zero"):
                        phase = "hand-off"
                    elif "models/" in nxt_file and nxt != "make_data":
                        phase = "build"
                    frames = frames[k + 1:]
                    break
            counts[phase] += n
            if phase == "other":
                continue
            self_c, incl_c = phases[phase]
            self_c[frames[-1]] = self_c.get(frames[-1], 0) + n
            for fr in set(frames):
                incl_c[fr] = incl_c.get(fr, 0) + n
            if "gc_collect_main" in frames:
                gc_counts[phase] += n
    measured = counts["build"] + counts["hand-off"]
    print(f"\n{sum(counts.values())} samples in {path}; {measured} in the build and hand-off, "
          f"{counts['other']} outside (start-up, imports, the model's data)")
    if not measured:
        return
    for phase in ("build", "hand-off"):
        self_c, incl_c = phases[phase]
        pc = 100.0 * counts[phase] / measured
        print(f"\n== {phase}: {pc:.1f}% of the measured samples"
              f" (Python's cyclic garbage collector: {100.0 * gc_counts[phase] / measured:.1f}%)")
        for title, dd in (("self", self_c), ("inclusive", incl_c)):
            print(f"top {top} by {title} samples (% of the measured samples):")
            for name, n in sorted(dd.items(), key=lambda kv: -kv[1])[:top]:
                print(f"  {100.0 * n / measured:5.1f}%  {name[:110]}")


# --- main -------------------------------------------------------------------------------------

def parse_args(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--models", nargs="+", default=MODELS, choices=MODELS)
    ap.add_argument("--sizes", nargs="+", default=SIZES, choices=SIZES)
    ap.add_argument("--packages", nargs="+", default=None,
                    help="only these packages (default: all)")
    ap.add_argument("--repeats", type=int, default=3)
    ap.add_argument("--timeout", type=float, default=150, help="seconds per run")
    ap.add_argument("--long", type=float, default=20,
                    help="a first run longer than this (seconds) is not repeated")
    ap.add_argument("--solve-timeout", type=float, default=300,
                    help="seconds per full-solve run")
    ap.add_argument("--no-solve", dest="solve", action="store_false",
                    help="skip the full solves of the mid size")
    ap.add_argument("--verify", action="store_true",
                    help="cross-check the optimal objectives instead of timing")
    ap.add_argument("--profile", metavar="MODEL:SIZE:PACKAGE",
                    help="sample one build and hand-off with py-spy (Python and native frames)")
    ap.add_argument("--rate", type=int, default=250, help="profile samples per second")
    ap.add_argument("--top", type=int, default=25, help="profile lines to print")
    ap.add_argument("--no-setup", action="store_true",
                    help="use the benchmark environment as it is (no installs, no ondrel build)")
    return ap.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    ondrel_error = None
    if not args.no_setup:
        ensure_system_packages()
        ensure_venv()
        ondrel_error = install_ondrel()
        if ondrel_error:
            log(f"ondrel not available: {ondrel_error}")
    elif not os.path.exists(VPY):
        sys.exit(f"{VENV} does not exist: run without --no-setup first")
    if args.profile:
        return run_profile(args.profile, args)
    info = list_models()
    if args.verify:
        return 1 if run_verify(args, info, ondrel_error) else 0
    table = run_suite(args, info, ondrel_error)
    rows = print_table(table, info, args)
    versions = {p: s["version"] for (m, z, p, mode), s in table.items() if s.get("version")}
    # ondrel and pyoptinterface solve with the HiGHS of highsbox; highspy,
    # pyomo and linopy with highspy's own
    hb = run([VPY, "-c", "import importlib.metadata as m; print(m.version('highsbox'))"])
    if hb.returncode == 0:
        versions["highsbox"] = hb.stdout.strip()
    mach = machine()
    path = write_csv(rows, args, mach, versions)
    print(f"\nmachine: {mach['cpu']}, {mach['cores']} cores, {mach['memory']}, "
          f"Python {mach['python']}, {mach['os']}")
    print(f"written: {os.path.relpath(path, ROOT)} (and results/peers-latest.csv); "
          f"whole run {time.time() - T0:.0f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
