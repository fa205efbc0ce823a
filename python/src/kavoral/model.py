"""A boundary element model in a Python session: a closed surface from numpy arrays, a surface
file or any mesh meshio reads, its boundary conditions by region, the incident sound and the
field points, prepared once by the library and solved at any frequencies with the solve that
kavoral-sweep runs, so that both give the same numbers to the last bit.

    model = kavoral.Model(points, elements, boundary={"ALL": ("V", 1.0)})
    solution = model.solve([100.0, 200.0])
    solution.pressures        # (frequencies, points), complex
"""

import os
from dataclasses import dataclass, field
from typing import Optional
import warnings

import numpy as np

# What the sweep takes when its job file leaves a key out.
DEFAULTS = dict(density=1.2, sound_velocity=343.0, point_eps=1e-6, para_eps=1e-3, threads=0,
                division=None, direction="OUT", chief="auto", chief_points=12,
                residual_limit=0.01, solver="auto", solver_tolerance=1e-4, rules=None,
                accept=())


# The quadrature rules installed beside the extension module.
RULES = os.path.join(os.path.dirname(__file__), "Gauss.cfs")


@dataclass(frozen=True)
class PlaneWave:
    """p_inc = amplitude exp(-j k d.x) with d the unit vector along direction."""
    amplitude: complex
    direction: tuple


@dataclass(frozen=True)
class PointSource:
    """p_inc = amplitude exp(-j k r) / r, r the distance from position."""
    amplitude: complex
    position: tuple


def _warn(log, stacklevel):
    """The library's warnings in a log as Python warnings."""
    for line in log.splitlines():
        if line.startswith("Warning: "):
            warnings.warn(line[len("Warning: "):], stacklevel=stacklevel)


def _core():
    try:
        from . import _core as core
    except ImportError as error:
        raise ImportError("the kavoral module was built without its extension kavoral._core "
                          "(it needs pybind11 and the Python headers): " + str(error)) from None
    return core


def _rules(rules):
    """The rules file to read; empty lets the library look where the programs look."""
    if rules is None:
        return RULES if os.path.exists(RULES) else ""
    return os.fspath(rules)


def _boundaries(boundary):
    """BOUNDARY lines from {region: (type, value)} or (region, type, value) triples; each element
    takes the last one that names its region (or ALL)."""
    if boundary is None:
        return []
    items = boundary.items() if isinstance(boundary, dict) else boundary
    lines = []
    for entry in items:
        region, condition = (entry[0], entry[1]) if isinstance(boundary, dict) else \
            (entry[0], tuple(entry[1:]))
        kind, value = condition
        lines.append((str(region), str(kind).upper(), complex(value)))
    return lines


def _cases(cases):
    """The load cases, {name: dict(boundary=..., excitation=(types, values), incident=[...])},
    as the module takes them; each starts from the model's own boundary and incident sound."""
    described = []
    for name, case in (cases or {}).items():
        unknown = set(case) - {"boundary", "excitation", "incident"}
        if unknown:
            raise TypeError(f"case {name}: unknown keys {', '.join(sorted(unknown))}")
        excitation = case.get("excitation")
        if excitation is not None:
            types, values = excitation
            excitation = ([str(t).upper() for t in types],
                          np.asarray(values, dtype=complex).ravel().tolist())
        incident = case.get("incident", ())
        waves = [(complex(w.amplitude), np.reshape(w.direction, (1, 3)))
                 for w in incident if isinstance(w, PlaneWave)]
        sources = [(complex(p.amplitude), np.reshape(p.position, (1, 3)))
                   for p in incident if isinstance(p, PointSource)]
        if len(waves) + len(sources) != len(incident):
            raise TypeError("incident takes PlaneWave and PointSource objects")
        described.append((str(name), _boundaries(case.get("boundary")), excitation, waves,
                          sources))
    return described


def _points(values, what):
    if values is None:
        return None
    array = np.asarray(values, dtype=float)
    if array.ndim != 2 or array.shape[1] != 3:
        raise ValueError(f"{what} must be an (n, 3) array, not of shape {array.shape}")
    return array


