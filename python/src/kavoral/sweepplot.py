"""Plots of a frequency sweep from the CSV files the sweep program writes in its output
directory: frequencies.csv (one line per frequency) and field.csv (one line per frequency and
field point).

Three panels: the level over frequency at chosen field points, the directivity of a set of field
points around a centre at chosen frequencies, and the interior residual over frequency with the
frequencies that were solved again with interior (CHIEF) points marked.
"""

import csv
import math
import os

import matplotlib.pyplot as plt
import numpy as np

from .directivityplot import frequency_axis, frequency_label, save_figure

FREQUENCY_COLUMNS = ("frequency_hz", "interior_residual", "status")
FIELD_COLUMNS = ("frequency_hz", "point", "x", "y", "z", "spl_db")
PANELS = ("spl", "polar", "residual")
# Columns that hold names: a load case "1" is the name 1, not the number 1.0.
TEXT_COLUMNS = ("case",)
PICTURE_TYPES = (".png", ".svg", ".pdf")
# The span of the directivity plot in dB.
POLAR_RANGE = 40


def read_csv(path, required):
    """Columns of a CSV file by header name, as float arrays (empty fields are NaN); a column
    outside required that holds text (such as a load case's name) stays text."""
    with open(path, newline="") as stream:
        rows = list(csv.reader(stream))
    if not rows:
        raise ValueError("%s is empty" % path)
    header = [h.strip() for h in rows[0]]
    missing = [c for c in required if c not in header]
    if missing:
        raise ValueError("%s has no column %s" % (path, ", ".join(missing)))
    texts = {name: [] for name in header}
    for number, row in enumerate(rows[1:], 2):
        if not row:
            continue
        if len(row) != len(header):
            raise ValueError("%s, line %d: %d fields, the header has %d"
                             % (path, number, len(row), len(header)))
        for name, text in zip(header, row):
            texts[name].append(text.strip())
    columns = {}
    for name, values in texts.items():
        if name in TEXT_COLUMNS:
            columns[name] = np.array(values, dtype=str)
            continue
        try:
            columns[name] = np.array([float(t) if t else math.nan for t in values])
        except ValueError:
            if name in required:
                line = next(k for k, t in enumerate(values, 2) if not _is_number(t))
                raise ValueError("%s, line %d: %s is not a number"
                                 % (path, line, values[line - 2])) from None
            columns[name] = np.array(values)
    return columns


def _is_number(text):
    try:
        float(text or "nan")
        return True
    except ValueError:
        return False


class Sweep:
    def __init__(self, directory):
        self.directory = directory
        self.frequencies = read_csv(os.path.join(directory, "frequencies.csv"),
                                    FREQUENCY_COLUMNS)
        field_path = os.path.join(directory, "field.csv")
        self.field = read_csv(field_path, FIELD_COLUMNS) if os.path.exists(field_path) else None
        order = np.argsort(self.frequencies["frequency_hz"], kind="stable")
        self.frequencies = {k: v[order] for k, v in self.frequencies.items()}

    def point_indices(self):
        if self.field is None:
            return []
        return sorted({int(i) for i in self.field["point"]})

    def positions(self, points):
        out = []
        for i in points:
            rows = np.flatnonzero(self.field["point"] == i)
            if rows.size == 0:
                raise ValueError("field.csv has no point %d" % i)
            out.append([self.field[c][rows[0]] for c in "xyz"])
        return np.array(out).reshape(-1, 3)

    def level(self, point):
        """(frequencies, SPL) at one point, over the frequencies of frequencies.csv."""
        rows = self.field["point"] == point
        by_frequency = dict(zip(self.field["frequency_hz"][rows], self.field["spl_db"][rows]))
        f = self.frequencies["frequency_hz"]
        ok = self.frequencies["status"] == 0
        return f, np.array([by_frequency.get(x, math.nan) if good else math.nan
                            for x, good in zip(f, ok)])

    def marked(self):
        """The frequencies the sweep solved with interior (CHIEF) points: with CHIEF AUTO, those
        it found near an interior resonance."""
        f = self.frequencies
        if "chief_points" not in f:
            return np.zeros(len(f["frequency_hz"]), dtype=bool)
        return f["chief_points"] > 0

    def nearest_frequencies(self, wanted):
        f = self.frequencies["frequency_hz"][self.frequencies["status"] == 0]
        if f.size == 0:
            return []
        return sorted({float(f[np.argmin(np.abs(np.log(f / w)))]) for w in wanted})


def spread(values, count):
    """At most count entries of values, spread evenly over them."""
    if len(values) <= count:
        return list(values)
    picks = np.linspace(0, len(values) - 1, count).round().astype(int)
    return [values[k] for k in sorted(set(picks))]


def polar_angles(positions, centre, axis=None):
    """Angles in degrees of the points about the centre, in the plane the points span, counted
    from the axis (default: the first point's direction) counter-clockwise seen from the side of
    the plane normal whose largest component is positive."""
    d = positions - np.asarray(centre, dtype=float)
    if len(d) >= 2 and np.linalg.matrix_rank(d, tol=1e-9 * np.abs(d).max()) >= 2:
        normal = np.linalg.svd(d)[2][-1]
    else:
        normal = np.array([0.0, 0.0, 1.0])
    normal = normal * np.sign(normal[np.argmax(np.abs(normal))])
    a = d[0] if axis is None else np.asarray(axis, dtype=float)
    a = a - np.dot(a, normal) * normal
    a = a / np.linalg.norm(a)
    b = np.cross(normal, a)
    return np.degrees(np.arctan2(d @ b, d @ a))


