"""kavoral-plot: level over frequency, directivity and interior residual of a frequency sweep,
from the CSV files in the sweep's output directory, as a PNG, SVG or PDF picture."""

import argparse
import os
import sys

from .arguments import index_list, positive_list, vector
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
                   help="direction of angle 0 (default: towards the first directivity point)")
    p.add_argument("--limit", type=float, metavar="R",
                   help="draw the residual limit R of the job (RESIDUAL_LIMIT) as a line")
    p.add_argument("--only", choices=PANELS, action="append",
                   help="draw only this panel (may be given more than once)")
    p.add_argument("--title", help="title over the picture")
    return p


def main(argv=None):
    args = parser().parse_args(argv)
    picture = args.picture or os.path.join(args.output, "sweep.png")
    try:
        sweep = Sweep(args.output)
        shown = plot_sweep(sweep, picture, args.only or PANELS, args.points, args.polar_points,
                           args.polar_frequencies, args.centre, args.axis, args.limit,
                           args.title)
    except (OSError, ValueError) as error:
        print("kavoral-plot: error: %s" % error, file=sys.stderr)
        return 2
    print("Wrote %s: %s" % (picture, ", ".join(shown["panels"])))
    if "polar" in shown["panels"]:
        print("  directivity at %s Hz" % ", ".join("%g" % f for f in shown["polar_frequencies"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
