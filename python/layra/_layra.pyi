"""Type stubs of the extension module layra._layra; the package layra
re-exports forward and wraps the rest."""

from typing import Any, Callable, Literal, overload

import numpy as np
import numpy.typing as npt

__version__: str

ArrayLike = npt.ArrayLike
FloatArray = npt.NDArray[np.float64]
ComplexArray = npt.NDArray[np.complex128]
Array = Literal["schlumberger", "wenner"]
Engine = Literal["accurate", "documented"]

@overload
def forward(
    resistivity: ArrayLike,
    thickness: ArrayLike,
    spacings: ArrayLike,
    array: Array = ...,
    engine: Engine = ...,
    mn: ArrayLike | None = ...,
    chargeability: None = ...,
    time_constant: None = ...,
    exponent: None = ...,
    frequencies: None = ...,
) -> FloatArray: ...
@overload
def forward(
    resistivity: ArrayLike,
    thickness: ArrayLike,
    spacings: ArrayLike,
    array: Array = ...,
    engine: Engine = ...,
    mn: ArrayLike | None = ...,
    *,
    chargeability: ArrayLike,
    time_constant: None = ...,
    exponent: None = ...,
    frequencies: None = ...,
) -> tuple[FloatArray, FloatArray]: ...
@overload
def forward(
    resistivity: ArrayLike,
    thickness: ArrayLike,
    spacings: ArrayLike,
    array: Array = ...,
    engine: Engine = ...,
    mn: ArrayLike | None = ...,
    *,
    chargeability: ArrayLike,
    time_constant: ArrayLike,
    exponent: ArrayLike,
    frequencies: ArrayLike,
) -> tuple[FloatArray, FloatArray, ComplexArray]: ...

class _SoundingFile:
    """A sounding document as read; opaque, kept by layra.Sounding."""

    path: str

def read_data(path: str) -> tuple[_SoundingFile, dict[str, Any], list[str]]: ...
def read_model(path: str) -> tuple[dict[str, Any], list[str]]: ...
def read_results(path: str) -> tuple[dict[str, Any], list[str]]: ...
def write_data(sounding: _SoundingFile, path: str) -> None: ...
def invert(
    source: _SoundingFile | str,
    *,
    engine: str,
    user_model: bool | tuple[list[float], list[float]] | None,
    layers: str | None,
    fix: list[str],
    bounds: dict[str, tuple[float, float]],
    uncertainty: bool,
    results_path: str | None,
    iterations: int,
    damping: tuple[float, float] | None,
    convergence: float | None,
    more_iterations: int,
    robust: bool,
    error_floor: float,
    assumed_error: float | None,
    listing: Callable[[str], object] | None,
) -> tuple[dict[str, Any], list[dict[str, Any]], list[str]]: ...
