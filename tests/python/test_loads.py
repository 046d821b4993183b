"""Load histories, damping and the ground motion from Python: a damped rod against its
closed form, a model with all three written, read back and analysed by impactframe-cli
against the module, and the refusals."""
import cmath
import math

import numpy as np
import pytest

import impactframe
from conftest import csv_blocks

E, G, W, D = 21000.0, 8000.0, 7.86e-06, 10.0  # the default steel bar
GRAVITY = 9800.0  # mm/s^2


def test_damped_rod_under_harmonic_end_load_is_the_closed_form():
    # E* u'' = rho (s^2 + alpha s) u with E* = E (1 + beta s), clamped at 0, F at L:
    # u(L) = F tanh(lam L) / (E* A lam), lam^2 = rho (s^2 + alpha s) / E*, s = i omega.
    length, force, alpha, beta = 1000.0, 3.0, 40.0, 2e-6
    model = impactframe.Model()
    model.add_node(0, 0, 0, codes="u")
    model.add_node(length, 0, 0, codes=["pf", "u", "u", "u", "u", "u"],
                   values=[force, 0, 0, 0, 0, 0])
    model.add_element(0, 1, young=E, shear=G, density=W, diameter=D)
    model.damping = {"alpha": alpha, "beta": beta}
    result = impactframe.frf(model, 1, from_hz=200.0, to_hz=3000.0, count=5)
    area = math.pi * D**2 / 4
    for hz, response in zip(result.frequencies, result.response[:, 0]):
        s = 2j * math.pi * hz
        modulus = E * (1 + beta * s)
        lam = cmath.sqrt(W / GRAVITY * (s * s + alpha * s) / modulus)
        assert response == pytest.approx(force * cmath.tanh(lam * length) /
                                         (modulus * area * lam), rel=1e-9)
    assert abs(result.response[:, 0].imag).min() > 0  # damped: out of phase


def loaded_frame():
    """A portal frame on moving ground, damped by its material, its top loaded in x by
    a half-sine pulse."""
    model = impactframe.Model()
    model.set_material("steel", E=E, G=G, density=W, damping={"ratio": 0.02, "at_hz": (50, 500)})
    model.set_section("post", shape="box", b=20.0, h=20.0, t=2.0)
    model.set_history("pulse", kind="half-sine", duration=0.002)
    model.set_history("quake", kind="table", points=[(0, 0), (0.001, 1000.0), (0.003, 0)])
    for x, z, codes in ((0, 0, "u"), (0, 300, "p"), (400, 300, "p"), (400, 0, "u")):
        model.add_node(x, 0, z, codes=codes)
    model.set_node(1, codes=["pf", "p", "p", "p", "p", "p"], values=[20.0, 0, 0, 0, 0, 0],
                   histories="pulse")
    for a in range(3):
        model.add_element(a, a + 1, material="steel", section="post")
    model.ground = {"direction": (1, 0, 0), "history": "quake"}
    return model


def test_loads_damping_and_ground_read_back_and_equal_cli(cli, tmp_path):
    model = loaded_frame()
    path = tmp_path / "frame.json"
    model.write(path)
    back = impactframe.Model.read(path)
    assert back.histories == {
        "pulse": {"kind": "half-sine", "duration": 0.002},
        "quake": {"kind": "table", "points": [(0.0, 0.0), (0.001, 1000.0), (0.003, 0.0)]}}
    assert back.materials["steel"]["damping"] == {"ratio": 0.02, "at_hz": (50.0, 500.0)}
    assert back.ground == {"direction": [1.0, 0.0, 0.0], "history": "quake",
                           "quantity": "acceleration"}
    assert back.node(1).histories == ["pulse"] * 6 and back.damping is None

    forces, disp = tmp_path / "forces.csv", tmp_path / "disp.csv"
    cli("analyse", path, "--te", 0.015625, "--nw", 256, "--element", 0, "--forces", forces,
        "--node", 2, "--displacements", disp, "--quantity", "acceleration", "--relative")
    result = impactframe.analyse(model, te=0.015625, nw=256)
    [table] = csv_blocks(forces)
    assert np.array_equal(result.element_forces(0), np.array(table)[:, 1:])
    [table] = csv_blocks(disp)
    assert np.array_equal(result.node_history(2, quantity="acceleration", relative=True),
                          np.array(table)[:, 1:])
    # The ground motion and the pulse both take part.
    model.ground = None
    assert not np.allclose(impactframe.analyse(model, te=0.015625, nw=256).element_forces(0),
                           result.element_forces(0))
    model.set_node(1, histories=None)
    assert model.node(1).histories == [None] * 6
    assert not np.allclose(impactframe.analyse(model, te=0.015625, nw=256).element_forces(0),
                           result.element_forces(0))


def test_refusals_name_the_value_and_leave_the_model():
    model = loaded_frame()
    text = model.to_text()
    with pytest.raises(ValueError, match="duration"):
        model.set_history("pulse", kind="rectangle", duration=-1.0)
    with pytest.raises(TypeError, match="points"):
        model.set_history("pulse", kind="table", duration=1.0)
    with pytest.raises(ValueError, match="kind"):
        model.set_history("pulse", kind="sawtooth")
    with pytest.raises(ValueError, match="missing"):
        model.set_node(2, histories="missing")
    with pytest.raises(ValueError, match="pulse"):
        model.delete_history("pulse")  # node 1 uses it
    with pytest.raises(ValueError, match="ratio"):
        model.damping = {"ratio": -0.1, "at_hz": (1, 10)}
    with pytest.raises(TypeError, match="gamma"):
        model.set_material("steel", damping={"alpha": 1.0, "gamma": 2.0})
    with pytest.raises(ValueError):
        model.ground = {"direction": (0, 0, 0), "history": "quake"}
    with pytest.raises(ValueError, match="quantity"):
        model.ground = {"direction": (1, 0, 0), "history": "quake", "quantity": "jerk"}
    assert model.to_text() == text
