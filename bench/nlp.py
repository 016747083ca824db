"""The nonlinear layer's two local solvers on classic small nonlinear programs.

Every problem of tests/nlp_problems.py (Hock-Schittkowski, with published
optimal values) is built through the modelling API, from several starting
points, and solved by OSLPnlpoptimize with each local solver (control
nlpsolver: 1 Ipopt, 2 successive linear programming; "auto", 0, is the
default: Ipopt, then SLP when Ipopt gives up). Prints per problem and
start: solved or not, objective error, iterations, time; then each solver's
success rate (solved = a nlp_solution or nlp_globally_optimal status and an
objective within --tol of the published value, relative to max(1, |f*|)).

    .venv/bin/python bench/nlp.py [--starts 3] [--only hs71,hs108] [--solvers ipopt,ipopt+ms,slp,auto,solve]
        [--msjobs 8] [--peers pyomo,casadi]

A solver written NAME+ms runs as a multistart pool: the start itself, then
--msjobs random starts about it (preset msset_initialvalues); the best
result is kept. After the table: every problem that still fails with
multistart, with what can be told of why; then, unless --peers is empty, the
same problems and starts solved through Pyomo and CasADi with Ipopt
(bench/nlp_peers.py, run in bench/.venv-peers when it exists), their solved
count and time against ondrel's Ipopt. The load average is printed at the
start and at the end.

`--solvers solve` adds the module's own route (p.solve(): HiGHS for convex
QPs, the optimizer's local solve for other quadratic problems, the nonlinear
layer for formulas), read through getProbStatus and getObjVal.

`--backend engine` drives libondr through ctypes instead of the module (the
formulas written as the module writes them, every body as one formula on the
unit column), for when the module is not built:
    python3 bench/nlp.py --backend engine --lib build/engine/libondr.so
"""
import argparse
import ctypes
import math
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests"))
import nlp_problems  # noqa: E402

INF = nlp_problems.INF
SOLVER_CODES = {"auto": 0, "ipopt": 1, "slp": 2}
SOLVED = (1, 2)  # nlp_solution, nlp_globally_optimal


# ---------------------------------------------------------------- module ----

LOG = False


OK_STRINGS = ("nlp_solution", "nlp_globally_optimal", "lp_optimal", "lp_nonconvex")


MS_JOBS = 8


def run_module(p, start, solver):
    import ondrel
    solver, _, ms = solver.partition("+")
    prob = ondrel.problem(p.name)
    if LOG:
        prob.setControl({"outputlog": 1, "nlplog": 1})
    x = [ondrel.var(name="x%d" % (j + 1), lb=p.lb[j], ub=p.ub[j]) for j in range(p.n)]
    prob.addVariable(x)
    for body, lo, hi in p.constraints(x, ondrel):
        prob.addConstraint(ondrel.constraint(body=body, lb=lo, ub=hi))
    prob.setObjective(p.objective(x, ondrel))
    if start is not None:
        for j, v in enumerate(start):
            prob.chgvar(x[j], initvalue=v)
    if solver != "solve":
        prob.setControl("nlpsolver", SOLVER_CODES[solver])
    if ms:
        prob.msaddjob("given start", [], [], {}, None)
        prob.msaddpreset("random start", ondrel.msset_initialvalues, MS_JOBS, None)
    t0 = time.perf_counter()
    if solver == "solve" or not hasattr(prob, "nlpoptimize"):
        # the module's route: quadratic-only problems go to the optimizer
        prob.solve()
        secs = time.perf_counter() - t0
        status = prob.getProbStatusString()
        it = prob.getAttrib("nlpiter") if status.startswith("nlp") else -1
        return status in OK_STRINGS, status, prob.getObjVal(), it, secs
    prob.nlpoptimize()
    secs = time.perf_counter() - t0
    status = prob.getAttrib("nlpstatus")
    return (status in SOLVED, "nlp status %d" % status, prob.getAttrib("nlpobjval"),
            prob.getAttrib("nlpiter"), secs)


# ---------------------------------------------------------------- engine ----

