"""LAYRA: one-dimensional interpretation of vertical electrical soundings.

The same core as the programs layra and layra-cli, for scripts and
notebooks: read sounding data, model and results files, compute the
response of a layered earth, invert soundings.

    import layra
    sounding = layra.read_data("wenner.dat")
    result = layra.invert(sounding, engine="accurate")
    print(result.model.resistivity, result.model.thickness, result.chi2)
    rho_a = layra.forward([100, 10, 300], [2, 8], sounding.spacings, array="wenner")

Refused input raises ValueError, a file that cannot be read or written
OSError, each with the program's message. Inversions release the
interpreter while they run, so soundings invert in parallel threads
(concurrent.futures.ThreadPoolExecutor). Every object keeps `record`: the
same fields as layra-cli's --json output for the same file or run.
"""

from __future__ import annotations

import os
from typing import Callable, Iterable, Mapping, NamedTuple, Sequence

import numpy as np

from layra import _layra
from layra._layra import __version__, forward

__all__ = [
    "__version__",
    "Iteration",
    "Model",
    "ModelFile",
    "Result",
    "Results",
    "Sounding",
    "forward",
    "invert",
    "read_data",
    "read_model",
    "read_results",
    "write_data",
]

_ARRAYS = {1: "wenner", 7: "schlumberger"}
_KINDS = {0: "resistivity", 1: "ip", 2: "sip"}


def _array_name(code: int) -> str:
    # The file formats know two arrays; any code but Wenner's is Schlumberger.
    return _ARRAYS.get(code, "schlumberger")


def _floats(values) -> np.ndarray:
    return np.array(values, dtype=float)


class Model:
    """A horizontally layered earth: layer 1 on top, the last a half-space.

    resistivity: ohm-m per layer; thickness: m, one fewer (none for the
    half-space); chargeability (a fraction), time_constant (Cole-Cole tau,
    s) and exponent (Cole-Cole c) per layer, zero where not given.
    A Model is accepted as the starting model of invert().
    """

    def __init__(
        self,
        resistivity: Iterable[float],
        thickness: Iterable[float] = (),
        chargeability: Iterable[float] | None = None,
        time_constant: Iterable[float] | None = None,
        exponent: Iterable[float] | None = None,
    ) -> None:
        self.resistivity = _floats(list(resistivity))
        self.thickness = _floats(list(thickness))
        layers = self.resistivity.size
        if self.resistivity.ndim != 1 or layers == 0:
            raise ValueError("resistivity: expected one value per layer")
        if self.thickness.shape != (layers - 1,):
            raise ValueError(
                f"thickness: expected {layers - 1} values for {layers} layers, "
                f"got {self.thickness.size}")
        zeros = np.zeros(layers)
        self.chargeability = zeros.copy() if chargeability is None else _floats(chargeability)
        self.time_constant = zeros.copy() if time_constant is None else _floats(time_constant)
        self.exponent = zeros.copy() if exponent is None else _floats(exponent)
        for name in ("chargeability", "time_constant", "exponent"):
            if getattr(self, name).shape != (layers,):
                raise ValueError(f"{name}: expected {layers} values, one per layer")

    @classmethod
    def _from_record(cls, record: Mapping) -> "Model":
        model = cls.__new__(cls)
        Model.__init__(model, record["resistivity"], record["thickness"],
                       record["chargeability"] or None, record["timeConstant"] or None,
                       record["exponent"] or None)
        return model

    @property
    def layers(self) -> int:
        """Number of layers, the half-space included."""
        return self.resistivity.size

    @property
    def depth(self) -> np.ndarray:
        """Depth (m) of the top of every layer: 0, then the running sum of thicknesses."""
        return np.concatenate(([0.0], np.cumsum(self.thickness)))

    def __repr__(self) -> str:
        return (f"{type(self).__name__}(resistivity={self.resistivity.tolist()}, "
                f"thickness={self.thickness.tolist()})")


