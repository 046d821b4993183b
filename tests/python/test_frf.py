"""The frequency response against impactframe-cli frf and the closed form of a rod."""
import math

import numpy as np
import pytest

import impactframe

E, G, W, D = 21000.0, 8000.0, 7.86e-06, 10.0  # the default steel bar
GRAVITY = 9800.0  # mm/s^2


def test_frf_equals_cli(cli, tmp_path):
    table = tmp_path / "frf.csv"
    cli("frf", "sample:4", "--node", 6, "--from", 100, "--to", 20000, "--count", 17, "-o", table)
    rows = np.loadtxt(table, delimiter=",", skiprows=1)
    result = impactframe.frf(impactframe.sample(4), 6, to_hz=20000, from_hz=100, count=17)
    assert not result.resonance.any() and len(result) == 17
    assert np.array_equal(result.frequencies, rows[:, 0])
    assert np.array_equal(result.response.real, rows[:, 1::4])
    assert np.array_equal(result.response.imag, rows[:, 2::4])


def test_rod_under_harmonic_end_load_is_the_closed_form():
    # A rod clamped at one end, free only along its axis at the other, loaded there by
    # F e^(i omega t): u(L) = F tan(k L) / (E A k), k = omega / c, c = sqrt(E g / w).
    length, force = 1000.0, 3.0
    model = impactframe.Model()
    model.add_node(0, 0, 0, codes="u")
    model.add_node(length, 0, 0, codes=["pf", "u", "u", "u", "u", "u"],
                   values=[force, 0, 0, 0, 0, 0])
    model.add_element(0, 1, young=E, shear=G, density=W, diameter=D)
    result = impactframe.frf(model, 1, to_hz=1500.0, count=4)
    area, wave = math.pi * D**2 / 4, math.sqrt(E * GRAVITY / W)
    k = 2 * math.pi * result.frequencies[1:] / wave
    assert result.response[0, 0].real == pytest.approx(force * length / (E * area), rel=1e-12)
    assert result.response[1:, 0].real == pytest.approx(
        force * np.tan(k * length) / (E * area * k), rel=1e-10)
    assert np.all(result.response[:, 1:] == 0)


def test_frf_refusals():
    model = impactframe.sample(4)
    with pytest.raises(IndexError):
        impactframe.frf(model, model.node_count, to_hz=100.0)
    with pytest.raises(ValueError, match="to_hz"):
        impactframe.frf(model, 6, to_hz=100.0, from_hz=200.0)
    with pytest.raises(ValueError, match="count"):
        impactframe.frf(model, 6, to_hz=100.0, count=0)
