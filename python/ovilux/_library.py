"""Loading the SDK library and declaring the functions the package calls.

The library is found through OVILUX_LIBRARY (a full path), else by its name on the system's
library path: libOviluxSdk_M03_UX.so on Linux, OviluxSdk_M03_UX.dll on Windows (also on PATH). The simulated
camera reads OVILUX_SIMULATE when the library loads, so set it before the first import.
"""
import ctypes
import ctypes.util
import os
import sys

from ctypes import POINTER, c_char_p, c_double, c_int32, c_uint8, c_uint16, c_uint32, c_void_p

_NAME = "OviluxSdk_M03_UX"
_i32p = POINTER(c_int32)

# name: (result type, argument types). The double getters must be declared, or ctypes reads
# their result as an int.
_FUNCTIONS = {
    "Ovilux_GetDllVersion": (c_uint32, []),
    "Ovilux_Initialize": (c_uint32, [c_void_p]),
    "OviluxSettings_InitializeWithFactorySettings": (c_uint32, [c_void_p]),
    "Ovilux_Release": (c_int32, [c_uint32]),
    "Ovilux_GetLastError": (c_int32, [c_uint32]),
    "OviluxCode_Text": (c_char_p, [c_int32]),
    "Ovilux_GetCameraInfo": (c_int32, [c_uint32, c_void_p]),
    "Ovilux_EnumDevice": (c_int32, [c_uint32, c_char_p]),
    "Ovilux_SetDeviceNumber": (c_int32, [c_uint32, c_int32]),
    "Ovilux_SetCaptureWindowEx": (c_int32, [c_uint32] + [c_int32] * 6),
    "Ovilux_GetCaptureWindowEx": (c_int32, [c_uint32] + [_i32p] * 6),
    "Ovilux_Width": (c_int32, [c_uint32]),
    "Ovilux_Height": (c_int32, [c_uint32]),
    "Ovilux_SetColorMode": (c_int32, [c_uint32, c_int32]),
    "Ovilux_GetColorMode": (c_int32, [c_uint32]),
    "Ovilux_SetSubSample": (c_int32, [c_uint32, c_int32]),
    "Ovilux_GetSubSample": (c_int32, [c_uint32]),
    "Ovilux_CallBackPreview": (c_int32, [c_uint32, c_void_p, c_void_p, c_int32, c_int32]),
    "Ovilux_StopPreview": (c_int32, [c_uint32]),
    "Ovilux_SnapShot": (c_int32, [c_uint32, c_void_p, c_int32, c_int32]),
    "Ovilux_GetImage": (c_int32, [c_uint32, c_void_p, c_int32, c_int32]),
    "Ovilux_SetRealExposureTime": (c_int32, [c_uint32, c_int32]),
    "Ovilux_GetRealExposureTime": (c_int32, [c_uint32, _i32p]),
    "Ovilux_GetExposureTimeEx": (c_double, [c_uint32, _i32p]),
    "Ovilux_GetTemperatureEx": (c_double, [c_uint32, _i32p]),
    "Ovilux_GetFilterValue": (c_int32, [c_uint32, c_int32, _i32p]),
    "Ovilux_SetFilterValue": (c_int32, [c_uint32, c_int32, c_int32]),
    "OviluxWnd_CreateMessageWindow": (c_void_p, []),
    "OviluxWnd_GetMessage": (c_int32, [c_void_p, c_uint32, POINTER(c_uint32), POINTER(ctypes.c_size_t),
                                       POINTER(ctypes.c_ssize_t)]),
    "OviluxWnd_DestroyWindow": (None, [c_void_p]),
    "Ovilux_SetMirrorH": (c_int32, [c_uint32, c_int32]),
    "Ovilux_SetMirrorV": (c_int32, [c_uint32, c_int32]),
    "Ovilux_GetMirrorH": (c_int32, [c_uint32]),
    "Ovilux_GetMirrorV": (c_int32, [c_uint32]),
    "Ovilux_SetAutoIris": (c_int32, [c_uint32, c_int32]),
    "Ovilux_GetAutoIris": (c_int32, [c_uint32, _i32p]),
    "Ovilux_SaveImage": (c_int32, [c_uint32, c_char_p, c_int32]),
    "Ovilux_Record": (c_int32, [c_uint32, c_char_p, c_int32, c_int32]),
    "Ovilux_SetPreviewWindow": (c_int32, [c_uint32, c_void_p, c_int32, c_int32, c_int32, c_int32]),
    "Ovilux_Preview": (c_int32, [c_uint32]),
    "Ovilux_SetWaitTime": (c_int32, [c_uint32, c_int32]),
    "OviluxStream_GetLastFrame": (c_int32, [c_uint32, c_void_p]),
    "OviluxStream_GetStatistics": (c_int32, [c_uint32, c_void_p]),
    "OviluxStream_ResetStatistics": (c_int32, [c_uint32]),
    "OviluxSim_Attach": (c_int32, [c_uint32, c_int32]),
    "OviluxSim_Detach": (c_int32, [c_int32]),
    "OviluxSim_List": (c_int32, [c_void_p, c_int32]),
    "OviluxSim_SetSpeed": (c_int32, [c_int32]),
    "OviluxSim_GetFrameCount": (c_int32, [c_int32, POINTER(c_uint32)]),
    "OviluxSim_GetFramesSent": (c_int32, [c_int32, POINTER(c_uint32)]),
    "OviluxSim_PeekSensorRegister": (c_int32, [c_int32, c_uint32, POINTER(c_uint16)]),
    "OviluxSim_PeekFpgaRegister": (c_int32, [c_int32, c_uint32, POINTER(c_uint8)]),
    "OviluxSim_ShowPicture": (c_int32, [c_int32, c_void_p, c_int32, c_int32, c_int32, c_int32]),
    "OviluxSim_SetSceneOptions": (c_int32, [c_int32, c_uint32]),
}