def plot_spl(ax, sweep, points):
    for i in points:
        f, level = sweep.level(i)
        x, y, z = sweep.positions([i])[0]
        ax.plot(f, level, marker=".", label="point %d (%g, %g, %g)" % (i, x, y, z))
    frequency_axis(ax)
    ax.set_ylabel("SPL in dB re 20 µPa")
    ax.set_title("Sound pressure level")
    ax.grid(True, which="both", alpha=0.3)
    if points:
        ax.legend(fontsize="small")


def plot_polar(ax, sweep, points, frequencies, centre, axis):
    """The level of each frequency relative to its largest, so that frequencies of very
    different levels share one scale; levels more than RANGE below are drawn at its edge."""
    angles = polar_angles(sweep.positions(points), centre, axis)
    order = np.argsort(angles)
    theta = np.radians(angles[order])
    closed = len(theta) > 2 and (theta[-1] - theta[0]) > np.radians(300)
    for frequency in frequencies:
        rows = sweep.field["frequency_hz"] == frequency
        level = dict(zip(sweep.field["point"][rows], sweep.field["spl_db"][rows]))
        r = np.array([level.get(points[k], math.nan) for k in order])
        if not np.isfinite(r).any():
            continue
        r = np.maximum(r - np.nanmax(r), -POLAR_RANGE)
        t = theta
        if closed:
            t, r = np.append(t, t[0]), np.append(r, r[0])
        ax.plot(t, r, label=frequency_label(frequency))
    ax.set_ylim(-POLAR_RANGE, 2)
    ax.set_yticks(np.arange(-POLAR_RANGE, 1, 10))
    ax.set_theta_zero_location("E")
    ax.set_rlabel_position(100)
    ax.set_title("Directivity, dB re the largest level", pad=22)
    if frequencies:
        ax.legend(fontsize="small", loc="lower left", bbox_to_anchor=(0.9, -0.05))


def plot_residual(ax, sweep, limit):
    f = sweep.frequencies["frequency_hz"]
    residual = sweep.frequencies["interior_residual"]
    failed = sweep.frequencies["status"] != 0
    marked = sweep.marked()
    ax.loglog(f[~failed], residual[~failed], marker=".", label="interior residual")
    if marked.any():
        ax.loglog(f[marked & ~failed], residual[marked & ~failed], "o", mfc="none", ms=10,
                  color="tab:red", label="solved with CHIEF points")
    if failed.any():
        low = np.nanmin(residual[~failed]) if (~failed).any() else 1.0
        ax.loglog(f[failed], np.full(failed.sum(), low), "x", color="black",
                  label="failed")
    if limit is not None:
        ax.axhline(limit, color="tab:red", linestyle=":", label="residual limit %g" % limit)
    frequency_axis(ax)
    ax.set_ylabel("residual (relative)")
    ax.set_title("Interior residual")
    ax.grid(True, which="both", alpha=0.3)
    ax.legend(fontsize="small")


def plot_sweep(sweep, picture, panels=PANELS, spl_points=None, polar_points=None,
               polar_frequencies=None, centre=(0.0, 0.0, 0.0), axis=None, limit=None,
               title=None):
    """Writes the picture (PNG, SVG or PDF by its extension); returns what it shows."""
    if os.path.splitext(picture)[1].lower() not in PICTURE_TYPES:
        raise ValueError("%s: the picture must be a %s file" % (picture, ", ".join(PICTURE_TYPES)))
    every = sweep.point_indices()
    if sweep.field is None:
        panels = [p for p in panels if p == "residual"]
    if spl_points is None:
        rest = [i for i in every if polar_points is None or i not in polar_points]
        spl_points = spread(rest or every, 8)
    if polar_points is None:
        polar_points = every
    if polar_frequencies is None:
        f = sweep.frequencies["frequency_hz"]
        polar_frequencies = np.geomspace(f.min(), f.max(), 4) if f.size else []
    chosen = sweep.nearest_frequencies(polar_frequencies)
    if len(polar_points) < 3:
        panels = [p for p in panels if p != "polar"]
    if not panels:
        raise ValueError("nothing to plot")
    figure = plt.figure(figsize=(5.5 * len(panels), 4.6))
    for k, panel in enumerate(panels, 1):
        if panel == "spl":
            plot_spl(figure.add_subplot(1, len(panels), k), sweep, spl_points)
        elif panel == "polar":
            plot_polar(figure.add_subplot(1, len(panels), k, projection="polar"), sweep,
                       polar_points, chosen, centre, axis)
        else:
            plot_residual(figure.add_subplot(1, len(panels), k), sweep, limit)
    save_figure(figure, picture, title)
    return {"panels": list(panels), "spl_points": list(spl_points),
            "polar_points": list(polar_points), "polar_frequencies": chosen}
