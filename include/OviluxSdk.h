/* OviluxSdk.h - the public C interface of the Ovilux M03 camera SDK (OviluxSdk_M03_UX). */
#ifndef OVILUX_SDK_H
#define OVILUX_SDK_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#include <windows.h>
typedef HWND OVILUX_HWND;
/* UTF-16 text of the W functions. */
typedef wchar_t OVILUX_WCHAR;
#else
/* An opaque window: a message window made by OviluxWnd_CreateMessageWindow or a library window. */
typedef struct OviluxWindow_* OVILUX_HWND;
/* UTF-16 text of the W functions (code units, as Windows' wchar_t). */
typedef uint16_t OVILUX_WCHAR;
#endif

#if defined(_WIN32)
#if defined(OVILUX_BUILDING_SDK)
#define OVILUX_API
#else
#define OVILUX_API __declspec(dllimport)
#endif
#else
#define OVILUX_API __attribute__((visibility("default")))
#endif

/* ---------------------------------------------------------------------------------------------
 * Conventions
 *
 * A session is an unsigned 32-bit handle made by Ovilux_Initialize. Every function but
 * Ovilux_GetDllVersion takes it first; an unknown or released handle makes a function return its
 * failure value (0, -1 for Ovilux_GetColorMode, Ovilux_GetSubSample and Ovilux_GetWaitTime, 0.0
 * for the two functions returning a double) and records nothing.
 *
 * A failing operation stores a notification code on the session's error stack (20 entries,
 * Ovilux_GetLastError pops the newest) and posts it to the notification window as message
 * OVILUX_WM_NOTIFY with wParam 0 and lParam the code. Getters that can fail take an optional
 * pointer to a success flag, set to 1 or 0.
 *
 * Threads: any application thread may call any function. Functions on one session are not
 * serialised against each other except where said: the live view runs on a worker thread of the
 * session and takes the session's image lock for each frame; setters may be called while it
 * runs. Ovilux_Release stops a running live view before the session goes; it must not run
 * while another thread is inside a function on the same handle.
 *
 * Pixel layouts of the colour modes (Ovilux_SetColorMode; buffers of Ovilux_SnapShot,
 * Ovilux_GetImage and Ovilux_CallBackPreview). Each row is padded to a multiple of 4 bytes:
 * stride = (width x bits / 8 + 3) & ~3, buffer size = stride x height. rowOrder non-zero gives
 * the first sensor row first.
 *    8  monochrome, one byte per pixel (the raw Bayer samples)
 *   16  monochrome, one little-endian 16-bit word per pixel
 *   24  colour, bytes blue, green, red
 *   32  colour, bytes blue, green, red and a fourth byte 0 (not alpha)
 *   48  colour, 16-bit words blue, green, red
 *   64  colour, 16-bit words blue, green, red and a fourth word 0
 * 16-bit samples carry the sensor's 12 significant bits right-aligned: 0 to 4095. Every
 * reduction to 8 bits (previews, JPEG files) takes bits 11 to 4 (sample >> 4); PNG and TIFF files
 * of those modes hold the samples stretched over the full 16-bit range (PNG with an sBIT chunk of
 * 12, so the 12 bits come back exactly as value >> 4); raw files hold them as delivered.
 *
 * Capture window rules (Ovilux_SetCaptureWindowEx; pixels of the opened camera's sensor, 2592 x
 * 1944 on the M03, as Ovilux_GetCameraInfo gives it): at least 320 x 8 and inside the sensor; at full size (sub-sampling 0) the width a multiple of 16, the
 * height a multiple of 2, the origin even; at sub-sampling 1 the multiples are 32, 8 and 4, at
 * sub-sampling 2 they are 64, 16 and 8, and the frames are a half or a quarter of the window.
 *
 * Bayer phase of the raw modes (8 and 16 bits; gray mode 0 leaves the samples as the sensor gave
 * them): each sample is one colour of the sensor's Bayer filter. The M03's first active pixel is
 * red, so rows alternate R G R G ... and G B G B ..., and an unmirrored image's top-left 2 x 2
 * block is R G / G B: Bayer mode 1, the default of Ovilux_SetBayerMode. Window offsets keep this
 * phase (the origin is even at every sub-sampling, and sub-sampling reads rows and columns in
 * same-coloured pairs). The camera mirrors by reading the window from its far end, and window
 * sizes are even, so mirroring changes the phase: with Ovilux_SetMirrorH the block is G R / B G
 * (mode 3), with Ovilux_SetMirrorV G B / R G (mode 0), with both B G / G R (mode 2). The Bayer
 * mode setting names the unmirrored phase; the demosaic of the colour modes and of gray mode 2
 * exchanges it for the mirrors itself.
 *
 * Recording (Ovilux_Record), the defect mask, configuration files, the image adjustment filters,
 * the gray modes and automatic exposure all work on every system. The property dialogs are
 * offered on Windows; elsewhere they return 0 with code 11. Functions this camera family does not
 * support are listed at the end, with what they return.
 * ------------------------------------------------------------------------------------------- */

