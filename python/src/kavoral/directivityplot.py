"""Pictures and tables of a sweep's directivity: polar maps of the horizontal and vertical orbit,
the spinorama, the early reflections, the predicted in-room response and the directivity index.
A picture name ending in .csv writes the numbers of the panel instead of drawing it."""

import csv
import io
import os
from dataclasses import dataclass, field as dataclass_field

import numpy as np

from . import directivity as dv
from .points import Frame
from .textfile import write_atomically, write_text_atomically

PANELS = ("polar-horizontal", "polar-vertical", "spinorama", "early-reflections", "in-room",
          "directivity-index")
# The span of the polar maps below the axis level, and the spacing of their contour lines, dB.
MAP_FLOOR = -30.0
MAP_STEP = 3.0
COLOURS = {"on_axis": "black", "listening_window": "tab:blue", "early_reflections": "tab:orange",
           "sound_power": "tab:red", "predicted_in_room": "tab:purple",
           "sound_power_di": "tab:red", "early_reflections_di": "tab:orange",
           "floor": "tab:blue", "ceiling": "tab:green", "front_wall": "tab:cyan",
           "side_walls": "tab:red", "rear_wall": "tab:purple"}
NAMES = {"on_axis": "On axis", "listening_window": "Listening window",
         "early_reflections": "Early reflections", "sound_power": "Sound power",
         "predicted_in_room": "Predicted in-room", "sound_power_di": "Sound power DI",
         "early_reflections_di": "Early reflections DI", "floor": "Floor bounce",
         "ceiling": "Ceiling bounce", "front_wall": "Front wall bounce",
         "side_walls": "Side wall bounces", "rear_wall": "Rear wall bounce"}


@dataclass
class Options:
    centre: tuple = (0.0, 0.0, 0.0)
    axis: tuple = (1.0, 0.0, 0.0)
    up: tuple = (0.0, 0.0, 1.0)
    radius: float = None
    case: str = None
    scattered: bool = False
    density: float = 1.2
    sound_velocity: float = 343.0
    notes: list = dataclass_field(default_factory=list)


def frequency_text(f):
    """100, 200, 500, 1k, 2k, 10k: as loudspeaker people write frequencies."""
    f = float(f)
    if f >= 1000.0:
        return f"{round(f / 1000.0, 3):g}k"
    return f"{round(f, 3):g}"


def frequency_label(f):
    """489 Hz, 1.91 kHz: a frequency in a legend."""
    f = float(f)
    return f"{f / 1000.0:.3g} kHz" if f >= 1000.0 else f"{f:.3g} Hz"


def frequency_axis(ax, frequencies=None):
    """A logarithmic frequency axis labelled as people write frequencies; over the frequencies
    when they are given."""
    from matplotlib import ticker
    ax.set_xscale("log")
    if frequencies is not None:
        ax.set_xlim(frequencies.min(), frequencies.max())
    ax.xaxis.set_major_locator(ticker.LogLocator(base=10, subs=(1.0, 2.0, 5.0)))
    ax.xaxis.set_major_formatter(ticker.FuncFormatter(lambda x, _: frequency_text(x)))
    ax.xaxis.set_minor_locator(ticker.LogLocator(base=10, subs=np.arange(2, 10)))
    ax.xaxis.set_minor_formatter(ticker.NullFormatter())
    ax.set_xlabel("Frequency in Hz")


def _solved(field):
    keep = np.isfinite(field.pressure).any(axis=1)
    if not keep.any():
        raise ValueError("the sweep has no solved frequency with field points")
    return keep


# Each panel computes a table: (header, columns) with the frequency first.

def polar_table(field, frame, plane, options):
    orbit = dv.orbit_of(field, frame, plane, options.radius)
    angles, levels = dv.polar_map(field, orbit)
    header = ["frequency_hz"] + [f"{plane[0]}{a:g}_db" for a in angles]
    return header, [field.frequencies] + list(levels.T), {
        "orbit": orbit, "angles": angles, "levels": levels,
        "what": " of the scattered pressure" if options.scattered else ""}


def spin_table(field, frame, options):
    horizontal = dv.orbit_of(field, frame, "horizontal", options.radius)
    vertical = dv.orbit_of(field, frame, "vertical", horizontal.radius)
    curves = dv.spinorama(field, horizontal, vertical)
    names = list(curves)
    return (["frequency_hz"] + [f"{n}_db" for n in names],
            [field.frequencies] + [curves[n] for n in names],
            {"curves": curves, "radius": horizontal.radius})


