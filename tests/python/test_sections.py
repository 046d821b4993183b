"""Named materials and sections, and the orientation of members, from Python: the section
properties against their closed forms, a model with them written as a data file and
analysed by impactframe-cli against the module, and the refusals."""
import math

import numpy as np
import pytest

import impactframe
from conftest import csv_blocks

STEEL = dict(E=21000.0, G=8100.0, density=7.85e-06)


def oriented_frame():
    """A clamped frame of three members in three directions: an I beam, a rectangle
    turned by 30 degrees and a box whose local z points at a given point, step-loaded
    in y and z at the free end so that every member bends about both axes."""
    model = impactframe.Model()
    model.set_material("steel", **STEEL)
    model.set_section("beam", shape="I", b=40.0, h=60.0, tw=4.0, tf=6.0)
    model.set_section("bar", shape="rectangle", b=20.0, h=30.0)
    model.set_section("box", shape="box", b=30.0, h=50.0, t=3.0)
    model.add_node(0, 0, 0, codes="u")
    model.add_node(0, 0, 400)
    model.add_node(300, 0, 400)
    model.add_node(300, 250, 400, codes=["p", "pf", "pf", "p", "p", "p"],
                   values=[0, 50.0, -30.0, 0, 0, 0])
    model.add_element(0, 1, material="steel", section="beam")
    model.add_element(1, 2, material="steel", section="bar", roll=30.0)
    model.add_element(2, 3, material="steel", section="box", z_towards=(1000, 250, 1400))
    return model


def test_section_properties_are_the_closed_forms():
    model = oriented_frame()
    model.set_section("pipe", shape="tube", d=48.6, t=3.2)
    model.set_element(2, section="pipe", z_towards=None)
    d, t = 48.6, 3.2
    pipe = model.element(2)
    assert pipe.shape == "tube" and pipe.diameter == d
    assert pipe.area == pytest.approx(math.pi / 4 * (d**2 - (d - 2 * t) ** 2), rel=1e-14)
    assert pipe.iy == pytest.approx(math.pi / 64 * (d**4 - (d - 2 * t) ** 4), rel=1e-14)
    b, h, tw, tf = 40.0, 60.0, 4.0, 6.0
    beam = model.element(0)
    assert beam.area == pytest.approx(2 * b * tf + (h - 2 * tf) * tw, rel=1e-14)
    assert beam.iy == pytest.approx((b * h**3 - (b - tw) * (h - 2 * tf) ** 3) / 12, rel=1e-14)
    assert beam.iz == pytest.approx((2 * tf * b**3 + (h - 2 * tf) * tw**3) / 12, rel=1e-14)
    # Changing a named section or material changes the elements that have it.
    model.set_section("beam", h=80.0)
    assert model.element(0).iy == pytest.approx((b * 80**3 - (b - tw) * (80 - 2 * tf) ** 3) / 12)
    model.set_material("steel", E=20000.0)
    assert [model.element(e).young for e in range(3)] == [20000.0] * 3
    assert model.materials["steel"] == dict(STEEL, E=20000.0)
    # Giving the element its own values leaves the names.
    model.set_element(1, young=7000.0, diameter=12.0)
    own = model.element(1)
    assert own.material is None and own.section is None and own.shape == "round"
    assert own.area == pytest.approx(math.pi * 36.0, rel=1e-14)


def test_version_2_file_reads_back_and_equals_cli(cli, tmp_path):
    model = oriented_frame()
    path = tmp_path / "frame.json"
    model.write(path)
    back = impactframe.Model.read(path)
    assert back.materials == {"steel": STEEL}
    assert back.sections == {
        "bar": {"shape": "rectangle", "b": 20.0, "h": 30.0},
        "beam": {"shape": "I", "b": 40.0, "h": 60.0, "tw": 4.0, "tf": 6.0},
        "box": {"shape": "box", "b": 30.0, "h": 50.0, "t": 3.0}}
    assert [(e.material, e.section, e.roll, e.z_towards) for e in back.elements] == [
        ("steel", "beam", 0.0, None), ("steel", "bar", 30.0, None),
        ("steel", "box", 0.0, [1000.0, 250.0, 1400.0])]

    forces, disp = tmp_path / "forces.csv", tmp_path / "disp.csv"
    cli("analyse", path, "--te", 0.0078125, "--nw", 256, "--element", 1, "--forces", forces,
        "--node", 3, "--displacements", disp)
    result = impactframe.analyse(model, te=0.0078125, nw=256)
    [table] = csv_blocks(forces)
    assert np.array_equal(result.element_forces(1), np.array(table)[:, 1:])
    [table] = csv_blocks(disp)
    assert np.array_equal(result.node_history(3), np.array(table)[:, 1:])
    # The roll and z_towards turn the members: without them the forces differ.
    plain = oriented_frame()
    plain.set_element(1, roll=0.0)
    plain.set_element(2, z_towards=None)
    assert not np.allclose(impactframe.analyse(plain, te=0.0078125, nw=256).element_forces(1),
                           result.element_forces(1))


def test_refusals_name_the_value_and_leave_the_model():
    model = oriented_frame()
    text = model.to_text()
    with pytest.raises(ValueError, match="t"):
        model.set_section("box", t=15.0)  # 2t >= b
    with pytest.raises(ValueError, match="density"):
        model.set_material("steel", density=-1.0)
    with pytest.raises(TypeError, match="tw"):
        model.set_section("pipe", shape="tube", d=30.0, t=2.0, tw=1.0)
    with pytest.raises(TypeError, match="needs t"):
        model.set_section("pipe", shape="tube", d=30.0)
    with pytest.raises(TypeError, match="G"):
        model.set_material("aluminium", E=7000.0, density=2.7e-06)
    with pytest.raises(ValueError, match="shape"):
        model.set_section("pipe", shape="hexagon", d=30.0)
    with pytest.raises(ValueError, match="wood"):
        model.set_element(0, material="wood")
    with pytest.raises(TypeError, match="material and young"):
        model.add_element(0, 2, material="steel", young=1.0)
    with pytest.raises(ValueError, match="z_towards|roll"):
        model.set_element(1, z_towards=(0, 0, 1000))  # with a roll
    with pytest.raises(ValueError):
        model.delete_section("beam")  # element 0 has it
    assert model.to_text() == text
