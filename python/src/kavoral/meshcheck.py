"""The faults of a surface, each with the elements and points where it lies.

A closed surface that the program can compute with has every edge shared by exactly two elements
that run it in opposite directions, every point used by an element and surrounded by one fan of
elements, no two points in the same place, no element without area, and at most 65535 points and
elements after its mirroring. check_surface finds every departure from that and says where.

Edges are compared after points in the same place are taken as one, so that a duplicated point
shows as what it is and not only as the open edges it causes.
"""

import collections
from dataclasses import dataclass, field
from typing import Any

import numpy as np

from .surface import INDEX_LIMIT, SUB_BOUNDARY_LIMIT, reflect

# Relative to the size of the surface, under which two points are taken as one.
DEFAULT_RELATIVE_TOLERANCE = 1e-6


@dataclass
class Fault:
    kind: str
    text: str
    elements: list = field(default_factory=list)
    points: list = field(default_factory=list)


@dataclass
class Report:
    surface: Any
    complete: Any
    faults: list = field(default_factory=list)
    parts: list = field(default_factory=list)

    def add(self, kind, text, elements=(), points=()):
        self.faults.append(Fault(kind, text, list(elements), list(points)))

    def kinds(self):
        return sorted({f.kind for f in self.faults})

    def of_kind(self, kind):
        return [f for f in self.faults if f.kind == kind]


def position(points, i):
    return "(" + ", ".join(f"{c:g}" for c in points[i]) + ")"


def merge_map(points, tolerance):
    """For every point the lowest index of a point within tolerance of it (chains included)."""
    parent = np.arange(len(points))
    if len(points) == 0:
        return parent
    if tolerance <= 0:
        _, first, inverse = np.unique(points, axis=0, return_index=True, return_inverse=True)
        return first[inverse.reshape(-1)]
    cells = collections.defaultdict(list)
    keys = np.floor(points / tolerance).astype(np.int64)
    offsets = [(a, b, c) for a in (-1, 0, 1) for b in (-1, 0, 1) for c in (-1, 0, 1)]

    def root(i):
        while parent[i] != i:
            parent[i] = parent[parent[i]]
            i = parent[i]
        return i

    for i, key in enumerate(map(tuple, keys)):
        for off in offsets:
            for j in cells.get((key[0] + off[0], key[1] + off[1], key[2] + off[2]), ()):
                if np.linalg.norm(points[i] - points[j]) <= tolerance:
                    ri, rj = root(i), root(j)
                    if ri != rj:
                        parent[max(ri, rj)] = min(ri, rj)
        cells[key].append(i)
    return np.array([root(i) for i in range(len(points))])


def default_tolerance(points):
    if len(points) == 0:
        return 0.0
    return DEFAULT_RELATIVE_TOLERANCE * float(np.linalg.norm(points.max(0) - points.min(0)))


def element_edges(nodes):
    return [(nodes[k], nodes[(k + 1) % len(nodes)]) for k in range(len(nodes))]


def edge_table(node_lists):
    """Undirected edge (low, high) -> list of (element, runs from low to high)."""
    table = collections.defaultdict(list)
    for j, nodes in enumerate(node_lists):
        for a, b in element_edges(nodes):
            if a != b:
                table[(min(a, b), max(a, b))].append((j, a < b))
    return table


class UnionFind:
    def __init__(self, n):
        self.parent = list(range(n))

    def find(self, i):
        while self.parent[i] != i:
            self.parent[i] = self.parent[self.parent[i]]
            i = self.parent[i]
        return i

    def join(self, i, j):
        ri, rj = self.find(i), self.find(j)
        if ri != rj:
            self.parent[max(ri, rj)] = min(ri, rj)


def degenerate_reason(points, nodes):
    if len(set(nodes)) < len(nodes):
        return "uses a point twice"
    corners = points[nodes]
    longest = max(np.linalg.norm(corners[k] - corners[k - 1]) for k in range(len(nodes)))
    if longest == 0:
        return "has no extent"
    for k in range(len(nodes)):
        before = corners[k - 1] - corners[k]
        after = corners[(k + 1) % len(nodes)] - corners[k]
        if np.linalg.norm(np.cross(after, before)) <= 1e-10 * longest * longest:
            return "has a corner whose two edges are parallel"
    return None


