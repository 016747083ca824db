"""Solve-time overhead of ondrel over HiGHS, on the public LP and MIP instances.

For each instance, in the same run: the time of `python -m ondrel`-style
read + solve through ondrel (in process), and the time of the `highs`
executable shipped with the highsbox wheel on the same file, as reported by
its own timer and as wall time of the process. Prints each instance's ratio
(ondrel solve time / HiGHS solve time) and the geometric mean.

    .venv/bin/python bench/solve.py [--repeat 3] [--only afiro,lseu]
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
INSTANCES = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "data", "instances"))

LP = ["afiro", "adlittle", "25fv47", "80bau3b", "etamacro", "greenbea", "israel", "perold",
      "scrs8", "shell", "stair", "standata", "standgub", "standmps"]
MIN_TIMED = 0.05
MIP = ["flugpl", "lseu", "egout", "gt2", "rgn", "bell5", "p0548", "dcmulti", "sp150x300d", "small_mip"]


def ondrel_time(path):
    p = ondrel.problem()
    p.read(path)
    t0 = time.perf_counter()
    p.solve()
    t = time.perf_counter() - t0
    return t, p.getObjVal()


def highs_time(path):
    exe = highsbox.highs_bin_path() if callable(getattr(highsbox, "highs_bin_path", None)) else "highs"
    with tempfile.TemporaryDirectory() as d:
        opts = os.path.join(d, "opts")
        with open(opts, "w") as f:
            f.write("mip_rel_gap = 1e-4\n")
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
    return (float(m.group(1)) if m else wall), wall, (float(obj.group(1)) if obj else float("nan"))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--repeat", type=int, default=3)
    ap.add_argument("--only", default="")
    args = ap.parse_args()
    names = [n for n in LP + MIP if not args.only or n in args.only.split(",")]
    print(f"{'instance':<12} {'kind':<4} {'ondrel s':>10} {'highs s':>10} {'ratio':>7} {'objective':>16}")
    ratios = []
    for name in names:
        path = os.path.join(INSTANCES, name + ".mps")
        ours = [ondrel_time(path) for _ in range(args.repeat)]
        theirs = [highs_time(path) for _ in range(args.repeat)]
        t_ours = statistics.median(t for t, _ in ours)
        t_theirs = statistics.median(t for t, _, _ in theirs)
        kind = "LP" if name in LP else "MIP"
        # HiGHS reports its time in hundredths of a second: shorter solves
        # cannot give a meaningful ratio.
        if t_theirs >= MIN_TIMED:
            ratio = t_ours / t_theirs
            ratios.append(ratio)
            shown = f"{ratio:>7.2f}"
        else:
            shown = f"{'n/a':>7}"
        print(f"{name:<12} {kind:<4} {t_ours:>10.4f} {t_theirs:>10.4f} {shown} {ours[0][1]:>16.8g}")
    if ratios:
        gm = math.exp(sum(math.log(max(r, 1e-9)) for r in ratios) / len(ratios))
        print(f"geometric mean of ratios over {len(ratios)} instances solved in {MIN_TIMED} s or more: {gm:.3f}")


if __name__ == "__main__":
    main()