class ModelFile(Model):
    """A model file (.mod) as read: the model with the file's title, kind
    ("resistivity", "ip" or "sip"), spacings (m), frequencies (Hz) and
    array, the reader's listing and `record` (layra-cli model --json)."""

    def __init__(self, record: Mapping, listing: Sequence[str]) -> None:
        Model.__init__(self, record["resistivity"], record["thickness"],
                       record["chargeability"], record["timeConstant"], record["exponent"])
        self.record = dict(record)
        self.listing = list(listing)
        self.title: str = record["title"]
        self.kind: str = _KINDS[record["modelKind"]]
        self.array: str = _array_name(record["arrayType"])
        self.spacings = _floats(record["spacings"])
        self.frequencies = _floats(record["frequencies"])

    def forward(self, engine: str = "accurate", array: str | None = None):
        """The response at the file's spacings, as layra-cli forward computes it.

        Returns what layra.forward returns for the file's kind: the apparent
        resistivities; for an IP model also the apparent chargeabilities; for
        a SIP model also the complex spectrum at the file's frequencies.
        """
        arguments = dict(array=array or self.array, engine=engine)
        if self.kind != "resistivity":
            arguments["chargeability"] = self.chargeability
        if self.kind == "sip":
            arguments.update(time_constant=self.time_constant, exponent=self.exponent,
                             frequencies=self.frequencies)
        return forward(self.resistivity, self.thickness, self.spacings, **arguments)


class Sounding:
    """A sounding data file as read by read_data().

    spacings: Wenner a or Schlumberger AB/2 (m), in the order the program
    uses them (datum levels merged); mn: Schlumberger MN/2 (m), None for
    Wenner; resistivity: apparent resistivities (ohm-m); errors: their
    errors, None when the file has none; ip, ip_errors: IP values in the
    file's unit (ip_unit), None for resistivity data; frequencies and
    sip_values (first, second component per point and frequency, in
    sip_form) for SIP data; starting_model and convergence_limit when the
    file carries a starting model; points_per_level, overlaps and
    merge_factors of the Schlumberger datum levels; warnings of the data
    checks; listing: the reader's lines; record: layra-cli read --json.
    """

    def __init__(self, handle, record: Mapping, listing: Sequence[str]) -> None:
        self._handle = handle
        self.record = dict(record)
        self.listing = list(listing)
        self.path: str = handle.path
        self.title: str = record["title"]
        self.array: str = _array_name(record["arrayType"])
        self.kind: str = _KINDS[record["dataKind"]]
        self.spacings = _floats(record["spacingA"])
        self.mn = None if self.array == "wenner" else _floats(record["spacingB"])
        self.resistivity = _floats(record["apparentResistivity"])
        self.errors = _floats(record["resistivityError"]) if record["errorsIncluded"] else None
        ip = self.kind != "resistivity"
        self.ip = _floats(record["ipValue"]) if ip else None
        self.ip_errors = _floats(record["ipError"]) if ip and record["errorsIncluded"] else None
        self.ip_quantity: str = record["ipQuantityText"]
        self.ip_unit: str = record["ipUnitText"]
        self.frequencies = _floats(record["frequencies"])
        shape = (len(self.spacings), len(self.frequencies))
        self.sip_form = "amplitude-phase" if record["sipForm"] == 1 else "inphase-outphase"
        self.sip_values = (
            (_floats(record["sipValue1"]).reshape(shape), _floats(record["sipValue2"]).reshape(shape))
            if self.kind == "sip" else None)
        starting = record["startingModel"]
        self.starting_model = Model._from_record(starting) if starting["layerCount"] > 0 else None
        self.convergence_limit: float = record["convergenceLimit"]
        self.points_per_level = np.array(record["pointsPerLevel"], dtype=int)
        self.overlaps = np.array(record["overlapCount"], dtype=int)
        self.merge_factors = _floats(record["levelShiftFactor"])
        self.warnings: list[str] = list(record["warnings"])

    def __len__(self) -> int:
        return len(self.spacings)

    def __repr__(self) -> str:
        return f"<Sounding {self.path!r}: {self.kind}, {self.array}, {len(self)} points>"


class Iteration(NamedTuple):
    """One iteration of a run or results file (0: the starting model)."""

    number: int
    model: Model
    response: np.ndarray  # calculated apparent resistivity at the sounding's spacings
    misfit: float  # root mean square of the logarithmic residuals, a fraction


