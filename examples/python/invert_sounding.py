#!/usr/bin/python3
"""Inverts one sounding with both engines, prints the models with their
ranges and saves a figure of the data, the fits and the models.

    python3 invert_sounding.py [SOUNDING.dat] [FIGURE.png]

Default: the Wenner example beside this folder, and <name>_models.png in
the current folder. Needs matplotlib (Debian: python3-matplotlib) for the
figure only.
"""

import sys
from pathlib import Path

import numpy as np

import layra

here = Path(__file__).resolve().parent
data_file = Path(sys.argv[1]) if len(sys.argv) > 1 else here.parent / "wenner.dat"
figure_file = Path(sys.argv[2]) if len(sys.argv) > 2 else Path(f"{data_file.stem}_models.png")

sounding = layra.read_data(data_file)
print(f"{sounding.title}: {len(sounding)} points, {sounding.array}")
for warning in sounding.warnings:
    print("warning:", warning)

# The program's own method: an automatic many-layer inversion.
documented = layra.invert(sounding)
# The accurate engine: the few-layer model the data support best, with the
# range of every parameter among the models that fit the data as well.
accurate = layra.invert(sounding, engine="accurate", layers="auto", uncertainty=True)

for name, result in (("documented", documented), ("accurate", accurate)):
    chi2 = "" if result.chi2 is None else f", chi2/N {result.chi2:.2f}"
    print(f"\n{name} engine: {result.status}, {result.model.layers} layers, "
          f"RMS misfit {100 * result.misfit:.2f} %{chi2}")

print("\nLayer  resistivity (ohm-m)          thickness (m)")
ranges = {p["name"]: p for p in accurate.uncertainty["parameters"]}
model = accurate.model
for k in range(model.layers):
    rho = ranges[f"rho{k + 1}"]
    line = f"{k + 1:5d}  {rho['value']:9.4g} [{rho['low']:8.4g} - {rho['high']:8.4g}]"
    if k < model.layers - 1:
        h = ranges[f"h{k + 1}"]
        line += f"  {h['value']:8.4g} [{h['low']:8.4g} - {h['high']:8.4g}]"
    print(line)

try:
    import matplotlib
except ImportError:
    sys.exit("matplotlib is not installed (python3-matplotlib): no figure")
matplotlib.use("Agg")
import matplotlib.pyplot as plt

fig, (data_axes, model_axes) = plt.subplots(1, 2, figsize=(11, 5))
data_axes.loglog(sounding.spacings, sounding.resistivity, "k+", label="observed")
for name, result in (("documented", documented), ("accurate", accurate)):
    data_axes.loglog(sounding.spacings, result.response, label=name)
data_axes.set_xlabel("AB/2 (m)" if sounding.array == "schlumberger" else "a (m)")
data_axes.set_ylabel("apparent resistivity (ohm-m)")
data_axes.legend()

# Depth on a logarithmic axis, from a quarter of the shortest spacing down
# to twice the longest: the thin layers near the top stay visible.
top, bottom = sounding.spacings.min() / 4, 2 * sounding.spacings.max()


def profile(resistivity, thickness):
    """Resistivity against depth as a line of steps, from `top` to `bottom`."""
    depth = np.clip(np.concatenate(([0.0], np.cumsum(thickness), [bottom])), top, bottom)
    return np.repeat(resistivity, 2), np.repeat(depth, 2)[1:-1]


for equivalent in accurate.uncertainty["equivalentModels"]:
    model_axes.plot(*profile(equivalent["resistivity"], equivalent["thickness"]),
                    color="0.8", linewidth=0.5)
for name, result in (("documented", documented), ("accurate", accurate)):
    model_axes.plot(*profile(result.model.resistivity, result.model.thickness), label=name)
model_axes.set_xscale("log")
model_axes.set_yscale("log")
model_axes.set_ylim(bottom, top)
model_axes.set_xlabel("resistivity (ohm-m)")
model_axes.set_ylabel("depth (m)")
model_axes.legend()
fig.suptitle(sounding.title)
fig.tight_layout()
fig.savefig(figure_file)
print(f"\nfigure saved to {figure_file}")
