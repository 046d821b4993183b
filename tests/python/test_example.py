"""The README's example runs: the peak moment of a cantilever against the load's rise time,
plotted into a PNG where matplotlib is installed."""
import importlib.util
import os
from pathlib import Path

import numpy as np

EXAMPLES = Path(os.environ.get("IMPACTFRAME_EXAMPLES",
                               Path(__file__).resolve().parents[2] / "python" / "examples"))


def test_rise_time_study(tmp_path):
    location = importlib.util.spec_from_file_location("rise_time_study",
                                                      EXAMPLES / "rise_time_study.py")
    study = importlib.util.module_from_spec(location)
    location.loader.exec_module(study)
    png = tmp_path / "rise.png"
    rises, peaks = study.main([str(png), "--nw", "128", "--points", "3"])

    # A sudden load at least about doubles the static moment; a slower rise lowers the peak.
    assert rises[0] == 0.0 and peaks[0] > 1.9
    assert np.all(np.diff(peaks) < 0)
    if importlib.util.find_spec("matplotlib") is not None:
        assert png.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_the_readme_block_of_the_study(tmp_path, monkeypatch):
    readme = (Path(__file__).resolve().parents[2] / "README.md").read_text()
    after = readme.split("Its heart (the tests run this block", 1)[1]
    block = after.split("```python\n", 1)[1].split("```", 1)[0]
    assert "nw=1024" in block
    if importlib.util.find_spec("matplotlib") is None:
        block = block.split("import matplotlib", 1)[0]
    monkeypatch.chdir(tmp_path)
    names = {}
    exec(compile(block.replace("nw=1024", "nw=128"), "README.md", "exec"), names)
    assert np.all(np.diff(names["peaks"]) < 0)
    if "savefig" in block:
        assert (tmp_path / "rise.png").read_bytes()[:4] == b"\x89PNG"
