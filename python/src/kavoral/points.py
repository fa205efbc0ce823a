"""Measuring point sets: orbits around a source, the two orbits of a spinorama, grids on a sphere
and points on a line, written as measuring points files for the sweep and the -mm command.

Every set lives in a frame of a centre, a forward axis (angle 0) and an up direction: the
horizontal orbit turns from the axis towards the left (counter-clockwise seen from above), the
vertical orbit from the axis upwards.
"""

from dataclasses import dataclass

import numpy as np

from .surface import INDEX_LIMIT
from .textfile import date_text, format_exact, open_scanner, write_text_atomically

# Spinorama orbits: 36 points each in 10 degree steps; they share the points at 0 and 180.
SPIN_STEP = 10.0


@dataclass
class Frame:
    centre: np.ndarray
    forward: np.ndarray
    left: np.ndarray
    up: np.ndarray

    @classmethod
    def make(cls, centre=(0.0, 0.0, 0.0), axis=(1.0, 0.0, 0.0), up=(0.0, 0.0, 1.0)):
        """The frame with the given forward axis; up is turned into the plane normal to it."""
        forward = np.asarray(axis, dtype=float)
        if not np.linalg.norm(forward) > 0:
            raise ValueError("the axis must not be zero")
        forward = forward / np.linalg.norm(forward)
        up = np.asarray(up, dtype=float)
        up = up - np.dot(up, forward) * forward
        if not np.linalg.norm(up) > 1e-9 * np.linalg.norm(forward):
            raise ValueError("the up direction must not be parallel to the axis")
        up = up / np.linalg.norm(up)
        return cls(np.asarray(centre, dtype=float), forward, np.cross(up, forward), up)


@dataclass
class PointSet:
    points: np.ndarray
    description: str


def full_turn(step):
    """The angles 0, step, ... of a full turn, in degrees; step must divide 360."""
    count = 360.0 / step if step > 0 else 0
    if not step > 0 or abs(count - round(count)) > 1e-9 * count:
        raise ValueError("the step %g does not divide 360 degrees" % step)
    return np.arange(int(round(count))) * step


def orbit(frame, radius, angles, plane):
    """Points at the angles (degrees) on the horizontal or vertical circle of the frame."""
    t = np.radians(np.asarray(angles, dtype=float))
    side = frame.left if plane == "horizontal" else frame.up
    # Round to the exact values where the cosine or sine is 0 or 1 (90 degrees and its kin), so
    # that 1e-17 does not appear where people expect 0.
    c, s = np.round(np.cos(t), 15), np.round(np.sin(t), 15)
    return frame.centre + radius * (np.outer(c, frame.forward) + np.outer(s, side))


def orbits(frame, radius, step, which=("horizontal", "vertical")):
    """The horizontal and/or vertical orbit; the vertical one leaves out the points at 0 and 180
    degrees when the horizontal one has them."""
    angles = full_turn(step)
    sets = []
    for plane in which:
        chosen = angles
        if plane == "vertical" and "horizontal" in which:
            chosen = angles[(angles != 0) & (angles != 180)]
        sets.append(PointSet(orbit(frame, radius, chosen, plane),
                             "%s orbit, radius %g, %g to %g degrees in steps of %g"
                             % (plane, radius, chosen[0], chosen[-1], step)))
    return sets


def spinorama(frame, radius):
    """The 70 points of a spinorama: the horizontal orbit in 10 degree steps from 0 to 350, then
    the vertical one from 10 to 350 without 0 and 180, which the horizontal orbit holds."""
    horizontal, vertical = orbits(frame, radius, SPIN_STEP)
    return PointSet(np.vstack([horizontal.points, vertical.points]),
                    "spinorama orbits, radius %g: 36 horizontal points, 0 to 350 degrees, then "
                    "34 vertical points, 10 to 350 degrees without 180" % radius)


def fibonacci(frame, radius, count):
    """count points spread evenly over the sphere along a golden-angle spiral from the top."""
    k = np.arange(count) + 0.5
    height = 1.0 - 2.0 * k / count
    ring = np.sqrt(1.0 - height ** 2)
    turn = np.pi * (3.0 - np.sqrt(5.0)) * k
    unit = (np.outer(ring * np.cos(turn), frame.forward) + np.outer(ring * np.sin(turn),
                                                                     frame.left)
            + np.outer(height, frame.up))
    return frame.centre + radius * unit


def equiangular(frame, radius, step):
    """Rings of equal polar angle from the top (0, step, ..., 180 degrees), each in azimuth steps
    of step from the forward axis; the poles are single points."""
    azimuths = full_turn(step)
    polar = np.arange(int(round(180.0 / step)) + 1) * step
    if abs(polar[-1] - 180.0) > 1e-9:
        raise ValueError("the step %g does not divide 180 degrees" % step)
    rows = []
    for theta in polar:
        ring = [0.0] if theta in (0.0, 180.0) else azimuths
        t, a = np.radians(theta), np.radians(np.asarray(ring))
        rows.append(np.outer(np.round(np.sin(t) * np.cos(a), 15), frame.forward)
                    + np.outer(np.round(np.sin(t) * np.sin(a), 15), frame.left)
                    + np.outer(np.full(len(ring), np.round(np.cos(t), 15)), frame.up))
    return frame.centre + radius * np.vstack(rows)


