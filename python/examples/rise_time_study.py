"""How the rise time of a step load lowers the peak force it causes.

Sample 2 is a cantilever with a step load at its tip. For rise times from 0 (a sudden
load) to te / 10, this analyses the impact response and takes the peak of the bending
moment at the clamped end (element 0, first end, mz1) relative to the static moment,
with the rise time counted in periods of the cantilever's first natural frequency.
The plot goes into a PNG (matplotlib); without matplotlib the table alone is printed.

    PYTHONPATH=build/python /usr/bin/python3 python/examples/rise_time_study.py rise.png
"""
import argparse

import numpy as np

import impactframe

ELEMENT = 0
MZ1 = 5  # columns of element_forces: fx1, fy1, fz1, mx1, my1, mz1, fx2, ..., mz2


def peak_against_rise(model, rises, nw=1024):
    """The peak of |mz1| of ELEMENT over the response to the load rising in each of
    `rises` (s), relative to the static mz1."""
    peaks = []
    for rise in rises:
        result = impactframe.analyse(model, nw=nw, rise=rise)
        peaks.append(np.max(np.abs(result.element_forces(ELEMENT)[:, MZ1])))
    static = abs(result.static_element_forces()[ELEMENT, MZ1])
    return np.array(peaks) / static


def main(argv=None):
    """Runs the study; returns the rise times in periods and the relative peaks."""
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("output", help="the PNG to write")
    parser.add_argument("--nw", type=int, default=1024, help="time points of each analysis")
    parser.add_argument("--points", type=int, default=11, help="rise times studied")
    args = parser.parse_args(argv)

    model = impactframe.sample(2)
    period = 1.0 / impactframe.modes(model, count=1, shapes=False).frequencies[0]
    rises = np.linspace(0.0, model.time_span / 10, args.points)
    peaks = peak_against_rise(model, rises, nw=args.nw)
    print("rise/T1  peak mz1 / static mz1")
    for rise, peak in zip(rises / period, peaks):
        print(f"{rise:7.3f}  {peak:.4f}")

    try:
        import matplotlib

        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("matplotlib is not installed: no plot")
        return rises / period, peaks
    figure, axes = plt.subplots(figsize=(6, 4))
    axes.plot(rises / period, peaks, "o-")
    axes.set_xlabel("rise time / first natural period")
    axes.set_ylabel("peak moment at the clamp / static moment")
    axes.set_title("Cantilever (sample 2) under a step load at its tip")
    axes.grid(True)
    figure.tight_layout()
    figure.savefig(args.output, dpi=100)
    print(f"wrote {args.output}")
    return rises / period, peaks


if __name__ == "__main__":
    main()