def _elements(values):
    array = np.asarray(values)
    if array.ndim != 2 or array.shape[1] not in (3, 4) or not np.issubdtype(array.dtype,
                                                                          np.integer):
        raise ValueError("elements must be an (m, 3) or (m, 4) array of point indices "
                         f"(-1 in the fourth column for a triangle), not {array.dtype} of "
                         f"shape {array.shape}")
    return array.astype(np.int64)


class Model:
    """A model prepared by the library. The surface is given as points (n x 3) and elements
    (m x 3, or m x 4 with -1 in the fourth column for a triangle), optional symmetry planes
    (k x 6: a point of the plane and its normal a row) and optional region names, one per
    element; Model.read and Model.from_mesh take files and meshes.

    boundary: {region: (type, value)} or (region, type, value) triples, type P, V, Z or Y, the
    region a name of `regions` or "ALL" (default: every element V 0, a rigid body); or
    excitation=(types, values) with one type letter and value per point. incident: PlaneWave
    and PointSource objects. field_points: an (n, 3) array. cases: load cases solved with one
    factorisation where they share the system matrix, {name: dict(boundary=..., excitation=...,
    incident=[...])}, each starting from the model's boundary and incident sound (the CASE lines
    of a job); combine: {name: {case: complex weight}}, the weighted sums of solved cases (the
    COMBINE lines). The settings of the medium and the
    numerics are the sweep's job file keys: density, sound_velocity (complex for a damped
    medium), direction ("OUT": the field outside the body), division (two distances; default 2
    and 6 times the longest element edge), point_eps, para_eps, chief ("auto", "off",
    "always"), chief_points, residual_limit, solver ("auto", "dense", "compressed"),
    solver_tolerance, threads (0: every core); rules names the
    quadrature file (default: the Gauss.cfs installed with the package).

    The library checks the model before any work, as the sweep does: field points on the side of
    the surface where the field is not computed raise KavoralError here, a body whose size
    against the frequencies looks like a unit mistake in solve(); accept="side", "size" or both
    turns them into warnings. A mesh too coarse for a frequency is a warning."""

    def __init__(self, points=None, elements=None, symmetry=None, regions=None, *,
                 boundary=None, excitation=None, field_points=None, incident=(), cases=None,
                 combine=None, **settings):
        if points is None or elements is None:
            raise ValueError("a model needs points and elements (or Model.read, Model.from_mesh)")
        surface = dict(points=_points(points, "points"), elements=_elements(elements),
                       symmetry=None if symmetry is None else np.asarray(symmetry, dtype=float))
        if regions is not None and not isinstance(regions, (str, os.PathLike)):
            regions = [str(name) for name in regions]
        self._prepare(surface, regions=regions, boundary=boundary, excitation=excitation,
                      field_points=field_points, incident=incident, settings=settings,
                      cases=cases, combine=combine)

    @classmethod
    def read(cls, surface_file, regions=None, *, boundary=None, excitation=None,
             field_points=None, incident=(), **settings):
        """A model from a surface file read by the library (as the sweep reads it); regions
        and field_points may name a regions file and a points file, or hold the data. Any
        other mesh file goes through Model.from_mesh."""
        path = os.fspath(surface_file)
        if not path.lower().endswith((".srf", ".ms")):
            import meshio
            return cls.from_mesh(meshio.read(path), boundary=boundary, excitation=excitation,
                                 field_points=field_points, incident=incident, **settings)
        model = cls.__new__(cls)
        model._prepare(dict(surface_file=path), regions=regions, boundary=boundary,
                       excitation=excitation, field_points=field_points, incident=incident,
                       settings=settings)
        return model

    @classmethod
    def from_mesh(cls, mesh, region=None, scale=1.0, symmetry=None, **options):
        """A model from a meshio mesh, imported as kavoral-mesh import does: merged points,
        consistent outward elements, the Gmsh physical groups (or cell blocks) as regions;
        symmetry names the planes that complete it as --symmetry does ("x=0,y=0")."""
        from .meshimport import import_mesh, parse_symmetry
        planes = parse_symmetry(symmetry) if symmetry else ()
        imported = import_mesh(mesh, region=region, scale=scale, symmetry=planes)
        surface = imported.surface
        return cls(surface.points, surface.elements,
                   symmetry=np.hstack([surface.plane_points, surface.plane_normals]) if planes
                   else None, regions=imported.regions, **options)

    @classmethod
    def from_job(cls, job_file, rules=None):
        """The model of a kavoral-sweep job file, with its frequencies and output folder as the
        attributes frequencies and output."""
        prepared, frequencies, output = _core().read_job(os.fspath(job_file), _rules(rules))
        model = cls.__new__(cls)
        model._take(prepared)
        model.frequencies = np.asarray(frequencies)
        model.output = output
        return model

    def _prepare(self, surface, regions, boundary, excitation, field_points, incident,
                 settings, cases=None, combine=None):
        unknown = set(settings) - set(DEFAULTS)
        if unknown:
            raise TypeError(f"unknown settings: {', '.join(sorted(unknown))}")
        description = dict(DEFAULTS, **settings)
        description["direction"] = str(description["direction"]).upper()
        description["chief"] = str(description["chief"]).lower()
        description["solver"] = str(description["solver"]).lower()
        description["rules"] = _rules(description["rules"])
        accept = description["accept"]
        description["accept"] = [str(a).lower() for a in
                                 ([accept] if isinstance(accept, str) else accept)]
        description.update(surface)
        if isinstance(regions, (str, os.PathLike)):
            description["regions_file"] = os.fspath(regions)
        else:
            description["regions"] = regions
        if isinstance(excitation, (str, os.PathLike)):
            description["excitation_file"] = os.fspath(excitation)
        elif excitation is not None:
            types, values = excitation
            description["excitation"] = ([str(t).upper() for t in types],
                                         np.asarray(values, dtype=complex).ravel().tolist())
        if boundary is None and excitation is None:
            boundary = {"ALL": ("V", 0.0)}
        description["boundaries"] = _boundaries(boundary)
        if isinstance(field_points, (str, os.PathLike)):
            description["field_points_file"] = os.fspath(field_points)
        else:
            description["field_points"] = _points(field_points, "field_points")
        description["plane_waves"] = [(complex(w.amplitude), np.reshape(w.direction, (1, 3)))
                                      for w in incident if isinstance(w, PlaneWave)]
        description["point_sources"] = [(complex(s.amplitude), np.reshape(s.position, (1, 3)))
                                        for s in incident if isinstance(s, PointSource)]
        if len(description["plane_waves"]) + len(description["point_sources"]) != len(incident):
            raise TypeError("incident takes PlaneWave and PointSource objects")
        description["cases"] = _cases(cases)
        description["combinations"] = [
            (str(name), [(str(case), complex(weight)) for case, weight in weights.items()])
            for name, weights in (combine or {}).items()]
        self._take(_core().PreparedModel(description))

    def _take(self, prepared):
        self._prepared = prepared
        _warn(prepared.log, 4)

    @property
    def point_count(self):
        """The surface points of the unknowns (the stored part, without mirror images)."""
        return self._prepared.point_count

    @property
    def points(self):
        return self._prepared.points

    @property
    def field_points(self):
        return self._prepared.field_points

    @property
    def division(self):
        """The DIVISION distances the quadrature uses (chosen from the mesh when not given)."""
        return self._prepared.division

    @property
    def longest_edge(self):
        """The longest element edge (or quadrilateral diagonal), mirror images included."""
        return self._prepared.longest_edge

    @property
    def threads(self):
        return self._prepared.threads

    @property
    def excitation(self):
        """(types, values): the type letter and value that every surface point got."""
        letters, values = self._prepared.excitation
        return list(letters), values

    @property
    def log(self):
        """What the library printed while it prepared the model."""
        return self._prepared.log

    def solve(self, frequencies):
        """Solves at every frequency (Hz) in turn; the library computes without the interpreter
        lock on the model's threads, and Ctrl-C stops the sweep between two frequencies. A
        failure raises KavoralError with the library's report."""
        frequencies = np.atleast_1d(np.asarray(frequencies, dtype=float))
        if frequencies.ndim != 1:
            raise ValueError("frequencies must be a number or a sequence of numbers")
        _warn(self._prepared.check_frequencies(frequencies.tolist()), 3)
        results = [r for f in frequencies for r in self._prepared.solve(float(f))]
        least = _core().ELEMENTS_PER_WAVELENGTH
        per = max(1, len(self._prepared.case_names))
        firsts = results[::per]  # one per frequency
        coarse = [f"{r.frequency:g} Hz ({r.elements_per_wavelength:.2g})" for r in firsts
                  if r.elements_per_wavelength < least]
        if coarse:
            warnings.warn(f"fewer than {least:g} elements per wavelength, the mesh too coarse, "
                          "at " + ", ".join(coarse), stacklevel=2)
        return Solution.of(self, results)


