"""ovilux: the Ovilux M03 camera SDK from Python, over the installed library (ctypes, numpy).

    import ovilux
    with ovilux.Camera(0) as camera:
        camera.color_mode = 24
        image = camera.snap(rgb=True)      # numpy array (height, width, 3), red first
"""
from . import sim
from ._library import lib as _lib
from .camera import COLOR_MODES, WINDOW_RULES, Camera, Window
from .errors import MEANINGS, OviluxError, code_text

__all__ = ["Camera", "Window", "OviluxError", "MEANINGS", "code_text", "COLOR_MODES", "WINDOW_RULES", "sim", "library_version"]


def library_version():
    """(camera model, interface version) of the loaded library, e.g. (3, 0x0520)."""
    version = _lib.Ovilux_GetDllVersion()
    return version >> 16, version & 0xFFFF
