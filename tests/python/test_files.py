"""read_data, read_model, read_results and write_data: the same records as
layra-cli's --json for every example, the objects over them, a data file
written and read back, and refusals as Python exceptions."""

import numpy as np
import pytest

import layra
from conftest import EXAMPLES, FIELDCASES, cli_json

DATA_FILES = sorted(EXAMPLES.glob("*.dat")) + sorted((EXAMPLES / "survey").glob("*.dat"))
FIELD_FILES = sorted(FIELDCASES.glob("*.dat")) if FIELDCASES.is_dir() else []
MODEL_FILES = sorted(EXAMPLES.glob("*.mod")) + sorted((EXAMPLES / "survey").glob("*.mod"))


@pytest.mark.parametrize("path", DATA_FILES + FIELD_FILES, ids=lambda p: p.name)
def test_read_data_gives_the_command_lines_record(path):
    assert layra.read_data(path).record == cli_json("read", path)


@pytest.mark.parametrize("path", MODEL_FILES, ids=lambda p: p.name)
def test_read_model_and_its_response_are_the_command_lines(path):
    model = layra.read_model(path)
    assert model.record == cli_json("model", path)
    for engine, tolerance in (("documented", 0), ("accurate", 1e-6)):
        response = cli_json("forward", path, "--engine", engine)
        computed = model.forward(engine=engine)
        if model.kind == "resistivity":
            computed = (computed,)
        np.testing.assert_allclose(computed[0], response["calcResistivity"], rtol=tolerance)
        if model.kind != "resistivity":
            np.testing.assert_allclose(computed[1], response["calcIp"], rtol=tolerance, atol=1e-7)
        if model.kind == "sip":
            # The command line lists the spectrum frequency by frequency.
            shape = (len(model.frequencies), len(model.spacings))
            expected = (np.reshape(response["real"], shape)
                        + 1j * np.reshape(response["imaginary"], shape)).T
            np.testing.assert_allclose(computed[2], expected, rtol=max(tolerance, 1e-7))


def test_read_results_gives_every_iteration():
    path = EXAMPLES / "wenner.INV"
    results = layra.read_results(path)
    record = cli_json("show", path)
    assert results.record == record
    assert len(results.iterations) == record["iterationCount"] + 1
    last = results.iterations[-1]
    np.testing.assert_array_equal(last.model.resistivity, record["layerResistivity"][-1])
    np.testing.assert_array_equal(last.response, record["calculatedResistivity"][-1])
    assert last.misfit == record["misfit"][-1]


def test_sounding_fields():
    wenner = layra.read_data(EXAMPLES / "wenner.dat")
    assert (wenner.array, wenner.kind, len(wenner)) == ("wenner", "resistivity", 17)
    assert wenner.mn is None and wenner.errors is None and wenner.ip is None
    assert wenner.starting_model is None
    levels = layra.read_data(EXAMPLES / "schlumberger_two_levels.dat")
    assert levels.array == "schlumberger" and levels.mn.shape == levels.spacings.shape
    assert levels.points_per_level.sum() == levels.record["pointCountAsRead"] > len(levels)
    assert levels.merge_factors.shape == levels.points_per_level.shape
    start = layra.read_data(EXAMPLES / "starting_model.dat")
    assert start.starting_model.layers == start.record["startingModel"]["layerCount"]
    np.testing.assert_array_equal(start.starting_model.depth,
                                  start.record["startingModel"]["depthTop"])
    sip = layra.read_data(EXAMPLES / "sip_amplitude_phase.dat")
    assert sip.sip_form == "amplitude-phase"
    assert sip.sip_values[0].shape == (len(sip), len(sip.frequencies))
    assert sip.sip_values[1][1, 0] == sip.record["sipValue2"][len(sip.frequencies)]


@pytest.mark.parametrize("name", ["wenner.dat", "ip_chargeability.dat",
                                  "schlumberger_two_levels.dat"])
def test_written_data_reads_back(name, tmp_path):
    sounding = layra.read_data(EXAMPLES / name)
    layra.write_data(sounding, tmp_path / "copy.dat")
    copy = layra.read_data(tmp_path / "copy.dat")
    for field in ("spacings", "mn", "resistivity", "errors", "ip", "ip_errors"):
        np.testing.assert_array_equal(getattr(copy, field), getattr(sounding, field))
    assert (copy.title, copy.array, copy.kind) == (sounding.title, sounding.array, sounding.kind)


BAD_FILES = {
    "data.dat": "A title\nArray\nWenner\nPoints\n3\nType\nResistivity\nErrors\nNo\n"
                "Data\n1 10\n2 11\n3 12\nModel\nNo\n",
    "model.mod": "Bad model\nLayers\n2\nType\nResistivity model\nLayers\n-8.0 250.0\n30.0\n"
                 "Spacings\n0\nArray\nWenner\n",
    "results.INV": "Too short\n",
}


@pytest.mark.parametrize("read,name,message", [
    (layra.read_data, "data.dat", "Data file .* was not read: Your data set has 3 data points"),
    (layra.read_model, "model.mod", "Layer 1 has a thickness of -8.00"),
    (layra.read_results, "results.INV", "Results file .* was not read"),
])
def test_refused_files_raise_with_the_programs_message(tmp_path, read, name, message):
    (tmp_path / name).write_text(BAD_FILES[name])
    with pytest.raises(ValueError, match=message):
        read(tmp_path / name)
    with pytest.raises(FileNotFoundError):
        read(tmp_path / "missing")


def test_write_data_refusals(tmp_path):
    with pytest.raises(OSError, match="Cannot write the data file"):
        layra.write_data(layra.read_data(EXAMPLES / "wenner.dat"), tmp_path / "no" / "x.dat")
    with pytest.raises(ValueError, match="SIP"):
        layra.write_data(layra.read_data(EXAMPLES / "sip_amplitude_phase.dat"),
                         tmp_path / "sip.dat")
    assert not list(tmp_path.iterdir())
