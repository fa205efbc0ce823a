"""kavoral-sofa: head-related transfer functions from a sweep as a SOFA (AES69) file.

The sweep puts the source at the ear (a point source just outside the ear canal entrance, or a
small vibrating patch there) and computes the pressure at field points on a sphere around the
head. By reciprocity that pressure is what a source at the field point would give at the ear.
Divided by the free-field pressure of the same source at the head centre, it is the transfer
function of the head: H = p / p_ref with

    p_ref = A exp(-jkR) / R               for a point source of amplitude A,
    p_ref = j omega rho Q exp(-jkR) / (4 pi R)   for a patch of volume velocity Q,

R the distance of the field point from the head centre. A sweep with one load case per ear gives
both ears in one file.

Conventions: SimpleFreeFieldHRIR (impulse responses, what renderers read: the frequencies must be
f, 2f, ..., Kf; the response at 0 Hz is 1 and the one at Kf is taken real), SimpleFreeFieldHRTF
and GeneralTF (the complex transfer functions at the sweep's frequencies as they are).
"""

import argparse
import sys
import time
from dataclasses import dataclass

import numpy as np

from . import __version__
from .arguments import number_list, positive, vector
from .directivity import cases as sweep_cases
from .directivity import field_of
from .points import Frame
from .textfile import write_atomically

CONVENTIONS = {"SimpleFreeFieldHRIR": ("FIR", "1.0"), "SimpleFreeFieldHRTF": ("TF", "1.0"),
               "GeneralTF": ("TF", "2.0")}
# Frequencies f, 2f, ... within this (relative to f) form the grid of an impulse response.
GRID_TOLERANCE = 1e-6


@dataclass
class Transfer:
    """Transfer functions H[measurement, receiver, frequency] with the source positions as
    azimuth (degrees, counter-clockwise from the front), elevation (degrees) and distance, and the
    ears in the listener's frame (x to the front, y to the left, z up)."""
    frequencies: np.ndarray
    sources: np.ndarray
    ears: np.ndarray
    data: np.ndarray


def in_frame(frame, d):
    return np.column_stack([d @ frame.forward, d @ frame.left, d @ frame.up])


def spherical(local):
    r = np.linalg.norm(local, axis=1)
    azimuth = np.degrees(np.arctan2(local[:, 1], local[:, 0])) % 360.0
    elevation = np.degrees(np.arcsin(np.clip(local[:, 2] / r, -1.0, 1.0)))
    # Exact zeros and whole degrees where the grid has them, not 1e-14.
    return np.column_stack([np.round(azimuth, 9) % 360.0, np.round(elevation, 9), r])


def reference(frequencies, distance, strength, kind, density, sound_velocity):
    """The free-field pressure at distance from the source at the head centre, (F, M)."""
    k = 2.0 * np.pi * frequencies[:, None] / sound_velocity
    spread = np.exp(-1j * k * distance[None, :]) / distance[None, :]
    if kind == "volume-velocity":
        omega = 2.0 * np.pi * frequencies[:, None]
        return 1j * omega * density * strength / (4.0 * np.pi) * spread
    return strength * spread


def transfer(sweep, frame, ears, ear_cases=None, strength=1.0, kind="amplitude", density=1.2,
             sound_velocity=343.0):
    known = sweep_cases(sweep)
    if ear_cases is None:
        ear_cases = known or [None]
        if len(ear_cases) > 2:
            raise ValueError(f"the sweep has {len(known)} load cases ({', '.join(known)}): name "
                             "the ears' with --cases")
    if len(ears) != len(ear_cases):
        raise ValueError(f"{len(ear_cases)} ear{'s' if len(ear_cases) != 1 else ''} (load cases) "
                         f"and {len(ears)} --ear position{'s' if len(ears) != 1 else ''}: give "
                         "one --ear per load case")
    fields = [field_of(sweep, case) for case in ear_cases]
    field = fields[0]
    for other in fields[1:]:
        if not np.array_equal(other.points, field.points):
            raise ValueError("the load cases have different field points")
    solved = np.all([np.isfinite(f.pressure).all(axis=1) for f in fields], axis=0)
    if not solved.any():
        raise ValueError("no frequency of the sweep has every field point solved")
    d = field.positions - frame.centre
    distance = np.linalg.norm(d, axis=1)
    if not (distance > 0).all():
        raise ValueError("a field point lies at the head centre")
    p_ref = reference(field.frequencies[solved], distance, strength, kind, density,
                      sound_velocity)
    data = np.stack([f.pressure[solved] / p_ref for f in fields], axis=0)   # (R, F, M)
    ear_positions = in_frame(frame, np.asarray(ears, dtype=float).reshape(-1, 3) - frame.centre)
    return Transfer(field.frequencies[solved], spherical(in_frame(frame, d)), ear_positions,
                    np.transpose(data, (2, 0, 1)))


