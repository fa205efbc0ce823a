"""kavoral-mesh: import a mesh as a surface file with regions, check a surface, export a surface
and its result for viewers."""

import argparse
import collections
import os
import sys

from . import export as export_module
from . import meshcheck, meshimport, points_cli, regions
from .datafiles import write_regions
from .surface import read_surface, write_surface
from .textfile import FileFormatError

LISTED = 20


def fail(message):
    print("kavoral-mesh: error: %s" % message, file=sys.stderr)
    return 2


def print_faults(report, out, listed=LISTED):
    """Prints the faults grouped by kind, at most listed of each; returns their number."""
    by_kind = collections.OrderedDict()
    for fault in report.faults:
        by_kind.setdefault(fault.kind, []).append(fault)
    for kind, faults in by_kind.items():
        print("%s: %d" % (kind, len(faults)), file=out)
        for fault in faults[:listed]:
            print("  " + fault.text, file=out)
        if len(faults) > listed:
            print("  ... and %d more" % (len(faults) - listed), file=out)
    return len(report.faults)


def print_parts(report, out):
    for k, (members, _, volume) in enumerate(report.parts):
        if volume is None:
            state = "open"
        else:
            state = "closed, normals point %s" % ("outward" if volume > 0 else
                                                  "inward (-ch with OUT turns it over)")
        print("part %d: %d elements from element %d, %s" % (k, len(members), members[0], state),
              file=out)


def command_import(args):
    regions_path = os.path.splitext(args.output)[0] + ".regions"
    if os.path.abspath(regions_path) in (os.path.abspath(args.output),
                                         os.path.abspath(args.input)):
        return fail("%s would be overwritten by the region file %s: name the output .srf"
                    % (args.output if regions_path == args.output else args.input,
                       regions_path))
    try:
        import meshio
        mesh = meshio.read(args.input)
    except Exception as error:  # meshio raises many kinds for files it cannot read
        return fail("cannot read %s as a mesh: %s" % (args.input, error))
    scale = args.scale
    if args.units is not None:
        if args.scale is not None:
            return fail("give --units or --scale, not both")
        scale = meshimport.UNITS[args.units]
    scale = 1.0 if scale is None else scale
    if not scale > 0:
        return fail("--scale must be above 0")
    try:
        symmetry = meshimport.parse_symmetry(args.symmetry) if args.symmetry else ()
    except ValueError as error:
        return fail("--symmetry: %s" % error)
    try:
        imported = meshimport.import_mesh(mesh, args.region, scale, args.merge_tolerance,
                                          symmetry)
    except (meshimport.MeshImportError, ValueError) as error:
        return fail("%s: %s" % (args.input, error))
    types = collections.Counter()
    for block in mesh.cells:
        types[block.type] += len(block.data)
    cells = ", ".join("%d %s cells" % (n, t) for t, n in types.items())
    print("Read %s: %d points, %s" % (args.input, len(mesh.points), cells))
    for note in imported.notes:
        print("  " + note)
    surface = imported.surface
    title = "Surface file written by kavoral-mesh import from %s" % os.path.basename(args.input)
    try:
        write_surface(args.output, surface, title)
        write_regions(regions_path, imported.regions,
                      "Regions of %s, one line per element" % os.path.basename(args.output))
    except (OSError, ValueError) as error:
        return fail(str(error))
    counts = surface.node_counts()
    print("Wrote %s: %d points, %d elements (%d triangles, %d quadrilaterals)"
          % (args.output, surface.point_count, surface.element_count, (counts == 3).sum(),
             (counts == 4).sum())
          + ("" if not symmetry else ", symmetry planes " + ", ".join(
              "%s=%g" % (meshimport.AXES[a], v) for a, v in symmetry)))
    areas = meshimport.element_areas(surface)
    names = list(dict.fromkeys(imported.regions))
    print("Wrote %s: %d region%s" % (regions_path, len(names), "" if len(names) == 1 else "s"))
    for name in names:
        members = [j for j, n in enumerate(imported.regions) if n == name]
        print("  %-16s %6d elements, area %g" % (name, len(members), areas[members].sum()))
    size = meshimport.Sizing(surface, args.sound_velocity)
    print("Longest element edge %g, median edge %g" % (size.longest, size.median)
          + (", longest quadrilateral diagonal %g" % size.diagonal if size.diagonal else ""))
    print("Suggested DIVISION %.4g %.4g (2 and 6 times the longest %s)"
          % (size.division[0], size.division[1],
             "diagonal" if size.diagonal > size.longest else "edge"))
    print("Highest frequency at %d elements per wavelength (c = %g): %.4g Hz by the longest "
          "edge, %.4g Hz by the median edge"
          % (meshimport.ELEMENTS_PER_WAVELENGTH, args.sound_velocity,
             size.highest_frequency(size.longest), size.highest_frequency(size.median)))
    report = meshcheck.check_surface(surface)
    if report.faults:
        print("Warning: the surface has %d faults; 'kavoral-mesh check %s' lists them"
              % (len(report.faults), args.output))
        summary = collections.Counter(f.kind for f in report.faults)
        for kind, n in summary.items():
            print("  %s: %d" % (kind, n))
    return 0


