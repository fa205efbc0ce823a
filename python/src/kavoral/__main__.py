"""python -m kavoral: the same as kavoral-mesh."""

import sys

from .mesh_cli import main

sys.exit(main())
