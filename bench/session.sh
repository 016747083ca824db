#!/usr/bin/env bash
# Builds and runs bench/session.cpp against the installed package: time of
# N change+resolve cycles with the kept solver session versus a rebuild of
# the HiGHS model before every solve, at two model sizes.
#   bash bench/session.sh [N]
set -euo pipefail
cd "$(dirname "$0")/.."
PKG=$(.venv/bin/python -c "import ondrel, os; print(os.path.dirname(ondrel.__file__))")
OUT=build/bench
mkdir -p "$OUT"
g++ -O2 -std=c++17 -I"$PKG/include" bench/session.cpp -o "$OUT/session" \
    -L"$PKG/lib" -londr -Wl,-rpath,"$PKG/lib"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$OUT/session" "${1:-200}"
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