/* Window messages the library posts. */
#define OVILUX_WM_FRAME 0x8002  /* to the callback window: wParam = OviluxFrameInfo*, or 0 with lParam a code */
#define OVILUX_WM_NOTIFY 0x8003 /* to the notification window: wParam 0, lParam a notification code */

/* A camera plugged in or unplugged, to the notification window, as Windows' WM_DEVICECHANGE:
 * wParam OVILUX_DEVICE_ARRIVAL or OVILUX_DEVICE_REMOVE_COMPLETE, lParam the address of an
 * OviluxDeviceBroadcast naming the camera's interface path (laid out as Windows'
 * DEV_BROADCAST_DEVICEINTERFACE_A). On Windows the system sends these for real cameras; the
 * library posts them for simulated cameras and, on Linux, for real ones (libusb's hot-plug
 * events). A posted record stays readable until 64 later device-change messages. Call
 * Ovilux_EnumDevice on arrival and select the camera again with Ovilux_SetDeviceNumber. */
#define OVILUX_WM_DEVICECHANGE 0x0219
#define OVILUX_DEVICE_ARRIVAL 0x8000
#define OVILUX_DEVICE_REMOVE_COMPLETE 0x8004
typedef struct OviluxDeviceBroadcast {
    uint32_t size;       /* bytes up to and including the name's terminator */
    uint32_t deviceType; /* 5: a device interface */
    uint32_t reserved;
    uint8_t classGuid[16];
    char name[260];      /* the interface path, e.g. \\?\usb#vid_04b4&pid_3030#... */
} OviluxDeviceBroadcast;

/* Notification codes: lParam of OVILUX_WM_NOTIFY and values of Ovilux_GetLastError; a text for
 * each: OviluxCode_Text in OviluxCodes.h. */
#define OVILUX_CODE_SUCCESS 0        /* success notice after a camera feature switch or a temperature read */
#define OVILUX_CODE_NO_CAMERA 1      /* no camera object, wrong capture state, or no image yet */
#define OVILUX_CODE_NOT_PRESENT 2    /* the camera is not present, or a device index out of range */
#define OVILUX_CODE_THREAD 3         /* a worker thread or its event could not be created */
#define OVILUX_CODE_WINDOW 4         /* the preview window could not be made; no matching size preset */
#define OVILUX_CODE_MEMORY 5         /* an image buffer could not be allocated, or a caller's buffer is too small */
#define OVILUX_CODE_REFUSED 6        /* the camera refused a register or feature operation */
#define OVILUX_CODE_BAD_WINDOW 7     /* the capture window is invalid or the camera refused it */
#define OVILUX_CODE_NO_FRAME 8       /* a frame could not be taken or the live view could not start */
#define OVILUX_CODE_BAD_ARGUMENT 9   /* an argument is out of range or null */
#define OVILUX_CODE_NOT_SUPPORTED 11 /* the function or feature is not supported */
#define OVILUX_CODE_CONVERSION 12    /* a name could not be converted; temperature or file failure */
#define OVILUX_CODE_CAMERA_LOST 13   /* the camera was lost during live view */
#define OVILUX_CODE_MASK_FILE 14     /* a defect-mask file could not be read or written */

