import json
import shutil
import subprocess

import netCDF4
import numpy as np
import pytest

from kavoral import points as pts
from kavoral import sofa
from test_directivity import write_sweep

FRAME = pts.Frame.make()
GRID = np.arange(1, 9) * 250.0
EARS = [[0.0, 0.09, 0.0], [0.0, -0.09, 0.0]]
needs_mysofa = pytest.mark.skipif(shutil.which("mysofa2json") is None,
                                  reason="mysofa2json (libmysofa-utils) is not installed")


def head_sweep(directory, amplitude=2.0 - 1.0j):
    """Two ears of known transfer functions: H = (1 + 0.3 cos of the angle to the ear's side)
    delayed by 0.1 ms on the far side, times the point source's free field from the centre."""
    positions = pts.sphere(FRAME, 1.5, "lebedev", count=26).points
    r = np.linalg.norm(positions, axis=1)
    k = 2 * np.pi * GRID[:, None] / 343.0
    free = amplitude * np.exp(-1j * k * r) / r
    known = []
    for side in (1.0, -1.0):
        c = side * positions[:, 1] / r
        known.append((1 + 0.3 * c) * np.exp(-2j * np.pi * GRID[:, None] * 1e-4 * (c < 0)))
    pressure = [h * free for h in known]
    return (write_sweep(directory, positions, pressure, cases=["left", "right"],
                        frequencies=GRID), np.array(known))


def test_transfer_functions_are_normalised_to_the_free_field_at_the_centre(tmp_path):
    sweep, known = head_sweep(tmp_path)
    t = sofa.transfer(sweep, FRAME, EARS, strength=2.0 - 1.0j)
    assert t.data.shape == (26, 2, len(GRID))
    assert np.allclose(t.data, np.transpose(known, (2, 0, 1)), atol=1e-9)
    # Azimuth counter-clockwise from the front, elevation up: (0, 1.5, 0) is 90, 0, 1.5.
    left = np.flatnonzero(np.isclose(sweep.field["y"][:26], 1.5))[0]
    assert np.allclose(t.sources[left], [90.0, 0.0, 1.5])
    assert set(np.round(t.sources[:, 1], 6)) >= {90.0, -90.0, 0.0, 45.0, -35.264390}
    with pytest.raises(ValueError, match="one --ear per load case"):
        sofa.transfer(sweep, FRAME, EARS[:1])


def test_tf_file_reads_back_with_netcdf_to_the_same_numbers(tmp_path):
    sweep, known = head_sweep(tmp_path)
    t = sofa.transfer(sweep, FRAME, EARS, strength=2.0 - 1.0j)
    sofa.write_sofa(tmp_path / "h.sofa", t, "SimpleFreeFieldHRTF")
    with netCDF4.Dataset(tmp_path / "h.sofa") as d:
        assert d.SOFAConventions == "SimpleFreeFieldHRTF" and d.DataType == "TF"
        assert np.array_equal(d["N"][:], GRID)
        assert np.array_equal(d["Data.Real"][:] + 1j * d["Data.Imag"][:], t.data)
        assert np.array_equal(d["SourcePosition"][:], t.sources)
        assert np.allclose(d["ReceiverPosition"][:, :, 0], EARS)
        assert d["SourcePosition"].Units == "degree, degree, metre"


@needs_mysofa
def test_impulse_response_file_passes_mysofa2json_and_returns_the_transfer_functions(tmp_path):
    sweep, known = head_sweep(tmp_path)
    t = sofa.transfer(sweep, FRAME, EARS, strength=2.0 - 1.0j)
    delay = 2e-4
    assert sofa.write_sofa(tmp_path / "h.sofa", t, "SimpleFreeFieldHRIR", delay) == 16
    done = subprocess.run(["mysofa2json", str(tmp_path / "h.sofa")], capture_output=True,
                          text=True)
    assert done.returncode == 0, done.stderr
    read = json.loads(done.stdout)["Variables"]
    ir = np.array(read["Data.IR"]["Values"]).reshape(read["Data.IR"]["Dimensions"])
    assert read["Data.SamplingRate"]["Values"] == [4000.0]
    with netCDF4.Dataset(tmp_path / "h.sofa") as d:
        assert np.allclose(ir, d["Data.IR"][:], atol=1e-6)   # mysofa2json prints 7 digits
        spectrum = np.fft.rfft(d["Data.IR"][:], axis=2)
    assert np.allclose(spectrum[..., 0], 1.0)
    inner = spectrum[..., 1:-1] * np.exp(2j * np.pi * GRID[:-1] * delay)
    assert np.allclose(inner, t.data[..., :-1], atol=1e-12)
    # At the highest frequency (the Nyquist frequency of the responses) the real part remains.
    nyquist = t.data[..., -1] * np.exp(-2j * np.pi * GRID[-1] * delay)
    assert np.allclose(spectrum[..., -1], nyquist.real, atol=1e-12)
    # Frequencies off the grid f, 2f, ... have no impulse response.
    t.frequencies = t.frequencies + 1.0
    with pytest.raises(ValueError, match="2f, 3f"):
        sofa.write_sofa(tmp_path / "g.sofa", t, "SimpleFreeFieldHRIR")
    assert not (tmp_path / "g.sofa").exists()
