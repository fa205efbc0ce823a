"""Export of a surface and its result, read back by meshio."""

import meshio
import numpy as np
import pytest

from kavoral import mesh_cli
from kavoral.datafiles import write_regions, write_result
from kavoral.surface import Surface, elements_from_lists, write_surface

from conftest import CUBE_POINTS, CUBE_QUADS, cube


@pytest.mark.parametrize("name", ["out.vtu", "out.vtk", "out.xdmf"])
def test_export_carries_pressure_velocity_level_and_regions(in_tmp, name):
    write_surface("cube.srf", cube())
    write_regions("cube.regions", ["piston"] + ["cabinet"] * 5, "regions")
    p = np.arange(8) + 1j * np.arange(8) / 2
    v = np.r_[1, np.zeros(7)] + 0j
    write_result("cube.res", p, v, "cube.mtx", "cube.xct")
    assert mesh_cli.main(["export", "cube.srf", "cube.res", name]) == 0
    mesh = meshio.read(name)
    assert np.allclose(mesh.points, CUBE_POINTS)
    assert np.array_equal(mesh.cells[0].data, CUBE_QUADS)
    data = mesh.point_data
    assert np.allclose(data["p_re"] + 1j * data["p_im"], p)
    assert np.allclose(data["abs_p"], np.abs(p)) and np.allclose(data["v_re"], v.real)
    assert np.isnan(data["spl_db"][0])
    assert data["spl_db"][2] == pytest.approx(20 * np.log10(abs(p[2]) / np.sqrt(2) / 20e-6))
    assert list(mesh.cell_data["region"][0]) == [0, 1, 1, 1, 1, 1]


def test_export_completes_mirrored_surface_with_the_values_of_the_originals(in_tmp):
    half = Surface(CUBE_POINTS, elements_from_lists(CUBE_QUADS[:1] + CUBE_QUADS[2:]),
                   plane_points=[[0, 0, 1]], plane_normals=[[0, 0, 1]])
    write_surface("half.srf", half)
    write_result("half.res", np.arange(8) + 0j)
    assert mesh_cli.main(["export", "half.srf", "half.res", "whole.vtu"]) == 0
    mesh = meshio.read("whole.vtu")
    assert len(mesh.points) == 12 and len(mesh.cells[0].data) == 10
    top = mesh.points[:, 2] == 2
    assert sorted(mesh.point_data["p_re"][top]) == [0, 1, 2, 3]    # images of points 0 to 3
    assert "v_re" not in mesh.point_data                            # a field result


def test_export_of_geometry_alone_and_of_measuring_points(in_tmp):
    write_surface("cube.srf", cube())
    assert mesh_cli.main(["export", "cube.srf", "cube.vtk"]) == 0
    assert meshio.read("cube.vtk").point_data == {}
    write_surface("field.ms", Surface([[0, 0, 2], [0, 0, 3]], np.zeros((0, 4))))
    write_result("field.res", [1j, 2])
    assert mesh_cli.main(["export", "field.ms", "field.res", "field.vtu"]) == 0
    mesh = meshio.read("field.vtu")
    assert mesh.cells[0].type == "vertex" and list(mesh.point_data["abs_p"]) == [1, 2]


def test_export_refuses_a_result_of_another_surface_and_unknown_formats(in_tmp, capsys):
    write_surface("cube.srf", cube())
    write_result("short.res", [1, 2, 3])
    assert mesh_cli.main(["export", "cube.srf", "short.res", "out.vtu"]) == 2
    assert "holds 3 points, cube.srf has 8" in capsys.readouterr().err
    assert mesh_cli.main(["export", "cube.srf", "out.png"]) == 2
    assert not any(p.suffix in (".vtu", ".png") for p in in_tmp.iterdir())