@dataclass
class Solution:
    """The results of a sweep, one row per frequency, or with load cases one row per frequency
    and case (the cases in the model's order, then the combinations); `case` names each row's
    case ("" without cases) and Solution.of_case picks one."""
    frequencies: np.ndarray
    case: np.ndarray
    ka: np.ndarray
    pressures: np.ndarray       # (frequencies, surface points)
    velocities: np.ndarray      # (frequencies, surface points)
    field: np.ndarray           # (frequencies, field points): the total pressure
    incident_field: Optional[np.ndarray]  # the incident pressure there; None without any
    residual: np.ndarray        # interior residual of each solution (NaN: not checked)
    first_residual: np.ndarray  # of the solution without CHIEF points
    chief_points: np.ndarray    # the CHIEF points of each solution (0: none)
    near_resonance: np.ndarray
    trusted: np.ndarray         # False where the residual stays above the limit after CHIEF
    power: np.ndarray           # the sound power each solution radiates, W
    compressed: np.ndarray      # whether the compressed solver solved it
    iterations: np.ndarray      # its Krylov iterations (0: the dense solver)
    elements_per_wavelength: np.ndarray  # by the longest edge
    seconds: np.ndarray
    model: Model = field(repr=False)
    results: list = field(repr=False)

    @classmethod
    def of(cls, model, results):
        def rows(name, count):
            return np.array([getattr(r, name) for r in results]).reshape(len(results), count)

        def column(name, dtype=float):
            return np.array([getattr(r, name) for r in results], dtype=dtype)

        fields = len(model.field_points)
        incident = rows("incident_field", fields) if results and \
            len(results[0].incident_field) else None
        return cls(frequencies=column("frequency"), case=column("case", object), ka=column("ka"),
                   pressures=rows("pressures", model.point_count),
                   velocities=rows("velocities", model.point_count),
                   field=rows("field", fields), incident_field=incident,
                   residual=column("residual"), first_residual=column("first_residual"),
                   chief_points=column("chief_points", int),
                   near_resonance=column("near_resonance", bool),
                   trusted=column("trusted", bool),
                   power=column("power"),
                   compressed=column("compressed", bool),
                   iterations=column("iterations", int), seconds=column("seconds"),
                   elements_per_wavelength=column("elements_per_wavelength"),
                   model=model, results=results)

    def to_csv(self, folder):
        """Writes the sweep's tables into the folder (made when missing): frequencies.csv and,
        with field points, field.csv and field_points.csv."""
        os.makedirs(folder, exist_ok=True)
        self.model._prepared.write_tables(os.fspath(folder), self.results)

    def to_vtk(self, folder):
        """Writes what the sweep writes per frequency (the surface and field result files and
        VTK files) and the ParaView collection sweep.pvd into the folder."""
        os.makedirs(folder, exist_ok=True)
        per = max(1, len(self.model._prepared.case_names))
        for first in range(0, len(self.results), per):
            self.model._prepared.write_frequency_files(os.fspath(folder),
                                                       self.results[first:first + per])
        self.model._prepared.write_collection(os.fspath(folder),
                                              self.frequencies[::per].tolist())

    def of_case(self, name):
        """The rows of one load case or combination."""
        rows = [i for i, c in enumerate(self.case) if c == name]
        if not rows:
            raise ValueError(f"no case {name}; the cases are {', '.join(dict.fromkeys(self.case))}")
        return Solution.of(self.model, [self.results[i] for i in rows])
