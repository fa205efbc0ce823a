"""A surface and its regions from any mesh that meshio reads.

Triangles and quadrilaterals are kept as they are (higher-order ones by their corners); a mesh
of volume cells gives the faces on its boundary, each named after the surface cell on it where
the mesh has one. Points closer than a tolerance become one point, elements that collapse or
repeat another are dropped, points that no element uses are left out, and each closed part is
oriented consistently with its normals pointing out of the volume it encloses, so that the
program's surface check finds nothing to change.
"""

import collections
import math
from dataclasses import dataclass

import numpy as np

from . import meshcheck
from .datafiles import region_name
from .surface import INDEX_LIMIT, Surface, elements_from_lists

# Corners of the surface cell types, by meshio's names.
SURFACE_CELLS = {"triangle": 3, "triangle6": 3, "triangle7": 3,
                 "quad": 4, "quad8": 4, "quad9": 4}

# Faces of the volume cell types in local corner numbers, each running counter-clockwise seen
# from outside the cell (node orders as meshio and VTK number them).
VOLUME_FACES = {
    "tetra": [(0, 2, 1), (0, 1, 3), (1, 2, 3), (0, 3, 2)],
    "hexahedron": [(0, 3, 2, 1), (4, 5, 6, 7), (0, 1, 5, 4), (1, 2, 6, 5), (2, 3, 7, 6),
                   (3, 0, 4, 7)],
    "wedge": [(0, 2, 1), (3, 4, 5), (0, 1, 4, 3), (1, 2, 5, 4), (2, 0, 3, 5)],
    "pyramid": [(0, 3, 2, 1), (0, 1, 4), (1, 2, 4), (2, 3, 4), (3, 0, 4)],
}
VOLUME_ALIASES = {"tetra10": "tetra", "hexahedron20": "hexahedron", "hexahedron27": "hexahedron",
                  "wedge15": "wedge", "pyramid13": "pyramid", "pyramid14": "pyramid"}

SPEED_OF_SOUND = 343.0
ELEMENTS_PER_WAVELENGTH = 6


class MeshImportError(Exception):
    """A mesh that gives no surface the program can take."""


@dataclass
class Imported:
    """The surface, the region name of each element and what happened on the way."""
    surface: Surface
    regions: list
    notes: list


def cell_names(mesh, block_index, block, dimension, fixed):
    """The region name of every cell of one block."""
    count = len(block.data)
    if fixed is not None:
        return [fixed] * count
    physical = mesh.cell_data.get("gmsh:physical")
    if physical is not None:
        names = {int(tag): name for name, (tag, dim) in
                 ((n, v[:2]) for n, v in mesh.field_data.items()) if int(dim) == dimension}
        return [names.get(int(tag), f"physical{int(tag)}") for tag in physical[block_index]]
    sets = [(name, members[block_index]) for name, members in mesh.cell_sets.items()
            if not name.startswith("gmsh:") and block_index < len(members)
            and members[block_index] is not None]
    if sets:
        names = ["unnamed"] * count
        for name, members in reversed(sets):
            for i in np.asarray(members, dtype=int):
                names[i] = name
        return names
    return [f"block{block_index}"] * count


def gather_faces(mesh, fixed_region=None):
    """Faces (lists of point indices) and their region names, before any merging."""
    faces, names, volume_faces, volume_names, notes = [], [], [], [], []
    single = sum(1 for b in mesh.cells if b.type in SURFACE_CELLS) == 1
    for index, block in enumerate(mesh.cells):
        if block.type in SURFACE_CELLS:
            corners = SURFACE_CELLS[block.type]
            region = cell_names(mesh, index, block, 2, fixed_region)
            if single and fixed_region is None and region[0] == f"block{index}":
                region = ["surface"] * len(region)
            faces.extend(row[:corners].tolist() for row in block.data)
            names.extend(region)
            if block.type != ("triangle" if corners == 3 else "quad"):
                notes.append(f"{len(block.data)} {block.type} cells taken by their corners")
        else:
            kind = VOLUME_ALIASES.get(block.type, block.type)
            if kind in VOLUME_FACES:
                region = cell_names(mesh, index, block, 3, fixed_region)
                for row, name in zip(block.data, region):
                    for face in VOLUME_FACES[kind]:
                        volume_faces.append([int(row[k]) for k in face])
                        volume_names.append(name)
    if not volume_faces:
        return faces, names, notes
    # The boundary of the volume: faces that only one cell has.
    counts = collections.Counter(tuple(sorted(f)) for f in volume_faces)
    named = {tuple(sorted(f)): n for f, n in zip(faces, names)}
    boundary, boundary_names = [], []
    for face, name in zip(volume_faces, volume_names):
        key = tuple(sorted(face))
        if counts[key] == 1:
            boundary.append(face)
            boundary_names.append(named.get(key, name))
    notes.append(f"boundary of {len(volume_faces)} volume faces: {len(boundary)} faces")
    inside = sum(1 for key in named if counts.get(key) != 1)
    if inside:
        notes.append(f"{inside} surface cells not on the boundary of the volume left out")
    return boundary, boundary_names, notes


