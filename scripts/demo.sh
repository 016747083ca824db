#!/usr/bin/env bash
# The package's main job on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
exec .venv/bin/python -m ondrel "$@"
