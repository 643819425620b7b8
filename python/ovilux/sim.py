"""The simulated M03 camera built into the library: plug cameras in and out, set their speed,
show them pictures, count the frames they produced and sent.

Once a camera is attached the library finds only simulated cameras. OVILUX_SIMULATE (hex product
ids) attaches cameras when the library loads.
"""
import ctypes
from typing import Any, Callable, Optional

import numpy as np

from ._library import SimCamera, lib

ANY_PORT = -1
SPEEDS = {"fast": 0, "realtime": 1}
_EXACT = 0x1 | 0x2 | 0x4 | 0x8  # no noise, motion or defects; the picture's levels whatever the exposure


def attach(product_id: int = 0x3030, port: int = ANY_PORT) -> int:
    """Plugs a camera in; returns its port. ValueError for a product the simulation lacks or a taken port."""
    result = lib.OviluxSim_Attach(product_id, port)
    if result < 0:
        raise ValueError(f"no simulated camera 0x{product_id:04X} could be attached at port {port}")
    return result


def detach(port: int) -> None:
    if not lib.OviluxSim_Detach(port):
        raise ValueError(f"no simulated camera on port {port}")


def cameras() -> "list[tuple[int, int, str]]":
    """The attached cameras as (port, product id, interface path), in port order."""
    count = lib.OviluxSim_List(None, 0)
    records = (SimCamera * max(count, 1))()
    count = lib.OviluxSim_List(records, count)
    return [(r.port, r.productId, r.path.decode(errors="replace")) for r in records[:count]]


def set_speed(speed: str) -> None:
    """'fast' delivers frames as fast as they are read, 'realtime' keeps the sensor's timing."""
    if speed not in SPEEDS or not lib.OviluxSim_SetSpeed(SPEEDS[speed]):
        raise ValueError(f"speed must be one of {sorted(SPEEDS)}, not {speed!r}")


def _frame_tally(read: Callable[..., Any], port: int) -> int:
    count = ctypes.c_uint32()
    if not read(port, ctypes.byref(count)):
        raise ValueError(f"no simulated camera on port {port}")
    return count.value


def frame_count(port: int) -> int:
    """The frames the camera on port has produced since it was plugged in."""
    return _frame_tally(lib.OviluxSim_GetFrameCount, port)


def frames_sent(port: int) -> int:
    """The frames the camera on port has sent to the host (each whose header went over the cable)
    since it was plugged in: once a stream has stopped, each one is delivered or lost for a reason
    other than a header time-out."""
    return _frame_tally(lib.OviluxSim_GetFramesSent, port)


def show_picture(port: int, picture: Optional[np.ndarray]) -> None:
    """Shows the camera on port a picture instead of its chart, exactly: a uint8 array of height x
    width (gray) or height x width x 3 (blue, green, red), its top left pixel on the sensor's first
    active pixel, the sensor outside it black; no noise, motion or defects, and 8-bit samples are
    the picture's values whatever the exposure and gains. None shows the chart again, with its
    imperfections. ValueError for another array or no camera on port."""
    if picture is None:
        if not lib.OviluxSim_ShowPicture(port, None, 0, 0, 0, 8) or not lib.OviluxSim_SetSceneOptions(port, 0):
            raise ValueError(f"no simulated camera on port {port}")
        return
    if picture.dtype != np.uint8 or picture.ndim not in (2, 3) or (picture.ndim == 3 and picture.shape[2] != 3):
        raise ValueError("a picture is a uint8 array of height x width or height x width x 3")
    pixels = np.ascontiguousarray(picture)
    height, width = pixels.shape[:2]
    bits = 8 if pixels.ndim == 2 else 24
    if not lib.OviluxSim_ShowPicture(port, pixels.ctypes.data, width, height, pixels.strides[0], bits) or \
            not lib.OviluxSim_SetSceneOptions(port, _EXACT):
        raise ValueError(f"no simulated camera on port {port}, or a picture it cannot show")
