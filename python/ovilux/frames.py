"""The library's pixel layouts as numpy arrays.

Rows are padded to a multiple of 4 bytes. 8 and 16-bit modes are monochrome (one byte or one
little-endian word per pixel); 24 and 32-bit pixels are bytes blue, green, red (and a fourth byte,
0); 48 and 64-bit pixels are words blue, green, red (and a fourth word).
"""
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


def stride(width, bits):
    """Bytes per row: width x bits / 8, padded to a multiple of 4."""
    return (width * bits // 8 + 3) & ~3


def buffer_size(width, height, bits):
    return stride(width, bits) * height


def to_array(buffer, width, height, bits, rgb=False):
    """A new array (height, width) or (height, width, channels) from a library buffer, the row
    padding removed; rgb=True puts red first (the fourth channel stays last). The samples are
    copied once, straight into the new array (a channel swap included), so a live stream costs
    one copy per frame beside the library's own."""
    sample, channels = LAYOUTS[bits]
    rows = np.frombuffer(buffer, dtype=np.uint8, count=buffer_size(width, height, bits)).reshape(height, -1)
    pixels = rows[:, : width * bits // 8].view(sample)
    shape = (height, width) if channels == 1 else (height, width, channels)
    image = pixels.reshape(shape)
    out = np.empty(shape, dtype=sample)
    if rgb and channels > 1:
        for to, source in enumerate([2, 1, 0] + list(range(3, channels))):
            out[..., to] = image[..., source]
    else:
        np.copyto(out, image)
    return out
