"""Runs of the engine from Python: refusals and failures as exceptions, the arrays'
lifetime, two analyses at once, Ctrl+C and the progress callable."""
import _thread
import gc
import os
import signal
import subprocess
import sys
import threading
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest

import impactframe
from conftest import grid_frame


def test_settings_and_numbers_out_of_range_raise():
    model = impactframe.sample(2)
    for settings in ({"nw": 500}, {"nw": 2}, {"te": -1.0}, {"rise": 0.0011, "te": 0.01},
                     {"threads": -1}):
        with pytest.raises(ValueError):
            impactframe.analyse(model, **settings)
    with pytest.raises(TypeError):
        impactframe.analyse(model, progress=3)

    result = impactframe.analyse(model, nw=64)
    with pytest.raises(IndexError, match="no node 3 .the structure has 3 nodes"):
        result.node_history(3)
    with pytest.raises(IndexError):
        result.element_forces(-1)
    with pytest.raises(ValueError):
        result.element_forces(0, axes="local")
    with pytest.raises(ValueError):
        result.node_history(0, quantity="speed")
    with pytest.raises(ValueError, match="correct_aliasing"):
        result.element_forces_error(0)
    with pytest.raises(ValueError, match="correct_aliasing"):
        result.node_history(0, corrected=True)
    with pytest.raises(ValueError):
        impactframe.modes(model, below_hz=-1)


def test_failed_solutions_raise_analysis_error(cli, tmp_path):
    fixed = impactframe.sample(2)
    for i in range(fixed.node_count):
        fixed.set_node(i, codes="u")
    with pytest.raises(impactframe.AnalysisError) as failure:
        impactframe.analyse(fixed, nw=64)
    assert failure.value.kind == "no_free_dof" and failure.value.solution == "dynamic"
    fixed.write(tmp_path / "fixed.txt")
    done = subprocess.run([cli.path, "analyse", tmp_path / "fixed.txt", "--nw", "256"],
                          capture_output=True, text=True)
    assert done.stderr.splitlines()[0] == f"impactframe-cli: {failure.value}"

    # Without supports the mass holds the bar in the Laplace domain, nothing statically.
    floating = impactframe.sample(2)
    floating.set_node(0, codes="p")
    with pytest.raises(impactframe.AnalysisError) as failure:
        impactframe.analyse(floating, nw=64)
    assert failure.value.solution == "static" and failure.value.kind == "singular_matrix"
    assert isinstance(failure.value, RuntimeError)


def test_arrays_are_views_that_outlive_the_result():
    result = impactframe.analyse(impactframe.sample(3), nw=64)
    static = result.static_displacements
    forces = result.static_element_forces(axes="global")
    history = result.element_forces(1)
    expected = static.copy(), forces.copy(), history.copy()
    assert not static.flags.writeable and not forces.flags.writeable
    assert not history.flags.owndata and history.flags.writeable  # the moved matrix
    with pytest.raises(ValueError):
        static[0, 0] = 1.0
    del result
    gc.collect()
    for array, copy in zip((static, forces, history), expected):
        assert np.array_equal(array, copy)


def test_two_analyses_in_two_threads_run_at_once():
    # With a switch interval of 100 s a thread holding the GIL keeps it until it blocks.
    # A's first progress call blocks until B's engine has called back, then both go on.
    # Had the engine kept the GIL, B would run to its end before A's next call; with the
    # GIL released, A's engine runs beside B's and calls back while B is still running.
    model = grid_frame(3, 3, 3)
    calls = []
    b_running = threading.Event()
    results = {}

    def run(name):
        def progress(fraction):
            calls.append(name)
            if name == "B":
                b_running.set()
            elif len([c for c in calls if c == "A"]) == 1:
                b_running.wait(60)

        results[name] = impactframe.analyse(model, nw=512, threads=1, progress=progress)

    interval = sys.getswitchinterval()
    sys.setswitchinterval(100.0)
    try:
        threads = [threading.Thread(target=run, args=(name,)) for name in "AB"]
        threads[0].start()
        threads[1].start()
        for t in threads:
            t.join(120)
    finally:
        sys.setswitchinterval(interval)
    assert set(results) == {"A", "B"}
    b_calls = [i for i, c in enumerate(calls) if c == "B"]
    a_inside_b = [i for i, c in enumerate(calls) if c == "A" and b_calls[0] < i < b_calls[-1]]
    assert a_inside_b, "B ran from its first to its last progress call while A waited"
    # Each as it would be alone.
    alone = impactframe.analyse(model, nw=512, threads=1)
    for result in results.values():
        assert np.array_equal(result.element_forces(0), alone.element_forces(0))


def test_histories_of_one_result_from_several_threads():
    result = impactframe.analyse(impactframe.sample(4), nw=256, correct_aliasing=True)
    elements = range(result.element_count)
    one_by_one = [result.element_forces_error(e, axes="global") for e in elements]
    with ThreadPoolExecutor(4) as pool:
        at_once = list(pool.map(lambda e: result.element_forces_error(e, axes="global"),
                                elements))
    for a, b in zip(one_by_one, at_once):
        assert np.array_equal(a, b)


def test_ctrl_c_stops_a_run_and_the_next_one_runs():
    model = grid_frame(3, 3, 2)
    fractions = []

    def interrupt_at_the_third_point(fraction):
        fractions.append(fraction)
        if len(fractions) == 3:
            _thread.interrupt_main()

    with pytest.raises(KeyboardInterrupt):
        impactframe.analyse(model, nw=256, progress=interrupt_at_the_third_point)
    assert len(fractions) < 129  # stopped before its end

    # A real SIGINT from another thread while the search runs; from the second progress
    # call on the callable waits until it was sent, so it comes before the end.
    sent = threading.Event()

    def send_sigint():
        os.kill(os.getpid(), signal.SIGINT)
        sent.set()

    def progress(fraction):
        if not fractions:
            threading.Thread(target=send_sigint).start()
        else:
            sent.wait(60)
        fractions.append(fraction)

    fractions.clear()
    with pytest.raises(KeyboardInterrupt):
        impactframe.modes(model, count=20, progress=progress)

    fractions.clear()
    result = impactframe.analyse(model, nw=256, progress=fractions.append)
    assert fractions == [(k + 1) / 129 for k in range(129)]
    assert result.element_forces(0).shape == (256, 12)


def test_an_exception_of_the_progress_callable_stops_the_run():
    calls = []

    def fail(fraction):
        calls.append(fraction)
        raise ZeroDivisionError("from the progress callable")

    with pytest.raises(ZeroDivisionError, match="from the progress callable"):
        impactframe.analyse(impactframe.sample(1), nw=256, progress=fail)
    assert len(calls) == 1
    with pytest.raises(ZeroDivisionError):
        impactframe.modes(impactframe.sample(1), progress=fail)