def load_for_check(path):
    if path.lower().endswith((".srf", ".ms")):
        return read_surface(path)
    import meshio
    from .surface import Surface, elements_from_lists
    mesh = meshio.read(path)
    faces = []
    for block in mesh.cells:
        if block.type in meshimport.SURFACE_CELLS:
            faces.extend(row[:meshimport.SURFACE_CELLS[block.type]].tolist()
                         for row in block.data)
    return Surface(mesh.points[:, :3], elements_from_lists(faces))


def command_check(args):
    try:
        surface = load_for_check(args.file)
    except (OSError, FileFormatError, ValueError) as error:
        return fail(str(error))
    except Exception as error:  # meshio's own errors
        return fail("cannot read %s: %s" % (args.file, error))
    report = meshcheck.check_surface(surface, args.point_eps, args.tolerance)
    print("%s: %d points, %d elements, %d symmetry planes"
          % (args.file, surface.point_count, surface.element_count, len(surface.plane_points)))
    if report.complete is not None and len(surface.plane_points):
        print("after mirroring: %d points, %d elements"
              % (len(report.complete.points), len(report.complete.elements)))
    print_parts(report, sys.stdout)
    count = print_faults(report, sys.stdout, args.list)
    if count:
        print("%d fault%s found" % (count, "" if count == 1 else "s"))
    if args.frequency_range and report.complete is not None:
        if not check_frequencies(report.complete, args.frequency_range, args.sound_velocity):
            count += 1
    if count:
        return 1
    print("No faults found")
    return 0


def check_frequencies(complete, frequency_range, sound_velocity):
    """The sweep's check of the mesh against the frequencies, by the library: False when it
    finds the size a likely unit mistake."""
    from .errors import KavoralError
    from .model import _core
    low, high = frequency_range
    if not 0 < low <= high:
        print("--frequency-range: expected 0 < LOW <= HIGH")
        return False
    try:
        print(_core().check_wavelengths(complete.points, complete.elements, [low, high],
                                        sound_velocity), end="")
    except KavoralError as error:
        print(error.report.strip())
        return False
    return True


def command_export(args):
    if len(args.files) == 2:
        surface, result, out = args.files[0], None, args.files[1]
    elif len(args.files) == 3:
        surface, result, out = args.files
    else:
        return fail("export takes SURFACE.srf [RESULT.res] OUT")
    try:
        print(export_module.export(surface, result, out, args.point_eps))
    except (OSError, FileFormatError, ValueError) as error:
        return fail(str(error))
    return 0


def parser():
    top = argparse.ArgumentParser(prog="kavoral-mesh", description=__doc__)
    commands = top.add_subparsers(dest="command", required=True)

    p = commands.add_parser("import", help="a mesh file as a surface file and its regions")
    p.add_argument("input", help="any mesh meshio reads: .msh, .stl, .obj, .ply, .vtk, .vtu, ...")
    p.add_argument("output", help="the surface file to write; OUTPUT.regions goes beside it")
    p.add_argument("--region", help="one region name for every element")
    p.add_argument("--scale", type=float,
                   help="factor for the coordinates (0.001 for millimetres to metres)")
    p.add_argument("--units", choices=sorted(meshimport.UNITS),
                   help="the unit of the mesh's coordinates, turned into metres (--scale "
                        "0.001, 0.01 or 1)")
    p.add_argument("--symmetry", metavar="PLANES",
                   help="symmetry planes that complete the mesh, such as x=0 or x=0,y=0: kept in "
                        "the surface file, the elements lying in them left out")
    p.add_argument("--merge-tolerance", type=float, metavar="T",
                   help="points closer than T (after scaling) become one; "
                        "default a millionth of the mesh size")
    p.add_argument("--sound-velocity", type=float, default=meshimport.SPEED_OF_SOUND,
                   metavar="C", help="for the highest frequency the mesh resolves (343)")
    p.set_defaults(run=command_import)

    p = commands.add_parser("check", help="the faults of a surface, and where they lie")
    p.add_argument("file", help="a surface file (.srf) or any mesh meshio reads")
    p.add_argument("--point-eps", type=float, default=1e-6,
                   help="POINT_EPS for the mirroring in symmetry planes (1e-6)")
    p.add_argument("--tolerance", type=float,
                   help="points closer than this are duplicates; default a millionth of the "
                        "mesh size")
    p.add_argument("--list", type=int, default=LISTED, metavar="N",
                   help="faults listed of each kind (%d)" % LISTED)
    p.add_argument("--frequency-range", type=float, nargs=2, metavar=("LOW", "HIGH"),
                   help="also check the mesh against the frequencies of a sweep (Hz) as "
                        "kavoral-sweep does: its size (a likely unit mistake) and its elements "
                        "per wavelength")
    p.add_argument("--sound-velocity", type=float, default=meshimport.SPEED_OF_SOUND,
                   metavar="C", help="for --frequency-range (343)")
    p.set_defaults(run=command_check)

    p = commands.add_parser("export", help="a surface and its result for ParaView")
    p.add_argument("files", nargs="+", metavar="SURFACE.srf [RESULT.res] OUT",
                   help="OUT ends in .vtu, .vtk or .xdmf")
    p.add_argument("--point-eps", type=float, default=1e-6,
                   help="POINT_EPS for the mirroring in symmetry planes (1e-6)")
    p.set_defaults(run=command_export)

    points_cli.add_parser(commands)
    regions.add_parser(commands)
    return top


def main(argv=None):
    args = parser().parse_args(argv)
    return args.run(args)


if __name__ == "__main__":
    sys.exit(main())
