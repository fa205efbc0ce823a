"""Import of meshes in the formats meshio writes, into surfaces the program checks unchanged."""

import os

import meshio
import numpy as np
import pytest

from kavoral import meshcheck, mesh_cli
from kavoral.datafiles import read_regions
from kavoral.meshimport import MeshImportError, Sizing, import_mesh
from kavoral.surface import read_surface

from conftest import CUBE_POINTS, CUBE_QUADS, CUBE_TRIANGLES

EXAMPLE = os.path.join(os.path.dirname(__file__), "..", "..", "examples", "loudspeaker-cabinet",
                       "cabinet.msh")

# (file name, meshio format, writer options); every one holds the cube of 12 triangles.
TRIANGLE_FORMATS = [
    ("cube.msh", "gmsh22", {"binary": False}),
    ("cube.msh", "gmsh22", {"binary": True}),
    ("cube.msh", "gmsh", {"binary": False}),
    ("cube.msh", "gmsh", {"binary": True}),
    ("cube.stl", "stl", {"binary": False}),
    ("cube.stl", "stl", {"binary": True}),
    ("cube.obj", "obj", {}),
    ("cube.ply", "ply", {"binary": False}),
    ("cube.ply", "ply", {"binary": True}),
    ("cube.vtk", "vtk", {"binary": False}),
    ("cube.vtk", "vtk", {"binary": True}),
    ("cube.vtu", "vtu", {}),
    ("cube.off", "off", {}),
]


def write(path, mesh, file_format, **options):
    meshio.write(path, mesh, file_format=file_format, **options)
    return path


def assert_outward_closed_cube(surface, elements=12):
    assert surface.point_count == 8 and surface.element_count == elements
    report = meshcheck.check_surface(surface)
    assert report.faults == []
    [(members, against, volume)] = report.parts
    assert against == set() and volume == pytest.approx(1.0)


@pytest.mark.parametrize("name, file_format, options", TRIANGLE_FORMATS,
                         ids=["%s-%s" % (f, o.get("binary", "")) for _, f, o in TRIANGLE_FORMATS])
def test_cube_in_every_format(in_tmp, name, file_format, options):
    mesh = meshio.Mesh(CUBE_POINTS, [("triangle", np.array(CUBE_TRIANGLES))])
    imported = import_mesh(meshio.read(write(name, mesh, file_format, **options)))
    assert_outward_closed_cube(imported.surface)
    assert set(imported.regions) in ({"surface"}, {"physical0"}, {"physical1"})


@pytest.mark.parametrize("name, file_format", [("q.vtu", "vtu"), ("q.vtk", "vtk"),
                                               ("q.obj", "obj"), ("q.ply", "ply")])
def test_quadrilaterals_stay_quadrilaterals(in_tmp, name, file_format):
    mesh = meshio.Mesh(CUBE_POINTS, [("quad", np.array(CUBE_QUADS))])
    imported = import_mesh(meshio.read(write(name, mesh, file_format)))
    assert_outward_closed_cube(imported.surface, elements=6)
    assert (imported.surface.node_counts() == 4).all()


@pytest.mark.parametrize("binary", [False, True])
def test_gmsh_physical_groups_become_regions(in_tmp, binary):
    tags = np.array([1, 1] + [2] * 10)
    mesh = meshio.Mesh(CUBE_POINTS, [("triangle", np.array(CUBE_TRIANGLES))],
                       cell_data={"gmsh:physical": [tags], "gmsh:geometrical": [tags]},
                       field_data={"piston": np.array([1, 2]), "cabinet": np.array([2, 2])})
    imported = import_mesh(meshio.read(write("g.msh", mesh, "gmsh22", binary=binary)))
    assert imported.regions == ["piston"] * 2 + ["cabinet"] * 10


def test_one_region_per_cell_block_or_one_named(in_tmp):
    mesh = meshio.Mesh(CUBE_POINTS, [("quad", np.array(CUBE_QUADS[:2])),
                                     ("triangle", np.array(CUBE_TRIANGLES[4:]))])
    assert import_mesh(mesh).regions == ["block0"] * 2 + ["block1"] * 8
    assert import_mesh(mesh, region="box").regions == ["box"] * 10


