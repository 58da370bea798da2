"""layra.forward: known answers of both engines, numpy shapes, the documented
filter's spacing order, refusals and the filter guard's warning."""

import warnings

import numpy as np
import pytest

import layra

ENGINES = [("accurate", 1e-9), ("documented", 1e-6)]
ARRAYS = ["wenner", "schlumberger"]
SPACINGS = np.geomspace(1.0, 300.0, 17)
THREE_LAYERS = dict(resistivity=[100.0, 10.0, 300.0], thickness=[2.0, 8.0])


@pytest.mark.parametrize("array", ARRAYS)
@pytest.mark.parametrize("engine,tolerance", ENGINES)
def test_half_space_gives_its_own_resistivity_and_chargeability(engine, tolerance, array):
    rho, m = layra.forward(
        [55.0], [], SPACINGS, array=array, engine=engine, chargeability=[0.04]
    )
    np.testing.assert_allclose(rho, 55.0, rtol=tolerance)
    np.testing.assert_allclose(m, 0.04, rtol=1e-5)


@pytest.mark.parametrize("array", ARRAYS)
@pytest.mark.parametrize("engine", ["accurate", "documented"])
def test_uniform_chargeability_is_the_apparent_chargeability(engine, array):
    # Dividing every resistivity by 1 - m scales the sounding by the same.
    _, m = layra.forward(**THREE_LAYERS, spacings=SPACINGS, array=array, engine=engine,
                         chargeability=[0.05] * 3)
    np.testing.assert_allclose(m, 0.05, rtol=1e-4)


@pytest.mark.parametrize("array", ARRAYS)
def test_engines_agree_on_a_layered_earth(array):
    accurate = layra.forward(**THREE_LAYERS, spacings=SPACINGS, array=array)
    documented = layra.forward(**THREE_LAYERS, spacings=SPACINGS, array=array,
                               engine="documented")
    np.testing.assert_allclose(documented, accurate, rtol=0.01)
    # The arrays differ on a layered earth: the choice reaches the engine.
    other = "wenner" if array == "schlumberger" else "schlumberger"
    assert np.max(np.abs(layra.forward(**THREE_LAYERS, spacings=SPACINGS, array=other)
                         / accurate - 1)) > 0.05


@pytest.mark.parametrize("engine,tolerance", [("accurate", 1e-9), ("documented", 2e-5)])
def test_cole_cole_half_space_gives_its_own_spectrum(engine, tolerance):
    rho0, m, tau, c = 80.0, 0.2, 0.05, 0.4
    f = np.array([0.01, 0.3, 10.0, 1000.0])
    _, _, z = layra.forward([rho0], [], [[2.0, 5.0], [10.0, 40.0]], engine=engine,
                            chargeability=[m], time_constant=[tau], exponent=[c],
                            frequencies=f)
    assert z.shape == (2, 2, 4)
    expected = rho0 * (1 - m * (1 - 1 / (1 + (2j * np.pi * f * tau) ** c)))
    np.testing.assert_allclose(z, np.broadcast_to(expected, z.shape), rtol=tolerance)


def test_documented_engine_takes_spacings_in_any_order_and_shape():
    ascending = layra.forward(**THREE_LAYERS, spacings=SPACINGS, engine="documented")
    order = np.random.default_rng(1).permutation(SPACINGS.size)
    shuffled = layra.forward(**THREE_LAYERS, spacings=SPACINGS[order], engine="documented")
    np.testing.assert_array_equal(shuffled, ascending[order])
    # The filter's grid spans the spacings given: the same sixteen in a grid.
    sixteen = layra.forward(**THREE_LAYERS, spacings=SPACINGS[:16], engine="documented")
    grid = layra.forward(**THREE_LAYERS, spacings=SPACINGS[:16].reshape(4, 4),
                         engine="documented")
    np.testing.assert_array_equal(grid, sixteen.reshape(4, 4))


def test_schlumberger_mn_reaches_the_limit():
    limit = layra.forward(**THREE_LAYERS, spacings=SPACINGS)
    tiny = layra.forward(**THREE_LAYERS, spacings=SPACINGS, mn=SPACINGS * 1e-5)
    np.testing.assert_allclose(tiny, limit, rtol=1e-6)
    wide = layra.forward(**THREE_LAYERS, spacings=SPACINGS, mn=SPACINGS / 3)
    assert np.max(np.abs(wide / limit - 1)) > 0.01
    # One value serves every spacing.
    np.testing.assert_array_equal(
        layra.forward(**THREE_LAYERS, spacings=SPACINGS[5:], mn=0.5),
        layra.forward(**THREE_LAYERS, spacings=SPACINGS[5:], mn=np.full(12, 0.5)))


COLE_COLE = dict(chargeability=[0.1, 0.2], time_constant=[0.1, 0.1], exponent=[0.5, 0.5],
                 frequencies=[1.0])


@pytest.mark.parametrize("arguments,message", [
    (dict(resistivity=[], thickness=[]), "at least one layer"),
    (dict(resistivity=[10, -1], thickness=[2]), "resistivity[1] is -1.0"),
    (dict(thickness=[2, 3]), "thickness: expected 1 values for 2 layers"),
    (dict(thickness=[0]), "thickness[0] is 0.0"),
    (dict(spacings=[1, np.nan]), "spacings[1] is nan"),
    (dict(spacings=[]), "no spacing"),
    (dict(array="dipole"), "array: expected 'wenner' or 'schlumberger', got 'dipole'"),
    (dict(engine="fast"), "engine: expected 'documented' or 'accurate'"),
    (dict(mn=[0.5, 0.5, 0.5]), "one MN/2 per spacing"),
    (dict(mn=3.0), "mn[0] is 3.0, AB/2 3.0"),
    (dict(mn=0.5, array="wenner"), "Wenner array has no MN/2"),
    (dict(mn=0.5, engine="documented"), "limit MN -> 0"),
    (dict(chargeability=[0.1]), "chargeability: expected 2 values"),
    (dict(chargeability=[0.1, 1.0]), "chargeability[1] is 1.0"),
    (dict(chargeability=[0.1, 0.1], frequencies=[1.0]), "needs chargeability, time_constant"),
    (dict(COLE_COLE, exponent=[0.5, 0]), "exponent[1] is 0.0"),
    (dict(COLE_COLE, frequencies=[-1.0]), "frequencies[0] is -1.0"),
    (dict(COLE_COLE, engine="documented", time_constant=[0.1, 1e5]),
     "1e-06..10000 s for the documented engine"),
    (dict(resistivity=[1e39, 10], engine="documented"), "resistivity[0] is 1e+39"),
])
def test_refusals_name_the_argument(arguments, message):
    call = dict(resistivity=[100.0, 10.0], thickness=[5.0], spacings=[3.0, 10.0])
    call.update(arguments)
    with pytest.raises(ValueError) as refusal:
        layra.forward(**call)
    assert message in str(refusal.value)


def test_filter_guard_warns():
    # Alternating 1e6 and 1e-3 ohm-m layers carry the documented filter's
    # own error below zero; the guard replaces those values and says so.
    rho = [1e6 if k % 2 == 0 else 1e-3 for k in range(20)]
    with pytest.warns(UserWarning, match="exceed the accuracy"):
        result = layra.forward(rho, [2.0] * 19, SPACINGS, array="wenner", engine="documented")
    assert np.all(result > 0)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        layra.forward(rho, [2.0] * 19, SPACINGS, array="wenner")
