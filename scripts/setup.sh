#!/usr/bin/env bash
# Set-up on a fresh machine: system packages, a virtual environment in .venv
# with the Python packages, and the package itself built and installed.
# Safe to run again: each step does only what is missing.
# VENV (default .venv) and ONDREL_CMAKE_ARGS (extra CMake flags) allow a
# second, separately configured build (scripts/asan.sh); ONDREL_PRELOAD names a
# library to preload when checking the import (the ASan runtime for that build).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
VENV=${VENV:-.venv}
PY=${PYTHON:-python3}

need_apt=()
pyver=$("$PY" -c 'import sys; print("%d.%d" % sys.version_info[:2])')
"$PY" -c "import venv, ensurepip" 2>/dev/null || need_apt+=(python3-venv "python$pyver-venv")
[ -f "$("$PY" -c 'import sysconfig; print(sysconfig.get_paths()["include"])')/Python.h" ] || need_apt+=(python3-dev)
command -v g++ >/dev/null || need_apt+=(g++)
command -v pkg-config >/dev/null || need_apt+=(pkg-config)
pkg-config --exists ipopt 2>/dev/null || need_apt+=(coinor-libipopt-dev)
[ -f /usr/include/zlib.h ] || need_apt+=(zlib1g-dev)
# OpenBLAS as the system's BLAS and LAPACK (the Debian alternative), which the
# Ipopt build's MUMPS then uses in place of the reference BLAS: interior-point
# QP and NLP solves spend most of their time there. The serial build: our own
# worker threads are the parallelism, so the BLAS starts no threads of its own.
compgen -G "/usr/lib/*/openblas-serial/libblas.so.3" >/dev/null || need_apt+=(libopenblas0-serial)
if [ ${#need_apt[@]} -gt 0 ]; then
  echo "== installing system packages: ${need_apt[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need_apt[@]}" >/dev/null
fi

if [ ! -x "$VENV/bin/python" ]; then
  echo "== creating $VENV"
  "$PY" -m venv "$VENV"
fi
VPY="$ROOT/$VENV/bin/python"
if ! "$VPY" -c "import numpy, highsbox, pytest, scikit_build_core" 2>/dev/null \
   || [ ! -x "$ROOT/$VENV/bin/cmake" ] || [ ! -x "$ROOT/$VENV/bin/ninja" ] \
   || [ "$("$VPY" -c 'import importlib.metadata as m; print(m.version("highsbox"))')" != "1.15.1" ]; then
  echo "== installing Python packages"
  "$VPY" -m pip install -q --upgrade pip
  "$VPY" -m pip install -q -r requirements-dev.txt
fi

echo "== building and installing ondrel"
# Remove the previous install first so that a failed build can never leave an
# older module behind that passes the import check below.
"$VPY" -m pip uninstall -q -y ondrel >/dev/null 2>&1 || true
stamp=$(date +%s)
export PATH="$ROOT/$VENV/bin:$PATH"
log=$(mktemp)
args=(--no-build-isolation --no-deps)
[ -n "${ONDREL_CMAKE_ARGS:-}" ] && args+=(-Ccmake.args="$ONDREL_CMAKE_ARGS" -Cbuild-dir="build/${VENV#.}-{wheel_tag}")
if ! "$VPY" -m pip install "${args[@]}" . >"$log" 2>&1; then
  cat "$log"; rm -f "$log"
  echo "ondrel failed to build; see the errors above"
  exit 1
fi
grep -iE "warning|error" "$log" | grep -v "Location 'file://" || true
rm -f "$log"
# The imported module must be the one just installed: its file is newer than
# the start of this build and it lives in this environment.
(cd /tmp && LD_PRELOAD="${ONDREL_PRELOAD:-}" ASAN_OPTIONS="detect_leaks=0" \
  "$VPY" - "$stamp" "$ROOT/$VENV" <<'PYEOF'
import os, sys
stamp, venv = int(sys.argv[1]), os.path.realpath(sys.argv[2])
import ondrel
f = os.path.realpath(ondrel.ondrellib.__file__)
if not f.startswith(venv + os.sep):
    sys.exit(f"ondrel imported from {f}, not from {venv}")
if os.path.getmtime(f) < stamp - 1:
    sys.exit(f"ondrel at {f} is older than this build")
PYEOF
) || { echo "ondrel failed to import after installation"; exit 1; }
