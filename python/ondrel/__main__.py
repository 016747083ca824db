"""Command-line solver: ``python -m ondrel [FILE]``.

Reads an MPS or LP file, solves it and prints a short summary: status,
objective value and solve time, and with ``--solution`` the values of the
variables. Without a file it solves the bundled example.
"""
import argparse
import os
import sys
import time

EXAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "example.mps")


def _parse(argv):
    ap = argparse.ArgumentParser(prog="python -m ondrel", description=__doc__.splitlines()[0])
    ap.add_argument("file", nargs="?", default=EXAMPLE,
                    help="problem file (MPS or LP); default: the bundled example")
    ap.add_argument("-s", "--solution", action="store_true", help="print the value of every variable")
    ap.add_argument("-a", "--all", action="store_true", help="with --solution, print zero values too")
    ap.add_argument("-t", "--timelimit", type=float, default=None, help="time limit in seconds")
    ap.add_argument("-g", "--gap", type=float, default=None, help="relative MIP gap at which to stop")
    ap.add_argument("-l", "--log", action="store_true", help="print the solver's log")
    ap.add_argument("-c", "--control", action="append", default=[], metavar="NAME=VALUE",
                    help="set a control (repeatable), e.g. -c presolve=0")
    return ap.parse_args(argv)


def _value(text):
    for conv in (int, float):
        try:
            return conv(text)
        except ValueError:
            pass
    return text


def main(argv=None):
    import ondrel

    args = _parse(sys.argv[1:] if argv is None else argv)
    if not os.path.exists(args.file):
        print(f"ondrel: no such file: {args.file}", file=sys.stderr)
        return 2
    p = ondrel.problem()
    interrupted = False
    t_read = t_solve = 0.0
    try:
        if args.log:
            p.controls.outputlog = 1
        if args.timelimit is not None:
            p.controls.timelimit = args.timelimit
        if args.gap is not None:
            p.controls.miprelstop = args.gap
        for item in args.control:
            name, _, text = item.partition("=")
            p.setControl(name.strip().lower(), _value(text.strip()))
    except (RuntimeError, ValueError, TypeError, KeyError, AttributeError) as e:
        return _fail(e)
    t0 = time.perf_counter()
    try:
        p.read(args.file)
    except KeyboardInterrupt:
        print("ondrel: interrupted while reading", file=sys.stderr)
        return 130
    except Exception as e:  # any failing read is one line and status 1
        return _fail(e)
    t_read = time.perf_counter() - t0
    t0 = time.perf_counter()
    try:
        p.solve()
    except KeyboardInterrupt:
        # Ctrl-C outside the solver's own handling: report what was found.
        interrupted = True
    except RuntimeError as e:
        return _fail(e)
    t_solve = time.perf_counter() - t0
    interrupted = interrupted or _stopped_by_interrupt(p)
    _summary(p, args, t_read, t_solve, interrupted)
    # 130, as a shell reports a program ended by Ctrl-C, after the summary.
    return 130 if interrupted else 0


def _fail(e):
    text = " ".join(str(e).split()) or type(e).__name__
    print(f"ondrel: {text}", file=sys.stderr)
    return 1


_SOLVED = ("lp_optimal", "lp_nonconvex", "lp_unfinished", "mip_optimal",
           "mip_solution", "nlp_solution", "nlp_globally_optimal", "nlp_unfinished")


def _stopped_by_interrupt(p):
    import ondrel
    try:
        return p.attributes.stopstatus == ondrel.stop_user
    except (AttributeError, RuntimeError):
        return False


def _summary(p, args, t_read, t_solve, interrupted):
    variables = p.getVariable()
    status = p.getProbStatusString()
    print(f"Problem:   {p.name() or os.path.basename(args.file)} ({len(variables)} columns, "
          f"{len(p.getConstraint())} rows) from {args.file}")
    if interrupted:
        print(f"Status:    {status} (interrupted)")
    else:
        print(f"Status:    {status}")
    has_solution = status in _SOLVED
    try:
        values = p.getSolution() if has_solution else None
    except Exception:
        values, has_solution = None, False
    if has_solution:
        print(f"Objective: {p.getObjVal():.10g}")
    print(f"Time:      {t_solve:.3f} s to solve, {t_read:.3f} s to read")
    if args.solution and has_solution:
        width = max((len(str(v)) for v in variables), default=4)
        for v, x in zip(variables, values):
            if args.all or abs(x) > 1e-12:
                print(f"  {str(v):<{width}}  {x:.10g}")


def run(argv=None):
    """main() with a closed output pipe (``| head``) ending quietly."""
    try:
        code = main(argv)
        sys.stdout.flush()
    except BrokenPipeError:
        # Python flushes stdout again at exit; point it at devnull so that
        # flush cannot fail a second time.
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        return 141
    return code


if __name__ == "__main__":
    sys.exit(run())