/* Indices of Ovilux_GetFilterValue and Ovilux_SetFilterValue. */
#define OVILUX_FILTER_BRIGHTNESS 1
#define OVILUX_FILTER_CONTRAST 2
#define OVILUX_FILTER_HUE 3
#define OVILUX_FILTER_SATURATION 4
#define OVILUX_FILTER_SHARPNESS 5
#define OVILUX_FILTER_BAYER_GAIN_RGB 6
#define OVILUX_FILTER_BAYER_GAIN_RED 7
#define OVILUX_FILTER_BAYER_GAIN_GREEN 8
#define OVILUX_FILTER_BAYER_GAIN_BLUE 9
#define OVILUX_FILTER_BAYER_GAIN_AUTO 10
#define OVILUX_FILTER_GAMMA 11
#define OVILUX_FILTER_BAYER_MODE 12
#define OVILUX_FILTER_GLOBAL_GAIN 13
#define OVILUX_FILTER_COLOR_GAIN_RED 14
#define OVILUX_FILTER_COLOR_GAIN_GREEN1 15
#define OVILUX_FILTER_COLOR_GAIN_GREEN2 16
#define OVILUX_FILTER_COLOR_GAIN_BLUE 17
#define OVILUX_FILTER_EXPOSURE_TIME 18
#define OVILUX_FILTER_GRAY_MODE 19
#define OVILUX_FILTER_GRAY_GAIN_R 20
#define OVILUX_FILTER_GRAY_GAIN_G1 21
#define OVILUX_FILTER_GRAY_GAIN_G2 22
#define OVILUX_FILTER_GRAY_GAIN_B 23
#define OVILUX_FILTER_GRAY_OFFSET_R 24
#define OVILUX_FILTER_GRAY_OFFSET_G1 25
#define OVILUX_FILTER_GRAY_OFFSET_G2 26
#define OVILUX_FILTER_GRAY_OFFSET_B 27
#define OVILUX_FILTER_PIPELINE_SWITCH 28
#define OVILUX_FILTER_CHANNEL_GAIN1 29 /* 29 to 32: channel gains 1 to 4 */
#define OVILUX_FILTER_CHANNEL_OFFSET1 33 /* 33 to 36: channel offsets 1 to 4 */
#define OVILUX_FILTER_PELTIER 100
#define OVILUX_FILTER_TEMPERATURE 101
#define OVILUX_FILTER_DOT_FILTER 102
#define OVILUX_FILTER_MASK_FILTER 103
#define OVILUX_FILTER_GAIN_MODE 104
#define OVILUX_FILTER_PRESET 105
#define OVILUX_FILTER_BLACK_LEVEL 106

/* Enumeration: Ovilux_EnumDevice fills 10 names of 256 characters each. */
#define OVILUX_ENUM_SLOTS 10
#define OVILUX_ENUM_NAME_CHARS 256

/* The record whose address message OVILUX_WM_FRAME carries in wParam. It belongs to the session
 * and is rewritten by the next frame: read it before the next frame arrives. */
typedef struct OviluxFrameInfo {
    int32_t reserved;     /* 0 */
    int32_t width;        /* pixels */
    int32_t height;       /* pixels */
    int32_t bitsPerPixel; /* 8, 16, 24, 32, 48 or 64 */
    int32_t frameRateX10; /* measured frames per second x 10 */
    int32_t padding;      /* alignment of the pointer below */
    void* buffer;         /* the application's buffer given to Ovilux_CallBackPreview */
} OviluxFrameInfo;

/* Ovilux_GetCameraInfo's record; the caller sets size (36 at least; 56 to get the doubles). */
typedef struct OviluxCameraInfo {
    int32_t size;
    int32_t maxWidth;           /* the opened camera's sensor: 2592 on the M03 */
    int32_t maxHeight;          /* 1944 on the M03; 32768 on a line-scan camera */
    int32_t globalGainMin;
    int32_t globalGainMax;
    int32_t colorGainMin;
    int32_t colorGainMax;
    int32_t exposureMin;        /* 0.1 ms units */
    int32_t exposureMax;        /* what the current window takes: on the M03 it grows as it widens */
    int32_t reserved;
    double exposureSecondsMin;  /* filled when size >= 56 */
    double exposureSecondsMax;  /* filled when size >= 56 */
} OviluxCameraInfo;

/* The records' byte layouts are part of the interface: any compiler must agree on them. */
#define OVILUX_LAYOUT_CHECK(name, condition) typedef char ovilux_layout_##name[(condition) ? 1 : -1]
OVILUX_LAYOUT_CHECK(frame_width, offsetof(OviluxFrameInfo, width) == 4);
OVILUX_LAYOUT_CHECK(frame_bits, offsetof(OviluxFrameInfo, bitsPerPixel) == 12);
OVILUX_LAYOUT_CHECK(frame_rate, offsetof(OviluxFrameInfo, frameRateX10) == 16);
OVILUX_LAYOUT_CHECK(frame_buffer, sizeof(void*) != 8 || offsetof(OviluxFrameInfo, buffer) == 24);
OVILUX_LAYOUT_CHECK(frame_size, sizeof(void*) != 8 || sizeof(OviluxFrameInfo) == 32);
OVILUX_LAYOUT_CHECK(info_gain, offsetof(OviluxCameraInfo, globalGainMin) == 12);
OVILUX_LAYOUT_CHECK(info_color, offsetof(OviluxCameraInfo, colorGainMin) == 20);
OVILUX_LAYOUT_CHECK(info_exposure, offsetof(OviluxCameraInfo, exposureMax) == 32);
OVILUX_LAYOUT_CHECK(info_seconds_min, offsetof(OviluxCameraInfo, exposureSecondsMin) == 40);
OVILUX_LAYOUT_CHECK(info_seconds_max, offsetof(OviluxCameraInfo, exposureSecondsMax) == 48);
OVILUX_LAYOUT_CHECK(info_size, sizeof(OviluxCameraInfo) == 56);
#undef OVILUX_LAYOUT_CHECK

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Lifecycle and general ---- */

