"""The loudspeaker cabinet example through the real programs: import, the program's surface
check, two frequencies of the sweep, plots and export.

The programs are taken from the build directory that KAVORAL_BUILD names (python/run-tests.sh
sets it to build/ beside python/)."""

import math
import os
import shutil
import subprocess
import sys

import meshio
import numpy as np
import pytest

from kavoral.datafiles import read_regions
from kavoral.surface import read_surface

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
EXAMPLE = os.path.join(ROOT, "examples", "loudspeaker-cabinet")
BUILD = os.path.abspath(os.environ.get("KAVORAL_BUILD", os.path.join(ROOT, "build")))
KAVORAL = os.path.join(BUILD, "Kavoral")
SWEEP = next((path for path in (os.path.join(BUILD, "sweep", "kavoral-sweep"),
                                 os.path.join(BUILD, "kavoral-sweep"))
              if os.access(path, os.X_OK)), os.path.join(BUILD, "sweep", "kavoral-sweep"))

needs_kavoral = pytest.mark.skipif(not os.access(KAVORAL, os.X_OK),
                                   reason="Kavoral is not built in %s (KAVORAL_BUILD)" % BUILD)
needs_sweep = pytest.mark.skipif(not os.access(SWEEP, os.X_OK),
                                 reason="kavoral-sweep is not built in %s (KAVORAL_BUILD)" % BUILD)


def run(work, *command):
    done = subprocess.run(command, cwd=work, capture_output=True, text=True)
    assert done.returncode == 0, "%s failed (%d):\n%s%s" % (
        " ".join(command), done.returncode, done.stdout[-3000:], done.stderr[-3000:])
    return done.stdout


def tool(work, name, *arguments):
    return run(work, sys.executable, "-m", "kavoral." + name, *arguments)


@pytest.fixture(scope="module")
def cabinet(tmp_path_factory):
    """The example's files in a fresh directory, the mesh imported."""
    work = tmp_path_factory.mktemp("cabinet")
    for name in ("cabinet.msh", "cabinet.job"):
        shutil.copy(os.path.join(EXAMPLE, name), work)
    # The field points as the example's run script makes them.
    tool(work, "mesh_cli", "points", "spinorama", "field.ms", "--radius", "2")
    tool(work, "mesh_cli", "points", "line", "field.ms", "--distances", "1,3,10,30", "--append")
    shutil.copy(os.path.join(ROOT, "data", "Gauss.cfs"), work)
    (work / "Kavoral.cfg").write_text("DENSITY 1.2\nSOUND_VELOCITY 343 0\n")
    tool(work, "mesh_cli", "import", "cabinet.msh", "cabinet.srf")
    return work


def test_imported_cabinet_is_closed_with_two_regions(cabinet):
    surface = read_surface(cabinet / "cabinet.srf")
    regions = read_regions(cabinet / "cabinet.regions", surface.element_count)
    assert set(regions) == {"piston", "cabinet"}
    assert "No faults found" in tool(cabinet, "mesh_cli", "check", "cabinet.srf")


@needs_kavoral
def test_program_check_leaves_the_imported_cabinet_unchanged(cabinet):
    out = run(cabinet, KAVORAL, "-ch", "cabinet.srf", "OUT", "checked.srf")
    assert "0 elements flipped\t1 boundaries found" in out
    assert "Surface has been changed" not in out
    mine, checked = read_surface(cabinet / "cabinet.srf"), read_surface(cabinet / "checked.srf")
    assert np.array_equal(mine.elements, checked.elements)
    assert np.allclose(mine.points, checked.points, rtol=1e-5, atol=1e-7)


