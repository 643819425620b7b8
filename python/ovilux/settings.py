"""The settings the library keeps under filter-value indices, named."""
import os
from typing import Dict, Optional, Tuple

# Settings with fixed ranges: name -> (filter index, minimum, maximum).
FIXED_FILTERS: Dict[str, Tuple[int, int, int]] = {
    "brightness": (1, -255, 255),
    "contrast": (2, -127, 127),
    "hue": (3, -360, 360),
    "saturation": (4, -255, 255),
    "sharpness": (5, 0, 30),
    "bayer_gain_red": (7, 0, 400),
    "bayer_gain_green": (8, 0, 400),
    "bayer_gain_blue": (9, 0, 400),
    "gamma": (11, 0, 200),
}
# The camera's gains, with the ranges it reports: name -> (filter index, range field of CameraInfo).
CAMERA_GAINS: Dict[str, Tuple[int, str]] = {
    "global_gain": (13, "globalGain"),
    "color_gain_red": (14, "colorGain"),
    "color_gain_green1": (15, "colorGain"),
    "color_gain_green2": (16, "colorGain"),
    "color_gain_blue": (17, "colorGain"),
}
# Every other filter value, whose limits the library checks itself: name -> filter index.
OTHER_FILTERS: Dict[str, int] = {
    "bayer_gain_rgb": 6,
    "white_balance_auto": 10,  # 1: the Bayer gains follow each frame until set to 0
    "bayer_mode": 12,
    "gray_mode": 19,
    "gray_gain_r": 20, "gray_gain_g1": 21, "gray_gain_g2": 22, "gray_gain_b": 23,
    "gray_offset_r": 24, "gray_offset_g1": 25, "gray_offset_g2": 26, "gray_offset_b": 27,
    "peltier": 100,
    "dot_filter": 102,
    "mask_filter": 103,
    "gain_mode": 104,
    "preset": 105,
    "black_level": 106,
}
# Filter values the library takes but never reads back: name -> filter index.
WRITE_ONLY: Dict[str, int] = {
    "gray_gain_counter": 28,
    "channel_gain1": 29, "channel_gain2": 30, "channel_gain3": 31, "channel_gain4": 32,
    "channel_offset1": 33, "channel_offset2": 34, "channel_offset3": 35, "channel_offset4": 36,
}


def filter_index(name: str) -> int:
    if name in FIXED_FILTERS:
        return FIXED_FILTERS[name][0]
    if name in CAMERA_GAINS:
        return CAMERA_GAINS[name][0]
    if name in OTHER_FILTERS:
        return OTHER_FILTERS[name]
    return WRITE_ONLY[name]


def names() -> Tuple[str, ...]:
    """Every filter value's name, the ones that cannot be read back last."""
    return tuple(FIXED_FILTERS) + tuple(CAMERA_GAINS) + tuple(OTHER_FILTERS) + tuple(WRITE_ONLY)


# File formats of save(): extension -> the library's format number.
SAVE_FORMATS: Dict[str, int] = {"bmp": 0, "raw": 1, "jpg": 2, "jpeg": 2, "png": 5, "tif": 6, "tiff": 6}
# Named qualities of JPEG files: quality -> format number.
JPEG_QUALITIES: Dict[int, int] = {100: 2, 70: 3, 20: 4}


def save_format(path: str, format: Optional[str]) -> Optional[int]:
    """The library's format number for format (a SAVE_FORMATS name, "jpeg70", "jpeg20"), or for
    the path's extension when format is None; None when neither names one."""
    if format is None:
        base = os.path.basename(path)
        if "." not in base:
            return None
        format = base.rsplit(".", 1)[1]
    name = format.lower()
    if name.startswith("jpeg") and name[4:].isdigit():
        return JPEG_QUALITIES.get(int(name[4:]))
    return SAVE_FORMATS.get(name)
