#!/usr/bin/env bash
# The whole test suite: set-up, then the solver library's own tests (built
# against the installed package) and the Python tests.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
bash scripts/setup.sh || exit 1
VPY="$ROOT/.venv/bin/python"
PKG=$("$VPY" -c "import ondrel, os; print(os.path.dirname(ondrel.__file__))")

echo "== solver library tests (installed library at $PKG/lib)"
BT="$ROOT/build/engine-tests"
cmake -S engine/tests -B "$BT" -G Ninja -DCMAKE_MAKE_PROGRAM="$ROOT/.venv/bin/ninja" \
      -DONDR_ROOT="$PKG" -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
cmake --build "$BT" >/dev/null || { cmake --build "$BT"; exit 1; }
(cd "$BT" && ctest --output-on-failure)
engine_rc=$?

echo "== Python tests"
(cd "$ROOT/tests" && "$VPY" -m pytest -q -p no:cacheprovider "$@" .)
py_rc=$?

if [ $engine_rc -ne 0 ] || [ $py_rc -ne 0 ]; then
  echo "FAILED: library tests rc=$engine_rc, Python tests rc=$py_rc"
  exit 1
fi