/* A new session; selects the camera at once when exactly one is attached. notifyWindow (may be
 * null) receives OVILUX_WM_NOTIFY. Returns the handle, 0 on failure. */
OVILUX_API uint32_t Ovilux_Initialize(OVILUX_HWND notifyWindow);
/* Stops any capture, closes the camera and frees the session; 1, or 0 for an unknown handle. */
OVILUX_API int32_t Ovilux_Release(uint32_t handle);
/* Version code: high 16 bits the camera model the library is built for (3 for the M03),
 * low 16 bits 0x0520. Never fails; may be called from any thread without a session. */
OVILUX_API uint32_t Ovilux_GetDllVersion(void);
/* Pops the newest stored notification code; 0 when none is stored. */
OVILUX_API int32_t Ovilux_GetLastError(uint32_t handle);
/* Always 0. */
OVILUX_API int32_t Ovilux_GetStatus(uint32_t handle);
/* Fills the record with the camera's sizes, gain and exposure limits; 1 / 0. */
OVILUX_API int32_t Ovilux_GetCameraInfo(uint32_t handle, OviluxCameraInfo* info);

/* ---- Device selection and session state ---- */

/* Writes the names of the attached cameras ("OviluxM03-UX_01", ...) into 10 slots of 256 chars,
 * empties the unused slots; returns the number of names. */
OVILUX_API int32_t Ovilux_EnumDevice(uint32_t handle, char* names);
/* As Ovilux_EnumDevice, into 10 slots of 256 UTF-16 units. */
OVILUX_API int32_t Ovilux_EnumDeviceW(uint32_t handle, OVILUX_WCHAR* names);
/* The name of the camera at index (0..31) into buffer (length 18 at least); 1 / 0. */
OVILUX_API int32_t Ovilux_GetDeviceName(uint32_t handle, int32_t index, char* buffer, int32_t length);
/* As Ovilux_GetDeviceName in UTF-16; length in UTF-16 units. 1 / 0. */
OVILUX_API int32_t Ovilux_GetDeviceNameW(uint32_t handle, int32_t index, OVILUX_WCHAR* buffer, int32_t length);
/* Opens the camera at index and gives it the session's settings; 1 / 0. */
OVILUX_API int32_t Ovilux_SetDeviceNumber(uint32_t handle, int32_t index);
/* Stops capture, closes the preview window and the camera's stream; always 1. */
OVILUX_API int32_t Ovilux_Close(uint32_t handle);

/* ---- Image format ---- */

/* Selects a stored size preset by its effective width and height; 1 / 0. */
OVILUX_API int32_t Ovilux_SetCaptureWindow(uint32_t handle, int32_t width, int32_t height);
/* Sets the capture window: totals (the sensor's size), origin and size in sensor pixels,
 * following the window rules above; 1 / 0 (code 9 for a size the camera does not take, 7 for a window that
 * breaks the rules). */
OVILUX_API int32_t Ovilux_SetCaptureWindowEx(uint32_t handle, int32_t hTotal, int32_t hStart, int32_t hEffective,
                                             int32_t vTotal, int32_t vStart, int32_t vEffective);
/* Reads the capture window into the pointers that are not null; 1. */
OVILUX_API int32_t Ovilux_GetCaptureWindowEx(uint32_t handle, int32_t* hTotal, int32_t* hStart, int32_t* hEffective,
                                             int32_t* vTotal, int32_t* vStart, int32_t* vEffective);
