"""kavoral-mesh regions: names the elements inside a sphere or a box, or those nearest a point,
as a region of a surface, so that a source patch (a tweeter, an ear canal entrance) needs no
group in the mesh file."""

import os
from collections import Counter

import numpy as np

from .arguments import number_list, vector
from .datafiles import read_regions, region_name, write_regions
from .meshimport import element_areas
from .surface import read_surface
from .textfile import FileFormatError


def centroids(surface):
    nodes = surface.elements
    counts = surface.node_counts()
    points = surface.points[np.where(nodes < 0, nodes[:, :1], nodes)]
    # A triangle's fourth entry repeats its first node; take the mean of its own three.
    return np.where((counts == 3)[:, None], points[:, :3].mean(axis=1), points.mean(axis=1))


def inside_sphere(surface, centre, radius):
    return np.linalg.norm(centroids(surface) - np.asarray(centre), axis=1) <= radius


def inside_box(surface, low, high):
    c = centroids(surface)
    low, high = np.minimum(low, high), np.maximum(low, high)
    return np.all((c >= low) & (c <= high), axis=1)


def nearest(surface, point, count=1):
    """The count elements whose centroids lie nearest the point."""
    distance = np.linalg.norm(centroids(surface) - np.asarray(point), axis=1)
    chosen = np.zeros(surface.element_count, dtype=bool)
    chosen[np.argsort(distance, kind="stable")[:count]] = True
    return chosen


def add_parser(commands):
    p = commands.add_parser("regions", help="name the elements in a sphere, a box or nearest a "
                                            "point as a region")
    p.add_argument("surface", help="the surface file (.srf); its regions are SURFACE.regions")
    p.add_argument("name", help="the region to give the elements")
    where = p.add_mutually_exclusive_group(required=True)
    where.add_argument("--sphere", type=number_list, metavar="X,Y,Z,R",
                       help="the elements whose centre lies within R of X,Y,Z")
    where.add_argument("--box", type=number_list, metavar="X0,Y0,Z0,X1,Y1,Z1",
                       help="the elements whose centre lies in the box of these corners")
    where.add_argument("--nearest", type=vector, metavar="X,Y,Z",
                       help="the --count elements (1) whose centres lie nearest X,Y,Z")
    p.add_argument("--count", type=int, default=1, help="with --nearest (1)")
    p.add_argument("--regions", help="the region file to read and write (default "
                                     "SURFACE.regions; made with every other element in "
                                     "'surface' when missing)")
    p.set_defaults(run=run)


def run(args):
    from .mesh_cli import fail
    path = args.regions or os.path.splitext(args.surface)[0] + ".regions"
    try:
        name = region_name(args.name)
        surface = read_surface(args.surface)
        names = (read_regions(path, surface.element_count) if os.path.exists(path)
                 else ["surface"] * surface.element_count)
        if args.sphere is not None:
            if len(args.sphere) != 4 or not args.sphere[3] > 0:
                return fail("--sphere takes X,Y,Z,R with R above 0")
            chosen = inside_sphere(surface, args.sphere[:3], args.sphere[3])
        elif args.box is not None:
            if len(args.box) != 6:
                return fail("--box takes X0,Y0,Z0,X1,Y1,Z1")
            chosen = inside_box(surface, args.box[:3], args.box[3:])
        else:
            if args.count < 1:
                return fail("--count must be at least 1")
            chosen = nearest(surface, args.nearest, args.count)
        if not chosen.any():
            return fail(f"no element of {args.surface} has its centre there; nothing written")
        taken = Counter(n for n, c in zip(names, chosen) if c and n != name)
        names = [name if c else n for n, c in zip(names, chosen)]
        write_regions(path, names, f"Regions of {os.path.basename(args.surface)}, one line "
                                   "per element")
    except (OSError, FileFormatError, ValueError) as error:
        return fail(str(error))
    area = element_areas(surface)[chosen].sum()
    print(f"Wrote {path}: {int(chosen.sum())} elements in {name}, area {area:g}"
          + (" (taken from " + ", ".join(f"{n} {k}" for n, k in taken.items()) + ")"
             if taken else ""))
    for region, count in Counter(names).items():
        print(f"  {region:<16} {count:6d} elements")
    return 0