def index_table(sweep, field, frame, options):
    sphere, radius, count = dv.index_from_sphere(field, frame, options.radius)
    header, columns = ["frequency_hz"], [field.frequencies]
    extra = {"labels": []}
    if sphere is not None:
        header.append("di_sphere_db")
        columns.append(sphere)
        extra["labels"].append(f"from {count} points on the sphere of radius {radius:g} m")
    on_axis_radius = radius
    if on_axis_radius is None:
        on_axis_radius = dv.orbit_of(field, frame, "horizontal", options.radius).radius
    power = dv.index_from_power(sweep, field, frame, on_axis_radius, options.density,
                                options.sound_velocity, options.case)
    if power is not None:
        header.append("di_power_db")
        columns.append(power)
        extra["labels"].append(f"from the sound power and the axis at {on_axis_radius:g} m")
    if len(columns) == 1:
        raise ValueError("for the directivity index the sweep needs field points on a sphere "
                         "(kavoral-mesh points sphere) or its sound power (power_w in "
                         "frequencies.csv)")
    return header, columns, extra


def table(panel, sweep, field, frame, options):
    if panel.startswith("polar-"):
        return polar_table(field, frame, panel[len("polar-"):], options)
    if panel == "directivity-index":
        return index_table(sweep, field, frame, options)
    return spin_table(field, frame, options)


def csv_text(header, columns):
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(header)
    for row in zip(*columns):
        writer.writerow(["" if not np.isfinite(v) else f"{v:.10g}" if k == 0
                         else f"{round(v, 4) + 0.0:.4f}" for k, v in enumerate(row)])
    return out.getvalue()


# Drawing.

def draw_polar(ax, figure, field, extra, plane):
    keep = _solved(field)
    f, angles, levels = field.frequencies[keep], extra["angles"], extra["levels"][keep]
    if np.isclose(angles[-1], 180.0) and angles[0] > -180.0 + dv.ANGLE_TOLERANCE and \
            angles[0] < 0:
        angles = np.concatenate([[-180.0], angles])
        levels = np.column_stack([levels[:, -1], levels])
    top = max(MAP_STEP, MAP_STEP * np.ceil(np.nanmax(levels) / MAP_STEP))
    shown = np.clip(levels, MAP_FLOOR, top)
    bands = np.arange(MAP_FLOOR, top + MAP_STEP / 2, MAP_STEP)
    fill = ax.contourf(f, angles, shown.T, levels=bands, cmap="magma")
    ax.contour(f, angles, shown.T, levels=bands, colors="black", linewidths=0.3, alpha=0.5)
    if np.nanmin(shown) < -6.0 < np.nanmax(shown):
        six = ax.contour(f, angles, shown.T, levels=[-6.0], colors="white", linewidths=1.6,
                         linestyles="solid")
        ax.clabel(six, fmt=lambda v: f"\u2212{-v:g} dB", fontsize="small")
    frequency_axis(ax, f)
    ax.set_ylabel(f"{plane.capitalize()} angle in degrees")
    span = angles[-1] - angles[0]
    ax.set_yticks(np.arange(np.ceil(angles[0] / 30) * 30, angles[-1] + 1, 30 if span > 90 else 10))
    ax.set_title(f"{plane.capitalize()} polar map{extra['what']}, radius "
                 f"{extra['orbit'].radius:g} m")
    bar = figure.colorbar(fill, ax=ax, ticks=bands[::2] if len(bands) > 8 else bands)
    bar.set_label("Level re on-axis in dB")


def draw_curves(ax, field, curves, names, title, ylabel):
    """The curves of names; the first is drawn black and bold."""
    keep = _solved(field)
    f = field.frequencies[keep]
    for name in names:
        first = name == names[0]
        ax.plot(f, curves[name][keep], color="black" if first else COLOURS[name],
                label=NAMES[name], linewidth=2.0 if first else 1.4)
    frequency_axis(ax, f)
    values = np.concatenate([curves[n][keep] for n in names])
    values = values[np.isfinite(values)]
    high = 5.0 * np.ceil(values.max() / 5.0) + 5.0
    ax.set_ylim(high - 50.0, high)
    ax.set_ylabel(ylabel)
    ax.set_title(title)
    ax.grid(True, which="major", alpha=0.4)
    ax.grid(True, which="minor", alpha=0.15)
    return f, keep


