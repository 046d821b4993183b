"""Models built, edited, read and written from Python, and the closed forms a cantilever
built in code must meet."""
import math
import os
import subprocess

import numpy as np
import pytest

import impactframe

E, G, W, D = 21000.0, 8000.0, 7.86e-06, 10.0  # the default steel bar
GRAVITY = 9800.0  # mm/s^2


def cantilever(length, load):
    """Clamped at node 0, two elements, a static load in y at the tip (node 2)."""
    model = impactframe.Model()
    model.add_node(0, 0, 0, codes="u")
    model.add_node(length / 2, 0, 0)
    model.add_node(length, 0, 0, values=[0, load, 0, 0, 0, 0])
    model.add_element(0, 1, young=E, shear=G, density=W, diameter=D)
    model.add_element(1, 2, young=E, shear=G, density=W, diameter=D)
    return model


def test_cantilever_static_deflection_and_forces_are_the_closed_form():
    length, load = 300.0, -2.5
    inertia = math.pi * D**4 / 64
    result = impactframe.analyse(cantilever(length, load), nw=64)
    tip = result.static_displacements[2]
    assert tip[1] == pytest.approx(load * length**3 / (3 * E * inertia), rel=1e-12)
    assert tip[5] == pytest.approx(load * length**2 / (2 * E * inertia), rel=1e-12)
    # Internal forces of the root element: the shear is the load, the moment falls
    # linearly from load x length at the clamp to half of it in the middle.
    root = result.static_element_forces()[0]
    assert root[[1, 5, 7, 11]] == pytest.approx(
        [load, load * length, load, load * length / 2], rel=1e-12)


def test_cantilever_frequencies_are_the_closed_form():
    length = 300.0
    area, inertia = math.pi * D**2 / 4, math.pi * D**4 / 64
    # f_n = (beta_n L)^2 / (2 pi L^2) sqrt(E I / (m / L)), beta_n L of cos cosh = -1.
    rate = math.sqrt(E * inertia * GRAVITY / (W * area)) / (2 * math.pi * length**2)
    result = impactframe.modes(cantilever(length, 0.0), count=4)
    bending = [1.8751040687119611**2 * rate, 4.6940911329741745**2 * rate]
    # Bending in y and in z have the same frequencies.
    assert result.frequencies == pytest.approx(np.repeat(bending, 2), rel=1e-10)
    assert np.max(np.abs(result.shapes), axis=(1, 2)) == pytest.approx(1.0)


def test_a_model_built_in_code_is_the_sample(cli):
    model = impactframe.Model()
    for x, y, codes, values in ((0, 0, "u", None), (0, 100, "p", None),
                                (50, 100, ["p", "pf", "p", "p", "p", "p"], [0, 1, 0, 0, 0, 0]),
                                (100, 100, "p", None), (100, 0, "u", None)):
        model.add_node(x, y, 0, codes=codes, **({"values": values} if values else {}))
    for e in range(4):
        model.add_element(e, e + 1)
    assert model.to_text() == cli("sample", 3)
    assert model.node(2).codes == ["p", "pf", "p", "p", "p", "p"]
    assert model.element(3).length == 100.0


def test_read_write_and_edit(tmp_path):
    path = tmp_path / "frame.txt"
    model = impactframe.sample(4)
    model.write(path)
    read = impactframe.Model.read(str(path))
    assert read.to_text() == model.to_text() and read.time_span is None
    assert model.time_span == 0.005

    read.set_node(1, x=150.0, codes=["pf", "p", "u", "p", "p", "p"])
    assert read.node(1).x == 150.0 and read.node(1).values[0] == 1.0  # a unit step load
    assert read.element(0).length == 150.0  # the element follows its node
    read.set_element(0, diameter=20.0, second=2)
    assert read.element(0).area == pytest.approx(math.pi * 100.0, rel=1e-15)
    assert read.element(0).second == 2
    before = read.to_text()
    read.delete_node(1)  # and its elements 1 -> 2 and 1 -> 5
    assert (read.node_count, read.element_count) == (7, 10)
    assert read.element(0).second == 1  # node 2 is now node 1
    read.delete_element(0)
    assert read.element_count == 9 and read.to_text() != before
    copy = read.copy()
    copy.add_node(1, 2, 3)
    assert copy.node_count == read.node_count + 1


def test_refused_changes_leave_the_model_as_it_was():
    model = impactframe.sample(2)
    text = model.to_text()
    refusals = [
        (ValueError, lambda: model.add_element(0, 0)),  # both ends at one node
        (ValueError, lambda: model.set_element(0, density=0.0)),
        (ValueError, lambda: model.set_node(1, x=0.0)),  # element 0 would have no length
        (ValueError, lambda: model.set_node(1, y=math.inf)),
        (ValueError, lambda: model.set_node(1, codes="x")),
        (TypeError, lambda: model.set_node(1, values=[1, 2, 3])),
        (TypeError, lambda: model.set_node(1, weight=1.0)),  # no such field
        (TypeError, lambda: model.set_element(0, length=3.0)),  # derived
        (TypeError, lambda: model.set_element(0, young="steel")),
        (IndexError, lambda: model.add_element(0, 3)),
        (IndexError, lambda: model.node(3)),
        (IndexError, lambda: model.delete_element(2)),
        (ValueError, lambda: impactframe.sample(5)),
    ]
    for error, change in refusals:
        with pytest.raises(error):
            change()
    assert model.to_text() == text


def test_data_file_errors_carry_the_file_line_and_field(cli, tmp_path):
    path = tmp_path / "bad.txt"
    path.write_bytes(b"1,0\r\n0,0,abc,0\r\n")
    with pytest.raises(impactframe.DataFileError) as error:
        impactframe.Model.read(path)
    assert (error.value.path, error.value.line) == (str(path), 2)
    assert error.value.field == "the y coordinate of node 0 (a number)"
    assert error.value.found == '"abc"'
    assert isinstance(error.value, ValueError)
    done = subprocess.run([cli.path, "check", path], capture_output=True, text=True)
    assert done.stderr == f"impactframe-cli: {error.value}\n"

    with pytest.raises(impactframe.DataFileError) as error:
        impactframe.Model.read(tmp_path / "missing.txt")
    assert error.value.line == 0
    with pytest.raises(impactframe.DataFileError) as error:
        impactframe.Model.from_text("2,1\r\n", name="typed")
    assert error.value.path == "typed" and error.value.line == 2

    with pytest.raises(OSError):
        impactframe.sample(1).write(tmp_path)  # a folder
    assert not os.path.exists(tmp_path / "missing.txt")
