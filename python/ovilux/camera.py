"""Camera: one library session with one camera open, closed on exit from a with block."""
import ctypes
import os
import struct
import time
from collections import namedtuple
from typing import Callable, Dict, Iterator, List, Optional, Tuple, Union

from . import frames, settings, windows
from ._library import CameraInfo, FrameInfo, FrameMetadata, StreamStatistics, lib
from .errors import BAD_ARGUMENT, NO_CAMERA, NOT_PRESENT, OviluxError

WM_FRAME = 0x8002
COLOR_MODES = (8, 16, 24, 32, 48, 64)
WINDOW_RULES = ("width a multiple of 16 and at least 320, height a multiple of 2 and at least 8, "
                "x and y even, the window inside the sensor; at subsample 1 the multiples are 32, 8 "
                "and 4, at subsample 2 they are 64, 16 and 8")
AUTO_EXPOSURE = {"off": 0, "exposure": 1, "gain": 2}
# How long record() waits, after its length, for the recording's last frame and file.
_RECORD_SETTLE_S = 1.5

Window = namedtuple("Window", "x y width height")


def list_cameras() -> List[str]:
    """The names of the cameras the library finds ("OviluxM03-UX_01", ...), without a Camera.
    (The library's session selects a camera when it finds exactly one; it is released at once.)"""
    handle = lib.Ovilux_Initialize(None)
    if handle == 0:
        raise OviluxError("Ovilux_Initialize", NO_CAMERA, "the library could not create a session")
    try:
        return _camera_names(handle)
    finally:
        lib.Ovilux_Release(handle)


def _camera_names(handle: int) -> List[str]:
    names = ctypes.create_string_buffer(10 * 256)
    count = lib.Ovilux_EnumDevice(handle, names)
    return [names.raw[i * 256:(i + 1) * 256].split(b"\0", 1)[0].decode(errors="replace") for i in range(count)]


def _filter_property(name: str) -> property:
    def get(self: "Camera") -> int:
        return self.get_filter(name)

    def set(self: "Camera", value: int) -> None:
        self.set_filter(name, value)

    return property(get, set, doc=f"{name} (filter index {settings.filter_index(name)})")


def _switch_property(name: str, getter: str, setter: str) -> property:
    def get(self: "Camera") -> bool:
        return bool(getattr(lib, getter)(self._live()))

    def set(self: "Camera", on: bool) -> None:
        self._check(getattr(lib, setter)(self._live(), 1 if on else 0), setter)

    return property(get, set, doc=f"{name}: True or False")


