"""The surface of a problem as the program stores it: points with direction vectors, triangles
and quadrilaterals, and symmetry planes; the surface file in both directions, and the completion
of a surface by its mirror images.

Elements are held as an (M, 4) integer array whose fourth entry is -1 for a triangle.
"""

from dataclasses import dataclass

import numpy as np

from .textfile import (date_text, format_exact, format_number, open_scanner,
                       write_text_atomically)

# Point and element indices are unsigned 16-bit numbers in the program.
INDEX_LIMIT = 65535
# Sub-boundaries the program can hold.
SUB_BOUNDARY_LIMIT = 99


class Surface:
    def __init__(self, points, elements, directions=None, plane_points=None,
                 plane_normals=None):
        self.points = np.asarray(points, dtype=float).reshape(-1, 3)
        self.elements = np.asarray(elements, dtype=np.int64).reshape(-1, 4)
        self.directions = (np.zeros_like(self.points) if directions is None
                           else np.asarray(directions, dtype=float).reshape(-1, 3))
        self.plane_points = np.zeros((0, 3)) if plane_points is None else \
            np.asarray(plane_points, dtype=float).reshape(-1, 3)
        self.plane_normals = np.zeros((0, 3)) if plane_normals is None else \
            np.asarray(plane_normals, dtype=float).reshape(-1, 3)

    @property
    def point_count(self):
        return len(self.points)

    @property
    def element_count(self):
        return len(self.elements)

    def node_counts(self):
        return np.where(self.elements[:, 3] < 0, 3, 4)

    def element_nodes(self, j):
        row = self.elements[j]
        return [int(n) for n in (row[:3] if row[3] < 0 else row)]


def elements_from_lists(node_lists):
    """An element array from lists of three or four point indices."""
    rows = np.full((len(node_lists), 4), -1, dtype=np.int64)
    for j, nodes in enumerate(node_lists):
        rows[j, :len(nodes)] = nodes
    return rows


def read_surface(path):
    """Reads a surface file (or a measuring points file, which may end after its points)."""
    scan = open_scanner(path)
    count = scan.count("number of surface points", 1, INDEX_LIMIT)
    values = scan.records(count, 6, "point index", "point coordinates")
    if scan.at_end():
        return Surface(values[:, :3], np.zeros((0, 4)), values[:, 3:])

    count = scan.count("number of elements", 0, INDEX_LIMIT)
    elements = np.full((count, 4), -1, dtype=np.int64)
    for j in range(count):
        scan.index(j, "element index")
        nodes = scan.auto_int("element node count")
        if nodes not in (3, 4):
            scan.fail("element node count")
        for k in range(nodes):
            elements[j, k] = scan.auto_int("element node")
        scan.skip_line()
    planes = np.zeros((0, 6))
    if not scan.at_end():
        count = scan.count("number of symmetry planes", 0)
        planes = scan.records(count, 6, "symmetry plane index", "symmetry plane coordinates")
        if not (np.einsum("ij,ij->i", planes[:, 3:], planes[:, 3:]) > 0).all():
            scan.fail("symmetry plane normal of zero length")
    return Surface(values[:, :3], elements, values[:, 3:], planes[:, :3], planes[:, 3:])


def surface_text(surface, title, exact=True):
    """The text of a surface file. exact writes every coordinate so that it reads back to the
    same double; otherwise six significant digits, as the program writes."""
    number = format_exact if exact else format_number
    lines = [f"% {title}", "% Date: " + date_text(), str(surface.point_count)]
    for i, (p, d) in enumerate(zip(surface.points, surface.directions)):
        lines.append(f"{i}\t{' '.join(map(number, p))}\t{' '.join(map(number, d))}")
    lines.append(str(surface.element_count))
    for j in range(surface.element_count):
        nodes = surface.element_nodes(j)
        lines.append(f"{j}\t{len(nodes)}\t{' '.join(map(str, nodes))}")
    lines.append(str(len(surface.plane_points)))
    for k, (q, n) in enumerate(zip(surface.plane_points, surface.plane_normals)):
        lines.append(f"{k}\t{' '.join(map(number, q))}\t{' '.join(map(number, n))}")
    return "\n".join(lines) + "\n"


def write_surface(path, surface, title="Surface file written by kavoral", exact=True):
    if surface.point_count > INDEX_LIMIT or surface.element_count > INDEX_LIMIT:
        raise ValueError(f"{surface.point_count} points and {surface.element_count} elements: "
                         f"the program takes at most {INDEX_LIMIT} of each")
    write_text_atomically(path, surface_text(surface, title, exact))


@dataclass
class CompleteSurface:
    """A surface completed by its mirror images in its symmetry planes, laid out as the program
    lays it out: the file's points and elements first, then the images of each plane in turn.
    source_point and source_element lead every point and element to the file's own."""
    points: np.ndarray
    elements: np.ndarray
    source_point: np.ndarray
    source_element: np.ndarray
    file_points: int

    def element_nodes(self, j):
        row = self.elements[j]
        return [int(n) for n in (row[:3] if row[3] < 0 else row)]


def reflect(surface, point_eps=1e-6):
    """Mirrors the surface in its planes; a point within point_eps of a plane is its own image.
    The elements must refer to existing points."""
    points = surface.points.copy()
    source = np.arange(surface.point_count)
    elements = surface.elements.copy()
    source_element = np.arange(surface.element_count)
    for q, n in zip(surface.plane_points, surface.plane_normals):
        nn = float(np.dot(n, n))
        offset = points - q
        distance = offset[:, 0] * n[0] + offset[:, 1] * n[1] + offset[:, 2] * n[2]
        mirrored_points = np.abs(distance) / np.sqrt(nn) > point_eps
        image = np.arange(len(points))
        image[mirrored_points] = len(points) + np.arange(np.count_nonzero(mirrored_points))
        scale = 2.0 * distance[mirrored_points] / nn
        points = np.vstack([points, points[mirrored_points] - scale[:, None] * n])
        source = np.concatenate([source, source[mirrored_points]])
        mirrored = np.full_like(elements, -1)
        triangles = elements[:, 3] < 0
        mirrored[triangles, :3] = image[elements[triangles][:, [2, 1, 0]]]
        mirrored[~triangles] = image[elements[~triangles][:, [3, 2, 1, 0]]]
        elements = np.vstack([elements, mirrored])
        source_element = np.concatenate([source_element, source_element])
    return CompleteSurface(points.reshape(-1, 3), elements, source, source_element,
                           surface.point_count)
