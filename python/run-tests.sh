#!/usr/bin/env bash
# Makes a virtual environment from the system interpreter (whose Debian packages provide numpy,
# meshio, matplotlib and pytest), installs the package into it and runs its tests.
# Usage: python/run-tests.sh [pytest arguments]
# KAVORAL_BUILD names the build directory of the C++ programs for the end-to-end tests
# (default: build beside python/).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
python=${KAVORAL_PYTHON:-/usr/bin/python3}
venv=${KAVORAL_VENV:-$here/.venv}
export KAVORAL_BUILD=${KAVORAL_BUILD:-$here/../build}

if [ ! -x "$venv/bin/python" ]; then
    "$python" -m venv --system-site-packages "$venv"
fi
"$venv/bin/pip" install --quiet --no-deps --no-build-isolation --disable-pip-version-check \
    "$here"
cd "$here"
exec "$venv/bin/python" -m pytest "$@"
