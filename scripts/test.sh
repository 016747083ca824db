#!/usr/bin/env bash
# The whole test suite: set-up, then the solver library's own tests (built
# against the installed package) and the Python tests.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
bash scripts/setup.sh || exit 1
VPY="$ROOT/.venv/bin/python"
# The cmake, ctest and ninja set-up installed into the environment.
export PATH="$ROOT/.venv/bin:$PATH"
PKG=$("$VPY" -c "import ondrel, os; print(os.path.dirname(ondrel.__file__))")

echo "== solver library tests (installed library at $PKG/lib)"
BT="$ROOT/build/engine-tests"
cmake -S engine/tests -B "$BT" -G Ninja -DCMAKE_MAKE_PROGRAM="$ROOT/.venv/bin/ninja" \
      -DONDR_ROOT="$PKG" -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
cmake --build "$BT" >/dev/null || { cmake --build "$BT"; exit 1; }
(cd "$BT" && ctest --output-on-failure --no-tests=error)
engine_rc=$?

echo "== Python tests"
(cd "$ROOT/tests" && "$VPY" -m pytest -q -p no:cacheprovider "$@" .)
py_rc=$?

asan_rc=0
if [ "${CI:-}" = "true" ] || [ -n "${ONDREL_ASAN:-}" ]; then
  echo "== Python tests under AddressSanitizer"
  bash scripts/asan.sh
  asan_rc=$?
fi

if [ $engine_rc -ne 0 ] || [ $py_rc -ne 0 ] || [ $asan_rc -ne 0 ]; then
  echo "FAILED: library tests rc=$engine_rc, Python tests rc=$py_rc, ASan run rc=$asan_rc"
  exit 1
fi
