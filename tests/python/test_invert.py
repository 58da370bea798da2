"""layra.invert: the same record, results file and listing as layra-cli invert
for every example and both engines, the iteration history, runs in threads,
progress lines as they come, and refusals as Python exceptions."""

import json
import os
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest

import layra
from conftest import EXAMPLES, FIELDCASES, ROOT, run_cli

DATA_FILES = sorted(EXAMPLES.glob("*.dat")) + [EXAMPLES / "survey" / "A3.dat"]
FIELD_FILES = sorted(FIELDCASES.glob("*.dat")) if FIELDCASES.is_dir() else []


def cli_invert(path, folder, *options):
    """The --json element of layra-cli invert for `path`, its results file
    in `folder`, and the results file's bytes."""
    folder.mkdir()
    done = run_cli("invert", path, "--json", "--output-dir", folder, *options, check=False)
    element = json.loads(done.stdout)[0]
    results = (folder / path.with_suffix(".INV").name)
    return element, results.read_bytes() if results.exists() else None


def assert_same_run(path, tmp_path, cli_options, **arguments):
    element, results = cli_invert(path, tmp_path / "cli", *cli_options)
    own = tmp_path / "python.INV"
    result = layra.invert(path, results_path=own, **arguments)
    # The records differ only where the run was asked to write its file.
    expected = dict(element, resultsFile=str(own) if element["resultsFile"] else "")
    assert result.record == expected
    if results is not None:
        assert own.read_bytes() == results
    return result


@pytest.mark.parametrize("engine", ["documented", "accurate"])
@pytest.mark.parametrize("path", DATA_FILES + FIELD_FILES, ids=lambda p: p.name)
def test_automatic_runs_equal_the_command_line(path, engine, tmp_path):
    assert_same_run(path, tmp_path, ["--engine", engine], engine=engine)


@pytest.mark.parametrize("name,cli_options,arguments", [
    ("starting_model.dat", ["--user-model"], dict(user_model=True)),
    ("starting_model.dat",
     ["--user-model", "--engine", "accurate", "--fix", "rho2", "--bound", "h1=1:20",
      "--uncertainty"],
     dict(user_model=True, engine="accurate", fix=["rho2"], bounds={"h1": (1, 20)},
          uncertainty=True)),
    ("wenner.dat", ["--engine", "accurate", "--layers", "auto", "--uncertainty"],
     dict(engine="accurate", layers="auto", uncertainty=True)),
    ("schlumberger_two_levels.dat",
     ["--robust", "--iterations", "3", "--damping", "0.5,0.05", "--convergence", "2"],
     dict(robust=True, iterations=3, damping=(0.5, 0.05), convergence=2)),
])
def test_options_give_the_command_lines_run(name, cli_options, arguments, tmp_path):
    result = assert_same_run(EXAMPLES / name, tmp_path, cli_options, **arguments)
    if "fix" in arguments:
        # The fixed parameter keeps its value: its range is that value.
        ranges = {p["name"]: (p["low"], p["high"]) for p in result.uncertainty["parameters"]}
        assert ranges["rho2"] == (50.0, 50.0) and ranges["h1"][0] < ranges["h1"][1]


def test_history_and_listing_follow_the_run(tmp_path):
    lines = []
    result = layra.invert(EXAMPLES / "wenner.dat", listing=lines.append)
    assert lines == result.listing and lines
    assert [step.number for step in result.history] == list(range(result.iterations + 1))
    np.testing.assert_array_equal([step.misfit for step in result.history], result.misfits)
    last = result.history[-1]
    np.testing.assert_array_equal(last.model.resistivity, result.model.resistivity)
    np.testing.assert_array_equal(last.response, result.response)
    assert result.ok and result.results_file is None and not list(tmp_path.iterdir())


def test_a_sounding_read_once_and_a_model_given_run_as_from_the_file():
    sounding = layra.read_data(EXAMPLES / "starting_model.dat")
    from_file = layra.invert(EXAMPLES / "starting_model.dat", user_model=True)
    assert layra.invert(sounding, user_model=True).record == from_file.record
    start = sounding.starting_model
    given = layra.invert(sounding, user_model=layra.Model(start.resistivity, start.thickness))
    np.testing.assert_array_equal(given.model.resistivity, from_file.model.resistivity)


def test_soundings_invert_in_threads():
    files = DATA_FILES[:4] * 2
    alone = [layra.invert(path, engine="accurate").record for path in files]
    with ThreadPoolExecutor(max_workers=4) as pool:
        together = list(pool.map(lambda p: layra.invert(p, engine="accurate").record, files))
    assert together == alone


@pytest.mark.parametrize("arguments,error,message", [
    (dict(engine="fast"), ValueError, "engine: expected 'documented' or 'accurate'"),
    (dict(iterations=30), ValueError, "iterations"),
    (dict(fix=["rho2"]), ValueError, "fix and bounds need engine='accurate' and user_model"),
    (dict(uncertainty=True), ValueError, "uncertainty needs engine='accurate'"),
    (dict(user_model=True), ValueError, "The input data file did not have an initial model."),
    (dict(user_model=([10.0], [])), ValueError, "layers"),
    (dict(user_model="start.mod"), TypeError, "user_model: expected"),
    (dict(user_model=([10.0, -1.0], [3.0])), ValueError, "resistivity of layer 2 is -1"),
    (dict(results_path="/nonexistent/folder/x.INV"), OSError, "x.INV"),
    (dict(results_path=EXAMPLES / "wenner.dat"), ValueError, "wenner.dat"),
])
def test_refusals_raise_with_the_programs_message(arguments, error, message):
    with pytest.raises(error, match=message):
        layra.invert(EXAMPLES / "wenner.dat", **arguments)


def test_the_example_script_inverts_and_draws(tmp_path):
    pytest.importorskip("matplotlib")
    figure = tmp_path / "models.png"
    done = subprocess.run(
        [sys.executable, ROOT / "examples" / "python" / "invert_sounding.py",
         EXAMPLES / "wenner.dat", figure],
        capture_output=True, text=True, env=dict(os.environ, MPLCONFIGDIR=str(tmp_path)))
    assert done.returncode == 0, done.stderr
    assert "documented engine: ok" in done.stdout and "accurate engine: ok" in done.stdout
    assert figure.stat().st_size > 0


def test_an_error_in_the_listing_stops_the_run_and_is_raised():
    seen = []

    def listing(line):
        seen.append(line)
        if line.startswith("Iteration  1 "):
            raise RuntimeError("enough")

    with pytest.raises(RuntimeError, match="enough"):
        layra.invert(EXAMPLES / "wenner.dat", listing=listing)
    assert seen[-1].startswith("Iteration  1 ")
