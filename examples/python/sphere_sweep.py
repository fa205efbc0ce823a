"""The pulsating sphere (radius 1 m, 1 m/s) built in numpy and swept from ka = 0.5 to 3 in
memory; the largest surface error against the exact solution, printed and plotted.

Usage: build/venv/bin/python3 examples/python/sphere_sweep.py [PICTURE] [LEVEL]"""
import sys

import matplotlib
import numpy as np

import kavoral
from kavoral.shapes import icosphere

picture = sys.argv[1] if len(sys.argv) > 1 else "sphere-error.png"
level = int(sys.argv[2]) if len(sys.argv) > 2 else 3
rho, c = 1.2, 343.0
points, triangles = icosphere(1.0, level)
model = kavoral.Model(points, triangles, boundary={"ALL": ("V", 1.0)}, density=rho,
                      sound_velocity=c)
ka = np.linspace(0.5, 3.0, 11)
solution = model.solve(ka * c / (2 * np.pi))
exact = rho * c * 1j * ka / (1 + 1j * ka)  # on the surface, r = a
error = np.abs(solution.pressures - exact[:, None]).max(axis=1) / np.abs(exact)
for row in zip(ka, 100 * error, solution.residual):
    print("ka %.2f: largest surface error %.3f %%, interior residual %.2e" % row)

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

figure, axes = plt.subplots(figsize=(6, 4))
axes.semilogy(ka, 100 * error, "o-")
axes.set(xlabel="ka", ylabel="largest surface error (%)",
         title=f"Pulsating sphere, {model.point_count} points")
axes.grid(True, which="both", alpha=0.4)
figure.savefig(picture, dpi=120, bbox_inches="tight")
print(f"Wrote {picture}")