def draw_spinorama(ax, field, extra):
    curves = extra["curves"]
    f, keep = draw_curves(ax, field, curves, ("on_axis", "listening_window", "early_reflections",
                                              "sound_power"), "Spinorama",
                          f"SPL in dB re 20 µPa at {extra['radius']:g} m")
    right = ax.twinx()
    for name in ("sound_power_di", "early_reflections_di"):
        right.plot(f, curves[name][keep], color=COLOURS[name], linestyle="--", linewidth=1.2,
                   label=NAMES[name])
    right.set_ylim(-5.0, 45.0)
    right.set_yticks(np.arange(0, 21, 5))
    right.set_ylabel("Directivity index in dB")
    lines = ax.get_lines() + right.get_lines()
    ax.legend(lines, [line.get_label() for line in lines], fontsize="small", loc="upper left",
              ncol=2)


def draw_early(ax, field, extra):
    draw_curves(ax, field, extra["curves"], ("early_reflections",) + tuple(dv.BOUNCES),
                "Early reflections", f"SPL in dB re 20 µPa at {extra['radius']:g} m")
    ax.legend(fontsize="small", loc="lower right", ncol=2)


def draw_in_room(ax, field, extra):
    draw_curves(ax, field, extra["curves"], ("predicted_in_room", "listening_window",
                                             "early_reflections", "sound_power"),
                "Predicted in-room response", f"SPL in dB re 20 µPa at {extra['radius']:g} m")
    ax.legend(fontsize="small", loc="lower right")


def draw_index(ax, field, header, columns, extra):
    keep = _solved(field)
    f = field.frequencies[keep]
    styles = {"di_sphere_db": ("tab:blue", "-"), "di_power_db": ("tab:red", "--")}
    for name, values, label in zip(header[1:], columns[1:], extra["labels"]):
        colour, style = styles[name]
        ax.plot(f, values[keep], color=colour, linestyle=style, marker=".", label=label)
    frequency_axis(ax, f)
    values = np.concatenate([c[keep] for c in columns[1:]])
    values = values[np.isfinite(values)]
    low = min(0.0, np.floor(values.min() / 3.0) * 3.0) if values.size else 0.0
    high = max(6.0, np.ceil(values.max() / 3.0) * 3.0 + 3.0) if values.size else 6.0
    ax.set_ylim(low, high)
    ax.set_ylabel("Directivity index in dB")
    ax.set_title("Directivity index")
    ax.grid(True, which="major", alpha=0.4)
    ax.legend(fontsize="small", loc="upper left")


def plot(sweep, picture, panels, options, title=None):
    """Writes the panels as a picture (PNG, SVG or PDF), or one panel as a CSV table; returns
    the notes to print."""
    frame = Frame.make(options.centre, options.axis, options.up)
    field = dv.field_of(sweep, options.case, options.scattered)
    extension = os.path.splitext(picture)[1].lower()
    tables = [(panel, table(panel, sweep, field, frame, options)) for panel in panels]
    if extension == ".csv":
        if len(panels) != 1:
            raise ValueError("a CSV table holds one panel: give one --only")
        header, columns, _ = tables[0][1]
        write_text_atomically(picture, csv_text(header, columns))
        return [f"{len(columns[0])} frequencies, columns {', '.join(header[1:])}"]
    if extension not in (".png", ".svg", ".pdf"):
        raise ValueError(f"{picture}: the picture must be a .png, .svg, .pdf or .csv file")
    import matplotlib.pyplot as plt
    figure = plt.figure(figsize=(7.5, 4.8 * len(panels)) if len(panels) > 1 else (7.5, 4.8))
    notes = []
    for k, (panel, (header, columns, extra)) in enumerate(tables, 1):
        ax = figure.add_subplot(len(panels), 1, k)
        if panel.startswith("polar-"):
            draw_polar(ax, figure, field, extra, panel[len("polar-"):])
            notes.append(f"{panel}: {len(extra['angles'])} points of radius "
                         f"{extra['orbit'].radius:g}")
        elif panel == "spinorama":
            draw_spinorama(ax, field, extra)
        elif panel == "early-reflections":
            draw_early(ax, field, extra)
        elif panel == "in-room":
            draw_in_room(ax, field, extra)
        else:
            draw_index(ax, field, header, columns, extra)
            notes.append("directivity index " + "; ".join(extra["labels"]))
    save_figure(figure, picture, title)
    return notes


def save_figure(figure, picture, title=None):
    """Writes the figure under its title to the picture file, completely or not at all, and
    closes it."""
    import matplotlib.pyplot as plt
    if title:
        figure.suptitle(title)
    figure.tight_layout()
    try:
        write_atomically(picture, lambda temporary: figure.savefig(temporary, dpi=100))
    finally:
        plt.close(figure)
