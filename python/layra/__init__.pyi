from typing import Literal, overload

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