def impulse_responses(t, delay):
    """Impulse responses of the transfer functions on the grid f, 2f, ..., Kf, delayed by delay
    seconds: (responses (M, R, 2K), sampling rate)."""
    f = t.frequencies
    step = f[0]
    grid = np.arange(1, len(f) + 1) * step
    if len(f) < 2 or np.abs(f - grid).max() > GRID_TOLERANCE * step:
        raise ValueError("impulse responses need the frequencies f, 2f, 3f, ... (such as "
                         "FREQUENCY_RANGE 100 20000 200 LIN): take a TF convention for others")
    shift = np.exp(-2j * np.pi * grid * delay)
    spectrum = np.concatenate([np.ones(t.data.shape[:2] + (1,)), t.data * shift], axis=2)
    spectrum[..., -1] = spectrum[..., -1].real
    return np.fft.irfft(spectrum, n=2 * len(f), axis=2), 2.0 * len(f) * step


def write_sofa(path, t, convention="SimpleFreeFieldHRIR", delay=0.0, title=None):
    """Writes the file with netCDF4 (HDF5 inside), completely or not at all."""
    import netCDF4
    data_type, version = CONVENTIONS[convention]
    if data_type == "FIR":
        responses, rate = impulse_responses(t, delay)
    now = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime())
    attributes = {
        "Conventions": "SOFA", "Version": "2.1", "SOFAConventions": convention,
        "SOFAConventionsVersion": version, "DataType": data_type, "RoomType": "free field",
        "Title": title or "Head-related transfer functions computed by kavoral-sweep",
        "DateCreated": now, "DateModified": now, "APIName": "kavoral-sofa",
        "APIVersion": __version__, "AuthorContact": "", "Organization": "", "License": "",
        "ApplicationName": "Kavoral", "ApplicationVersion": __version__,
        "ListenerShortName": "head", "DatabaseName": "Kavoral",
        "Comment": "Computed by reciprocity: the source at the ear, the field points around "
                   "the head, normalised by the free-field pressure at the head centre",
    }
    m, r = t.sources.shape[0], t.ears.shape[0]
    n = responses.shape[2] if data_type == "FIR" else len(t.frequencies)

    def write(temporary):
        with netCDF4.Dataset(temporary, "w", format="NETCDF4") as out:
            out.setncatts(attributes)
            for name, size in (("M", m), ("R", r), ("E", 1), ("N", n), ("C", 3), ("I", 1)):
                out.createDimension(name, size)

            def variable(name, dimensions, values, **more):
                v = out.createVariable(name, "f8", dimensions)
                v[:] = values
                v.setncatts(more)

            cartesian = {"Type": "cartesian", "Units": "metre"}
            variable("ListenerPosition", ("I", "C"), [[0.0, 0.0, 0.0]], **cartesian)
            variable("ListenerUp", ("I", "C"), [[0.0, 0.0, 1.0]])
            variable("ListenerView", ("I", "C"), [[1.0, 0.0, 0.0]], **cartesian)
            variable("ReceiverPosition", ("R", "C", "I"), t.ears[:, :, None], **cartesian)
            variable("SourcePosition", ("M", "C"), t.sources, Type="spherical",
                     Units="degree, degree, metre")
            variable("EmitterPosition", ("E", "C", "I"), np.zeros((1, 3, 1)), **cartesian)
            if data_type == "FIR":
                variable("Data.IR", ("M", "R", "N"), responses)
                variable("Data.SamplingRate", ("I",), [rate], Units="hertz")
                variable("Data.Delay", ("I", "R"), np.zeros((1, r)))
            else:
                variable("N", ("N",), t.frequencies, LongName="frequency", Units="hertz")
                variable("Data.Real", ("M", "R", "N"), t.data.real)
                variable("Data.Imag", ("M", "R", "N"), t.data.imag)

    write_atomically(path, write)
    return n


