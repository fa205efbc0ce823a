"""The surface check finds exactly the fault planted in a closed surface, and says where."""

import numpy as np
import pytest

from kavoral import mesh_cli
from kavoral.meshcheck import check_surface
from kavoral.surface import Surface, elements_from_lists, write_surface

from conftest import CUBE_POINTS, CUBE_QUADS, CUBE_TRIANGLES, cube


def faults(surface, **options):
    report = check_surface(surface, **options)
    return report, {kind: report.of_kind(kind) for kind in report.kinds()}


@pytest.mark.parametrize("quads", [True, False])
def test_closed_cube_has_no_fault(quads):
    report, found = faults(cube(quads))
    assert found == {}
    assert len(report.parts) == 1 and report.parts[0][2] == pytest.approx(1.0)


def test_removed_face_gives_its_four_open_edges_only():
    surface = cube()
    surface.elements = surface.elements[1:]
    _, found = faults(surface)
    assert list(found) == ["open edge"]
    edges = sorted(tuple(sorted(f.points)) for f in found["open edge"])
    assert edges == [(0, 1), (0, 3), (1, 2), (2, 3)]


def test_duplicated_point_is_named_with_the_edges_it_opens():
    surface = cube()
    surface.points = np.vstack([surface.points, surface.points[6]])
    surface.elements[1] = [4, 5, 8, 7]
    report, found = faults(surface)
    assert list(found) == ["duplicate point"]
    [fault] = found["duplicate point"]
    assert fault.points == [6, 8] and "close 4 open edges" in fault.text


def test_flipped_element_is_the_one_reported():
    surface = cube(quads=False)
    surface.elements[7, :3] = surface.elements[7, 2::-1]
    _, found = faults(surface)
    assert list(found) == ["flipped element"]
    assert [f.elements for f in found["flipped element"]] == [[7]]


def test_flipped_majority_reports_the_few_that_face_the_other_way():
    surface = cube(quads=False)
    surface.elements[:11, :3] = surface.elements[:11, 2::-1]
    _, found = faults(surface)
    assert [f.elements for f in found["flipped element"]] == [[11]]


def test_non_manifold_edge_of_two_cubes_sharing_an_edge():
    # The second cube, moved by (1, 1, 0), shares the edge 2-6 with the first.
    shared = {0: 2, 4: 6}
    own = [k for k in range(8) if k not in shared]
    index = {**shared, **{k: 8 + i for i, k in enumerate(own)}}
    quads = CUBE_QUADS + [[index[n] for n in q] for q in CUBE_QUADS]
    points = np.vstack([CUBE_POINTS, CUBE_POINTS[own] + [1, 1, 0]])
    _, found = faults(Surface(points, elements_from_lists(quads)))
    assert list(found) == ["non-manifold edge"]
    [fault] = found["non-manifold edge"]
    assert sorted(fault.points) == [2, 6] and sorted(fault.elements) == [3, 4, 8, 11]


def test_unused_point_alone():
    surface = cube(quads=False)
    surface.points = np.vstack([surface.points, [[5, 5, 5]]])
    _, found = faults(surface)
    assert list(found) == ["unused point"] and found["unused point"][0].points == [8]


def test_sliver_without_area_is_degenerate():
    # A point on the edge 0-1 splits triangle (0 2 1); the sliver (0 8 1) keeps it closed.
    triangles = [t for t in CUBE_TRIANGLES if t != [0, 2, 1]] + [[0, 2, 8], [8, 2, 1], [0, 8, 1]]
    surface = Surface(np.vstack([CUBE_POINTS, [[0.5, 0, 0]]]), elements_from_lists(triangles))
    _, found = faults(surface)
    assert list(found) == ["degenerate element"]
    assert found["degenerate element"][0].elements == [13]


def test_element_referring_to_a_missing_point():
    surface = cube()
    surface.elements[2, 1] = 8
    _, found = faults(surface)
    assert list(found) == ["missing point"] and found["missing point"][0].elements == [2]


def test_point_pinched_between_two_fans_of_one_part():
    # The boundary of a 2x2x2 block of cubes with the centres of its top and bottom faces made
    # one point: two fans of four quadrilaterals meet there, joined everywhere else.
    grid = [[x, y, z] for z in range(3) for y in range(3) for x in range(3)]
    at = lambda x, y, z: x + 3 * y + 9 * z  # noqa: E731
    quads = []
    for u in range(2):
        for v in range(2):
            quads.append([at(u, v, 0), at(u, v + 1, 0), at(u + 1, v + 1, 0), at(u + 1, v, 0)])
            quads.append([at(u, v, 2), at(u + 1, v, 2), at(u + 1, v + 1, 2), at(u, v + 1, 2)])
            quads.append([at(u, 0, v), at(u + 1, 0, v), at(u + 1, 0, v + 1), at(u, 0, v + 1)])
            quads.append([at(u, 2, v), at(u, 2, v + 1), at(u + 1, 2, v + 1), at(u + 1, 2, v)])
            quads.append([at(0, u, v), at(0, u, v + 1), at(0, u + 1, v + 1), at(0, u + 1, v)])
            quads.append([at(2, u, v), at(2, u + 1, v), at(2, u + 1, v + 1), at(2, u, v + 1)])
    whole = check_surface(Surface(grid, elements_from_lists(quads)))
    assert [f.kind for f in whole.faults] == ["unused point"]     # only the block's centre
    top, bottom, centre = at(1, 1, 2), at(1, 1, 0), at(1, 1, 1)
    renumber = {}
    for k in range(len(grid)):
        if k not in (top, centre):
            renumber[k] = len(renumber)
    renumber[top] = renumber[bottom]
    points = [p for k, p in enumerate(grid) if k not in (top, centre)]
    surface = Surface(points, elements_from_lists([[renumber[n] for n in q] for q in quads]))
    _, found = faults(surface)
    assert list(found) == ["pinched point"] and found["pinched point"][0].points == [
        renumber[bottom]]


def test_mirroring_completes_the_half_and_reports_images():
    # The half cube z <= 1 with the plane z = 1: closed after mirroring.
    half = Surface(CUBE_POINTS * [1, 1, 1], elements_from_lists(CUBE_QUADS[:1] + CUBE_QUADS[2:]),
                   plane_points=[[0, 0, 1]], plane_normals=[[0, 0, 1]])
    report, found = faults(half)
    assert found == {} and len(report.complete.elements) == 10
    half.plane_points = np.array([[0, 0, 1.5]])      # the half no longer reaches the plane
    _, found = faults(half)
    assert "open edge" in found
    assert any("mirror image" in f.text for f in found["open edge"])


def test_check_command_exit_status_and_listing(in_tmp, capsys):
    write_surface("good.srf", cube())
    assert mesh_cli.main(["check", "good.srf"]) == 0
    assert "No faults found" in capsys.readouterr().out
    surface = cube()
    surface.elements = surface.elements[1:]
    write_surface("open.srf", surface)
    assert mesh_cli.main(["check", "open.srf", "--list", "2"]) == 1
    out = capsys.readouterr().out
    assert "open edge: 4" in out and "... and 2 more" in out and "4 faults found" in out
    open("bad.srf", "w").write("2\n0 0 0 0 0 0 0\n")
    assert mesh_cli.main(["check", "bad.srf"]) == 2