def clean_faces(faces, names, same):
    """Faces through the merge map: repeated corners dropped, faces that collapse to fewer than
    three points or repeat an earlier face left out."""
    kept, kept_names, collapsed, repeated = [], [], 0, 0
    seen = {}
    for face, name in zip(faces, names):
        nodes = [int(same[n]) for n in face]
        nodes = [n for k, n in enumerate(nodes) if n != nodes[k - 1]]
        if len(set(nodes)) < 3 or len(set(nodes)) != len(nodes):
            collapsed += 1
            continue
        key = tuple(sorted(nodes))
        if key in seen:
            repeated += 1
            continue
        seen[key] = len(kept)
        kept.append(nodes)
        kept_names.append(name)
    return kept, kept_names, collapsed, repeated


def orient(points, faces, plane_points=None, plane_normals=None):
    """Makes each part consistent and, where it is closed (with its mirror images in the
    symmetry planes), face out of its volume. Returns the number of faces turned over."""
    surface = Surface(points, elements_from_lists(faces), plane_points=plane_points,
                      plane_normals=plane_normals)
    report = meshcheck.check_surface(surface, tolerance=0.0)
    turned = set()
    for members, against, volume in report.parts:
        turn = set(against)
        if volume is not None and volume < 0:
            turn = set(members) - turn
        # A mirror image turns with the element it is the image of.
        turned |= {report.complete.source_element[j] for j in turn}
    for j in turned:
        faces[j] = faces[j][::-1]
    return len(turned)


# The factor of each unit to metres, for --units.
UNITS = {"mm": 0.001, "cm": 0.01, "m": 1.0}
AXES = "xyz"


def parse_symmetry(text):
    """Symmetry planes written as x=0,y=0 (at most three, each across another axis): a list of
    (axis index, coordinate)."""
    planes = []
    for item in filter(None, (t.strip() for t in text.split(","))):
        axis, _, value = item.partition("=")
        axis = axis.strip().lower()
        if axis not in AXES or not value.strip():
            raise ValueError(f"'{item}' is not a plane such as x=0")
        try:
            coordinate = float(value)
        except ValueError:
            raise ValueError(f"'{item}': '{value}' is not a number") from None
        if not math.isfinite(coordinate):
            raise ValueError(f"'{item}': the coordinate is not finite")
        if any(a == AXES.index(axis) for a, _ in planes):
            raise ValueError(f"two planes across the {axis} axis")
        planes.append((AXES.index(axis), coordinate))
    if not planes:
        raise ValueError("no plane given")
    return planes


def apply_symmetry(points, faces, names, planes, tolerance, notes):
    """Puts the points within tolerance of a symmetry plane onto it and leaves out the elements
    that lie in a plane (the mirroring closes the body there); the mesh must lie on one side of
    every plane. Returns the faces and names kept."""
    used = sorted({n for f in faces for n in f})
    for axis, value in planes:
        name = f"{AXES[axis]}={value:g}"
        offsets = points[used, axis] - value
        if offsets.min() < -tolerance and offsets.max() > tolerance:
            raise MeshImportError(f"the mesh lies on both sides of the symmetry plane {name}: "
                                  "give the part that the planes complete (a half or a quarter)")
        near = np.abs(points[:, axis] - value) <= tolerance
        points[near, axis] = value
        on_plane = [all(near[n] for n in f) for f in faces]
        if any(on_plane):
            notes.append(f"{sum(on_plane)} elements in the symmetry plane {name} left out")
        faces = [f for f, on in zip(faces, on_plane) if not on]
        names = [n for n, on in zip(names, on_plane) if not on]
    return faces, names


