"""Shared helpers of the Python module's tests: the examples, the real
layra-cli and its JSON output."""

import json
import os
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
EXAMPLES = Path(os.environ.get("LAYRA_EXAMPLES_DIR", ROOT / "examples"))
FIELDCASES = Path(os.environ.get("LAYRA_FIELDCASES_DIR", ROOT.parent / "shared" / "fieldcases"))


def run_cli(*args, check=True):
    """Runs layra-cli (LAYRA_CLI) with `args`; returns the completed process."""
    cli = os.environ.get("LAYRA_CLI")
    if not cli:
        pytest.skip("LAYRA_CLI is not set (ctest sets it)")
    done = subprocess.run([cli, *map(str, args)], capture_output=True, text=True)
    if check:
        assert done.returncode == 0, done.stderr
    return done


def cli_json(*args):
    """What layra-cli prints with --json for `args`."""
    return json.loads(run_cli(*args, "--json").stdout)