class Camera:
    """Camera(index=0) opens camera index of those the library finds (ovilux.sim attaches
    simulated ones). Use as a context manager, or call close(). The camera starts with its
    stored settings and stores its own when closed; Camera(index, defaults=True) starts from
    the factory settings instead and leaves the stored ones untouched."""

    def __init__(self, index: int = 0, defaults: bool = False) -> None:
        self._handle = 0
        self._streaming = False
        self._index = index
        initialize = lib.OviluxSettings_InitializeWithFactorySettings if defaults else lib.Ovilux_Initialize
        handle = initialize(None)
        if handle == 0:
            raise OviluxError(initialize.__name__, NO_CAMERA, "the library could not create a session")
        self._handle = handle
        try:
            self._select(index)
        except OviluxError:
            self.close()
            raise

    def _select(self, index: int) -> None:
        found = _camera_names(self._live())
        if not 0 <= index < len(found):
            raise OviluxError("Ovilux_SetDeviceNumber", NOT_PRESENT, f"there is no camera {index}; {len(found)} found")
        self.name = found[index]
        self._check(lib.Ovilux_SetDeviceNumber(self._live(), index), "Ovilux_SetDeviceNumber")
        self._info = self._read_info()

    def reopen(self) -> None:
        """Opens the camera again, as after it was unplugged and plugged in again; the session and
        its settings stay. OviluxError (code 2) while it is not back."""
        self._select(self._index)

    def close(self) -> None:
        """Stops any capture and releases the session; later calls raise OviluxError."""
        if self._handle:
            lib.Ovilux_Release(self._handle)
            self._handle = 0

    def __enter__(self) -> "Camera":
        return self

    def __exit__(self, *exception: object) -> None:
        self.close()

    def __del__(self) -> None:
        self.close()

    @property
    def handle(self) -> int:
        """The library's session handle, for calls this package does not wrap."""
        return self._live()

    def _live(self) -> int:
        """The handle for the next call, with the session's code stack read empty: codes of
        earlier calls stay on it until popped, so a failure then reports the call's own code."""
        if not self._handle:
            raise OviluxError("Camera", NO_CAMERA, "the camera is closed")
        while lib.Ovilux_GetLastError(self._handle) != 0:
            pass
        return self._handle

    def _check(self, result: int, call: str, detail: Union[str, Callable[[], str]] = "") -> None:
        """detail may be a function: it is called after the failure's code is read, as reading
        the ranges asks the library again."""
        if not result:
            code = lib.Ovilux_GetLastError(self._handle)
            raise OviluxError(call, code, detail() if callable(detail) else detail)

    def _read_info(self) -> CameraInfo:
        info = CameraInfo(size=ctypes.sizeof(CameraInfo))
        self._check(lib.Ovilux_GetCameraInfo(self._live(), ctypes.byref(info)), "Ovilux_GetCameraInfo")
        return info

    # ---- ranges and settings ----

    @property
    def sensor_size(self) -> Tuple[int, int]:
        return self._info.maxWidth, self._info.maxHeight

    @property
    def ranges(self) -> Dict[str, Tuple[int, int]]:
        """name -> (minimum, maximum) for every setting with a known range; exposure_us in
        microseconds, as the current window takes it (on the M03 a narrower window takes less)."""
        info = self._read_info()
        result = {name: (low, high) for name, (_, low, high) in settings.FIXED_FILTERS.items()}
        for name, (_, field) in settings.CAMERA_GAINS.items():
            result[name] = (getattr(info, field + "Min"), getattr(info, field + "Max"))
        result["exposure_us"] = (info.exposureMin * 100, info.exposureMax * 100)
        return result

    def _range_detail(self, name: str, value: int) -> str:
        if name not in self.ranges:
            return ""
        low, high = self.ranges[name]
        return f"{name} {value} is outside {low}..{high}" if not low <= value <= high else ""

    def get_filter(self, name: str) -> int:
        """The setting name (any of settings.names()) as the library keeps it."""
        if name in settings.WRITE_ONLY:
            raise OviluxError("Ovilux_GetFilterValue", BAD_ARGUMENT, f"{name} can be set, not read back")
        ok = ctypes.c_int32(0)
        value = lib.Ovilux_GetFilterValue(self._live(), settings.filter_index(name), ctypes.byref(ok))
        self._check(ok.value, "Ovilux_GetFilterValue", name)
        return value

    def set_filter(self, name: str, value: int) -> None:
        """Sets the setting name (any of settings.names()); OviluxError with the library's code
        when refused."""
        self._check(lib.Ovilux_SetFilterValue(self._live(), settings.filter_index(name), int(value)),
                    "Ovilux_SetFilterValue", lambda: self._range_detail(name, value) or f"{name} {value}")

    @property
    def exposure_us(self) -> int:
        """Exposure in microseconds, kept in steps of 100."""
        ok = ctypes.c_int32(0)
        value = lib.Ovilux_GetRealExposureTime(self._live(), ctypes.byref(ok))
        self._check(ok.value, "Ovilux_GetRealExposureTime")
        return value

    @exposure_us.setter
    def exposure_us(self, microseconds: int) -> None:
        self._check(lib.Ovilux_SetRealExposureTime(self._live(), int(microseconds)), "Ovilux_SetRealExposureTime",
                    lambda: self._range_detail("exposure_us", microseconds))

    @property
    def auto_exposure(self) -> str:
        """"off", "exposure" (the exposure follows each frame's brightness) or "gain" (the global gain does)."""
        ok = ctypes.c_int32(0)
        mode = lib.Ovilux_GetAutoIris(self._live(), ctypes.byref(ok))
        self._check(ok.value, "Ovilux_GetAutoIris")
        return {code: name for name, code in AUTO_EXPOSURE.items()}.get(mode, str(mode))

    @auto_exposure.setter
    def auto_exposure(self, mode: str) -> None:
        if mode not in AUTO_EXPOSURE:
            raise OviluxError("Ovilux_SetAutoIris", BAD_ARGUMENT, f"auto_exposure is one of {sorted(AUTO_EXPOSURE)}")
        self._check(lib.Ovilux_SetAutoIris(self._live(), AUTO_EXPOSURE[mode]), "Ovilux_SetAutoIris")

    mirror_h = _switch_property("mirror_h", "Ovilux_GetMirrorH", "Ovilux_SetMirrorH")
    mirror_v = _switch_property("mirror_v", "Ovilux_GetMirrorV", "Ovilux_SetMirrorV")

    @property
    def color_mode(self) -> int:
        """Bits per pixel: 8 or 16 (monochrome), 24, 32, 48 or 64 (colour)."""
        return lib.Ovilux_GetColorMode(self._live())

    @color_mode.setter
    def color_mode(self, bits: int) -> None:
        detail = "" if bits in COLOR_MODES else f"colour modes are {COLOR_MODES}"
        self._check(lib.Ovilux_SetColorMode(self._live(), int(bits)), "Ovilux_SetColorMode", detail)

    @property
    def subsample(self) -> int:
        """0 full size, 1 one half, 2 one quarter."""
        return lib.Ovilux_GetSubSample(self._live())

    @subsample.setter
    def subsample(self, code: int) -> None:
        self._check(lib.Ovilux_SetSubSample(self._live(), int(code)), "Ovilux_SetSubSample", "0, 1 or 2")

    @property
    def window(self) -> Window:
        """The capture window on the sensor as Window(x, y, width, height). A window the camera
        refuses raises OviluxError naming the rule it broke, and the window before is kept (the
        library would keep the refused one, and every capture would then fail with code 7)."""
        values = [ctypes.c_int32() for _ in range(6)]
        self._check(lib.Ovilux_GetCaptureWindowEx(self._live(), *[ctypes.byref(v) for v in values]),
                    "Ovilux_GetCaptureWindowEx")
        _, x, width, _, y, height = (v.value for v in values)
        return Window(x, y, width, height)

    @window.setter
    def window(self, window: Tuple[int, int, int, int]) -> None:
        x, y, width, height = (int(v) for v in window)
        before = self.window
        if lib.Ovilux_SetCaptureWindowEx(self._live(), self._info.maxWidth, x, width, self._info.maxHeight, y, height):
            return
        code = lib.Ovilux_GetLastError(self._handle)
        self._put_window(before)
        rule = windows.broken_rule(x, y, width, height, max(self.subsample, 0), self.sensor_size)
        raise OviluxError("Ovilux_SetCaptureWindowEx", code,
                          f"window {width} x {height} at ({x}, {y}): {rule or WINDOW_RULES}")

    def _put_window(self, window: Window) -> None:
        lib.Ovilux_SetCaptureWindowEx(self._handle, self._info.maxWidth, window.x, window.width,
                                      self._info.maxHeight, window.y, window.height)
        while lib.Ovilux_GetLastError(self._handle) != 0:
            pass

    @property
    def size(self) -> Tuple[int, int]:
        """(width, height) of the frames delivered now: the window's, halved or quartered when
        sub-sampling (the library's Ovilux_Width and Ovilux_Height give the window's)."""
        handle = self._live()
        divisor = 1 << max(lib.Ovilux_GetSubSample(handle), 0)
        return lib.Ovilux_Width(handle) // divisor, lib.Ovilux_Height(handle) // divisor

    # ---- frames ----

    def _last_frame(self) -> Optional[FrameMetadata]:
        metadata = FrameMetadata()
        return metadata if lib.OviluxStream_GetLastFrame(self._handle, ctypes.byref(metadata)) else None

    def snap(self, rgb: bool = False) -> frames.Frame:
        """One frame as a numpy array in the library's channel order (blue first), or red first
        with rgb=True; shape (H, W) for 8/16-bit, (H, W, 3) for 24/48, (H, W, 4) for 32/64. It is
        a Frame: its number, time_ns, exposure and gains, and lost (frames lost since the frame
        delivered before it)."""
        self._refuse_while_streaming("snap")
        width, height = self.size
        bits = self.color_mode
        buffer = ctypes.create_string_buffer(frames.buffer_size(width, height, bits))
        self._check(lib.Ovilux_SnapShot(self._live(), buffer, len(buffer), 1), "Ovilux_SnapShot")
        metadata = self._last_frame() or FrameMetadata()
        return frames.told(frames.to_array(buffer, width, height, bits, rgb), metadata, metadata.lostBefore)

    def save(self, path: str, format: Optional[str] = None) -> None:
        """Saves the last frame taken (snap, stream or record) to path as BMP, raw, JPEG, PNG or
        TIFF: format is "bmp", "raw", "jpeg" (also "jpeg70", "jpeg20"), "png" or "tiff", or
        taken from the path's extension."""
        number = settings.save_format(path, format)
        if number is None:
            raise OviluxError("Ovilux_SaveImage", BAD_ARGUMENT,
                              f"cannot tell the format of {path!r}: bmp, raw, jpeg, jpeg70, jpeg20, png or tiff")
        self._check(lib.Ovilux_SaveImage(self._live(), os.fsencode(path), number), "Ovilux_SaveImage", path)

    def _refuse_while_streaming(self, call: str) -> None:
        # The library would take a second live view as the first one, silently sending the first
        # one's frames elsewhere.
        if self._streaming:
            raise OviluxError(call, NO_CAMERA, "this camera's live view is running (a stream() loop or preview()): "
                                               "end it first; one camera gives one live view at a time")

    def stream(self, count: Optional[int] = None, rgb: bool = False, timeout_ms: int = 5000) -> Iterator[frames.Frame]:
        """Live view: yields each frame as a Frame, as snap() gives it (count frames, or until the
        loop stops). A frame's lost counts the frames the camera numbered between the previous
        frame yielded and this one (the ones a slow loop missed). Iterate in one thread; live view
        stops when the loop ends. A second stream of the same camera while one runs is refused."""
        self._refuse_while_streaming("stream")
        return self._stream(count, rgb, timeout_ms)

    def _stream(self, count: Optional[int], rgb: bool, timeout_ms: int) -> Iterator[frames.Frame]:
        self._refuse_while_streaming("stream")
        handle = self._live()
        width, height = self.size
        bits = self.color_mode
        buffer = ctypes.create_string_buffer(frames.buffer_size(width, height, bits))
        window = lib.OviluxWnd_CreateMessageWindow()
        if not window:
            raise OviluxError("OviluxWnd_CreateMessageWindow", NO_CAMERA, "no message window could be made")
        self._streaming = True
        try:
            self._check(lib.Ovilux_CallBackPreview(handle, window, buffer, len(buffer), 1), "Ovilux_CallBackPreview")
            delivered = 0
            previous: Optional[int] = None
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
                image, metadata = self._copy_delivered(buffer, info, rgb)
                if previous is not None and metadata.frameNumber <= previous:
                    continue  # the message of a frame already given with a later one
                lost = metadata.lostBefore if previous is None else metadata.frameNumber - previous - 1
                previous = metadata.frameNumber
                delivered += 1
                yield frames.told(image, metadata, lost)
        finally:
            self._streaming = False
            lib.Ovilux_StopPreview(handle)
            lib.OviluxWnd_DestroyWindow(window)

    def _copy_delivered(self, buffer: ctypes.Array, info: FrameInfo, rgb: bool):
        """The frame in the callback buffer with its metadata, copied out now (the library
        rewrites the buffer with the next frame): copied again when a newer frame came meanwhile."""
        for _ in range(8):
            before = self._last_frame()
            image = frames.to_array(buffer, info.width, info.height, info.bitsPerPixel, rgb)
            after = self._last_frame()
            if before is not None and after is not None and before.frameNumber == after.frameNumber:
                return image, after
        return image, after or FrameMetadata()

    def statistics(self) -> Dict[str, int]:
        """The session's counts since it opened or reset_statistics(): "delivered", and frames
        lost by reason: "header_timeout", "wrong_size", "incomplete", "slow", "camera_lost",
        "buffer_too_small"; "lost" is their sum."""
        counts = StreamStatistics()
        self._check(lib.OviluxStream_GetStatistics(self._live(), ctypes.byref(counts)), "OviluxStream_GetStatistics")
        result = {"delivered": counts.delivered, "header_timeout": counts.lostHeaderTimeout,
                  "wrong_size": counts.lostWrongSize, "incomplete": counts.lostIncomplete, "slow": counts.lostSlow,
                  "camera_lost": counts.lostCameraLost, "buffer_too_small": counts.lostBufferTooSmall}
        result["lost"] = sum(value for name, value in result.items() if name != "delivered")
        return result

    def reset_statistics(self) -> None:
        self._check(lib.OviluxStream_ResetStatistics(self._live()), "OviluxStream_ResetStatistics")

    def record(self, path: str, seconds: float, preview: bool = False) -> int:
        """Records live view into the AVI file path for seconds from its first frame (files that
        would pass 2 GiB go on in NAME_001.avi, ...); preview also shows it in the library's
        window (see preview()). Returns the frames the file holds; OviluxError when the
        recording failed or ended early."""
        self._refuse_while_streaming("record")
        handle = self._live()
        self._check(lib.Ovilux_Record(handle, os.fsencode(path), int(seconds * 1000), 1 if preview else 0),
                    "Ovilux_Record", path)
        window = lib.OviluxWnd_CreateMessageWindow()
        try:
            # Live view runs: following its frame messages tells when the first frame came.
            lib.Ovilux_CallBackPreview(handle, window, None, 0, 1)
            start = time.monotonic()
            first = None
            message, wparam, lparam = ctypes.c_uint32(), ctypes.c_size_t(), ctypes.c_ssize_t()
            while time.monotonic() - (first or start) < seconds + _RECORD_SETTLE_S:
                if (lib.OviluxWnd_GetMessage(window, 50, ctypes.byref(message), ctypes.byref(wparam),
                                             ctypes.byref(lparam)) and message.value == WM_FRAME and first is None):
                    first = time.monotonic()
                if first is None and time.monotonic() - start > seconds + 5:
                    break
        finally:
            lib.Ovilux_StopPreview(handle)
            lib.OviluxWnd_DestroyWindow(window)
        failure = 0
        for code in iter(lambda: lib.Ovilux_GetLastError(handle), 0):
            failure = code
        if failure:
            raise OviluxError("record", failure, f"the recording of {path!r} ended early; what was written is kept")
        with open(path, "rb") as written:
            header = written.read(52)
        return struct.unpack_from("<I", header, 48)[0] if len(header) >= 52 else 0

    def preview(self, x: int = 0, y: int = 0, width: int = 0, height: int = 0) -> None:
        """Starts live view in the library's own top-level window at (x, y), width x height
        (default: the frames' size, scaled down to fit 1280 x 960); stop it with stop(). On Linux
        it needs an X display (DISPLAY): without one, OviluxError code 4."""
        self._refuse_while_streaming("preview")
        if not width or not height:
            frame_width, frame_height = self.size
            scale = min(1.0, 1280 / frame_width, 960 / frame_height)
            width, height = max(1, int(frame_width * scale)), max(1, int(frame_height * scale))
        handle = self._live()
        self._check(lib.Ovilux_SetPreviewWindow(handle, None, int(x), int(y), int(width), int(height)),
                    "Ovilux_SetPreviewWindow")
        detail = "" if os.name == "nt" or os.environ.get("DISPLAY") else "DISPLAY is not set: no X display to show it on"
        self._check(lib.Ovilux_Preview(self._live()), "Ovilux_Preview", detail)
        self._streaming = True

    def stop(self) -> None:
        """Stops live view started by preview() (and closes its window)."""
        self._check(lib.Ovilux_StopPreview(self._live()), "Ovilux_StopPreview")
        lib.Ovilux_SetPreviewWindow(self._handle, None, 0, 0, 0, 0)
        self._streaming = False


for _name in settings.names():
    setattr(Camera, _name, _filter_property(_name))
