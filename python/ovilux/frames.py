"""The library's pixel layouts as numpy arrays.

Rows are padded to a multiple of 4 bytes. 8 and 16-bit modes are monochrome (one byte or one
little-endian word per pixel); 24 and 32-bit pixels are bytes blue, green, red (and a fourth byte,
0); 48 and 64-bit pixels are words blue, green, red (and a fourth word).
"""
import ctypes  # noqa: F401  (named in a type hint)
from typing import Optional, Tuple, Union

import numpy as np

# bits per pixel: (numpy sample type, channels)
LAYOUTS = {
    8: (np.uint8, 1),
    16: (np.dtype("<u2"), 1),
    24: (np.uint8, 3),
    32: (np.uint8, 4),
    48: (np.dtype("<u2"), 3),
    64: (np.dtype("<u2"), 4),
}


def stride(width: int, bits: int) -> int:
    """Bytes per row: width x bits / 8, padded to a multiple of 4."""
    return (width * bits // 8 + 3) & ~3


def buffer_size(width: int, height: int, bits: int) -> int:
    return stride(width, bits) * height


def to_array(buffer: Union[bytes, bytearray, "ctypes.Array"], width: int, height: int, bits: int,
             rgb: bool = False) -> np.ndarray:
    """A new array (height, width) or (height, width, channels) from a library buffer, the row
    padding removed; rgb=True puts red first (the fourth channel stays last)."""
    sample, channels = LAYOUTS[bits]
    rows = np.frombuffer(buffer, dtype=np.uint8, count=buffer_size(width, height, bits)).reshape(height, -1)
    pixels = rows[:, : width * bits // 8].view(sample)
    shape = (height, width) if channels == 1 else (height, width, channels)
    image = pixels.reshape(shape)
    if rgb and channels > 1:
        image = image[..., [2, 1, 0] + list(range(3, channels))]
    return np.array(image, copy=True)


class Frame(np.ndarray):
    """A delivered frame: a numpy array (as to_array gives it) that also tells its story.

    number: the camera's number for the frame; time_ns: when its last byte arrived, on the
    monotonic clock in nanoseconds (time.monotonic_ns's clock on Linux); lost: frames the camera
    numbered between the previous frame given to you and this one, that you did not get;
    exposure_us, global_gain and gains (red, green1, green2, blue): the settings in force when the
    library delivered it. Views and slices keep the story; arithmetic results are plain arrays
    (np.asarray(frame) gives one as well)."""

    number: int
    time_ns: int
    lost: int
    exposure_us: int
    global_gain: int
    gains: Tuple[int, int, int, int]

    _STORY = (("number", 0), ("time_ns", 0), ("lost", 0), ("exposure_us", 0), ("global_gain", 0),
              ("gains", (0, 0, 0, 0)))

    def __array_finalize__(self, source: Optional[np.ndarray]) -> None:
        for name, default in self._STORY:
            setattr(self, name, getattr(source, name, default))

    def __array_wrap__(self, result, context=None, return_scalar=False):
        # A computed array is no longer the camera's frame.
        return np.asarray(result) if result.shape else result[()]


def told(image: np.ndarray, metadata, lost: int) -> Frame:
    """image as a Frame with the library's metadata record (FrameMetadata) and lost frames."""
    frame = image.view(Frame)
    frame.number = int(metadata.frameNumber)
    frame.time_ns = int(metadata.arrivalNs)
    frame.lost = int(lost)
    frame.exposure_us = int(metadata.exposureMicroseconds)
    frame.global_gain = int(metadata.globalGain)
    frame.gains = (int(metadata.gainRed), int(metadata.gainGreen1), int(metadata.gainGreen2), int(metadata.gainBlue))
    return frame