/* The effective width of the capture window in pixels. */
OVILUX_API int32_t Ovilux_Width(uint32_t handle);
/* The effective height of the capture window in pixels. */
OVILUX_API int32_t Ovilux_Height(uint32_t handle);
/* Colour mode as bits per pixel: 8, 16 (monochrome), 24, 32, 48, 64 (colour); 1 / 0. */
OVILUX_API int32_t Ovilux_SetColorMode(uint32_t handle, int32_t bitsPerPixel);
/* The colour mode as bits per pixel; -1 on failure. */
OVILUX_API int32_t Ovilux_GetColorMode(uint32_t handle);
/* Sub-sampling 0 (full), 1 (1/2) or 2 (1/4); 1, or 0 for other values. */
OVILUX_API int32_t Ovilux_SetSubSample(uint32_t handle, int32_t code);
/* The sub-sampling code; -1 on failure. */
OVILUX_API int32_t Ovilux_GetSubSample(uint32_t handle);
/* Horizontal mirroring on (non-zero) or off, sent to the camera at once and kept; 1 / 0. */
OVILUX_API int32_t Ovilux_SetMirrorH(uint32_t handle, int32_t on);
/* Vertical mirroring on (non-zero) or off, sent to the camera at once and kept; 1 / 0. */
OVILUX_API int32_t Ovilux_SetMirrorV(uint32_t handle, int32_t on);
/* The kept horizontal mirroring flag (0/1). */
OVILUX_API int32_t Ovilux_GetMirrorH(uint32_t handle);
/* The kept vertical mirroring flag (0/1). */
OVILUX_API int32_t Ovilux_GetMirrorV(uint32_t handle);
/* The camera's sampling-rate operation with the value; its result. */
OVILUX_API int32_t Ovilux_SetSamplingRate(uint32_t handle, int32_t value);
/* Always 0; the flag is set to 0. */
OVILUX_API int32_t Ovilux_GetSamplingRate(uint32_t handle, int32_t* ok);
/* Always 0; the flag is set to 0 (the same entry point as Ovilux_GetSamplingRate). */
OVILUX_API int32_t Ovilux_GetVideoFormat(uint32_t handle, int32_t* ok);
/* Places the live-view window: a child of parent at (x, y, width, height), or a top-level window
 * when parent is null and any value is non-zero; all zero means no window. 1 / 0. */
OVILUX_API int32_t Ovilux_SetPreviewWindow(uint32_t handle, OVILUX_HWND parent, int32_t x, int32_t y, int32_t width,
                                           int32_t height);

/* ---- Capture and delivery ---- */

/* Starts live view in the library's window (windowless when no placement is set); 1 / 0. */
OVILUX_API int32_t Ovilux_Preview(uint32_t handle);
/* Starts live view that copies every frame into buffer (size bytes; rowOrder non-zero keeps the
 * stored row order, 0 reverses it) and posts OVILUX_WM_FRAME to callbackWindow; 1 / 0. */
OVILUX_API int32_t Ovilux_CallBackPreview(uint32_t handle, OVILUX_HWND callbackWindow, void* buffer, int32_t size,
                                          int32_t rowOrder);
/* Starts live view with the current settings; 1 also when it already runs, 0 on failure. */
OVILUX_API int32_t Ovilux_StartPreview(uint32_t handle);
/* Stops live view and waits for the worker; 1 / 0. */
OVILUX_API int32_t Ovilux_StopPreview(uint32_t handle);
/* Prepares frames on demand (Ovilux_SnapShot); 1 / 0 (0 during live view). */
OVILUX_API int32_t Ovilux_Capture(uint32_t handle);
/* Takes one frame, converts it, copies it into buffer when given; 1 / 0. */
OVILUX_API int32_t Ovilux_SnapShot(uint32_t handle, void* buffer, int32_t size, int32_t rowOrder);
/* Copies the last converted frame of the colour mode into buffer; 1 / 0. */
OVILUX_API int32_t Ovilux_GetImage(uint32_t handle, void* buffer, int32_t size, int32_t rowOrder);
/* Live-view pause between frames in milliseconds (>= 0); 1, or 0 for a negative value. */
OVILUX_API int32_t Ovilux_SetWaitTime(uint32_t handle, int32_t milliseconds);
/* The live-view pause in milliseconds; -1 on failure. */
OVILUX_API int32_t Ovilux_GetWaitTime(uint32_t handle);
/* Starts live view and records its frames into an uncompressed AVI file for timeMs from the
 * first frame; 1 / 0. Files that would pass 2 GiB go on in NAME_001.avi, NAME_002.avi, ... A stop
 * (Ovilux_StopPreview, Ovilux_Close) or the camera's loss ends the recording with its file
 * finalised; while it records, the file is held by the library (on Windows no other program may
 * open it). window non-zero shows the live view in the library's window (Ovilux_SetPreviewWindow).
 * A failure after live view started closes it, and the window, again. */
OVILUX_API int32_t Ovilux_Record(uint32_t handle, const char* fileName, int32_t timeMs, int32_t window);
/* As Ovilux_Record with a UTF-16 file name. */
OVILUX_API int32_t Ovilux_RecordW(uint32_t handle, const OVILUX_WCHAR* fileName, int32_t timeMs, int32_t window);
/* File formats of Ovilux_SaveImage: the number alone chooses, not the name's extension. */
#define OVILUX_SAVE_BMP 0      /* uncompressed BMP */
#define OVILUX_SAVE_RAW 1      /* the image's bytes as delivered (stride-padded rows), no header */
#define OVILUX_SAVE_JPEG_100 2 /* JPEG at quality 100 */
#define OVILUX_SAVE_JPEG_70 3  /* JPEG at quality 70 */
#define OVILUX_SAVE_JPEG_20 4  /* JPEG at quality 20 */
#define OVILUX_SAVE_PNG 5      /* PNG */
#define OVILUX_SAVE_TIFF 6     /* TIFF */
/* Saves the last frame to a file in one of the formats above; 1 / 0. A file the system refuses
 * records no code (OviluxCodes.h). */
