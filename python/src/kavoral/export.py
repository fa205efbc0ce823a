"""A surface (or a set of measuring points) and its result as a mesh file for ParaView and
other viewers, in any format meshio writes, chosen by the file name.

The surface is written complete, mirror images included; an image point carries the values of
the point it is the image of, as in the program's matrices.
"""

import os

import meshio
import numpy as np

from .datafiles import read_regions, read_result
from .surface import read_surface, reflect
from .textfile import write_atomically

REFERENCE_PRESSURE = 20e-6

# The formats that carry point data, by file name extension.
FORMATS = {".vtu": "vtu", ".vtk": "vtk", ".xdmf": "xdmf", ".xmf": "xdmf"}


def spl(pressure):
    """Sound pressure level in dB re 20 uPa of the RMS value |p|/sqrt(2); NaN where p is 0."""
    magnitude = np.abs(np.asarray(pressure)) / np.sqrt(2.0)
    with np.errstate(divide="ignore"):
        level = 20.0 * np.log10(magnitude / REFERENCE_PRESSURE)
    return np.where(magnitude > 0, level, np.nan)


def regions_beside(surface_path):
    candidate = os.path.splitext(os.fspath(surface_path))[0] + ".regions"
    return candidate if os.path.exists(candidate) else None


def result_mesh(surface, pressures=None, velocities=None, regions=None, point_eps=1e-6):
    """A meshio mesh of the complete surface with the result as point data."""
    complete = reflect(surface, point_eps)
    triangles = complete.elements[:, 3] < 0
    cells = []
    cell_order = []
    if triangles.any():
        cells.append(("triangle", complete.elements[triangles, :3]))
        cell_order.append(np.flatnonzero(triangles))
    if (~triangles).any():
        cells.append(("quad", complete.elements[~triangles]))
        cell_order.append(np.flatnonzero(~triangles))
    if not cells:
        cells.append(("vertex", np.arange(len(complete.points)).reshape(-1, 1)))
    point_data = {}
    if pressures is not None:
        source = complete.source_point
        p = np.asarray(pressures)[source]
        point_data.update({"p_re": p.real, "p_im": p.imag, "abs_p": np.abs(p), "spl_db": spl(p),
                           "phase_deg": np.degrees(np.angle(p))})
        if velocities is not None:
            v = np.asarray(velocities)[source]
            point_data.update({"v_re": v.real, "v_im": v.imag, "abs_v": np.abs(v)})
    cell_data, field_data = {}, {}
    if regions is not None and cell_order:
        names = sorted(set(regions), key=regions.index)
        code = np.array([names.index(regions[j]) for j in complete.source_element])
        cell_data["region"] = [code[order] for order in cell_order]
        field_data = {name: np.array([k, 2]) for k, name in enumerate(names)}
    return meshio.Mesh(complete.points, cells, point_data=point_data, cell_data=cell_data,
                       field_data=field_data)


def export(surface_path, result_path, out_path, point_eps=1e-6):
    """Writes the mesh file; returns a one-line description of what it holds."""
    surface = read_surface(surface_path)
    bad = [n for j in range(surface.element_count) for n in surface.element_nodes(j)
           if not 0 <= n < surface.point_count]
    if bad:
        raise ValueError(f"{surface_path}: an element refers to point {bad[0]}, which does not "
                         "exist")
    pressures = velocities = None
    if result_path is not None:
        pressures, velocities = read_result(result_path)
        if len(pressures) != surface.point_count:
            raise ValueError(f"{result_path} holds {len(pressures)} points, {surface_path} has "
                             f"{surface.point_count}")
        if not np.any(velocities):
            velocities = None
    regions = None
    regions_path = regions_beside(surface_path)
    if regions_path and surface.element_count:
        regions = read_regions(regions_path, surface.element_count)
    mesh = result_mesh(surface, pressures, velocities, regions, point_eps)
    suffix = os.path.splitext(os.fspath(out_path))[1].lower()
    if suffix not in FORMATS:
        raise ValueError(f"{out_path}: the extension must be one of {', '.join(sorted(FORMATS))}")
    file_format = FORMATS[suffix]
    # XDMF in one file: heavy data in a side file would not follow the file's final name.
    options = {"data_format": "XML"} if file_format == "xdmf" else {}
    write_atomically(out_path, lambda temporary: meshio.write(
        temporary, mesh, file_format=file_format, **options))
    fields = ", ".join(sorted(mesh.point_data)) or "no result"
    cells = sum(len(c.data) for c in mesh.cells)
    per_cell = "; region per cell" if regions is not None else ""
    return f"{out_path}: {len(mesh.points)} points, {cells} cells; {fields}{per_cell}"
