#!/usr/bin/env bash
# Set-up on a fresh machine: system packages, a virtual environment in .venv
# with the Python packages, and the package itself built and installed.
# Safe to run again: each step does only what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

need_apt=()
pkg-config --exists ipopt 2>/dev/null || need_apt+=(coinor-libipopt-dev)
command -v pkg-config >/dev/null || need_apt+=(pkg-config)
command -v g++ >/dev/null || need_apt+=(g++)
[ -f /usr/include/zlib.h ] || need_apt+=(zlib1g-dev)
if [ ${#need_apt[@]} -gt 0 ]; then
  echo "== installing system packages: ${need_apt[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need_apt[@]}" >/dev/null
fi

PY=${PYTHON:-python3}
if [ ! -x .venv/bin/python ]; then
  echo "== creating .venv"
  "$PY" -m venv .venv
fi
VPY="$ROOT/.venv/bin/python"
if ! "$VPY" -c "import numpy, highsbox, pytest, scikit_build_core" 2>/dev/null; then
  echo "== installing Python packages"
  "$VPY" -m pip install -q --upgrade pip
  "$VPY" -m pip install -q -r requirements-dev.txt
fi

echo "== building and installing ondrel"
"$VPY" -m pip install -q --no-build-isolation --no-deps . 2>&1 | grep -v "^\s*$" || true
"$VPY" -c "import ondrel" || { echo "ondrel failed to import after installation"; exit 1; }
