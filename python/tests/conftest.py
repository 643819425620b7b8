"""One simulated M03 for every test, at full speed; the library comes from OVILUX_LIBRARY."""
import os

import pytest

os.environ.setdefault("OVILUX_SIM_SPEED", "fast")

import ovilux  # noqa: E402  (the speed must be set before the library loads)


@pytest.fixture
def camera():
    port = ovilux.sim.attach(0x3030)
    try:
        with ovilux.Camera(0) as opened:
            yield opened
    finally:
        ovilux.sim.detach(port)
