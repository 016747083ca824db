"""Command-line entry point: ``python -m ondrel``."""
import sys


def main(argv=None):
    import ondrel

    argv = sys.argv[1:] if argv is None else argv
    p = ondrel.problem(argv[0] if argv else "demo")
    print("problem:", p.name())
    controls = p.getControl()
    for name in sorted(controls):
        print(f"  {name} = {controls[name]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