def test_duplicate_vertices_are_merged_and_scale_applies(in_tmp):
    # Every quadrilateral with corners of its own, 1e-9 off, in millimetres.
    points = np.array([CUBE_POINTS[n] * 1000 + 1e-9 * k for k, q in enumerate(CUBE_QUADS)
                       for n in q])
    quads = np.arange(24).reshape(6, 4)
    imported = import_mesh(meshio.read(write("d.vtu", meshio.Mesh(points, [("quad", quads)]),
                                             "vtu")), scale=0.001)
    assert_outward_closed_cube(imported.surface, elements=6)
    assert np.abs(imported.surface.points).max() == pytest.approx(1.0)
    assert any("16 points merged" in n for n in imported.notes)


def test_merge_tolerance_decides_what_is_one_point():
    points = np.vstack([CUBE_POINTS, CUBE_POINTS[0] + [0.01, 0, 0]])
    triangles = np.array(CUBE_TRIANGLES)
    triangles[triangles == 0] = 8
    triangles[0, 0] = 0         # element 0 keeps the original corner
    mesh = meshio.Mesh(points, [("triangle", triangles)])
    assert import_mesh(mesh).surface.point_count == 9
    assert_outward_closed_cube(import_mesh(mesh, tolerance=0.02).surface)


def test_volume_mesh_gives_its_boundary_named_by_surface_cells(in_tmp):
    # Eight hexahedra filling the cube of edge 2; one boundary face carries a group of its own.
    grid = np.array([[x, y, z] for z in range(3) for y in range(3) for x in range(3)], float)
    at = lambda x, y, z: x + 3 * y + 9 * z  # noqa: E731
    hexes = np.array([[at(x, y, z), at(x + 1, y, z), at(x + 1, y + 1, z), at(x, y + 1, z),
                       at(x, y, z + 1), at(x + 1, y, z + 1), at(x + 1, y + 1, z + 1),
                       at(x, y + 1, z + 1)] for z in range(2) for y in range(2) for x in range(2)])
    face = np.array([[at(0, 0, 0), at(0, 1, 0), at(1, 1, 0), at(1, 0, 0)]])
    mesh = meshio.Mesh(grid, [("hexahedron", hexes), ("quad", face)],
                       cell_data={"gmsh:physical": [np.full(8, 3), np.array([1])],
                                  "gmsh:geometrical": [np.full(8, 1), np.array([1])]},
                       field_data={"air": np.array([3, 3]), "piston": np.array([1, 2])})
    imported = import_mesh(meshio.read(write("v.msh", mesh, "gmsh22", binary=False)))
    surface = imported.surface
    assert surface.point_count == 26 and surface.element_count == 24   # centre point left out
    assert sorted(imported.regions).count("piston") == 1
    report = meshcheck.check_surface(surface)
    assert report.faults == [] and report.parts[0][2] == pytest.approx(8.0)


def test_inward_and_mixed_orientations_are_turned_out():
    triangles = np.array(CUBE_TRIANGLES)[:, ::-1].copy()
    triangles[3] = triangles[3, ::-1]
    imported = import_mesh(meshio.Mesh(CUBE_POINTS, [("triangle", triangles)]))
    assert_outward_closed_cube(imported.surface)
    assert any("11 elements turned over" in n for n in imported.notes)


def test_mesh_without_surface_cells_is_refused():
    with pytest.raises(MeshImportError, match="no triangles"):
        import_mesh(meshio.Mesh(CUBE_POINTS, [("line", np.array([[0, 1]]))]))


def test_sizing_of_a_quadrilateral_mesh():
    imported = import_mesh(meshio.Mesh(CUBE_POINTS * 0.1, [("quad", np.array(CUBE_QUADS))]))
    size = Sizing(imported.surface)
    assert size.longest == pytest.approx(0.1) and size.diagonal == pytest.approx(0.1 * 2 ** 0.5)
    assert size.division == pytest.approx((0.2 * 2 ** 0.5, 0.6 * 2 ** 0.5))
    assert size.highest_frequency(size.longest) == pytest.approx(343 / 0.6)