class Ex:
    """An expression tree that writes itself as postfix formula tokens."""

    def __init__(self, kind, a=None, b=None, value=0.0):
        self.kind, self.a, self.b, self.value = kind, a, b, value

    @staticmethod
    def lift(v):
        return v if isinstance(v, Ex) else Ex("con", value=float(v))

    def _bin(self, op, other, swap=False):
        a, b = Ex.lift(self), Ex.lift(other)
        return Ex(op, b, a) if swap else Ex(op, a, b)

    def __add__(self, o): return self._bin("+", o)
    def __radd__(self, o): return self._bin("+", o, True)
    def __sub__(self, o): return self._bin("-", o)
    def __rsub__(self, o): return self._bin("-", o, True)
    def __mul__(self, o): return self._bin("*", o)
    def __rmul__(self, o): return self._bin("*", o, True)
    def __truediv__(self, o): return self._bin("/", o)
    def __rtruediv__(self, o): return self._bin("/", o, True)
    def __pow__(self, o): return self._bin("**", o)
    def __neg__(self): return Ex("neg", self)

    OPS = {"+": 5, "-": 6, "*": 3, "/": 4, "**": 2}
    FUNCS = {"exp": 16, "log": 15, "sqrt": 18, "sin": 27, "cos": 28}

    def tokens(self, out):
        if self.kind == "con":
            out.append((1, self.value))
        elif self.kind == "col":
            out.append((10, self.value))
        elif self.kind == "neg":
            self.a.tokens(out)
            out.append((31, 1))
        elif self.kind in Ex.OPS:
            self.a.tokens(out)
            self.b.tokens(out)
            out.append((31, Ex.OPS[self.kind]))
        else:
            out.append((22, 0))
            self.a.tokens(out)
            out.append((12, Ex.FUNCS[self.kind]))
        return out


class ExMath:
    def __getattr__(self, name):
        if name not in Ex.FUNCS:
            raise AttributeError(name)
        return lambda a: Ex(name, Ex.lift(a)) if isinstance(a, Ex) else getattr(math, name)(a)


