"""The module's numbers are impactframe-cli's to the bit: both run the same engine, one
through the module's arrays, the other through the CSV it prints with 17 digits."""
import numpy as np
import pytest

import impactframe
from conftest import csv_blocks

# sample, element, node: an element and a node away from the supports.
CASES = [(1, 1, 2), (2, 0, 2), (3, 2, 2), (4, 8, 6)]


def assert_bits(actual, expected):
    expected = np.asarray(expected, dtype=float)
    assert actual.shape == expected.shape
    assert np.array_equal(actual, expected), np.max(np.abs(actual - expected))


@pytest.mark.parametrize("number,element,node", CASES)
def test_analysis_equals_cli(cli, tmp_path, number, element, node):
    files = {k: tmp_path / f"{k}.csv" for k in ("static", "forces", "glob", "disp")}
    cli("analyse", f"sample:{number}", "--static", files["static"], "--element", element,
        "--forces", files["forces"], "--node", node, "--displacements", files["disp"])
    cli("analyse", f"sample:{number}", "--element", element, "--forces", files["glob"], "--global")

    result = impactframe.analyse(impactframe.sample(number))
    [static] = csv_blocks(files["static"])
    assert_bits(result.static_displacements, [row[1:] for row in static])
    for name, axes in (("forces", "element"), ("glob", "global")):
        [table] = csv_blocks(files[name])
        assert_bits(result.time, [row[0] for row in table])
        assert_bits(result.element_forces(element, axes=axes), [row[1:] for row in table])
    [table] = csv_blocks(files["disp"])
    assert_bits(result.node_history(node), [row[1:] for row in table])


def test_aliasing_correction_and_settings_equal_cli(cli, tmp_path):
    # te and the rise are powers of two, so rise / te is the CLI's --tau to the bit.
    te, rise, element, node = 0.0625, 2.0**-8, 8, 6
    options = ["--te", te, "--tau", rise / te, "--nw", 256, "--gamma-te", 6]
    forces, disp, error = (tmp_path / n for n in ("f.csv", "d.csv", "e.csv"))
    cli("analyse", "sample:4", *options, "--correct-aliasing", "--element", element, "--forces",
        forces, "--node", node, "--displacements", disp, "--error", error)
    plain = tmp_path / "plain.csv"
    cli("analyse", "sample:4", *options, "--element", element, "--forces", plain)

    result = impactframe.analyse(impactframe.sample(4), te=te, rise=rise, nw=256, gamma_te=6,
                                 correct_aliasing=True)
    assert result.rise == rise and result.nw == 256
    [corrected] = csv_blocks(forces)
    [corrected_disp] = csv_blocks(disp)
    force_error, disp_error = csv_blocks(error)
    assert_bits(result.element_forces(element), [r[1:] for r in corrected])
    assert_bits(result.element_forces(element, corrected=True), [r[1:] for r in corrected])
    assert_bits(result.node_history(node), [r[1:] for r in corrected_disp])
    assert_bits(result.element_forces_error(element), [r[1:] for r in force_error])
    assert_bits(result.node_history_error(node), [r[1:] for r in disp_error])
    # The uncorrected histories are those of an analysis without the second line.
    [uncorrected] = csv_blocks(plain)
    assert_bits(result.element_forces(element, corrected=False), [r[1:] for r in uncorrected])


@pytest.mark.parametrize("number", [1, 2, 3, 4])
def test_modes_equal_cli(cli, tmp_path, number):
    shapes_file = tmp_path / "shapes.csv"
    frequencies_file = tmp_path / "frequencies.csv"
    frequencies_file.write_text(cli("modes", f"sample:{number}", "--count", 6,
                                    "--shapes", shapes_file))
    result = impactframe.modes(impactframe.sample(number), count=6)
    [table] = csv_blocks(frequencies_file)
    assert_bits(result.frequencies, [row[1] for row in table])
    [shapes] = csv_blocks(shapes_file)
    nodes = impactframe.sample(number).node_count
    expected = np.zeros(result.shapes.shape)
    for mode, node, *disp in shapes:
        expected[int(mode) - 1, int(node)] = disp
    assert len(shapes) == len(result) * nodes
    assert_bits(result.shapes, expected)


