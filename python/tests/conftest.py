"""One simulated M03 for every test, at full speed, with a settings store of the run's own (never
the user's); the library comes from OVILUX_LIBRARY."""
import os
import tempfile

import pytest

os.environ.setdefault("OVILUX_SIM_SPEED", "fast")
os.environ.setdefault("OVILUX_REGISTRY", os.path.join(tempfile.mkdtemp(prefix="ovilux-pytest-"), "registry.sqlite3"))

import ovilux  # noqa: E402  (the speed must be set before the library loads)


@pytest.fixture
def camera():
    port = ovilux.sim.attach(0x3030)
    try:
        with ovilux.Camera(0) as opened:
            yield opened
    finally:
        ovilux.sim.detach(port)