class Engine:
    def __init__(self, path):
        L = ctypes.CDLL(path)
        P, I, D = ctypes.c_void_p, ctypes.c_int, ctypes.c_double
        pI, pD, pP, pC = (ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_double),
                          ctypes.POINTER(ctypes.c_void_p), ctypes.c_char_p)
        pL = ctypes.POINTER(ctypes.c_int64)
        sig = {
            "ONDRinit": [pC], "ONDRcreateprob": [pP], "ONDRdestroyprob": [P],
            "ONDRloadlp": [P, pC, I, I, pC, pD, pD, pD, pI, pI, pI, pD, pD, pD],
            "ONDRaddrows64": [P, I, ctypes.c_int64, pC, pD, pD, pL, pI, pD],
            "ONDRaddcols64": [P, I, ctypes.c_int64, pD, pL, pI, pD, pD, pD],
            "ONDRchgobj": [P, I, pI, pD],
            "OSLPcreateprob": [pP, pP], "OSLPdestroyprob": [P],
            "OSLPaddcoefs": [P, I, pI, pI, pD, pI, I, pI, pD],
            "OSLPchgvar": [P, I, pI, pD, pD, pD, pD, pD, pD, pI, pI, pI, pI],
            "OSLPchgrowstatus": [P, I, pI], "OSLPsetintcontrol": [P, I, I],
            "ONDRsetintcontrol": [P, I, I],
            "OSLPnlpoptimize": [P, pC], "OSLPgetintattrib": [P, I, pI],
            "OSLPgetdblattrib": [P, I, pD], "OSLPgetlasterror": [P, pI, pC],
        }
        for name, args in sig.items():
            getattr(L, name).argtypes = args
            getattr(L, name).restype = I
        self.L = L
        L.ONDRinit(None)

    @staticmethod
    def arr(ctype, values):
        return (ctype * max(1, len(values)))(*values)

    def run(self, p, start, solver):
        L, D, I = self.L, ctypes.c_double, ctypes.c_int
        prob, slp = ctypes.c_void_p(), ctypes.c_void_p()
        L.ONDRcreateprob(ctypes.byref(prob))
        try:
            x = [Ex("col", value=j) for j in range(p.n)]
            em = ExMath()
            rows = p.constraints(x, em)
            types, rhs, rng = [], [], []
            for _, lo, hi in rows:
                if lo == hi:
                    types.append(b"E"); rhs.append(lo); rng.append(0.0)
                elif hi >= INF:
                    types.append(b"G"); rhs.append(lo); rng.append(0.0)
                elif lo <= -INF:
                    types.append(b"L"); rhs.append(hi); rng.append(0.0)
                else:
                    types.append(b"R"); rhs.append(hi); rng.append(hi - lo)
            m = len(rows)
            L.ONDRloadlp(prob, p.name.encode(), p.n, m, b"".join(types) or b"N",
                         self.arr(D, rhs), self.arr(D, rng), self.arr(D, [0.0] * p.n),
                         self.arr(I, [0] * (p.n + 1)), None, None, None,
                         self.arr(D, p.lb), self.arr(D, p.ub))
            L.OSLPcreateprob(ctypes.byref(slp), ctypes.byref(prob))
            unit = ctypes.c_int()
            L.OSLPgetintattrib(slp, 12013, ctypes.byref(unit))

            def add(row, body):
                toks = Ex.lift(body).tokens([]) + [(0, 0.0)]
                L.OSLPaddcoefs(slp, 1, self.arr(I, [row]), self.arr(I, [unit.value]),
                               self.arr(D, [1.0]), self.arr(I, [0, len(toks)]), 1,
                               self.arr(I, [t for t, _ in toks]), self.arr(D, [v for _, v in toks]))
            for i, (body, _, _) in enumerate(rows):
                add(i, body)
            obj = p.objective(x, em)
            if isinstance(obj, Ex):
                # the transfer row obj - t = 0 and its free column t (objective 1)
                zero, st = self.arr(D, [0.0]), self.arr(ctypes.c_int64, [0, 1])
                L.ONDRaddrows64(prob, 1, 0, b"E", zero, zero, st, None, None)
                L.ONDRaddcols64(prob, 1, 1, self.arr(D, [1.0]), st, self.arr(I, [m]),
                                self.arr(D, [-1.0]), self.arr(D, [-INF]), self.arr(D, [INF]))
                L.OSLPchgvar(slp, p.n, ctypes.byref(I(m)), *([None] * 10))
                L.OSLPchgrowstatus(slp, m, ctypes.byref(I(0x800)))
                add(m, obj)
            else:
                L.ONDRchgobj(prob, 1, self.arr(I, [-1]), self.arr(D, [-float(obj)]))
            for j, v in enumerate(start):
                L.OSLPchgvar(slp, j, None, None, None, None, None, ctypes.byref(D(v)), *([None] * 5))
            L.OSLPsetintcontrol(slp, 12400, SOLVER_CODES[solver])
            if LOG:
                L.ONDRsetintcontrol(prob, 8001, 1)
                L.OSLPsetintcontrol(slp, 12402, 1)
            t0 = time.perf_counter()
            rc = L.OSLPnlpoptimize(slp, None)
            secs = time.perf_counter() - t0
            status, it, f = I(), I(), D()
            L.OSLPgetintattrib(slp, 12044, ctypes.byref(status))
            L.OSLPgetintattrib(slp, 12002, ctypes.byref(it))
            L.OSLPgetdblattrib(slp, 12179, ctypes.byref(f))
            note = "nlp status %d" % status.value
            if rc:
                buf = ctypes.create_string_buffer(512)
                L.OSLPgetlasterror(slp, None, buf)
                note += " (%s)" % buf.value.decode(errors="replace")
            return rc == 0 and status.value in SOLVED, note, f.value, it.value, secs
        finally:
            if slp:
                L.OSLPdestroyprob(slp)
            L.ONDRdestroyprob(prob)


# ---------------------------------------------------------------- report ----

