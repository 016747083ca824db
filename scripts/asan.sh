#!/usr/bin/env bash
# The Python suite against an AddressSanitizer build of libondr and the
# extension, in its own environment (.venv-asan) and build folder so the
# normal build is untouched. Leak checking is off: Python leaks at exit.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
ASAN_LIB=$(g++ -print-file-name=libasan.so)
[ -f "$ASAN_LIB" ] || { echo "no libasan.so from g++ ($ASAN_LIB)"; exit 1; }
# Python does not link the C++ runtime: preloaded after the ASan runtime, it is
# there when ASan sets up its interceptors, so C++ exceptions can be thrown.
PRELOAD="$ASAN_LIB $(g++ -print-file-name=libstdc++.so)"
VENV=.venv-asan ONDREL_CMAKE_ARGS="-DONDREL_ASAN=ON;-DCMAKE_BUILD_TYPE=RelWithDebInfo" \
ONDREL_PRELOAD="$PRELOAD" bash scripts/setup.sh || exit 1
cd "$ROOT/tests"
# Resident memory says nothing under ASan (freed blocks are held in its
# quarantine), so the test that measures it runs only in the normal build.
LD_PRELOAD="$PRELOAD" PYTHONMALLOC=malloc \
ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:${ASAN_OPTIONS:-}" \
  "$ROOT/.venv-asan/bin/python" -m pytest -q -p no:cacheprovider \
  -k "not test_memory_stays_flat_over_a_million_expressions" "$@" .