def test_import_command_writes_surface_and_regions(in_tmp, capsys):
    assert mesh_cli.main(["import", EXAMPLE, "cabinet.srf"]) == 0
    out = capsys.readouterr().out
    surface = read_surface("cabinet.srf")
    regions = read_regions("cabinet.regions", surface.element_count)
    assert set(regions) == {"piston", "cabinet"}
    assert "Suggested DIVISION" in out and "Warning" not in out
    # The piston's elements make the disc of radius 0.08 m in the plane x = 0.
    piston = [j for j, name in enumerate(regions) if name == "piston"]
    corners = surface.points[surface.elements[piston, :3].ravel()]
    assert np.abs(corners[:, 0]).max() < 1e-9
    assert np.linalg.norm(corners[:, 1:], axis=1).max() == pytest.approx(0.08, rel=1e-6)


def test_import_command_reports_an_open_result_and_refuses_unreadable_input(in_tmp, capsys):
    meshio.write("open.vtu", meshio.Mesh(CUBE_POINTS, [("quad", np.array(CUBE_QUADS[1:]))]))
    assert mesh_cli.main(["import", "open.vtu", "open.srf"]) == 0
    assert "open edge: 4" in capsys.readouterr().out
    assert mesh_cli.main(["import", "open.vtu", "open.regions"]) == 2   # would overwrite itself
    open("junk.stl", "w").write("not a mesh")
    assert mesh_cli.main(["import", "junk.stl", "junk.srf"]) == 2
    assert not os.path.exists("junk.srf")


def test_symmetry_planes_are_kept_and_the_elements_in_them_left_out(in_tmp, capsys):
    # A quarter of the box 2 x 2 x 1 in millimetres, one face turned inward: the faces in the
    # planes x = 0 and y = 0 are left out, the mirroring closes the box.
    quads = np.array(CUBE_QUADS)
    quads[1] = quads[1][::-1]
    meshio.write("quarter.vtu", meshio.Mesh(CUBE_POINTS * 1000, [("quad", quads)]))
    assert mesh_cli.main(["import", "quarter.vtu", "quarter.srf", "--units", "mm",
                          "--symmetry", "x=0,y=0"]) == 0
    out = capsys.readouterr().out
    assert "elements in the symmetry plane y=0 left out" in out and "Warning" not in out
    assert "symmetry planes x=0, y=0" in out
    surface = read_surface("quarter.srf")
    assert surface.element_count == 4 and surface.points.max() == pytest.approx(1.0)
    assert np.array_equal(surface.plane_normals, [[1, 0, 0], [0, 1, 0]])
    report = meshcheck.check_surface(surface)
    assert report.faults == [] and [volume > 0 for _, _, volume in report.parts] == [True]
    # The sweep's check of the frequencies, through the library.
    assert mesh_cli.main(["check", "quarter.srf", "--frequency-range", "20", "100"]) == 0
    assert "the mesh is good up to 40.42 Hz" in capsys.readouterr().out

    assert mesh_cli.main(["import", "quarter.vtu", "mm.srf", "--symmetry", "x=0"]) == 0
    assert mesh_cli.main(["check", "mm.srf", "--frequency-range", "100", "1000"]) == 1
    assert "is the mesh in millimetres or centimetres?" in capsys.readouterr().out
    # A mesh on both sides of a plane is not a part that the plane completes.
    assert mesh_cli.main(["import", "quarter.vtu", "x.srf", "--symmetry", "x=500"]) == 2
    assert "on both sides of the symmetry plane x=500" in capsys.readouterr().err
    assert mesh_cli.main(["import", "quarter.vtu", "x.srf", "--symmetry", "x=0,x=1"]) == 2
    assert mesh_cli.main(["import", "quarter.vtu", "x.srf", "--units", "mm", "--scale", "2"]) == 2
