import numpy as np
import pytest

from kavoral.surface import Surface, elements_from_lists

# The unit cube: 8 corners and 6 quadrilaterals facing outward.
CUBE_POINTS = np.array([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0],
                        [0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 1, 1]], dtype=float)
CUBE_QUADS = [[0, 3, 2, 1], [4, 5, 6, 7], [0, 1, 5, 4], [1, 2, 6, 5], [2, 3, 7, 6], [3, 0, 4, 7]]
CUBE_TRIANGLES = [t for q in CUBE_QUADS for t in ([q[0], q[1], q[2]], [q[0], q[2], q[3]])]


def cube(quads=True, offset=(0.0, 0.0, 0.0)):
    return Surface(CUBE_POINTS + np.asarray(offset),
                   elements_from_lists(CUBE_QUADS if quads else CUBE_TRIANGLES))


@pytest.fixture
def in_tmp(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    return tmp_path
