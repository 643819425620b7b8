"""ovilux: the Ovilux M03 camera SDK from Python, over the installed library (ctypes, numpy).

    import ovilux
    with ovilux.Camera(0) as camera:
        camera.color_mode = 24
        image = camera.snap(rgb=True)      # numpy array (height, width, 3), red first
        for frame in camera.stream(count=100):
            print(frame.number, frame.time_ns, frame.lost)   # every frame tells its story
"""
from . import sim
from ._library import lib as _lib
from .camera import AUTO_EXPOSURE, COLOR_MODES, WINDOW_RULES, Camera, Window, list_cameras
from .errors import MEANINGS, OviluxError, code_text
from .frames import Frame

__all__ = ["Camera", "Window", "Frame", "OviluxError", "MEANINGS", "code_text", "COLOR_MODES", "WINDOW_RULES",
           "AUTO_EXPOSURE", "list_cameras", "sim", "library_version"]


def library_version() -> "tuple[int, int]":
    """(camera model, interface version) of the loaded library, e.g. (3, 0x0520)."""
    version = _lib.Ovilux_GetDllVersion()
    return version >> 16, version & 0xFFFF
