#!/usr/bin/env bash
# Installs the kavoral package, its commands kavoral-mesh and kavoral-plot and, when given, the
# built extension module with the quadrature rules (data/Gauss.cfs) beside it into a virtual environment that sees the system's packages (Debian's
# numpy, meshio, matplotlib and pytest); makes the environment first when it is not there.
# Needs no package index.
# Usage: python/install-venv.sh VENV [EXTENSION-MODULE]
# KAVORAL_PYTHON names the interpreter (default /usr/bin/python3).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
venv=$1
module=${2:-}
python=${KAVORAL_PYTHON:-/usr/bin/python3}

if [ ! -x "$venv/bin/python" ]; then
    "$python" -m venv --system-site-packages "$venv"
fi
"$venv/bin/pip" install --quiet --no-deps --no-build-isolation --no-index \
    --disable-pip-version-check "$here"
if [ -n "$module" ]; then
    package=$("$venv/bin/python" -c \
        'import sysconfig; print(sysconfig.get_paths()["platlib"])')/kavoral
    cp "$module" "$here/../data/Gauss.cfs" "$package/"
fi
echo "kavoral-mesh, kavoral-plot and python3 with the kavoral module: $venv/bin"
