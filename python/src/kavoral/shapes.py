"""Closed test surfaces as numpy arrays."""

import numpy as np


def icosphere(radius=1.0, level=3):
    """A sphere of triangles: the icosahedron with every triangle split into four `level` times
    and the new points pushed out onto the sphere; 10 * 4**level + 2 points. Returns (points,
    triangles), the triangles facing outward."""
    t = (1.0 + np.sqrt(5.0)) / 2.0
    points = np.array([[-1, t, 0], [1, t, 0], [-1, -t, 0], [1, -t, 0], [0, -1, t], [0, 1, t],
                       [0, -1, -t], [0, 1, -t], [t, 0, -1], [t, 0, 1], [-t, 0, -1], [-t, 0, 1]])
    faces = np.array([[0, 11, 5], [0, 5, 1], [0, 1, 7], [0, 7, 10], [0, 10, 11], [1, 5, 9],
                      [5, 11, 4], [11, 10, 2], [10, 7, 6], [7, 1, 8], [3, 9, 4], [3, 4, 2],
                      [3, 2, 6], [3, 6, 8], [3, 8, 9], [4, 9, 5], [2, 4, 11], [6, 2, 10],
                      [8, 6, 7], [9, 8, 1]])
    points = points / np.linalg.norm(points, axis=1, keepdims=True)
    for _ in range(level):
        # The middle of every edge once, numbered after the existing points.
        edges = np.sort(faces[:, [0, 1, 1, 2, 2, 0]].reshape(-1, 2), axis=1)
        unique, middle = np.unique(edges, axis=0, return_inverse=True)
        middles = points[unique].sum(axis=1)
        points = np.vstack([points, middles / np.linalg.norm(middles, axis=1, keepdims=True)])
        ab, bc, ca = (len(points) - len(unique) + middle.reshape(-1, 3)).T
        a, b, c = faces.T
        faces = np.stack([np.stack([a, ab, ca], 1), np.stack([b, bc, ab], 1),
                          np.stack([c, ca, bc], 1), np.stack([ab, bc, ca], 1)], 1).reshape(-1, 3)
    corners = points[faces]
    normals = np.cross(corners[:, 1] - corners[:, 0], corners[:, 2] - corners[:, 0])
    inward = np.einsum("ij,ij->i", normals, corners.sum(axis=1)) < 0
    faces[inward] = faces[inward][:, ::-1]
    return radius * points, faces
