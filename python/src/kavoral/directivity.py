"""What a loudspeaker designer reads off a sweep: the levels on the horizontal and vertical orbits
relative to the axis (the polar maps), the spinorama curves and the directivity index.

All averages over points are taken on the squared pressure (power averages), and every curve is
a level in dB re 20 uPa of the RMS pressure, as the sweep's spl_db.

Spinorama curves, from the orbits in 10 degree steps (angles h on the horizontal orbit, v on the
vertical one, up and left positive):
  listening window   0, v +-10, h +-10, +-20, +-30 (9 points);
  early reflections  the mean of five bounces, each the mean of its points: floor v -20, -30,
                     -40; ceiling v 40, 50, 60; front wall h 0, +-10, +-20, +-30; side walls
                     h +-40 ... +-80; rear wall h 180, +-90;
  sound power        all 70 points, each weighted with its share of the sphere: the zone of
                     +-5 degrees about its angle from the axis, shared by the four points on it
                     (the points at 0 and 180 take a cap of 5 degrees each);
  in-room            0.12 listening window + 0.44 early reflections + 0.44 sound power;
  directivity indices  listening window less sound power, and less early reflections.
"""

from dataclasses import dataclass

import numpy as np

from .points import Frame

REFERENCE = 20e-6
# Points closer than this (relative to their distance) to a plane or a radius lie on it: the
# tables hold six significant digits.
TOLERANCE = 1e-4
ANGLE_TOLERANCE = 0.01

LISTENING_WINDOW = [("v", 0), ("v", 10), ("v", -10), ("h", 10), ("h", -10), ("h", 20),
                    ("h", -20), ("h", 30), ("h", -30)]
BOUNCES = {
    "floor": [("v", a) for a in (-20, -30, -40)],
    "ceiling": [("v", a) for a in (40, 50, 60)],
    "front_wall": [("h", a) for a in (0, 10, -10, 20, -20, 30, -30)],
    "side_walls": [("h", s * a) for a in (40, 50, 60, 70, 80) for s in (1, -1)],
    "rear_wall": [("h", a) for a in (180, 90, -90)],
}
IN_ROOM_WEIGHTS = (0.12, 0.44, 0.44)


def level(power):
    """dB re 20 uPa of the RMS value of a pressure whose squared amplitude is power."""
    with np.errstate(divide="ignore", invalid="ignore"):
        return 10.0 * np.log10(np.asarray(power) / (2.0 * REFERENCE ** 2))


@dataclass
class Field:
    """The complex pressure at every field point and frequency (NaN where a frequency failed)."""
    frequencies: np.ndarray
    points: np.ndarray
    positions: np.ndarray
    pressure: np.ndarray

    @property
    def power(self):
        return np.abs(self.pressure) ** 2


def cases(sweep):
    """The load cases of the field table in their order; none when it names none (a sweep of
    one case leaves the case column empty)."""
    if sweep.field is None or "case" not in sweep.field:
        return []
    names = list(dict.fromkeys(str(c) for c in sweep.field["case"]))
    return [] if names == [""] else names


def field_of(sweep, case=None, scattered=False):
    """The sweep's field table as a Field, for one load case (default the first)."""
    table = sweep.field
    if table is None:
        raise ValueError(f"{sweep.directory} has no field.csv")
    rows = np.ones(len(table["point"]), dtype=bool)
    known = cases(sweep)
    if known:
        case = known[0] if case is None else str(case)
        if case not in known:
            raise ValueError(f"field.csv has no case {case}; it has {', '.join(known)}")
        rows = table["case"] == case
    elif case is not None:
        raise ValueError("field.csv has no case column: the sweep has one load case")
    names = ("ps_re", "ps_im") if scattered else ("p_re", "p_im")
    for name in names:
        if name not in table:
            raise ValueError(f"field.csv has no column {name}")
    solved = sweep.frequencies["frequency_hz"][sweep.frequencies["status"] == 0]
    frequency = table["frequency_hz"][rows]
    point = table["point"][rows].astype(int)
    f_values = np.unique(sweep.frequencies["frequency_hz"])
    p_values = np.unique(point)
    pressure = np.full((len(f_values), len(p_values)), np.nan, dtype=complex)
    fi, pi = np.searchsorted(f_values, frequency), np.searchsorted(p_values, point)
    inside = (fi < len(f_values)) & np.isin(frequency, solved)
    pressure[fi[inside], pi[inside]] = (table[names[0]][rows] + 1j * table[names[1]][rows])[inside]
    first = np.unique(point, return_index=True)[1]
    positions = np.column_stack([table[c][rows][first] for c in "xyz"])
    return Field(f_values, p_values, positions, pressure)


