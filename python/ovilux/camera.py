"""Camera: one library session with one camera open, closed on exit from a with block."""
import ctypes
from collections import namedtuple

from . import frames
from ._library import CameraInfo, FrameInfo, lib
from .errors import BAD_ARGUMENT, NO_CAMERA, NOT_PRESENT, OviluxError

WM_FRAME = 0x8002
COLOR_MODES = (8, 16, 24, 32, 48, 64)
WINDOW_RULES = ("width a multiple of 16 and at least 320, height a multiple of 2 and at least 8, "
                "x and y even, the window inside the sensor")

Window = namedtuple("Window", "x y width height")

# Filter values the library keeps with fixed ranges: name -> (filter index, minimum, maximum).
_FIXED_FILTERS = {
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
_CAMERA_GAINS = {
    "global_gain": (13, "globalGain"),
    "color_gain_red": (14, "colorGain"),
    "color_gain_green1": (15, "colorGain"),
    "color_gain_green2": (16, "colorGain"),
    "color_gain_blue": (17, "colorGain"),
}


def _filter_property(name):
    def get(self):
        return self._get_filter(name)

    def set(self, value):
        self._set_filter(name, value)

    return property(get, set, doc=f"{name}; its range is ranges[{name!r}]")


class Camera:
    """Camera(index=0) opens camera index of those the library finds (ovilux.sim attaches
    simulated ones). Use as a context manager, or call close(). The camera starts with its
    stored settings and stores its own when closed; Camera(index, defaults=True) starts from
    the factory settings instead and leaves the stored ones untouched."""

    def __init__(self, index=0, defaults=False):
        self._handle = 0
        initialize = lib.OviluxSettings_InitializeWithFactorySettings if defaults else lib.Ovilux_Initialize
        handle = initialize(None)
        if handle == 0:
            raise OviluxError(initialize.__name__, NO_CAMERA, "the library could not create a session")
        self._handle = handle
        names = ctypes.create_string_buffer(10 * 256)
        count = lib.Ovilux_EnumDevice(handle, names)
        if not 0 <= index < count:
            self.close()
            raise OviluxError("Ovilux_SetDeviceNumber", NOT_PRESENT, f"there is no camera {index}; {count} found")
        self.name = names.raw[index * 256:(index + 1) * 256].split(b"\0", 1)[0].decode(errors="replace")
        self._check(lib.Ovilux_SetDeviceNumber(self._live(), index), "Ovilux_SetDeviceNumber")
        self._info = self._read_info()

    def _read_info(self):
        info = CameraInfo(size=ctypes.sizeof(CameraInfo))
        self._check(lib.Ovilux_GetCameraInfo(self._live(), ctypes.byref(info)), "Ovilux_GetCameraInfo")
        return info

    def close(self):
        """Stops any capture and releases the session; later calls raise OviluxError."""
        if self._handle:
            lib.Ovilux_Release(self._handle)
            self._handle = 0

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def __del__(self):
        self.close()

    @property
    def handle(self):
        """The library's session handle, for calls this package does not wrap."""
        return self._live()

    def _live(self):
        """The handle for the next call, with the session's code stack read empty: codes of
        earlier calls stay on it until popped, so a failure then reports the call's own code."""
        if not self._handle:
            raise OviluxError("Camera", NO_CAMERA, "the camera is closed")
        while lib.Ovilux_GetLastError(self._handle) != 0:
            pass
        return self._handle

    def _check(self, result, call, detail=""):
        """detail may be a function: it is called after the failure's code is read, as reading
        the ranges asks the library again."""
        if not result:
            code = lib.Ovilux_GetLastError(self._handle)
            raise OviluxError(call, code, detail() if callable(detail) else detail)

    # ---- ranges and settings ----

    @property
    def sensor_size(self):
        return self._info.maxWidth, self._info.maxHeight

    @property
    def ranges(self):
        """name -> (minimum, maximum) for every setting with a range; exposure_us in microseconds, as
        the current window takes it (a wider window may take less)."""
        info = self._read_info()
        result = {name: (low, high) for name, (_, low, high) in _FIXED_FILTERS.items()}
        for name, (_, field) in _CAMERA_GAINS.items():
            result[name] = (getattr(info, field + "Min"), getattr(info, field + "Max"))
        result["exposure_us"] = (info.exposureMin * 100, info.exposureMax * 100)
        return result

    def _range_detail(self, name, value):
        low, high = self.ranges[name]
        return f"{name} {value} is outside {low}..{high}" if not low <= value <= high else ""

    def _get_filter(self, name):
        index = _FIXED_FILTERS[name][0] if name in _FIXED_FILTERS else _CAMERA_GAINS[name][0]
        ok = ctypes.c_int32(0)
        value = lib.Ovilux_GetFilterValue(self._live(), index, ctypes.byref(ok))
        self._check(ok.value, "Ovilux_GetFilterValue")
        return value

    def _set_filter(self, name, value):
        index = _FIXED_FILTERS[name][0] if name in _FIXED_FILTERS else _CAMERA_GAINS[name][0]
        self._check(lib.Ovilux_SetFilterValue(self._live(), index, int(value)), "Ovilux_SetFilterValue",
                    lambda: self._range_detail(name, value))

    @property
    def exposure_us(self):
        """Exposure in microseconds, kept in steps of 100."""
        ok = ctypes.c_int32(0)
        value = lib.Ovilux_GetRealExposureTime(self._live(), ctypes.byref(ok))
        self._check(ok.value, "Ovilux_GetRealExposureTime")
        return value

    @exposure_us.setter
    def exposure_us(self, microseconds):
        self._check(lib.Ovilux_SetRealExposureTime(self._live(), int(microseconds)), "Ovilux_SetRealExposureTime",
                    lambda: self._range_detail("exposure_us", microseconds))

    @property
    def color_mode(self):
        """Bits per pixel: 8 or 16 (monochrome), 24, 32, 48 or 64 (colour)."""
        return lib.Ovilux_GetColorMode(self._live())

    @color_mode.setter
    def color_mode(self, bits):
        detail = "" if bits in COLOR_MODES else f"colour modes are {COLOR_MODES}"
        self._check(lib.Ovilux_SetColorMode(self._live(), int(bits)), "Ovilux_SetColorMode", detail)

    @property
    def subsample(self):
        """0 full size, 1 one half, 2 one quarter."""
        return lib.Ovilux_GetSubSample(self._live())

    @subsample.setter
    def subsample(self, code):
        self._check(lib.Ovilux_SetSubSample(self._live(), int(code)), "Ovilux_SetSubSample", "0, 1 or 2")

    @property
    def window(self):
        """The capture window on the sensor as Window(x, y, width, height)."""
        values = [ctypes.c_int32() for _ in range(6)]
        self._check(lib.Ovilux_GetCaptureWindowEx(self._live(), *[ctypes.byref(v) for v in values]),
                    "Ovilux_GetCaptureWindowEx")
        _, x, width, _, y, height = (v.value for v in values)
        return Window(x, y, width, height)

    @window.setter
    def window(self, window):
        x, y, width, height = (int(v) for v in window)
        self._check(lib.Ovilux_SetCaptureWindowEx(self._live(), self._info.maxWidth, x, width, self._info.maxHeight,
                                                  y, height),
                    "Ovilux_SetCaptureWindowEx", f"window {width} x {height} at ({x}, {y}): {WINDOW_RULES}")

    @property
    def size(self):
        """(width, height) of the frames delivered now: the window's, halved or quartered when
        sub-sampling (the library's Ovilux_Width and Ovilux_Height give the window's)."""
        handle = self._live()
        divisor = 1 << max(lib.Ovilux_GetSubSample(handle), 0)
        return lib.Ovilux_Width(handle) // divisor, lib.Ovilux_Height(handle) // divisor

    # ---- frames ----

    def snap(self, rgb=False):
        """One frame as a numpy array in the library's channel order (blue first), or red first
        with rgb=True; shape (H, W) for 8/16-bit, (H, W, 3) for 24/48, (H, W, 4) for 32/64."""
        width, height = self.size
        bits = self.color_mode
        buffer = ctypes.create_string_buffer(frames.buffer_size(width, height, bits))
        self._check(lib.Ovilux_SnapShot(self._live(), buffer, len(buffer), 1), "Ovilux_SnapShot")
        return frames.to_array(buffer, width, height, bits, rgb)

    def stream(self, count=None, rgb=False, timeout_ms=5000):
        """Live view: yields each frame as snap() does (count frames, or until the loop stops).
        Iterate in one thread; live view stops when the loop ends."""
        handle = self._live()
        width, height = self.size
        bits = self.color_mode
        buffer = ctypes.create_string_buffer(frames.buffer_size(width, height, bits))
        window = lib.OviluxWnd_CreateMessageWindow()
        if not window:
            raise OviluxError("OviluxWnd_CreateMessageWindow", NO_CAMERA, "no message window could be made")
        try:
            self._check(lib.Ovilux_CallBackPreview(handle, window, buffer, len(buffer), 1), "Ovilux_CallBackPreview")
            delivered = 0
            message, wparam, lparam = ctypes.c_uint32(), ctypes.c_size_t(), ctypes.c_ssize_t()
            while count is None or delivered < count:
                if not lib.OviluxWnd_GetMessage(window, timeout_ms, ctypes.byref(message), ctypes.byref(wparam),
                                                ctypes.byref(lparam)):
                    raise OviluxError("live view", lib.Ovilux_GetLastError(handle), f"no frame in {timeout_ms} ms")
                if message.value != WM_FRAME:
                    continue
                if wparam.value == 0:
                    raise OviluxError("live view", int(lparam.value))
                info = FrameInfo.from_address(wparam.value)
                # Copied out now: the library rewrites the buffer with the next frame.
                frame = frames.to_array(buffer, info.width, info.height, info.bitsPerPixel, rgb)
                delivered += 1
                yield frame
        finally:
            lib.Ovilux_StopPreview(handle)
            lib.OviluxWnd_DestroyWindow(window)


for _name in list(_FIXED_FILTERS) + list(_CAMERA_GAINS):
    setattr(Camera, _name, _filter_property(_name))