OVILUX_API int32_t Ovilux_SaveImage(uint32_t handle, const char* fileName, int32_t format);
/* As Ovilux_SaveImage with a UTF-16 file name. */
OVILUX_API int32_t Ovilux_SaveImageW(uint32_t handle, const OVILUX_WCHAR* fileName, int32_t format);

/* ---- Exposure ---- */

/* Exposure in seconds, for cameras that take it; 1 / 0. */
OVILUX_API int32_t Ovilux_SetExposureTimeEx(uint32_t handle, double seconds);
/* Exposure in seconds; -1.0 when not read. */
OVILUX_API double Ovilux_GetExposureTimeEx(uint32_t handle, int32_t* ok);
/* Exposure in microseconds (kept in 0.1 ms steps) within the camera's limits (Ovilux_GetCameraInfo's
 * exposureMin..exposureMax x 100, which follow the window on the M03: 100 to about 544000 at 640 wide,
 * 1211000 at 2592); outside them refused with code 9; 1 / 0. */
OVILUX_API int32_t Ovilux_SetRealExposureTime(uint32_t handle, int32_t microseconds);
/* The kept exposure in microseconds. */
OVILUX_API int32_t Ovilux_GetRealExposureTime(uint32_t handle, int32_t* ok);

/* ---- Registers and identity ---- */

/* A sensor register (8-bit address); its value, the flag telling success. */
OVILUX_API int32_t Ovilux_ReadRegister(uint32_t handle, uint8_t address, int32_t* ok);
/* A sensor register (32-bit address); its value, the flag telling success. */
OVILUX_API int32_t Ovilux_ReadRegisterEx(uint32_t handle, uint32_t address, int32_t* ok);
/* Writes a sensor register (8-bit address, 16-bit value); 1 / 0. */
OVILUX_API int32_t Ovilux_WriteRegister(uint32_t handle, uint8_t address, uint16_t value);
/* Writes a sensor register (32-bit address and value); 1 / 0. */
OVILUX_API int32_t Ovilux_WriteRegisterEx(uint32_t handle, uint32_t address, uint32_t value);
/* An FPGA register; its value, the flag telling success. */
OVILUX_API int32_t Ovilux_Fpga_ReadRegister(uint32_t handle, uint8_t address, int32_t* ok);
/* Writes an FPGA register (registers hold 8 bits: the low byte of value is written); 1 / 0. */
OVILUX_API int32_t Ovilux_Fpga_WriteRegister(uint32_t handle, uint8_t address, uint16_t value);
/* Reads the I/O port (FPGA register 7) into *value; 1 / 0. */
OVILUX_API int32_t Ovilux_GetIOPort(uint32_t handle, uint8_t* value);
/* Writes the I/O port; the write's result. */
OVILUX_API int32_t Ovilux_SetIOPort(uint32_t handle, uint8_t value);
/* A byte of the camera's configuration memory (12-bit address); the flag telling success. */
OVILUX_API int32_t Ovilux_ReadSromID(uint32_t handle, uint16_t address, int32_t* ok);
/* Writes a byte of the configuration memory, verified by reading it back; 1 / 0. */
OVILUX_API int32_t Ovilux_WriteSromID(uint32_t handle, uint16_t address, uint8_t value);

/* ---- Temperature, cooling, auto iris ---- */

/* The camera's temperature in degrees Celsius; 0.0 when not read (see the flag). */
OVILUX_API double Ovilux_GetTemperatureEx(uint32_t handle, int32_t* ok);
/* Filter index 101: -1 (this camera reports no temperature through it). */
OVILUX_API int32_t Ovilux_GetTemperature(uint32_t handle, int32_t* ok);
/* Filter index 100: switches the cooler; the camera's result, 0 when not supported. */
OVILUX_API int32_t Ovilux_SetPeltier(uint32_t handle, int32_t on);
/* Filter index 100: the cooler state; -1 when not supported. */
OVILUX_API int32_t Ovilux_GetPeltier(uint32_t handle, int32_t* ok);
/* Automatic exposure mode 0 (off), 1 (the exposure follows each frame's brightness) or 2 (the
 * global gain does); 1 / 0. */
OVILUX_API int32_t Ovilux_SetAutoIris(uint32_t handle, int32_t mode);
/* The kept automatic exposure mode; the flag is set to 1. */
OVILUX_API int32_t Ovilux_GetAutoIris(uint32_t handle, int32_t* ok);

/* ---- Defect mask, property dialogs, configuration ---- */