def complex_number(text):
    values = number_list(text)
    if len(values) not in (1, 2):
        raise argparse.ArgumentTypeError(f"RE or RE,IM expected: {text!r}")
    return complex(values[0], values[1] if len(values) == 2 else 0.0)


def parser():
    p = argparse.ArgumentParser(prog="kavoral-sofa", description=__doc__,
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("output", help="the sweep's output directory (frequencies.csv, field.csv)")
    p.add_argument("sofa", help="the SOFA file to write")
    p.add_argument("--ear", type=vector, action="append", required=True, metavar="X,Y,Z",
                   help="the source position of an ear, once per load case, in their order")
    p.add_argument("--cases", help="the load cases of the ears, e.g. left,right (default: the "
                                   "sweep's cases in order)")
    p.add_argument("--centre", type=vector, default=[0.0, 0.0, 0.0], metavar="X,Y,Z",
                   help="the head centre (0,0,0)")
    p.add_argument("--axis", type=vector, default=[1.0, 0.0, 0.0], metavar="X,Y,Z",
                   help="the direction the head looks in, azimuth 0 (1,0,0)")
    p.add_argument("--up", type=vector, default=[0.0, 0.0, 1.0], metavar="X,Y,Z",
                   help="up, elevation 90 (0,0,1)")
    p.add_argument("--convention", choices=CONVENTIONS, default="SimpleFreeFieldHRIR")
    source = p.add_mutually_exclusive_group()
    source.add_argument("--amplitude", type=complex_number, metavar="RE[,IM]",
                        help="the amplitude A of the sweep's point source at the ear (1)")
    source.add_argument("--volume-velocity", type=complex_number, metavar="RE[,IM]",
                        help="instead: the volume velocity Q of the vibrating patch at the ear")
    p.add_argument("--density", type=positive, default=1.2, help="rho (1.2)")
    p.add_argument("--sound-velocity", type=positive, default=343.0, metavar="C", help="(343)")
    p.add_argument("--delay", type=float, metavar="SECONDS",
                   help="impulse responses: delay added to all of them (default: the distance "
                        "of the farthest ear from the centre over c, so that they start after 0)")
    p.add_argument("--title")
    return p


def main(argv=None):
    args = parser().parse_args(argv)
    from .sweepplot import Sweep
    kind, strength = (("volume-velocity", args.volume_velocity)
                      if args.volume_velocity is not None
                      else ("amplitude", args.amplitude if args.amplitude is not None else 1.0))
    try:
        frame = Frame.make(args.centre, args.axis, args.up)
        cases = args.cases.split(",") if args.cases else None
        t = transfer(Sweep(args.output), frame, args.ear, cases, strength, kind, args.density,
                     args.sound_velocity)
        delay = args.delay
        if delay is None:
            delay = np.linalg.norm(t.ears, axis=1).max() / args.sound_velocity
        n = write_sofa(args.sofa, t, args.convention, delay, args.title)
    except (OSError, ValueError) as error:
        print(f"kavoral-sofa: error: {error}", file=sys.stderr)
        return 2
    r = t.sources[:, 2]
    print(f"Wrote {args.sofa}: {args.convention}, {len(t.sources)} source positions at "
          f"{r.min():.6g}" + (f" to {r.max():.6g}" if r.max() - r.min() > 1e-6 * r.max() else "")
          + f" m, {len(t.ears)} ear{'s' if len(t.ears) != 1 else ''}, "
          + (f"{n} samples" if CONVENTIONS[args.convention][0] == "FIR"
             else f"{n} frequencies"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
