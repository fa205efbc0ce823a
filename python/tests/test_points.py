import numpy as np
import pytest

from kavoral import mesh_cli
from kavoral import points as pts

FRAME = pts.Frame.make((1.0, 2.0, 3.0), axis=(0.0, 2.0, 0.0), up=(0.0, 0.3, 1.0))


def angles_in(frame, p, side):
    d = p - frame.centre
    return np.degrees(np.arctan2(d @ side, d @ frame.forward)) % 360


def test_spinorama_has_the_70_distinct_points_of_both_orbits_in_10_degree_steps():
    p = pts.spinorama(FRAME, 2.0).points
    assert len(p) == 70
    assert len(np.unique(np.round(p, 9), axis=0)) == 70
    assert np.allclose(np.linalg.norm(p - FRAME.centre, axis=1), 2.0)
    horizontal, vertical = p[:36], p[36:]
    assert np.allclose((horizontal - FRAME.centre) @ FRAME.up, 0)
    assert np.allclose((vertical - FRAME.centre) @ FRAME.left, 0)
    assert np.allclose(angles_in(FRAME, horizontal, FRAME.left), np.arange(0, 360, 10))
    expected = [a for a in range(10, 360, 10) if a != 180]
    assert np.allclose(angles_in(FRAME, vertical, FRAME.up), expected)
    # The frame: forward is the axis, up is made normal to it, left completes a right hand.
    assert np.allclose(FRAME.forward, [0, 1, 0]) and np.allclose(FRAME.up, [0, 0, 1])
    assert np.allclose(FRAME.left, [-1, 0, 0])


def test_orbits_alone_keep_their_own_axis_points_and_refuse_a_step_that_does_not_divide():
    (vertical,) = pts.orbits(FRAME, 1.0, 30.0, ("vertical",))
    assert len(vertical.points) == 12
    assert len(np.vstack([s.points for s in pts.orbits(FRAME, 1.0, 30.0)])) == 22
    with pytest.raises(ValueError, match="does not divide"):
        pts.full_turn(7.0)


@pytest.mark.parametrize("count,degree", zip(pts.LEBEDEV_COUNTS, (3, 5, 7, 9, 11)))
def test_lebedev_rules_integrate_monomials_up_to_their_degree(count, degree):
    unit = pts.lebedev(pts.Frame.make(), 1.0, count)
    w = pts.lebedev_weights(count)
    assert np.allclose(np.linalg.norm(unit, axis=1), 1.0)
    assert len(np.unique(np.round(unit, 9), axis=0)) == count
    # The mean over the sphere of x^a y^b z^c: 0 for an odd power, else
    # (a-1)!!(b-1)!!(c-1)!! / (a+b+c+1)!!.
    def double_factorial(n):
        return np.prod(np.arange(n, 0, -2)) if n > 0 else 1
    for a in range(degree + 1):
        for b in range(degree + 1 - a):
            for c in range(degree + 1 - a - b):
                if a % 2 or b % 2 or c % 2:
                    exact = 0.0
                else:
                    exact = (double_factorial(a - 1) * double_factorial(b - 1)
                             * double_factorial(c - 1) / double_factorial(a + b + c + 1))
                value = np.sum(w * unit[:, 0] ** a * unit[:, 1] ** b * unit[:, 2] ** c)
                assert value == pytest.approx(exact, abs=1e-12), (a, b, c)


def test_sphere_grids_by_step_lie_on_the_sphere_with_the_expected_counts():
    equi = pts.sphere(FRAME, 3.0, "equiangular", step=30).points
    assert len(equi) == 2 + 5 * 12
    fib = pts.sphere(FRAME, 3.0, "fibonacci", step=10).points
    assert len(fib) == pts.spacing_count(10) == 413
    assert pts.sphere(FRAME, 3.0, "lebedev", step=35).points.shape == (38, 3)
    for grid in (equi, fib):
        assert np.allclose(np.linalg.norm(grid - FRAME.centre, axis=1), 3.0)
    # Fibonacci points are spread evenly: as many above the equator as below.
    height = (fib - FRAME.centre) @ FRAME.up
    assert np.sum(height > 1e-12) == np.sum(height < -1e-12) == 206
    with pytest.raises(ValueError, match="Lebedev"):
        pts.sphere(FRAME, 3.0, "lebedev", step=10)


def test_points_command_writes_and_appends_a_file_the_readers_take(in_tmp, capsys):
    assert mesh_cli.main(["points", "spinorama", "f.ms", "--radius", "2"]) == 0
    assert mesh_cli.main(["points", "line", "f.ms", "--from", "1", "--to", "100", "--count",
                          "3", "--log", "--append"]) == 0
    assert "points 70 to 72" in capsys.readouterr().out
    p = pts.read_points("f.ms")
    assert len(p) == 73 and np.allclose(p[70:], [[1, 0, 0], [10, 0, 0], [100, 0, 0]])
    # Exact zeros where people expect them, no 1e-17.
    text = open("f.ms").read()
    assert "e-1" not in text and "Points 70 to 72: axis" in text
    assert mesh_cli.main(["points", "orbit", "g.ms", "--step", "7"]) == 2