@dataclass
class Orbit:
    """The points of one orbit by their angle in degrees, -180 < angle <= 180."""
    plane: str
    radius: float
    angles: np.ndarray
    columns: np.ndarray

    def column(self, angle):
        wrapped = (angle + 180.0) % 360.0 - 180.0 if angle != 180 else 180.0
        hits = np.flatnonzero(np.abs(self.angles - wrapped) < ANGLE_TOLERANCE)
        if not hits.size:
            raise ValueError(f"the {self.plane} orbit of radius {self.radius:g} has no point at "
                             f"{angle:g} degrees")
        return self.columns[hits[0]]


def radii(positions, centre):
    return np.linalg.norm(positions - centre, axis=1)


def common_radius(r):
    """The radius shared by the most points."""
    if not r.size:
        return None
    keys = np.round(r / (TOLERANCE * r.max())).astype(np.int64)
    values, counts = np.unique(keys, return_counts=True)
    return float(np.median(r[keys == values[np.argmax(counts)]]))


def orbit_of(field, frame, plane, radius=None):
    d = field.positions - frame.centre
    r = np.linalg.norm(d, axis=1)
    normal, side = (frame.up, frame.left) if plane == "horizontal" else (frame.left, frame.up)
    on = (r > 0) & (np.abs(d @ normal) <= TOLERANCE * r)
    if radius is None:
        radius = common_radius(r[on])
    if radius is not None:
        on &= np.abs(r - radius) <= TOLERANCE * radius
    if on.sum() < 3:
        raise ValueError(f"fewer than 3 field points on the {plane} orbit (axis "
                         f"{_text(frame.forward)}, up {_text(frame.up)}, centre "
                         f"{_text(frame.centre)})")
    angles = np.degrees(np.arctan2(d[on] @ side, d[on] @ frame.forward))
    angles = np.where(angles <= -180.0 + ANGLE_TOLERANCE, 180.0, angles)
    order = np.argsort(angles)
    return Orbit(plane, radius, np.round(angles[order], 9), np.flatnonzero(on)[order])


def _text(v):
    return ",".join(f"{x:g}" for x in v)


def polar_map(field, orbit):
    """(angles, levels re the axis in dB), levels of shape (frequencies, angles)."""
    power = field.power[:, orbit.columns]
    axis = field.power[:, orbit.column(0)][:, None]
    with np.errstate(divide="ignore", invalid="ignore"):
        return orbit.angles, 10.0 * np.log10(power / axis)


def sound_power_weight(angle):
    """The share of the sphere of a spinorama point at angle degrees from the axis."""
    a = abs((angle + 180.0) % 360.0 - 180.0)
    if a in (0.0, 180.0):
        return (1.0 - np.cos(np.radians(5.0))) / 2.0
    return (np.cos(np.radians(a - 5.0)) - np.cos(np.radians(a + 5.0))) / 8.0


def spinorama_columns(horizontal, vertical):
    """The 70 columns of the spinorama with their sound power weights."""
    picks = [(horizontal.column(a), sound_power_weight(a)) for a in range(0, 360, 10)]
    picks += [(vertical.column(a), sound_power_weight(a)) for a in range(10, 360, 10)
              if a != 180]
    return np.array([c for c, _ in picks]), np.array([w for _, w in picks])


def spinorama(field, horizontal, vertical):
    """The spinorama curves in dB by name, over field.frequencies."""
    orbits = {"h": horizontal, "v": vertical}

    def mean(points):
        return np.mean([field.power[:, orbits[o].column(a)] for o, a in points], axis=0)

    on_axis = field.power[:, horizontal.column(0)]
    window = mean(LISTENING_WINDOW)
    bounces = {name: mean(points) for name, points in BOUNCES.items()}
    early = np.mean(list(bounces.values()), axis=0)
    columns, weights = spinorama_columns(horizontal, vertical)
    power = field.power[:, columns] @ weights
    w = IN_ROOM_WEIGHTS
    curves = {"on_axis": level(on_axis), "listening_window": level(window),
              "early_reflections": level(early), "sound_power": level(power),
              "predicted_in_room": level(w[0] * window + w[1] * early + w[2] * power)}
    curves["sound_power_di"] = curves["listening_window"] - curves["sound_power"]
    curves["early_reflections_di"] = curves["listening_window"] - curves["early_reflections"]
    curves.update({name: level(value) for name, value in bounces.items()})
    return curves


