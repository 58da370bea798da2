"""LAYRA: one-dimensional interpretation of vertical electrical soundings.

Read sounding data, model and results files, compute the response of a
layered earth and invert soundings with the same core as the programs layra
and layra-cli:

    import layra
    rho_a = layra.forward([100, 10, 300], [2, 8], [1, 2, 5, 10, 20, 50, 100])

help(layra.forward) and the other functions say what they take and return.
"""

from layra._layra import __version__, forward

__all__ = ["__version__", "forward"]