def test_modes_below_a_frequency_equal_cli(cli):
    table = [line.split(",") for line in cli("modes", "sample:4", "--below", 20000).split()[1:]]
    result = impactframe.modes(impactframe.sample(4), below_hz=20000, shapes=False)
    assert result.shapes is None
    assert_bits(result.frequencies, [float(f) for _, f in table])


def test_timoshenko_keyword_and_field_equal_cli(cli, tmp_path):
    # timoshenko=True is --timoshenko; the element field set on every member is the same,
    # and the model passed is left as it was.
    model = impactframe.sample(4)
    table = [line.split(",") for line in
             cli("modes", "sample:4", "--count", 6, "--timoshenko").split()[1:]]
    keyword = impactframe.modes(model, count=6, shapes=False, timoshenko=True)
    assert not any(model.element(e).timoshenko for e in range(model.element_count))
    assert_bits(keyword.frequencies, [float(f) for _, f in table])
    for e in range(model.element_count):
        model.set_element(e, timoshenko=True)
    field = impactframe.modes(model, count=6, shapes=False)
    assert_bits(field.frequencies, keyword.frequencies)
    plain = impactframe.modes(impactframe.sample(4), count=6, shapes=False)
    assert np.all(keyword.frequencies < plain.frequencies)

    disp = tmp_path / "disp.csv"
    cli("analyse", "sample:4", "--timoshenko", "--node", 6, "--displacements", disp)
    [history] = csv_blocks(disp)
    result = impactframe.analyse(impactframe.sample(4), timoshenko=True)
    assert_bits(result.node_history(6), [row[1:] for row in history])
    with pytest.raises(TypeError):
        model.set_element(0, timoshenko=1)


@pytest.mark.parametrize("quantity", ["velocity", "acceleration"])
def test_node_velocity_and_acceleration_equal_cli(cli, tmp_path, quantity):
    history = tmp_path / "history.csv"
    cli("analyse", "sample:4", "--node", 6, "--displacements", history, "--quantity", quantity)
    [table] = csv_blocks(history)
    result = impactframe.analyse(impactframe.sample(4))
    assert_bits(result.node_history(6, quantity=quantity), [row[1:] for row in table])
    with pytest.raises(ValueError, match="quantity"):
        result.node_history(6, quantity="jerk")


def test_releases_springs_masses_and_dropped_weight_equal_cli(cli, tmp_path):
    # Set from Python, written to a data file and run by the CLI: the same numbers.
    model = impactframe.sample(4)
    model.set_element(8, releases={"start": ["My", "Mz"]})
    model.set_node(2, springs=[0, 50, 0, 0, 0, 0], mass={"weight": 2, "inertia": (0, 10, 10)})
    model.impact = {"node": 6, "weight": 1.5, "velocity": (0, 0, -2000), "gravity": True}
    assert model.element(8).releases == {"start": ["My", "Mz"], "end": []}
    assert model.node(2).mass == {"weight": 2.0, "inertia": (0.0, 10.0, 10.0)}
    path = tmp_path / "joints.json"
    model.write(path)
    te = model.time_span
    forces, impact = tmp_path / "f.csv", tmp_path / "i.csv"
    cli("analyse", path, "--te", te, "--element", 8, "--forces", forces, "--impact-force", impact)
    result = impactframe.analyse(model, te=te)
    [table] = csv_blocks(forces)
    assert_bits(result.element_forces(8), [row[1:] for row in table])
    [table] = csv_blocks(impact)
    assert_bits(result.impact_force(), [row[1:] for row in table])
    with pytest.raises(ValueError):
        model.set_element(8, releases={"start": ["My", "Mz"], "end": ["Mz", "Vy", "My", "Vz"]})
