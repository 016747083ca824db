"""Solve-time overhead of ondrel over HiGHS, on the public LP and MIP instances
and the MIPLIB 3 selection.

For each instance, in the same run: the time of a solve through ondrel (in
process, the problem read beforehand), and the time of the `highs`
executable shipped with the highsbox wheel on the same file, as reported by
its own timer. Both runs use the same tolerances: the executable gets an
options file with the values of ondrel's controls (feasibility,
optimality, integrality, MIP gaps, barrier gap), so that it makes the same
HiGHS run; the iteration and node counts of both are shown side by side to
check that. Repeats alternate between the two, so that a change of machine
load falls on both. Prints each instance's ratio (ondrel solve time / HiGHS
solve time), the geometric mean and the load average.

    .venv/bin/python bench/solve.py [--repeat 3] [--only afiro,lseu] [--set instances|miplib3|all]
"""
import argparse
import math
import os
import re
import statistics
import subprocess
import tempfile
import time

import highsbox

import ondrel

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "data"))
INSTANCES = os.path.join(DATA, "instances")
MIPLIB3 = os.path.join(DATA, "miplib3")

LP = ["afiro", "adlittle", "25fv47", "80bau3b", "etamacro", "greenbea", "israel", "perold",
      "scrs8", "shell", "stair", "standata", "standgub", "standmps"]
MIN_TIMED = 0.05
MIP = ["flugpl", "lseu", "egout", "gt2", "rgn", "bell5", "p0548", "dcmulti", "sp150x300d", "small_mip"]
# MIPLIB 3 instances HiGHS solves within a minute or so on an idle machine.
MIPLIB = ["p0033", "enigma", "stein27", "stein45", "bell3a", "pp08a", "vpm1", "misc03", "misc06",
          "gen", "khb05250", "fixnet6", "blend2", "modglob", "p0282", "dsbmip", "mod010", "10teams",
          "pk1", "mas76"]
# HiGHS options and the ondrel controls whose values they take.
SAME_OPTIONS = [("primal_feasibility_tolerance", "feastol"),
                ("dual_feasibility_tolerance", "optimalitytol"),
                ("mip_feasibility_tolerance", "miptol"),
                ("mip_rel_gap", "miprelstop"),
                ("mip_abs_gap", "mipabsstop"),
                ("ipm_optimality_tolerance", "bargapstop")]


def loadavg():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def options_text():
    p = ondrel.problem()
    return "".join(f"{opt} = {p.getControl(ctl)!r}\n" for opt, ctl in SAME_OPTIONS)


def ondrel_time(path):
    p = ondrel.problem()
    p.read(path)
    t0 = time.perf_counter()
    p.solve()
    t = time.perf_counter() - t0
    a = p.attributes
    return t, p.getObjVal(), a.simplexiter, a.nodes


def highs_time(path, options):
    exe = highsbox.highs_bin_path() if callable(getattr(highsbox, "highs_bin_path", None)) else "highs"
    with tempfile.TemporaryDirectory() as d:
        opts = os.path.join(d, "opts")
        with open(opts, "w") as f:
            f.write(options)
        env = dict(os.environ, LD_LIBRARY_PATH=highsbox.highs_lib_dir())
        t0 = time.perf_counter()
        out = subprocess.run([exe, "--options_file", opts, path], capture_output=True, text=True, timeout=600,
                             env=env)
        wall = time.perf_counter() - t0
    if out.returncode != 0:
        raise RuntimeError(f"highs failed on {path}: {out.stderr.strip() or out.stdout[-500:]}")
    m = re.search(r"HiGHS run time\s*:\s*([0-9.]+)", out.stdout) or re.search(r"^\s*Timing\s+([0-9.]+)",
                                                                               out.stdout, re.M)
    obj = re.search(r"Objective value\s*:\s*([-+0-9.eE]+)", out.stdout) or re.search(
        r"Primal bound\s+([-+0-9.eE]+)", out.stdout)
    iters = re.search(r"Simplex\s+iterations:\s*(\d+)", out.stdout) or re.search(
        r"^\s*LP iterations\s+(\d+)", out.stdout, re.M)
    nodes = re.search(r"^\s*Nodes\s+(\d+)", out.stdout, re.M)
    return ((float(m.group(1)) if m else wall), wall, (float(obj.group(1)) if obj else float("nan")),
            int(iters.group(1)) if iters else -1, int(nodes.group(1)) if nodes else 0)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--repeat", type=int, default=3)
    ap.add_argument("--only", default="")
    ap.add_argument("--set", choices=["instances", "miplib3", "all"], default="all")
    args = ap.parse_args()
    cases = []
    if args.set in ("instances", "all"):
        cases += [(n, "LP", INSTANCES) for n in LP] + [(n, "MIP", INSTANCES) for n in MIP]
    if args.set in ("miplib3", "all"):
        cases += [(n, "MIP", MIPLIB3) for n in MIPLIB]
    if args.only:
        cases = [c for c in cases if c[0] in args.only.split(",")]
    options = options_text()
    print(f"HiGHS options of both runs: {options.strip().replace(chr(10), ', ')}")
    print(f"load average before: {loadavg()}")
    print(f"{'instance':<12} {'kind':<4} {'ondrel s':>10} {'highs s':>10} {'ratio':>7} {'iters':>13} "
          f"{'nodes':>13} {'objective':>16}")
    ratios = []
    for name, kind, folder in cases:
        path = os.path.join(folder, name + ".mps")
        ours, theirs = [], []
        for _ in range(args.repeat):
            ours.append(ondrel_time(path))
            theirs.append(highs_time(path, options))
        t_ours = statistics.median(r[0] for r in ours)
        t_theirs = statistics.median(r[0] for r in theirs)
        # HiGHS reports its time in hundredths of a second: shorter solves
        # cannot give a meaningful ratio.
        if t_theirs >= MIN_TIMED:
            ratio = t_ours / t_theirs
            ratios.append(ratio)
            shown = f"{ratio:>7.2f}"
        else:
            shown = f"{'n/a':>7}"
        iters = f"{ours[0][2]}/{theirs[0][3]}"
        nodes = f"{ours[0][3]}/{theirs[0][4]}"
        print(f"{name:<12} {kind:<4} {t_ours:>10.4f} {t_theirs:>10.4f} {shown} {iters:>13} {nodes:>13} "
              f"{ours[0][1]:>16.8g}", flush=True)
    if ratios:
        gm = math.exp(sum(math.log(max(r, 1e-9)) for r in ratios) / len(ratios))
        print(f"geometric mean of ratios over {len(ratios)} instances solved in {MIN_TIMED} s or more: {gm:.3f}")
    print(f"load average after: {loadavg()}")


if __name__ == "__main__":
    main()
