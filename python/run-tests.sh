#!/usr/bin/env bash
# Installs the package (with the extension module the build made) into the build's virtual
# environment, made from the system interpreter whose Debian packages provide numpy, meshio,
# matplotlib and pytest, and runs its tests there.
# Usage: python/run-tests.sh [pytest arguments]
# KAVORAL_BUILD names the build directory of the C++ programs and the module (default: build
# beside python/); KAVORAL_VENV the environment (default: venv in it, python/.venv without it).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
python=${KAVORAL_PYTHON:-/usr/bin/python3}
export KAVORAL_BUILD=${KAVORAL_BUILD:-$here/../build}
venv=$here/.venv
[ -d "$KAVORAL_BUILD" ] && venv=$KAVORAL_BUILD/venv
venv=${KAVORAL_VENV:-$venv}
module=$(ls "$KAVORAL_BUILD"/python/kavoral/_core.*.so 2>/dev/null | head -n 1 || true)

KAVORAL_PYTHON=$python "$here/install-venv.sh" "$venv" $module >/dev/null
cd "$here"
exec "$venv/bin/python" -m pytest "$@"
