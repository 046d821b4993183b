"""Shared helpers of the Python module's tests.

ctest runs them with PYTHONPATH at the built module and IMPACTFRAME_CLI naming the
command-line tool built beside it."""
import csv
import os
import subprocess

import pytest


@pytest.fixture(scope="session")
def cli():
    """Runs impactframe-cli with the arguments given; returns its standard output."""
    path = os.environ.get("IMPACTFRAME_CLI")
    if not path:
        pytest.skip("IMPACTFRAME_CLI does not name impactframe-cli")

    def run(*args):
        done = subprocess.run([path, *map(str, args)], capture_output=True, timeout=120)
        if done.returncode != 0:
            raise AssertionError(f"impactframe-cli {' '.join(map(str, args))}: {done.stderr}")
        return done.stdout.decode()  # line ends as written

    run.path = path
    return run


def csv_blocks(path):
    """The tables of a CSV file as lists of float rows, a new table at every header line.
    Python's float() reads the 17 digits of the CLI back to the same double."""
    blocks = []
    with open(path, newline="") as f:
        for row in csv.reader(f):
            if row[0].isalpha():
                blocks.append([])
            else:
                blocks[-1].append([float(x) for x in row])
    return blocks


def grid_frame(nx, ny, nz, spacing=100.0):
    """A frame of nx x ny x nz nodes joined by bars along x, y and z, clamped at z = 0 and
    loaded by a step load in x at its top corner: large enough that an analysis takes a
    while."""
    import impactframe

    model = impactframe.Model()
    number = {}
    for k in range(nz):
        for j in range(ny):
            for i in range(nx):
                number[i, j, k] = model.add_node(i * spacing, j * spacing, k * spacing,
                                                 codes="u" if k == 0 else "p")
    for (i, j, k), a in number.items():
        for step in ((1, 0, 0), (0, 1, 0), (0, 0, 1)):
            b = number.get((i + step[0], j + step[1], k + step[2]))
            if b is not None and not (k == 0 and step[2] == 0):
                model.add_element(a, b)
    model.set_node(number[nx - 1, ny - 1, nz - 1], codes=["pf", "p", "p", "p", "p", "p"],
                   values=[100.0, 0, 0, 0, 0, 0])
    model.time_span = 0.002
    return model
