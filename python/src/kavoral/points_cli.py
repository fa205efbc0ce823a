"""kavoral-mesh points: measuring points files for the sweep."""

import os

import numpy as np

from . import points as pts
from .arguments import number_list, positive, vector
from .textfile import FileFormatError, read_text

SETS = ("orbit", "spinorama", "sphere", "line")


def add_parser(commands):
    p = commands.add_parser("points", help="measuring points: orbits, spinorama, sphere, line",
                            description="Writes a measuring points file. The frame: --centre, "
                            "--axis (the forward direction, angle 0) and --up.")
    p.add_argument("set", choices=SETS,
                   help="orbit: horizontal and/or vertical circles; spinorama: the 70 points of "
                        "both orbits in 10 degree steps; sphere: a grid on a sphere; line: "
                        "points on the axis")
    p.add_argument("output", help="the measuring points file to write (.ms)")
    p.add_argument("--radius", type=positive, default=2.0, help="of orbits and spheres (2)")
    p.add_argument("--step", type=positive, metavar="DEGREES",
                   help="angle between neighbours (orbit: 10; sphere: its mean spacing)")
    p.add_argument("--plane", choices=("horizontal", "vertical", "both"), default="both",
                   help="the orbits to write (both: the vertical one without the shared points)")
    p.add_argument("--grid", choices=("lebedev", "fibonacci", "equiangular"),
                   default="fibonacci", help="the sphere grid (fibonacci)")
    p.add_argument("--count", type=int, help="points of a sphere grid or a line")
    p.add_argument("--distances", type=number_list, metavar="LIST",
                   help="line: distances from the centre along the axis, e.g. 1,3,10,30")
    p.add_argument("--from", dest="start", type=float, help="line: first distance")
    p.add_argument("--to", dest="stop", type=float, help="line: last distance")
    p.add_argument("--log", action="store_true", help="line: logarithmic spacing")
    p.add_argument("--centre", type=vector, default=[0.0, 0.0, 0.0], metavar="X,Y,Z")
    p.add_argument("--axis", type=vector, default=[1.0, 0.0, 0.0], metavar="X,Y,Z",
                   help="forward direction (1,0,0)")
    p.add_argument("--up", type=vector, default=[0.0, 0.0, 1.0], metavar="X,Y,Z",
                   help="up direction (0,0,1)")
    p.add_argument("--append", action="store_true",
                   help="add the points after those already in OUTPUT")
    p.set_defaults(run=run)


def point_set(args, frame):
    if args.set == "spinorama":
        return pts.spinorama(frame, args.radius)
    if args.set == "orbit":
        which = ("horizontal", "vertical") if args.plane == "both" else (args.plane,)
        sets = pts.orbits(frame, args.radius, args.step or pts.SPIN_STEP, which)
        return pts.PointSet(np.vstack([s.points for s in sets]),
                            "; ".join(s.description for s in sets))
    if args.set == "sphere":
        return pts.sphere(frame, args.radius, args.grid, args.step, args.count)
    if args.distances:
        return pts.line(frame, args.distances)
    if args.start is None or args.stop is None or args.count is None:
        raise ValueError("a line takes --distances, or --from, --to and --count")
    return pts.line(frame, pts.line_distances(args.start, args.stop, args.count,
                                              "log" if args.log else "lin"))


def earlier_comments(path):
    """The leading comment lines of an existing points file, without its date."""
    lines = []
    for text in read_text(path).splitlines():
        if not text.startswith("%"):
            break
        if not text.startswith("% Date:"):
            lines.append(text[1:].strip())
    return lines


def run(args):
    from .mesh_cli import fail
    try:
        frame = pts.Frame.make(args.centre, args.axis, args.up)
        new = point_set(args, frame)
        old, comments = np.zeros((0, 3)), ["Measuring points written by kavoral-mesh points"]
        if args.append and os.path.exists(args.output):
            old = pts.read_points(args.output)
            comments = earlier_comments(args.output)
        first = len(old)
        comments.append(f"Points {first} to {first + len(new.points) - 1}: {new.description}")
        pts.write_points(args.output, np.vstack([old, new.points]), comments)
    except (OSError, FileFormatError, ValueError) as error:
        return fail(str(error))
    print(f"Wrote {args.output}: points {first} to {first + len(new.points) - 1}, "
          f"{new.description}")
    return 0



