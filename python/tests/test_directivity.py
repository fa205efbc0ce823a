import csv

import numpy as np
import pytest

from kavoral import directivity as dv
from kavoral import plot_cli
from kavoral import points as pts
from kavoral.sweepplot import Sweep

FRAME = pts.Frame.make()
FREQUENCIES = (100.0, 1000.0)


def write_sweep(directory, positions, pressure, cases=None, power=None,
                frequencies=FREQUENCIES):
    """frequencies.csv and field.csv of a constructed sweep: pressure[f, point] (per case)."""
    FREQUENCIES = frequencies
    cases = cases or [None]
    pressure = np.asarray(pressure).reshape(len(cases), len(FREQUENCIES), len(positions))
    with open(directory / "frequencies.csv", "w", newline="") as stream:
        out = csv.writer(stream)
        out.writerow(["frequency_hz", "interior_residual", "status"]
                     + (["power_w"] if power is not None else []))
        for k, f in enumerate(FREQUENCIES):
            out.writerow([f, 0.001, 0] + ([power[k]] if power is not None else []))
    with open(directory / "field.csv", "w", newline="") as stream:
        out = csv.writer(stream)
        out.writerow(["frequency_hz", "point", "x", "y", "z", "p_re", "p_im", "spl_db"]
                     + (["case"] if cases[0] is not None else []))
        for c, case in enumerate(cases):
            for k, f in enumerate(FREQUENCIES):
                for i, (x, y, z) in enumerate(positions):
                    p = pressure[c, k, i]
                    out.writerow([f, i, "%.10g" % x, "%.10g" % y, "%.10g" % z, p.real, p.imag,
                                  0.0] + ([case] if case is not None else []))
    return Sweep(str(directory))


def test_spinorama_curves_take_the_weights_of_their_points(tmp_path):
    positions = pts.spinorama(FRAME, 2.0).points
    power = np.ones((len(FREQUENCIES), 70))
    power[1, 1] = 10.0           # h +10 at the second frequency
    power[1, 36 + 3] = 4.0       # v +40, in the ceiling bounce only
    sweep = write_sweep(tmp_path, positions, np.sqrt(power).astype(complex))
    field = dv.field_of(sweep)
    horizontal = dv.orbit_of(field, FRAME, "horizontal")
    vertical = dv.orbit_of(field, FRAME, "vertical", horizontal.radius)
    curves = dv.spinorama(field, horizontal, vertical)

    def db(p):
        return dv.level(p)

    w10 = (np.cos(np.radians(5)) - np.cos(np.radians(15))) / 8
    w40 = (np.cos(np.radians(35)) - np.cos(np.radians(45))) / 8
    window = (8 + 10) / 9
    floor, ceiling, front, side, rear = 1, (4 + 1 + 1) / 3, (6 + 10) / 7, 1, 1
    early = (floor + ceiling + front + side + rear) / 5
    sound = 1 + 9 * w10 + 3 * w40
    expected = {"on_axis": 1, "listening_window": window, "early_reflections": early,
                "sound_power": sound, "ceiling": ceiling, "front_wall": front,
                "predicted_in_room": 0.12 * window + 0.44 * early + 0.44 * sound}
    for name, value in expected.items():
        assert curves[name] == pytest.approx(db([1, value]), abs=1e-9), name
    assert curves["sound_power_di"][1] == pytest.approx(10 * np.log10(window / sound))
    assert curves["early_reflections_di"][0] == pytest.approx(0, abs=1e-12)
    # The weights share the sphere: they sum to 1; a point at 90 degrees holds
    # (cos 85 - cos 95) / 8 = sin 5 / 4.
    columns, weights = dv.spinorama_columns(horizontal, vertical)
    assert len(set(columns)) == 70 and weights.sum() == pytest.approx(1, abs=1e-15)
    assert dv.sound_power_weight(-90) == pytest.approx(np.sin(np.radians(5)) / 4)


def test_polar_map_is_relative_to_the_axis_and_the_table_says_so(tmp_path, capsys):
    positions = pts.spinorama(FRAME, 1.5).points
    angles = np.radians(np.r_[np.arange(0, 360, 10), [a for a in range(10, 360, 10)
                                                      if a != 180]])
    pressure = np.tile(2.0 + np.cos(angles), (len(FREQUENCIES), 1)) * (1 + 1j)
    # A sweep of one load case leaves its case column empty.
    write_sweep(tmp_path, positions, pressure, cases=[""])
    table = tmp_path / "map.csv"
    assert plot_cli.main([str(tmp_path), str(table), "--only", "polar-horizontal"]) == 0
    rows = list(csv.reader(open(table)))
    assert rows[0][:3] == ["frequency_hz", "h-170_db", "h-160_db"] and rows[0][-1] == "h180_db"
    assert rows[0][18] == "h0_db" and rows[1][18] == "0.0000"
    values = np.array(rows[1][1:], dtype=float)
    expected = 20 * np.log10((2 + np.cos(np.radians(np.arange(-170, 181, 10)))) / 3)
    assert np.allclose(values, expected, atol=1e-4)
    for panel in ("polar-vertical", "spinorama"):
        assert plot_cli.main([str(tmp_path), str(tmp_path / "p.png"), "--only", panel]) == 0
        assert (tmp_path / "p.png").read_bytes().startswith(b"\x89PNG")
    # No sphere of points and no sound power: the directivity index says what it needs.
    assert plot_cli.main([str(tmp_path), str(tmp_path / "d.png"), "--only",
                          "directivity-index"]) == 2
    assert "on a sphere" in capsys.readouterr().err


def test_directivity_index_from_a_sphere_and_from_the_power_of_the_chosen_case(tmp_path):
    """A dipole along the axis: |p|^2 = cos^2, mean 1/3 over the sphere, DI = 10 log 3. The
    second case is a monopole, whose power gives DI 0."""
    positions = np.vstack([pts.sphere(FRAME, 3.0, "lebedev", count=50).points,
                           pts.sphere(FRAME, 3.0, "fibonacci", count=300).points])
    cosine = (positions @ FRAME.forward) / 3.0
    dipole = np.tile(cosine, (len(FREQUENCIES), 1)).astype(complex)
    monopole = np.ones_like(dipole)
    rho_c = 1.2 * 343.0
    # W = 4 pi r^2 |p|^2 / (2 rho c) for the monopole of |p| = 1 at 3 m.
    power = [4 * np.pi * 9 / (2 * rho_c)] * len(FREQUENCIES)
    sweep = write_sweep(tmp_path, positions, [monopole, dipole], cases=["a", "b"], power=power)
    field = dv.field_of(sweep, "b")
    index, radius, count = dv.index_from_sphere(field, FRAME)
    assert radius == pytest.approx(3.0) and count == 350
    assert index == pytest.approx(10 * np.log10(3), abs=0.02)
    field = dv.field_of(sweep, "a")
    assert dv.index_from_power(sweep, field, FRAME, 3.0, 1.2, 343.0, "a") == \
        pytest.approx(0, abs=1e-9)
    with pytest.raises(ValueError, match="no case c"):
        dv.field_of(sweep, "c")
