"""The Python package on the simulated camera: arrays of every colour mode, settings, errors."""
import ctypes

import numpy as np
import pytest

import ovilux
from ovilux._library import lib
from ovilux.frames import stride

MODES = [(8, np.uint8, None), (16, np.uint16, None), (24, np.uint8, 3), (32, np.uint8, 4),
         (48, np.uint16, 3), (64, np.uint16, 4)]


@pytest.mark.parametrize("bits,dtype,channels", MODES)
def test_snapshot_of_every_mode_is_the_library_buffer_without_padding(camera, bits, dtype, channels):
    camera.window = (0, 0, 2592, 1944)
    camera.subsample = 2
    camera.color_mode = bits
    image = camera.snap()
    width, height = 648, 486  # a quarter of the window
    assert camera.size == (width, height)
    assert image.shape == ((height, width) if channels is None else (height, width, channels))
    assert image.dtype == dtype
    row = stride(width, bits)
    raw = ctypes.create_string_buffer(row * height)
    assert lib.Ovilux_GetImage(camera.handle, raw, len(raw), 1) == 1
    rows = np.frombuffer(raw, np.uint8).reshape(height, row)
    assert np.array_equal(image.view(np.uint8).reshape(height, -1), rows[:, : width * bits // 8])
    assert image.std() > 0, "a picture, not a constant"


@pytest.mark.parametrize("bits,dtype,channels", MODES)
def test_row_padding_is_dropped_and_rgb_puts_red_first(bits, dtype, channels):
    # The camera's windows never need padding (widths are multiples of 16), so a made-up buffer
    # of 3 x 2 pixels: every pixel byte counts up from 1, every padding byte is 0xEE.
    width, height = 3, 2
    row, used = stride(width, bits), width * bits // 8
    buffer = bytearray(b"\xEE" * row * height)
    for y in range(height):
        buffer[y * row: y * row + used] = bytes(range(1 + y * used, 1 + (y + 1) * used))
    image = ovilux.frames.to_array(bytes(buffer), width, height, bits)
    assert image.dtype == dtype and image.shape[:2] == (height, width)
    assert 0xEE not in image.view(np.uint8)
    assert image.view(np.uint8).tobytes() == bytes(range(1, 1 + used * height))
    if channels:
        rgb = ovilux.frames.to_array(bytes(buffer), width, height, bits, rgb=True)
        assert np.array_equal(rgb[..., 0], image[..., 2]) and np.array_equal(rgb[..., 2], image[..., 0])
        assert np.array_equal(rgb[..., 1:2], image[..., 1:2]) and np.array_equal(rgb[..., 3:], image[..., 3:])


def test_stream_delivers_thirty_frames_each_its_own_copy(camera):
    camera.color_mode = 8
    camera.subsample = 2
    frames = list(camera.stream(count=30))
    assert len(frames) == 30
    width, height = camera.size
    assert all(f.shape == (height, width) for f in frames)
    assert not any(np.shares_memory(a, b) for a, b in zip(frames, frames[1:]))
    assert any(not np.array_equal(a, b) for a, b in zip(frames, frames[1:])), "the scene moves between frames"


@pytest.mark.parametrize("setting,value,code,words", [
    ("global_gain", 1000, 9, "0..63"),
    ("exposure_us", 0, 9, "100.."),
    ("color_mode", 12, 9, "colour modes"),
    ("window", (1, 0, 640, 480), 7, "at full size x and y are multiples of 2; this one is at (1, 0)"),
    ("sharpness", 31, 9, "0..30"),
])
def test_a_refused_value_raises_the_library_code_and_the_range(camera, setting, value, code, words):
    with pytest.raises(ovilux.OviluxError) as refused:
        setattr(camera, setting, value)
    assert refused.value.code == code and refused.value.meaning == ovilux.MEANINGS[code]
    assert words in str(refused.value)


def test_a_failure_reports_its_own_code_not_one_left_by_an_earlier_call(camera):
    assert lib.Ovilux_SetColorMode(camera.handle, 12) == 0  # code 9 left on the stack, not popped
    with pytest.raises(ovilux.OviluxError) as refused:
        camera.subsample = 3  # refused without a code
    assert refused.value.code == 0 and refused.value.meaning == "no code recorded"
    assert "failed: no code recorded" in str(refused.value)
    camera.color_mode = 24
    with pytest.raises(ovilux.OviluxError) as refused:
        camera.window = (1, 0, 640, 480)
    assert refused.value.code == 7 and refused.value.meaning == ovilux.code_text(7) != ovilux.code_text(9)


def test_settings_read_back_within_the_reported_ranges(camera):
    low, high = camera.ranges["global_gain"]
    camera.global_gain = high
    camera.exposure_us = 20000
    camera.gamma = 150
    camera.window = (16, 8, 1280, 720)
    assert (camera.global_gain, camera.exposure_us, camera.gamma) == (high, 20000, 150)
    assert camera.window == ovilux.Window(16, 8, 1280, 720) and camera.size == (1280, 720)


def test_the_exposure_range_is_what_the_current_window_takes(camera):
    camera.window = (0, 0, 2592, 480)
    low, wide = camera.ranges["exposure_us"]
    camera.exposure_us = wide
    assert camera.exposure_us == wide
    camera.window = (0, 0, 640, 480)
    narrow = camera.ranges["exposure_us"][1]
    assert low == 100 and narrow < wide < 2000000  # a narrow window's rows are shorter
    with pytest.raises(ovilux.OviluxError) as refused:
        camera.exposure_us = narrow + 100
    assert refused.value.code == 9 and f"100..{narrow}" in str(refused.value)
    camera.exposure_us = narrow
    assert camera.exposure_us == narrow


def test_leaving_the_with_block_releases_the_session():
    port = ovilux.sim.attach(0x3030)
    try:
        with ovilux.Camera(0) as camera:
            handle = camera.handle
        assert lib.Ovilux_Release(handle) == 0, "the handle is already released"
        with pytest.raises(ovilux.OviluxError):
            camera.snap()
        with pytest.raises(ovilux.OviluxError) as missing:
            ovilux.Camera(5)
        assert missing.value.code == 2
    finally:
        ovilux.sim.detach(port)


def test_a_camera_on_the_factory_settings_neither_sees_nor_changes_the_stored_ones():
    port = ovilux.sim.attach(0x3030)
    try:
        with ovilux.Camera(0) as camera:
            camera.global_gain = 40
            camera.brightness = 30
        with ovilux.Camera(0, defaults=True) as camera:
            assert (camera.global_gain, camera.brightness) == (16, 0)
            camera.global_gain = 20
        with ovilux.Camera(0) as camera:
            assert (camera.global_gain, camera.brightness) == (40, 30)
    finally:
        ovilux.sim.detach(port)