class Result:
    """What invert() gives: the fields of layra-cli invert --json for the
    same run (`record`), as attributes.

    status: "ok", or why not ("failed", or how an accurate fit ended);
    reason: the run's message; model: the final Model; response (and
    response_ip): calculated values at the sounding's points; misfit (a
    fraction), misfits per iteration, chi2 (chi^2/N, accurate engine);
    history: every Iteration of the resistivity stage; uncertainty: the
    analysis of invert(uncertainty=True) as a dict; results_file;
    warnings; listing: the run's progress lines.
    """

    def __init__(self, record: Mapping, history: Sequence[Mapping], listing: Sequence[str]) -> None:
        self.record = dict(record)
        self.listing = list(listing)
        self.status: str = record["status"]
        self.reason: str = record["message"]
        self.engine: str = record["engine"]
        self.model = Model._from_record(record["model"])
        self.response = _floats(record.get("calculatedResistivity", []))
        self.response_ip = (_floats(record["calculatedIp"]) if "calculatedIp" in record else None)
        self.misfit: float = record["misfit"]
        self.misfit_ip: float | None = record.get("misfitIp")
        self.misfits = _floats(record["misfits"])
        self.chi2: float | None = record.get("chi2")
        self.regularisation: float | None = record.get("regularisation")
        self.iterations: int = record["iterations"]
        self.uncertainty: dict | None = record.get("uncertainty")
        self.warnings: list[str] = list(record["warnings"])
        self.results_file: str | None = record["resultsFile"] or None
        self.history = [Iteration(step["iteration"], Model._from_record(step["model"]),
                                  _floats(step["calculatedResistivity"]), step["misfit"])
                        for step in history]

    @property
    def ok(self) -> bool:
        return self.status == "ok"

    def __repr__(self) -> str:
        chi2 = "" if self.chi2 is None else f", chi2/N {self.chi2:.3f}"
        return (f"<Result {self.status}: {self.model.layers} layers, "
                f"misfit {100 * self.misfit:.2f} %{chi2}>")


class Results:
    """A results file (.INV) as read by read_results(): the sounding
    (title, array, kind, spacings, mn, resistivity) and every Iteration,
    0 being the starting model; record: layra-cli show --json."""

    def __init__(self, record: Mapping, listing: Sequence[str]) -> None:
        self.record = dict(record)
        self.listing = list(listing)
        self.title: str = record["title"]
        self.array: str = _array_name(record["arrayType"])
        self.kind: str = _KINDS[record["dataKind"]]
        self.spacings = _floats(record["spacingA"])
        self.mn = None if self.array == "wenner" else _floats(record["spacingB"])
        self.resistivity = _floats(record["apparentResistivity"])
        self.user_model = bool(record["userModelAvailable"])
        self.iterations = [
            Iteration(k, Model(rho, h), _floats(response), misfit)
            for k, (rho, h, response, misfit) in enumerate(zip(
                record["layerResistivity"], record["layerThickness"],
                record["calculatedResistivity"], record["misfit"]))]

    def __repr__(self) -> str:
        return f"<Results {self.title!r}: {len(self.iterations) - 1} iterations>"


def read_data(path: str | os.PathLike) -> Sounding:
    """Reads and checks a sounding data file (.dat) as layra-cli read does.

    Raises OSError when the file cannot be opened and ValueError, with the
    program's message, when it is refused.
    """
    handle, record, listing = _layra.read_data(os.fspath(path))
    return Sounding(handle, record, listing)


def read_model(path: str | os.PathLike) -> ModelFile:
    """Reads a forward model file (.mod) as layra-cli model does.

    Raises OSError when the file cannot be opened and ValueError, with the
    program's message, when it is refused.
    """
    return ModelFile(*_layra.read_model(os.fspath(path)))


def read_results(path: str | os.PathLike) -> Results:
    """Reads an inversion results file (.INV) with every iteration, as
    layra-cli show does.

    Raises OSError when the file cannot be opened and ValueError, with the
    program's message, when it is refused.
    """
    return Results(*_layra.read_results(os.fspath(path)))


