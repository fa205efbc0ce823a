"""kavoral-plot: level over frequency, directivity and interior residual of a frequency sweep,
from the CSV files in the sweep's output directory, as a PNG, SVG or PDF picture; with --only,
also polar maps, the spinorama curves and the directivity index, or their numbers as CSV."""

import argparse
import os
import sys

from . import directivityplot
from .arguments import index_list, positive, positive_list, vector
from .sweepplot import PANELS, Sweep, plot_sweep


def parser():
    p = argparse.ArgumentParser(prog="kavoral-plot", description=__doc__)
    p.add_argument("output", help="the sweep's output directory (frequencies.csv, field.csv)")
    p.add_argument("picture", nargs="?",
                   help="picture to write, .png, .svg or .pdf (default OUTPUT/sweep.png)")
    p.add_argument("--points", type=index_list, metavar="LIST",
                   help="field points of the level plot, e.g. 0,3,40-43 (default: up to 8 of "
                        "the points not in the directivity plot)")
    p.add_argument("--polar-points", type=index_list, metavar="LIST",
                   help="field points of the directivity plot (default: all)")
    p.add_argument("--polar-frequencies", type=positive_list, metavar="LIST",
                   help="frequencies of the directivity plot; the nearest computed ones are "
                        "taken (default: 4 spread over the sweep)")
    p.add_argument("--centre", type=vector, default=[0.0, 0.0, 0.0], metavar="X,Y,Z",
                   help="centre of the directivity angles (0,0,0)")
    p.add_argument("--axis", type=vector, metavar="X,Y,Z",
                   help="direction of angle 0 (default: towards the first directivity point; "
                        "for the polar maps and the spinorama 1,0,0)")
    p.add_argument("--up", type=vector, default=[0.0, 0.0, 1.0], metavar="X,Y,Z",
                   help="up direction of the polar maps and the spinorama (0,0,1)")
    p.add_argument("--radius", type=positive, metavar="R",
                   help="radius of the orbits or of the sphere (default: the one with the "
                        "most points)")
    p.add_argument("--case", help="the load case to draw (default the first)")
    p.add_argument("--scattered", action="store_true",
                   help="the scattered pressure instead of the total one")
    p.add_argument("--density", type=positive, default=1.2,
                   help="for the directivity index from the sound power (1.2)")
    p.add_argument("--sound-velocity", type=positive, default=343.0, metavar="C",
                   help="for the directivity index from the sound power (343)")
    p.add_argument("--limit", type=float, metavar="R",
                   help="draw the residual limit R of the job (RESIDUAL_LIMIT) as a line")
    p.add_argument("--only", choices=PANELS + directivityplot.PANELS, action="append",
                   help="draw only this panel (may be given more than once); the panels from "
                        "polar-horizontal on are drawn one above the other, or written as a "
                        "table when PICTURE ends in .csv")
    p.add_argument("--title", help="title over the picture")
    return p


def main(argv=None):
    # Pictures are written to files: no display is needed or used.
    import matplotlib
    matplotlib.use("Agg")
    args = parser().parse_args(argv)
    picture = args.picture or os.path.join(args.output, "sweep.png")
    chosen = args.only or PANELS
    if any(panel in directivityplot.PANELS for panel in chosen):
        return plot_directivity(args, picture, chosen)
    try:
        sweep = Sweep(args.output)
        shown = plot_sweep(sweep, picture, chosen, args.points, args.polar_points,
                           args.polar_frequencies, args.centre, args.axis, args.limit,
                           args.title)
    except (OSError, ValueError) as error:
        print("kavoral-plot: error: %s" % error, file=sys.stderr)
        return 2
    print("Wrote %s: %s" % (picture, ", ".join(shown["panels"])))
    if "polar" in shown["panels"]:
        print("  directivity at %s Hz" % ", ".join("%g" % f for f in shown["polar_frequencies"]))
    return 0


def plot_directivity(args, picture, panels):
    if any(panel not in directivityplot.PANELS for panel in panels):
        print("kavoral-plot: error: draw spl, polar and residual in a picture of their own",
              file=sys.stderr)
        return 2
    options = directivityplot.Options(args.centre, args.axis or (1.0, 0.0, 0.0), args.up,
                                      args.radius, args.case, args.scattered, args.density,
                                      args.sound_velocity)
    try:
        notes = directivityplot.plot(Sweep(args.output), picture, panels, options, args.title)
    except (OSError, ValueError) as error:
        print(f"kavoral-plot: error: {error}", file=sys.stderr)
        return 2
    print(f"Wrote {picture}: {', '.join(panels)}")
    for note in notes:
        print("  " + note)
    return 0


if __name__ == "__main__":
    sys.exit(main())