def sphere_columns(field, frame, radius=None):
    """The columns of the points on a sphere about the centre: those at the radius shared by the
    most points that are on neither orbit, or at the radius given."""
    d = field.positions - frame.centre
    r = np.linalg.norm(d, axis=1)
    off = (r > 0) & (np.abs(d @ frame.up) > TOLERANCE * r) & \
        (np.abs(d @ frame.left) > TOLERANCE * r)
    if radius is None:
        radius = common_radius(r[off])
    if radius is None:
        return None, None
    on = np.flatnonzero((r > 0) & (np.abs(r - radius) <= TOLERANCE * radius))
    # A point given twice (by two sets of one radius) counts once.
    keys = np.round(d[on] / (TOLERANCE * radius)).astype(np.int64)
    on = on[np.sort(np.unique(keys, axis=0, return_index=True)[1])]
    if len(on) < 6 or np.linalg.matrix_rank(d[on] / r[on, None], tol=1e-6) < 3:
        return None, None
    return on, radius


# Sample points of the sphere that share it out among the measuring points: far more than any
# grid of measuring points has, so that each cell's share is good to a few parts in a thousand.
SHARE_SAMPLES = 40000


def sphere_weights(unit):
    """Each point's share of the sphere: the part of a fine, even Fibonacci sampling of the sphere
    that lies nearer to it than to any other point (its spherical Voronoi cell, by counting)."""
    k = np.arange(SHARE_SAMPLES) + 0.5
    z = 1.0 - 2.0 * k / SHARE_SAMPLES
    phi = np.pi * (3.0 - np.sqrt(5.0)) * k
    s = np.sqrt(1.0 - z * z)
    samples = np.column_stack((s * np.cos(phi), s * np.sin(phi), z))
    counts = np.zeros(len(unit))
    for start in range(0, SHARE_SAMPLES, 4096):
        nearest = np.argmax(samples[start:start + 4096] @ unit.T, axis=1)
        counts += np.bincount(nearest, minlength=len(unit))
    return counts / SHARE_SAMPLES


def axis_column(field, frame, radius):
    d = field.positions - frame.centre
    r = np.linalg.norm(d, axis=1)
    hits = np.flatnonzero((np.abs(r - radius) <= TOLERANCE * radius)
                          & (np.linalg.norm(d - np.outer(r, frame.forward), axis=1)
                             <= TOLERANCE * r))
    if not hits.size:
        raise ValueError(f"no field point on the axis {_text(frame.forward)} at the radius "
                         f"{radius:g}")
    return hits[0]


def index_from_sphere(field, frame, radius=None):
    """The directivity index in dB from the points on a sphere, or None without one; and the
    sphere's radius and point count."""
    columns, radius = sphere_columns(field, frame, radius)
    if columns is None:
        return None, None, 0
    d = field.positions[columns] - frame.centre
    weights = sphere_weights(d / np.linalg.norm(d, axis=1)[:, None])
    mean = field.power[:, columns] @ weights
    axis = field.power[:, axis_column(field, frame, radius)]
    with np.errstate(divide="ignore", invalid="ignore"):
        return 10.0 * np.log10(axis / mean), radius, len(columns)


def index_from_power(sweep, field, frame, radius, density, sound_velocity, case=None):
    """The directivity index from the sweep's radiated power (power_w in frequencies.csv) and the
    on-axis pressure at the radius: I = |p|^2 / (2 rho c) against W / (4 pi r^2)."""
    table = sweep.frequencies
    if "power_w" not in table:
        return None
    rows = np.ones(len(table["frequency_hz"]), dtype=bool)
    if "case" in table and len(table["case"]):
        known = list(dict.fromkeys(str(c) for c in table["case"]))
        rows = table["case"] == (known[0] if case is None else str(case))
    power = np.full(len(field.frequencies), np.nan)
    f = table["frequency_hz"][rows]
    keep = np.isin(f, field.frequencies)
    power[np.searchsorted(field.frequencies, f[keep])] = table["power_w"][rows][keep]
    axis = field.power[:, axis_column(field, frame, radius)]
    intensity = axis / (2.0 * density * sound_velocity)
    with np.errstate(divide="ignore", invalid="ignore"):
        return 10.0 * np.log10(4.0 * np.pi * radius ** 2 * intensity / power)