def check_surface(surface, point_eps=1e-6, tolerance=None):
    """Finds the faults of a surface (with its mirror images) and returns a Report."""
    report = Report(surface, None)
    bad = [(j, n) for j in range(surface.element_count) for n in surface.element_nodes(j)
           if not 0 <= n < surface.point_count]
    for j, n in bad:
        report.add("missing point", f"element {j} refers to point {n}, which does not exist", [j])
    if bad:
        return report
    complete = reflect(surface, point_eps)
    report.complete = complete
    points = complete.points
    node_lists = [complete.element_nodes(j) for j in range(len(complete.elements))]
    planes = len(surface.plane_points)

    def element_name(j):
        if j < surface.element_count:
            return f"element {j}"
        return f"element {j} (mirror image of element {complete.source_element[j]})"

    if len(points) > INDEX_LIMIT:
        report.add("limit",
                   f"{len(points)} points after mirroring in {planes} planes: at most {INDEX_LIMIT}")
    if len(node_lists) > INDEX_LIMIT:
        report.add("limit", f"{len(node_lists)} elements after mirroring in {planes} planes: "
                            f"at most {INDEX_LIMIT}")

    used = np.zeros(len(points), dtype=bool)
    for nodes in node_lists:
        used[nodes] = True
    for i in np.flatnonzero(~used[:surface.point_count]):
        report.add("unused point", f"point {i} {position(points, i)} belongs to no element",
                   points=[int(i)])

    if tolerance is None:
        tolerance = default_tolerance(points)
    same = merge_map(points, tolerance)
    merged = [[int(same[n]) for n in nodes] for nodes in node_lists]
    table = edge_table(merged)
    open_edges = {e for e, uses in table.items() if len(uses) == 1}
    duplicates = [i for i in range(len(points)) if same[i] != i]
    if duplicates:
        closed = sum(1 for uses in edge_table(node_lists).values() if len(uses) == 1)
        closed -= len(open_edges)
        suffix = f"; as one point they close {closed} open edges" if closed > 0 else ""
        for i in duplicates:
            report.add("duplicate point",
                       f"point {i} lies where point {same[i]} lies {position(points, i)}{suffix}",
                       points=[int(same[i]), i])

    for j in range(surface.element_count):
        reason = degenerate_reason(points, merged[j])
        if reason:
            nodes = " ".join(map(str, node_lists[j]))
            report.add("degenerate element", f"element {j} {reason} (points {nodes})", [j])

    for (a, b) in sorted(open_edges):
        j = table[(a, b)][0][0]
        report.add("open edge", f"edge {a}-{b} from {position(points, a)} to "
                                f"{position(points, b)} belongs to {element_name(j)} only",
                   [j], [a, b])
    bad_edges = set(open_edges)
    for (a, b), uses in sorted(table.items()):
        if len(uses) > 2:
            bad_edges.add((a, b))
            owners = [j for j, _ in uses]
            report.add("non-manifold edge",
                       f"edge {a}-{b} from {position(points, a)} to {position(points, b)} "
                       f"belongs to {len(owners)} elements: {', '.join(map(str, owners))}",
                       owners, [a, b])

    parts = UnionFind(len(merged))
    for uses in table.values():
        if len(uses) == 2:
            parts.join(uses[0][0], uses[1][0])
    _check_orientation(report, merged, table, parts, element_name)
    _check_fans(report, points, merged, table, bad_edges, parts)

    touching = UnionFind(len(node_lists))
    for uses in edge_table(node_lists).values():
        for j, _ in uses[1:]:
            touching.join(uses[0][0], j)
    count = len({touching.find(j) for j in range(len(node_lists))})
    if count > SUB_BOUNDARY_LIMIT:
        report.add("limit", f"{count} separate parts: at most {SUB_BOUNDARY_LIMIT}")
    return report


def _check_orientation(report, merged, table, parts, element_name):
    """Walks each part across its two-element edges and reports the elements that run against
    the rest of their part, or a part that no orientation makes consistent."""
    neighbours = collections.defaultdict(list)
    for uses in table.values():
        if len(uses) == 2:
            (j, dj), (k, dk) = uses
            neighbours[j].append((k, dj == dk))
            neighbours[k].append((j, dj == dk))
    flip = [None] * len(merged)
    for seed in range(len(merged)):
        if flip[seed] is not None:
            continue
        flip[seed] = False
        members, queue, orientable = [seed], collections.deque([seed]), True
        while queue:
            j = queue.popleft()
            for k, same_way in neighbours[j]:
                wanted = flip[j] != same_way
                if flip[k] is None:
                    flip[k] = wanted
                    members.append(k)
                    queue.append(k)
                elif flip[k] != wanted:
                    orientable = False
        if not orientable:
            report.add("non-orientable part",
                       f"the part of {len(members)} elements around element {min(members)} "
                       "cannot be oriented consistently (it is one-sided)", sorted(members))
            continue
        against = [j for j in members if flip[j]]
        if len(against) * 2 > len(members) or (len(against) * 2 == len(members)
                                              and flip[min(members)]):
            against = [j for j in members if not flip[j]]
        for j in sorted(against):
            report.add("flipped element", f"{element_name(j)} runs against its neighbours", [j])
        report.parts.append((sorted(members), set(against)))
    _part_directions(report, merged, table)


def _part_directions(report, merged, table):
    """Which way each closed part faces, by the sign of its enclosed volume."""
    points = report.complete.points
    described = []
    for members, against in report.parts:
        edges_closed = all(len(table[(min(a, b), max(a, b))]) == 2
                           for j in members for a, b in element_edges(merged[j]) if a != b)
        volume = 0.0
        for j in members:
            nodes = merged[j][::-1] if j in against else merged[j]
            for k in range(1, len(nodes) - 1):
                a, b, c = points[nodes[0]], points[nodes[k]], points[nodes[k + 1]]
                volume += np.dot(a, np.cross(b, c)) / 6.0
        described.append((members, against, volume if edges_closed else None))
    report.parts = described


def _check_fans(report, points, merged, table, bad_edges, parts):
    """A point whose elements form two or more fans that meet only there."""
    around = collections.defaultdict(list)
    for j, nodes in enumerate(merged):
        for n in set(nodes):
            around[n].append(j)
    on_bad_edge = {n for edge in bad_edges for n in edge}
    for n, elements in sorted(around.items()):
        if n in on_bad_edge or len(elements) < 2:
            continue
        fans = UnionFind(len(elements))
        where = {j: k for k, j in enumerate(elements)}
        for j in elements:
            for a, b in element_edges(merged[j]):
                if n in (a, b) and a != b:
                    for k, _ in table[(min(a, b), max(a, b))]:
                        fans.join(where[j], where[k])
        groups = collections.defaultdict(list)
        for j in elements:
            groups[fans.find(where[j])].append(j)
        by_part = collections.Counter(parts.find(g[0]) for g in groups.values())
        if any(c > 1 for c in by_part.values()):
            report.add("pinched point", f"point {n} {position(points, n)} is shared by "
                                        f"{len(groups)} separate fans of elements", elements, [n])