VPEERS = os.path.join(HERE, ".venv-peers", "bin", "python")


def loadavg():
    try:
        return "load average %.2f %.2f %.2f" % os.getloadavg()
    except OSError:
        return "load average: not available"


def rel_error(f, p):
    return abs(f - p.fstar) / max(1.0, abs(p.fstar)) if f is not None and f == f else float("inf")


def why_failed(p, runs, tol, peers_solved):
    """What the runs of one problem tell about its failure: (f, note) per start."""
    notes = []
    for ok, note, f in runs:
        if not ok:
            notes.append("no solution (%s)" % note)
        elif f < p.fstar - tol * max(1.0, abs(p.fstar)):
            notes.append("objective %.8g below the published %.8g: that is not the global optimum, "
                         "or the transcription differs" % (f, p.fstar))
        else:
            notes.append("local optimum %.8g above the published %.8g" % (f, p.fstar))
    if peers_solved:
        notes.append("solved by " + ", ".join(peers_solved))
    return notes


def run_peers(names, starts, only):
    """The peers' lines from bench/nlp_peers.py, or an explanation."""
    import json
    import subprocess
    py = VPEERS if os.path.exists(VPEERS) else sys.executable
    cmd = [py, os.path.join(HERE, "nlp_peers.py"), "--starts", str(starts), "--peers", names]
    if only:
        cmd += ["--only", only]
    r = subprocess.run(cmd, text=True, capture_output=True)
    lines = [json.loads(l) for l in r.stdout.splitlines() if l.startswith("{")]
    if r.returncode:
        tail = (r.stderr.strip().splitlines() or ["no output"])[-1]
        lines.append({"peer": "runner", "available": False, "why": "bench/nlp_peers.py failed: %s" % tail})
    return py, lines


def report_peers(args, problems, results):
    py, lines = run_peers(args.peers, args.starts, args.only)
    print()
    print("peers (Ipopt through other packages; run by %s)" % os.path.relpath(py, os.getcwd()))
    by_peer = {}
    for l in lines:
        if "available" in l:
            if not l["available"]:
                print("  %s: not run: %s" % (l["peer"], l["why"]))
            continue
        by_peer.setdefault(l["peer"], {})[(l["problem"], l["start"])] = l
    names = {p.name: p for p in problems}
    peer_solved = {}
    base = "ipopt" if "ipopt" in args.solver_list else args.solver_list[0]
    print("  %-8s %10s %10s %14s %10s" % ("peer", "solved", "time[s]", "ondrel %s[s]" % base, "ratio"))
    for peer, runs in by_peer.items():
        solved, secs, osecs, osolved = 0, 0.0, 0.0, 0
        for (name, k), l in runs.items():
            good = l["ok"] and rel_error(l["f"], names[name]) <= args.tol
            solved += good
            secs += l["secs"]
            if good:
                peer_solved.setdefault(name, set()).add(peer)
            mine = results.get((name, k, base))
            if mine:
                osecs += mine[3]
                osolved += mine[0]
        print("  %-8s %4d/%-5d %10.3f %14.3f %9.2fx   (ondrel %s: %d/%d on the same runs)"
              % (peer, solved, len(runs), secs, osecs, secs / osecs if osecs else float("nan"),
                 base, osolved, len(runs)))
    return peer_solved


# ------------------------------------------------------------------ main ----