def import_mesh(mesh, region=None, scale=1.0, tolerance=None, symmetry=()):
    """Makes a surface from a meshio mesh. tolerance is in the units after scaling; None takes a
    millionth of the size of the mesh. symmetry: (axis index, coordinate) planes, as
    parse_symmetry gives them, that complete the mesh: the surface keeps them."""
    faces, names, notes = gather_faces(mesh, None if region is None else region_name(region))
    if not faces:
        raise MeshImportError("the mesh has no triangles, quadrilaterals or volume cells")
    names = [region_name(n) for n in names]
    points = np.asarray(mesh.points, dtype=float)[:, :3] * scale
    if points.shape[1] < 3:
        points = np.hstack([points, np.zeros((len(points), 3 - points.shape[1]))])
    used = sorted({n for f in faces for n in f})
    if tolerance is None:
        tolerance = meshcheck.default_tolerance(points[used])
    same = np.arange(len(points))
    same[used] = np.asarray(used)[meshcheck.merge_map(points[used], tolerance)]
    merged = len(used) - len(set(same[used].tolist()))
    if merged:
        notes.append(f"{merged} points merged with others within {tolerance:g}")
    faces, names, collapsed, repeated = clean_faces(faces, names, same)
    if collapsed:
        notes.append(f"{collapsed} elements without area left out")
    if repeated:
        notes.append(f"{repeated} elements that repeat another left out")
    if symmetry:
        faces, names = apply_symmetry(points, faces, names, symmetry, tolerance, notes)
    if not faces:
        raise MeshImportError("no element is left")
    # Renumber the points that the elements use, in their original order.
    keep = sorted({n for f in faces for n in f})
    number = {n: i for i, n in enumerate(keep)}
    faces = [[number[n] for n in f] for f in faces]
    points = points[keep]
    if len(points) > INDEX_LIMIT or len(faces) > INDEX_LIMIT:
        raise MeshImportError(f"{len(points)} points and {len(faces)} elements: the program "
                              f"takes at most {INDEX_LIMIT} of each")
    plane_points = np.zeros((len(symmetry), 3))
    plane_normals = np.zeros((len(symmetry), 3))
    for k, (axis, value) in enumerate(symmetry):
        plane_points[k, axis] = value
        plane_normals[k, axis] = 1.0
    turned = orient(points, faces, plane_points, plane_normals)
    if turned:
        notes.append(f"{turned} elements turned over to face out of their volume")
    return Imported(Surface(points, elements_from_lists(faces), plane_points=plane_points,
                            plane_normals=plane_normals), names, notes)


def edge_lengths(surface):
    """The lengths of all element edges, and the longest diagonal of the quadrilaterals (0
    without any)."""
    p = surface.points
    lengths, diagonal = [], 0.0
    for j in range(surface.element_count):
        nodes = surface.element_nodes(j)
        for k in range(len(nodes)):
            lengths.append(float(np.linalg.norm(p[nodes[k]] - p[nodes[k - 1]])))
        if len(nodes) == 4:
            diagonal = max(diagonal, float(np.linalg.norm(p[nodes[0]] - p[nodes[2]])),
                           float(np.linalg.norm(p[nodes[1]] - p[nodes[3]])))
    return np.array(lengths), diagonal


def element_areas(surface):
    p = surface.points
    areas = np.empty(surface.element_count)
    for j in range(surface.element_count):
        nodes = surface.element_nodes(j)
        area = 0.0
        for k in range(1, len(nodes) - 1):
            area += np.linalg.norm(np.cross(p[nodes[k]] - p[nodes[0]],
                                            p[nodes[k + 1]] - p[nodes[0]])) / 2
        areas[j] = area
    return areas


class Sizing:
    """The element sizes that matter for the program's settings and for the frequency range.

    DIVISION is set from the longest edge (the diagonal for quadrilaterals), so that every element
    that touches a point is integrated with the finest rule. The highest frequency is where the
    wavelength is six element edges: by the longest edge for every element, by the median edge
    for the typical one."""

    def __init__(self, surface, speed_of_sound=SPEED_OF_SOUND):
        lengths, self.diagonal = edge_lengths(surface)
        self.longest = float(lengths.max()) if lengths.size else 0.0
        self.median = float(np.median(lengths)) if lengths.size else 0.0
        reach = max(self.longest, self.diagonal)
        self.division = (2 * reach, 6 * reach)
        self.speed_of_sound = speed_of_sound

    def highest_frequency(self, edge):
        if edge <= 0:
            return math.inf
        return self.speed_of_sound / (ELEMENTS_PER_WAVELENGTH * edge)