class CameraInfo(ctypes.Structure):
    _fields_ = [(name, c_int32) for name in (
        "size", "maxWidth", "maxHeight", "globalGainMin", "globalGainMax", "colorGainMin", "colorGainMax",
        "exposureMin", "exposureMax", "reserved")] + [("exposureSecondsMin", c_double), ("exposureSecondsMax", c_double)]


class FrameInfo(ctypes.Structure):
    _fields_ = [(name, c_int32) for name in (
        "reserved", "width", "height", "bitsPerPixel", "frameRateX10", "padding")] + [("buffer", c_void_p)]


class FrameMetadata(ctypes.Structure):
    _fields_ = [("frameNumber", c_uint32), ("lostBefore", c_uint32), ("arrivalNs", ctypes.c_uint64)] + [
        (name, c_int32) for name in (
            "exposureMicroseconds", "globalGain", "gainRed", "gainGreen1", "gainGreen2", "gainBlue")]


class StreamStatistics(ctypes.Structure):
    _fields_ = [(name, ctypes.c_uint64) for name in (
        "delivered", "lostHeaderTimeout", "lostWrongSize", "lostIncomplete", "lostSlow", "lostCameraLost",
        "lostBufferTooSmall")]


class SimCamera(ctypes.Structure):
    _fields_ = [("port", c_int32), ("vendorId", c_uint16), ("productId", c_uint16), ("path", ctypes.c_char * 260)]


def _load():
    path = os.environ.get("OVILUX_LIBRARY")
    if path:
        return ctypes.CDLL(path)
    candidates = [f"{_NAME}.dll"] if sys.platform == "win32" else [f"lib{_NAME}.so"]
    found = ctypes.util.find_library(_NAME)
    if found:
        candidates.append(found)
    # On Windows, winmode 0 searches PATH as well, where the SDK's bin/ usually is.
    options = {"winmode": 0} if sys.platform == "win32" else {}
    errors = []
    for name in candidates:
        try:
            return ctypes.CDLL(name, **options)
        except OSError as error:
            errors.append(str(error))
    raise OSError(f"the Ovilux SDK library was not found (set OVILUX_LIBRARY to its path): {'; '.join(errors)}")


lib = _load()
for _name, (_result, _arguments) in _FUNCTIONS.items():
    _function = getattr(lib, _name)
    _function.restype = _result
    _function.argtypes = _arguments