def write_data(sounding: Sounding, path: str | os.PathLike) -> None:
    """Writes a resistivity or IP sounding as a data file that read_data
    takes back (the points in their order, errors when the sounding has
    them, IP values as chargeabilities in msec). The file is written whole
    or not at all: OSError when it cannot be written; ValueError for a SIP
    sounding, which this writer does not take."""
    if not isinstance(sounding, Sounding):
        raise TypeError("write_data: expected a Sounding from read_data")
    _layra.write_data(sounding._handle, os.fspath(path))


def invert(
    sounding: Sounding | str | os.PathLike,
    engine: str = "documented",
    user_model: bool | Model | tuple | None = None,
    layers: str | None = None,
    fix: Iterable[str] = (),
    bounds: Mapping[str, tuple[float, float]] = {},
    uncertainty: bool = False,
    results_path: str | os.PathLike | None = None,
    iterations: int = 8,
    damping: tuple[float, float] | None = None,
    convergence: float | None = None,
    more_iterations: int = 0,
    robust: bool = False,
    error_floor: float = 1.0,
    assumed_error: float | None = None,
    listing: Callable[[str], object] | None = None,
) -> Result:
    """Inverts a sounding into a layered model, as layra-cli invert does.

    sounding: a Sounding from read_data, or the path of a data file.
    engine: "documented" (the program's method) or "accurate" (exact
        forward, error-weighted fits, smooth automatic inversion).
    user_model: None or False for the automatic many-layer inversion; True
        to start from the file's own starting model; a Model (or a pair
        resistivity, thickness) to start from it.
    layers: "auto" to fit 2 to 6 layers and choose the count (accurate
        engine).
    fix: parameters held at their starting values, e.g. ("rho2", "h1");
    bounds: parameters kept in a range, e.g. {"rho3": (500, 1500)}
        (accurate engine, from a user model). Names: rho1..rhoL, h1..h(L-1).
    uncertainty: adds how sure the model is (accurate engine): ranges,
        S and T from a user model, the depth of investigation otherwise.
    results_path: the results file (.INV) to write; None writes none.
    iterations (1..25), damping (initial 0.01..1, minimum 0.001..0.25),
    convergence (percent, 0.01..100), more_iterations (the answer to the
    iteration-limit question, 0..25), robust (blocky automatic model),
    error_floor and assumed_error (percent; accurate engine): as the
    options of layra-cli invert.
    listing: called with every progress line while the run goes (e.g.
        print); the lines are kept in Result.listing either way.

    Returns a Result for every run that starts, however it ended (status
    and reason say how). Raises ValueError for refused options, a refused
    data file or a run that cannot start, with the program's message;
    OSError when the data file cannot be read or the results file cannot be
    made; TypeError for a user_model of another kind. KeyboardInterrupt, or
    an exception raised by `listing`, stops the run between iterations and
    is raised.
    """
    source = sounding._handle if isinstance(sounding, Sounding) else os.fspath(sounding)
    start = user_model
    if isinstance(user_model, Model):
        start = (user_model.resistivity.tolist(), user_model.thickness.tolist())
    elif isinstance(user_model, (tuple, list)) and len(user_model) == 2:
        start = (_floats(user_model[0]).tolist(), _floats(user_model[1]).tolist())
    elif not (user_model is None or isinstance(user_model, (bool, np.bool_))):
        raise TypeError("user_model: expected None, True, a Model or a pair "
                        "(resistivity, thickness)")
    record, history, lines = _layra.invert(
        source,
        engine=engine,
        user_model=None if start is None or start is False else start,
        layers=layers,
        fix=list(fix),
        bounds={name: (float(low), float(high)) for name, (low, high) in bounds.items()},
        uncertainty=uncertainty,
        results_path=None if results_path is None else os.fspath(results_path),
        iterations=iterations,
        damping=damping,
        convergence=convergence,
        more_iterations=more_iterations,
        robust=robust,
        error_floor=error_floor,
        assumed_error=assumed_error,
        listing=listing,
    )
    return Result(record, history, lines)
