"""The loudspeaker cabinet of examples/loudspeaker-cabinet imported from its Gmsh mesh and solved
in memory: the piston moves with 1 m/s, the rest is rigid; the level on the piston's axis at
1 m and 10 m from 100 Hz to 3 kHz, printed and plotted.

Usage: build/venv/bin/python3 examples/python/cabinet_spl.py [PICTURE]"""
import os
import sys

import matplotlib
import numpy as np

import kavoral
from kavoral.export import spl

picture = sys.argv[1] if len(sys.argv) > 1 else "cabinet-axis.png"
mesh = os.path.join(os.path.dirname(__file__), "..", "loudspeaker-cabinet", "cabinet.msh")
model = kavoral.Model.read(mesh, boundary={"piston": ("V", 1.0), "cabinet": ("V", 0.0)},
                           field_points=[[1.0, 0, 0], [10.0, 0, 0]])
frequencies = np.geomspace(100, 3000, 16)
solution = model.solve(frequencies)
level = spl(solution.field)
for f, at1, at10 in zip(frequencies, *level.T):
    print(f"{f:7.1f} Hz: {at1:5.1f} dB at 1 m, {at10:5.1f} dB at 10 m")

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

figure, axes = plt.subplots(figsize=(6, 4))
for column, label in enumerate(("1 m", "10 m")):
    axes.semilogx(frequencies, level[:, column], "o-", label=label)
axes.set(xlabel="frequency (Hz)", ylabel="SPL (dB re 20 µPa)", title="Cabinet, on the axis")
axes.grid(True, which="both", alpha=0.4)
axes.legend()
figure.savefig(picture, dpi=120, bbox_inches="tight")
print(f"Wrote {picture}")