/* The dialogs are offered on Windows only: elsewhere they return 0 with code 11. */
/* Loads the defect references from a mask file; 1 / 0. */
OVILUX_API int32_t Ovilux_LoadMaskFile(uint32_t handle, const char* fileName);
/* As Ovilux_LoadMaskFile with a UTF-16 file name. */
OVILUX_API int32_t Ovilux_LoadMaskFileW(uint32_t handle, const OVILUX_WCHAR* fileName);
/* Saves the defect references to a mask file; 1 / 0. */
OVILUX_API int32_t Ovilux_SaveMaskFile(uint32_t handle, const char* fileName);
/* As Ovilux_SaveMaskFile with a UTF-16 file name. */
OVILUX_API int32_t Ovilux_SaveMaskFileW(uint32_t handle, const OVILUX_WCHAR* fileName);
/* Makes the current frame the dark (0) or bright (1) reference; 1 / 0. */
OVILUX_API int32_t Ovilux_UpdateMaskData(uint32_t handle, int32_t selector);
/* The camera format dialog; 1 once closed, 0 on failure. */
OVILUX_API int32_t Ovilux_SetCameraDlg(uint32_t handle, OVILUX_HWND owner);
/* The analog (gain and exposure) dialog; 1 once closed, 0 on failure. */
OVILUX_API int32_t Ovilux_SetAnalogDlg(uint32_t handle, OVILUX_HWND owner);
/* The image filter dialog; 1 once closed, 0 on failure. */
OVILUX_API int32_t Ovilux_SetImageDlg(uint32_t handle, OVILUX_HWND owner);
/* Reads a configuration file of integer pairs; 1 / 0. */
OVILUX_API int32_t Ovilux_LoadConfigFileA(uint32_t handle, const char* fileName);
/* As Ovilux_LoadConfigFileA with a UTF-16 file name. */
OVILUX_API int32_t Ovilux_LoadConfigFileW(uint32_t handle, const OVILUX_WCHAR* fileName);
/* Not supported: -1 with code 11. */
OVILUX_API int32_t Ovilux_GetConfigFilter(uint32_t handle);
/* Not supported: -1 with code 11. */
OVILUX_API int32_t Ovilux_SetConfigFilter(uint32_t handle);

/* ---- Not supported by this camera family (kept for source compatibility) ----
 * The first seven share one entry point: they post code 11 without storing it and return 0. */

OVILUX_API int32_t Ovilux_Fps(uint32_t handle, int32_t framesPerSecond);
OVILUX_API int32_t Ovilux_Trigger(uint32_t handle, int32_t mode);
OVILUX_API int32_t Ovilux_GetHalfClock(uint32_t handle, int32_t unused);
OVILUX_API int32_t Ovilux_SetHalfClock(uint32_t handle, int32_t on);
OVILUX_API int32_t Ovilux_GetInternalCorrection(uint32_t handle, int32_t unused);
OVILUX_API int32_t Ovilux_SetInternalCorrection(uint32_t handle, int32_t on);
OVILUX_API int32_t Ovilux_SetCrossbar(uint32_t handle, int32_t route);
/* These two share one entry point: they store code 11 and return 0. */
OVILUX_API int32_t Ovilux_SendText(uint32_t handle, char* text, int32_t length);
OVILUX_API int32_t Ovilux_ReceiveText(uint32_t handle, char* text, int32_t length);

/* ---- Filter values ----
 * The general forms; each named getter and setter below is one of them with a fixed index.
 * The image adjustment values (brightness to gamma, gray modes) apply to every frame converted
 * from the next one on.
 * Setters return 1 / 0 and refuse values out of range with code 9; getters return the value
 * (0 or -1 on failure) with the flag telling success. */

OVILUX_API int32_t Ovilux_GetFilterValue(uint32_t handle, int32_t index, int32_t* ok);
OVILUX_API int32_t Ovilux_SetFilterValue(uint32_t handle, int32_t index, int32_t value);

