"""Plots of a sweep written from small CSV files as the sweep program writes them."""

import math

import numpy as np
import pytest

from kavoral import plot_cli
from kavoral.sweepplot import Sweep, polar_angles

FREQUENCIES = [100, 200, 400, 800]


def write_sweep(directory, failed=(), marked=(800,)):
    lines = ["frequency_hz,ka,points,chief_points,interior_residual,status,seconds"]
    for f in FREQUENCIES:
        lines.append("%g,%g,10,%d,%g,%d,0.5" % (f, f / 1000, 12 if f in marked else 0,
                                                0.3 if f in marked else 0.01 * f / 100,
                                                -1 if f in failed else 0))
    (directory / "frequencies.csv").write_text("\n".join(lines) + "\n")
    lines = ["frequency_hz,point,x,y,z,p_re,p_im,abs_p,spl_db,phase_deg"]
    for f in FREQUENCIES:
        if f in failed:
            continue
        for i in range(12):              # a horizontal circle of radius 2 around the origin
            a = 2 * math.pi * i / 12
            level = 80 + 10 * math.cos(a) + f / 100
            lines.append("%g,%d,%.6f,%.6f,0,1,0,1,%g,0" % (f, i, 2 * math.cos(a),
                                                           2 * math.sin(a), level))
    (directory / "field.csv").write_text("\n".join(lines) + "\n")


@pytest.mark.parametrize("picture, magic", [("p.png", b"\x89PNG"), ("p.svg", b"<?xml"),
                                            ("p.pdf", b"%PDF")])
def test_picture_type_from_its_name(tmp_path, picture, magic):
    write_sweep(tmp_path)
    target = tmp_path / picture
    assert plot_cli.main([str(tmp_path), str(target), "--points", "0,3",
                          "--polar-frequencies", "100,800"]) == 0
    assert target.read_bytes().startswith(magic)


def test_default_picture_and_single_panels(tmp_path, capsys):
    write_sweep(tmp_path, failed=(200,))
    assert plot_cli.main([str(tmp_path)]) == 0
    assert (tmp_path / "sweep.png").stat().st_size > 10000
    assert plot_cli.main([str(tmp_path), str(tmp_path / "r.png"), "--only", "residual",
                          "--limit", "0.02"]) == 0
    assert "residual" in capsys.readouterr().out.splitlines()[-1]


def test_levels_leave_failed_frequencies_out_and_marks_follow_the_sweep(tmp_path):
    write_sweep(tmp_path, failed=(200,))
    sweep = Sweep(str(tmp_path))
    f, level = sweep.level(0)
    assert list(f) == FREQUENCIES and np.isnan(level[1]) and level[0] == pytest.approx(91)
    assert list(sweep.marked()) == [False, False, False, True]
    assert sweep.nearest_frequencies([120, 300, 1000]) == [100, 400, 800]


def test_polar_angles_in_the_plane_of_the_points():
    a = np.radians([0, 30, 90, 180, 270])
    points = np.c_[np.cos(a), np.sin(a), np.zeros(5)] * 2 + [0, 0, 0.5]
    angles = polar_angles(points, [0, 0, 0.5])
    assert np.allclose(angles, [0, 30, 90, 180, -90])
    vertical = np.c_[np.cos(a), np.zeros(5), np.sin(a)]
    assert np.allclose(np.abs(polar_angles(vertical, [0, 0, 0])), [0, 30, 90, 180, 90])


def test_bad_input_is_an_error_not_a_picture(tmp_path, capsys):
    write_sweep(tmp_path)
    assert plot_cli.main([str(tmp_path), str(tmp_path / "p.jpg")]) == 2
    (tmp_path / "frequencies.csv").write_text("frequency_hz,status\n100,0\n")
    assert plot_cli.main([str(tmp_path)]) == 2
    assert "no column interior_residual" in capsys.readouterr().err
    assert not (tmp_path / "sweep.png").exists()