def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--starts", type=int, default=3, help="starting points per problem")
    ap.add_argument("--only", default="", help="comma-separated problem names")
    ap.add_argument("--solvers", default="ipopt,ipopt+ms",
                    help="ipopt, slp, auto, solve (module only); NAME+ms: as a multistart pool (module only)")
    ap.add_argument("--msjobs", type=int, default=8, help="random starts of a multistart pool")
    ap.add_argument("--peers", default="pyomo,casadi", help="packages to compare with (empty: none)")
    ap.add_argument("--tol", type=float, default=1e-5, help="relative objective tolerance")
    ap.add_argument("--backend", choices=("module", "engine"), default="module")
    ap.add_argument("--log", action="store_true", help="print the solvers' iteration logs")
    ap.add_argument("--lib", default=os.path.join(HERE, "..", "build", "engine", "libondr.so"))
    args = ap.parse_args()
    global LOG, MS_JOBS
    LOG = args.log
    MS_JOBS = args.msjobs
    print(time.strftime("%Y-%m-%d %H:%M:%S UTC", time.gmtime()), "start,", loadavg())

    solvers = [s for s in args.solvers.split(",") if s]
    if args.backend == "engine":
        engine = Engine(args.lib)
        run = engine.run
        dropped = [s for s in solvers if s == "solve" or "+" in s]
        solvers = [s for s in solvers if s not in dropped]
        if dropped:
            print("note: the engine backend runs no %s" % ", ".join(dropped))
    else:
        run = run_module
    problems = [p for p in nlp_problems.PROBLEMS if not args.only or p.name in args.only.split(",")]

    args.solver_list = solvers
    results = {}  # (problem, start, solver): solved, status note, objective, seconds
    tally = {s: [0, 0, 0.0, 0] for s in solvers}  # solved, runs, time, iterations of solved runs
    print("%-6s %-5s %-8s %-3s %10s %6s %9s  %s" % ("problem", "start", "solver", "ok", "obj error",
                                                  "iter", "time[s]", "status"))
    fixed_start = False
    if args.backend == "module":
        import ondrel
        if not hasattr(ondrel.problem, "chgvar"):
            # without the layer's own methods the start cannot be set: every
            # column starts at 0 moved into its bounds
            fixed_start = True
            print("note: the module has no chgvar method; one start per problem: 0 moved into "
                  "the bounds, solved by p.solve()")
    for p in problems:
        starts = [None] if fixed_start else nlp_problems.starting_points(p, args.starts)
        for k, start in enumerate(starts):
            for s in solvers:
                try:
                    ok, note, f, it, secs = run(p, start, s)
                except Exception as e:  # a failed solve is a result, not the end of the run
                    ok, note, f, it, secs = False, "error: %s" % e, float("nan"), -1, 0.0
                err = abs(f - p.fstar) / max(1.0, abs(p.fstar)) if f == f else float("inf")
                solved = ok and err <= args.tol
                results[(p.name, k, s)] = (solved, note, f, secs, ok)
                t = tally[s]
                t[0] += solved
                t[1] += 1
                t[2] += secs
                t[3] += it if solved and it > 0 else 0
                print("%-6s %5d %-8s %-3s %10.1e %6d %9.4f  %s" % (p.name, k, s, "yes" if solved else "no",
                                                                 err, it, secs, note))
    print()
    print("%-8s %8s %7s %10s %14s" % ("solver", "solved", "rate", "time[s]", "iter/solved"))
    for s in solvers:
        solved, runs, secs, iters = tally[s]
        print("%-8s %4d/%-4d %6.1f%% %10.3f %14.1f" % (s, solved, runs, 100.0 * solved / max(1, runs), secs,
                                                     iters / max(1, solved)))
    peer_solved = report_peers(args, problems, results) if args.peers and args.backend == "module" else {}
    last = solvers[-1] if solvers else None
    failing = [p for p in problems if any(not results.get((p.name, k, last), (True,))[0]
                                          for k in range(args.starts))]
    print()
    print("still failing with %s: %d problem(s)" % (last, len(failing)))
    for p in failing:
        bad = [k for k in range(args.starts) if (p.name, k, last) in results and not results[(p.name, k, last)][0]]
        runs = [(results[(p.name, k, last)][4],) + results[(p.name, k, last)][1:3] for k in bad]
        print("  %-6s %-14s starts %s" % (p.name, p.kind, ",".join(map(str, bad))))
        for note in why_failed(p, runs, args.tol, sorted(peer_solved.get(p.name, ()))):
            print("         " + note)
    print()
    print(time.strftime("%Y-%m-%d %H:%M:%S UTC", time.gmtime()), "end,", loadavg())


if __name__ == "__main__":
    main()