@needs_sweep
def test_two_frequencies_of_the_sweep_plot_and_export(cabinet):
    job = (cabinet / "cabinet.job").read_text()
    job = job.replace("FREQUENCY_RANGE 100 3000 16 LOG", "FREQUENCIES 100 1000")
    (cabinet / "two.job").write_text(job.replace("OUTPUT out", "OUTPUT two"))
    run(cabinet, SWEEP, "two.job")
    out = cabinet / "two"
    lines = (out / "frequencies.csv").read_text().splitlines()
    assert len(lines) == 3 and all(line.split(",")[5] == "0" for line in lines[1:])
    # At 100 Hz the cabinet radiates as the monopole of the piston's volume velocity.
    report = run(cabinet, sys.executable, os.path.join(EXAMPLE, "monopole.py"), str(out))
    assert "largest error" in report
    worst = float(report.rsplit("largest error", 1)[1].split("%")[0])
    assert worst < 5.0, report
    tool(cabinet, "plot_cli", str(out), "plot.png", "--points", "70-73", "--polar-points", "0-35")
    assert (cabinet / "plot.png").read_bytes().startswith(b"\x89PNG")
    results = sorted(p for p in out.rglob("*.res") if "field" not in p.name)
    assert results, "the sweep wrote no surface result file"
    tool(cabinet, "mesh_cli", "export", "cabinet.srf", str(results[0]), "cabinet.vtu")
    mesh = meshio.read(cabinet / "cabinet.vtu")
    assert math.isfinite(float(np.nanmax(mesh.point_data["spl_db"])))


ICOSPHERE = os.path.join(BUILD, "tools", "icosphere")
PULSATING_JOB = """DENSITY 1.2
SOUND_VELOCITY 343 0
SURFACE sphere.srf
BOUNDARY ALL V 1 0
FIELD_POINTS field.ms
FREQUENCIES {frequencies}
OUTPUT out
"""


def sphere_sweep(work, frequencies, point_sets, job=PULSATING_JOB):
    """A sweep on the unit icosphere of 162 points with the field points of kavoral-mesh
    points, one set of arguments each."""
    run(work, ICOSPHERE, "1", "2", "sphere.srf")
    shutil.copy(os.path.join(ROOT, "data", "Gauss.cfs"), work)
    for k, arguments in enumerate(point_sets):
        tool(work, "mesh_cli", "points", *arguments, "field.ms", *(["--append"] if k else []))
    (work / "job.txt").write_text(job.format(frequencies=frequencies))
    run(work, SWEEP, "job.txt")
    return work / "out"


@needs_sweep
def test_pulsating_sphere_gives_flat_curves_and_a_directivity_index_of_0_db(tmp_path):
    out = sphere_sweep(tmp_path, "50 150", [("spinorama", "--radius", "3"),
                                            ("sphere", "--grid", "lebedev", "--count", "50",
                                             "--radius", "3")])
    tool(tmp_path, "plot_cli", str(out), "spin.csv", "--only", "spinorama")
    tool(tmp_path, "plot_cli", str(out), "di.csv", "--only", "directivity-index")
    spin = np.genfromtxt(tmp_path / "spin.csv", delimiter=",", names=True)
    for name in spin.dtype.names[1:]:
        reference = 0.0 if name.endswith("di_db") else spin["on_axis_db"]
        assert np.abs(spin[name] - reference).max() < 0.1, name
    di = np.genfromtxt(tmp_path / "di.csv", delimiter=",", names=True)
    assert np.abs(di["di_sphere_db"]).max() < 0.1
    for panel in ("polar-horizontal", "spinorama", "directivity-index"):
        tool(tmp_path, "plot_cli", str(out), panel + ".png", "--only", panel)


