from conftest import cube

from kavoral import mesh_cli
from kavoral.datafiles import read_regions, write_regions
from kavoral.surface import write_surface


def test_regions_by_sphere_box_and_nearest_point_keep_the_other_names(in_tmp, capsys):
    write_surface("cube.srf", cube(quads=False))   # two triangles per face
    write_regions("cube.regions", ["box"] * 12, "regions")
    # The top face (z = 1) has its two triangle centres at z = 1, x + y = 2/3 or 4/3.
    assert mesh_cli.main(["regions", "cube.srf", "top", "--box=-1,-1,0.9,2,2,1.1"]) == 0
    assert "2 elements in top, area 1 (taken from box 2)" in capsys.readouterr().out
    assert mesh_cli.main(["regions", "cube.srf", "corner", "--nearest", "0,0,0", "--count",
                          "3"]) == 0
    assert mesh_cli.main(["regions", "cube.srf", "centre", "--sphere", "0.5,0.5,0.5,0.1"]) == 2
    assert "nothing written" in capsys.readouterr().err
    names = read_regions("cube.regions", 12)
    assert names.count("top") == 2 and names.count("corner") == 3 and names.count("box") == 7
    assert [names[j] for j in (2, 3)] == ["top", "top"]
    # Without a region file every other element is 'surface'.
    assert mesh_cli.main(["regions", "cube.srf", "all", "--sphere", "0.5,0.5,0.5,2",
                          "--regions", "new.regions"]) == 0
    assert read_regions("new.regions", 12) == ["all"] * 12