/* -255..255 */
OVILUX_API int32_t Ovilux_GetBrightness(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetBrightness(uint32_t handle, int32_t value);
/* -127..127 */
OVILUX_API int32_t Ovilux_GetContrast(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetContrast(uint32_t handle, int32_t value);
/* -360..360 */
OVILUX_API int32_t Ovilux_GetHue(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetHue(uint32_t handle, int32_t value);
/* -255..255 */
OVILUX_API int32_t Ovilux_GetSaturation(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetSaturation(uint32_t handle, int32_t value);
/* 0..30 */
OVILUX_API int32_t Ovilux_GetSharpness(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetSharpness(uint32_t handle, int32_t value);
/* Bayer gains packed as red | green << 8 | blue << 16, one byte each. */
OVILUX_API int32_t Ovilux_GetBayerGainRGB(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetBayerGainRGB(uint32_t handle, int32_t value);
/* Bayer gains in percent, 0..400 (100 = unity). */
OVILUX_API int32_t Ovilux_GetBayerGainRed(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetBayerGainRed(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetBayerGainGreen(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetBayerGainGreen(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetBayerGainBlue(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetBayerGainBlue(uint32_t handle, int32_t value);
/* Automatic white balance flag, stored as 0/1. */
OVILUX_API int32_t Ovilux_GetBayerGainAuto(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetBayerGainAuto(uint32_t handle, int32_t value);
/* 0..200 (100 = linear) */
OVILUX_API int32_t Ovilux_GetGamma(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetGamma(uint32_t handle, int32_t value);
/* Colour of the top-left 2 x 2 block, 0..3 */
OVILUX_API int32_t Ovilux_GetBayerMode(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetBayerMode(uint32_t handle, int32_t value);
/* The camera's gains, within its limits (Ovilux_GetCameraInfo; 0..63 on the M03); sent at once. */
OVILUX_API int32_t Ovilux_GetGlobalGain(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetGlobalGain(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetColorGainRed(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetColorGainRed(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetColorGainGreen1(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetColorGainGreen1(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetColorGainGreen2(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetColorGainGreen2(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetColorGainBlue(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetColorGainBlue(uint32_t handle, int32_t value);
/* Exposure in 0.1 ms units, within the camera's limits; sent at once. */
OVILUX_API int32_t Ovilux_GetExposureTime(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetExposureTime(uint32_t handle, int32_t value);
/* Gray-mode corrections: mode 0..2, gains 0..255 (128 = unity), offsets -255..255. */
OVILUX_API int32_t Ovilux_GetGrayMode(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetGrayMode(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetGrayGainR(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetGrayGainR(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetGrayGainG1(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetGrayGainG1(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetGrayGainG2(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetGrayGainG2(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetGrayGainB(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetGrayGainB(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetGrayOffsetR(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetGrayOffsetR(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetGrayOffsetG1(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetGrayOffsetG1(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetGrayOffsetG2(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetGrayOffsetG2(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetGrayOffsetB(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetGrayOffsetB(uint32_t handle, int32_t value);
/* Channels 1..4 of multi-tap sensors (indices 29..36): code 9 on this camera; 0 without a code
 * for other channel numbers. */
OVILUX_API int32_t Ovilux_GetChannelGain(uint32_t handle, int32_t channel, int32_t* ok);
OVILUX_API int32_t Ovilux_SetChannelGain(uint32_t handle, int32_t channel, int32_t value);
OVILUX_API int32_t Ovilux_GetChannelOffset(uint32_t handle, int32_t channel, int32_t* ok);
OVILUX_API int32_t Ovilux_SetChannelOffset(uint32_t handle, int32_t channel, int32_t value);
/* Defect correction switches, 0 or 1. */
OVILUX_API int32_t Ovilux_GetDotFilter(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetDotFilter(uint32_t handle, int32_t value);
OVILUX_API int32_t Ovilux_GetMaskFilter(uint32_t handle, int32_t* ok);
OVILUX_API int32_t Ovilux_SetMaskFilter(uint32_t handle, int32_t value);

/* ---- Message windows ----
 * So that an application (or a test) on any platform can receive the notifications and frame
 * messages the library posts. On Windows the window is a message-only window of the calling
 * thread, and OviluxWnd_GetMessage must be called from that thread; elsewhere it is a
 * thread-safe queue. */

/* A new message window, or null when none could be made. */
OVILUX_API OVILUX_HWND OviluxWnd_CreateMessageWindow(void);
/* 1 when a message posted to window arrived within timeoutMs, 0 on timeout or a bad window;
 * 0 at once, whatever the timeout, when another thread destroys the window during the wait. */
OVILUX_API int32_t OviluxWnd_GetMessage(OVILUX_HWND window, uint32_t timeoutMs, uint32_t* message,
                                        uintptr_t* wParam, intptr_t* lParam);
/* Destroys the window and drops its queued messages; later posts to it fail. On Windows a
 * window of another thread is destroyed by its own thread at its next OviluxWnd_GetMessage. */
OVILUX_API void OviluxWnd_DestroyWindow(OVILUX_HWND window);

#if !defined(_WIN32)
/* An application's X11 window (the id GTK, Qt or SDL give for a widget) as a parent for
 * Ovilux_SetPreviewWindow; null for 0 or a value that is no X11 window id. The preview then
 * becomes an X11 child window of it on the display named by DISPLAY. */
OVILUX_API OVILUX_HWND OviluxWnd_FromX11Window(unsigned long window);
#endif

#ifdef __cplusplus
}
#endif

#endif /* OVILUX_SDK_H */