@needs_sweep
def test_sofa_file_of_a_sphere_sweep_passes_mysofa2json_and_holds_the_sweep_numbers(tmp_path):
    """A rigid sphere of radius 1 m with a point source 1.3 m from its centre, the ear; the
    field on a Lebedev sphere of 3 m: both SOFA forms of its transfer functions."""
    netCDF4 = pytest.importorskip("netCDF4")
    job = PULSATING_JOB.replace("BOUNDARY ALL V 1 0", "BOUNDARY ALL V 0 0\n"
                                "INCIDENT POINT 1 0 0 1.3 0")
    out = sphere_sweep(tmp_path, "20 40 60 80", [("sphere", "--grid", "lebedev", "--count",
                                                   "26", "--radius", "3")], job)
    for convention in ("SimpleFreeFieldHRIR", "GeneralTF"):
        tool(tmp_path, "sofa", str(out), convention + ".sofa", "--ear", "0,1.3,0",
             "--convention", convention)
    if shutil.which("mysofa2json"):
        run(tmp_path, "mysofa2json", "SimpleFreeFieldHRIR.sofa")
    table = np.genfromtxt(out / "field.csv", delimiter=",", names=True)
    with netCDF4.Dataset(tmp_path / "GeneralTF.sofa") as d:
        h = d["Data.Real"][:, 0, :] + 1j * d["Data.Imag"][:, 0, :]
        assert np.array_equal(d["N"][:], [20, 40, 60, 80])
    for row in table[table["frequency_hz"] == 60]:
        k = 2 * math.pi * 60 / 343
        free = np.exp(-1j * k * 3.0) / 3.0
        assert h[int(row["point"]), 2] == pytest.approx((row["p_re"] + 1j * row["p_im"]) / free,
                                                        rel=1e-9, abs=1e-9)
    # At ka = 1.1 the sphere shadows the far side: the ear hears less from there.
    assert abs(h[:, 2]).min() < 0.8 < abs(h[:, 2]).max()


@needs_sweep
def test_polar_map_of_a_rigid_sphere_in_a_plane_wave_shows_the_forward_lobe(tmp_path):
    """The scattered sound of a rigid sphere goes back towards the source at ka = 0.5 and
    forward, along the wave, at ka = 3."""
    job = PULSATING_JOB.replace("BOUNDARY ALL V 1 0", "BOUNDARY ALL V 0 0\n"
                                "INCIDENT PLANE 1 0 0 0 1")
    frame = ("--axis", "0,0,1", "--up", "0,1,0")
    out = sphere_sweep(tmp_path, "27.29507274 163.77043644",
                       [("orbit", "--plane", "horizontal", "--radius", "2", *frame)], job)
    tool(tmp_path, "plot_cli", str(out), "map.csv", "--only", "polar-horizontal", "--scattered",
         *frame)
    table = np.genfromtxt(tmp_path / "map.csv", delimiter=",", names=True)
    assert table["h180_db"][0] > 2.0 and table["h180_db"][1] < -5.0
    assert np.all(table["h90_db"] < -5.0)


@needs_sweep
def test_suggested_division_is_the_one_the_sweep_chooses(tmp_path):
    """The DIVISION the mesh tools suggest mirrors the sweep's own rule: here a box whose longest
    length is a face diagonal."""
    from kavoral.meshimport import Sizing
    from kavoral.surface import Surface, elements_from_lists, write_surface

    corners = np.array([[0, 0, 0], [2, 0, 0], [2, 1, 0], [0, 1, 0],
                        [0, 0, 0.5], [2, 0, 0.5], [2, 1, 0.5], [0, 1, 0.5]], dtype=float)
    quads = [[0, 3, 2, 1], [4, 5, 6, 7], [0, 1, 5, 4], [1, 2, 6, 5], [2, 3, 7, 6], [3, 0, 4, 7]]
    box = Surface(corners, elements_from_lists(quads))
    write_surface(str(tmp_path / "box.srf"), box)
    (tmp_path / "job.txt").write_text("DENSITY 1.2\nSOUND_VELOCITY 343 0\nSURFACE box.srf\n"
                                      "BOUNDARY ALL V 1 0\nCHIEF OFF\nFREQUENCIES 10\n"
                                      "OUTPUT out\n")
    printed = [line for line in run(tmp_path, SWEEP, "job.txt").splitlines()
               if line.startswith("DIVISION ")]
    assert len(printed) == 1, printed
    first, second = (float(word) for word in printed[0].split()[1:3])
    suggested = Sizing(box).division
    assert suggested[0] == pytest.approx(first, rel=1e-5)
    assert suggested[1] == pytest.approx(second, rel=1e-5)
    assert first == pytest.approx(2 * math.sqrt(5), rel=1e-5)