def _orbit_of(vector):
    """The points made from vector by every permutation and sign change of its coordinates."""
    import itertools
    found = set()
    for order in itertools.permutations(range(3)):
        for signs in itertools.product((1.0, -1.0), repeat=3):
            found.add(tuple(float(signs[i] * vector[order[i]]) + 0.0 for i in range(3)))
    return sorted(found)


def _lebedev_rules():
    """The Lebedev rules of 6 to 50 points: (points, weights) of each, weights summing to 1."""
    r2, r3 = 1.0 / np.sqrt(2.0), 1.0 / np.sqrt(3.0)
    l50 = 1.0 / np.sqrt(11.0)
    generators = {
        6: [((1, 0, 0), 1 / 6)],
        14: [((1, 0, 0), 1 / 15), ((r3, r3, r3), 3 / 40)],
        26: [((1, 0, 0), 1 / 21), ((r2, r2, 0), 4 / 105), ((r3, r3, r3), 27 / 840)],
        38: [((1, 0, 0), 1 / 105), ((r3, r3, r3), 9 / 280),
             ((0.4597008433809831, 0.8880738339771153, 0), 1 / 35)],
        50: [((1, 0, 0), 4 / 315), ((r2, r2, 0), 64 / 2835), ((r3, r3, r3), 27 / 1280),
             ((l50, l50, 3 * l50), 14641 / 725760)],
    }
    rules = {}
    for count, parts in generators.items():
        points, weights = [], []
        for vector, weight in parts:
            members = _orbit_of(vector)
            points.extend(members)
            weights.extend([weight] * len(members))
        rules[count] = (np.array(points), np.array(weights))
    return rules


LEBEDEV_COUNTS = (6, 14, 26, 38, 50)


def lebedev(frame, radius, count):
    """The Lebedev rule of count points (6, 14, 26, 38 or 50): exact on the sphere for the
    polynomials of degree 3, 5, 7, 9 and 11."""
    if count not in LEBEDEV_COUNTS:
        raise ValueError("Lebedev rules have %s points, not %d"
                         % (", ".join(map(str, LEBEDEV_COUNTS)), count))
    unit = _lebedev_rules()[count][0]
    basis = np.vstack([frame.forward, frame.left, frame.up])
    return frame.centre + radius * (unit @ basis)


def lebedev_weights(count):
    return _lebedev_rules()[count][1]


def spacing_count(step):
    """The number of points that give a sphere a mean spacing of step degrees."""
    return max(1, int(round(4.0 * np.pi / np.radians(step) ** 2)))


def sphere(frame, radius, grid, step=None, count=None):
    """A grid on the sphere by its mean spacing (step, degrees) or its point count."""
    if grid == "equiangular":
        if step is None:
            raise ValueError("the equiangular grid takes a --step")
        points = equiangular(frame, radius, step)
        return PointSet(points, "equiangular sphere grid, radius %g, step %g degrees, %d points"
                        % (radius, step, len(points)))
    if count is None:
        if step is None:
            raise ValueError("the %s grid takes a --step or a --count" % grid)
        count = spacing_count(step)
        if grid == "lebedev":
            fine = [n for n in LEBEDEV_COUNTS if n >= count]
            if not fine:
                raise ValueError("the finest Lebedev rule here (50 points) has a spacing of "
                                 "about 29 degrees; take the Fibonacci or equiangular grid for "
                                 "a step of %g" % step)
            count = fine[0]
    if count < 1:
        raise ValueError("a sphere grid needs at least one point")
    points = (lebedev if grid == "lebedev" else fibonacci)(frame, radius, count)
    return PointSet(points, "%s sphere grid, radius %g, %d points" % (grid, radius, count))


def line(frame, distances):
    """Points on the forward axis at the given distances from the centre."""
    d = np.asarray(distances, dtype=float)
    return PointSet(frame.centre + np.outer(d, frame.forward),
                    f"axis, {len(d)} point{'s' if len(d) != 1 else ''} at "
                    + ", ".join(f"{x:g}" for x in d))


def line_distances(start, stop, count, spacing="lin"):
    if count < 1:
        raise ValueError("a line needs at least one point")
    if spacing == "log":
        if not (start > 0 and stop > 0):
            raise ValueError("logarithmic spacing needs distances above 0")
        return np.geomspace(start, stop, count)
    return np.linspace(start, stop, count)


def read_points(path):
    """The points of a measuring points file (the file's leading comments are skipped)."""
    scan = open_scanner(path)
    count = scan.count("number of measuring points", 1, INDEX_LIMIT)
    return scan.records(count, 6, "point index", "point coordinates")[:, :3]


def points_text(points, comments):
    lines = ["% " + text for text in comments] + ["% Date: " + date_text(), str(len(points))]
    for i, p in enumerate(points):
        lines.append("%d\t%s\t0 0 0" % (i, " ".join(format_exact(x + 0.0) for x in p)))
    return "\n".join(lines) + "\n"


def write_points(path, points, comments):
    if not 1 <= len(points) <= INDEX_LIMIT:
        raise ValueError("%d points: a measuring points file holds 1 to %d"
                         % (len(points), INDEX_LIMIT))
    write_text_atomically(path, points_text(points, comments))
