// CameraStream.h - one camera as the GStreamer source drives it through the public C interface:
// a session opened on a camera named by number or name, its settings, and live view whose frames
// are copied one at a time into the caller's memory with the library's record of each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "OviluxSdk.h"
#include "OviluxStream.h"

namespace ovilux_gst {

struct CaptureWindow {
    int32_t x = 0, y = 0, width = 0, height = 0;
};

// "WIDTHxHEIGHT" or "WIDTHxHEIGHT+X+Y", as the ovilux tool takes it; nullopt for anything else.
std::optional<CaptureWindow> ParseCaptureWindow(const std::string& text);

struct FrameSize {
    int32_t width = 0;
    int32_t height = 0;
};

enum class FrameWait { Frame, Nothing, Failed };

class CameraStream {
public:
    CameraStream() = default;
    ~CameraStream();
    CameraStream(const CameraStream&) = delete;
    CameraStream& operator=(const CameraStream&) = delete;

    // Opens a session (on the factory settings when asked) and selects the camera given as its
    // index ("0") or its name ("Ovilux-M03-UX_00"). False with the reason in *error.
    bool Open(const std::string& camera, bool factorySettings, std::string* error);
    // Stops live view and releases the session (which keeps the camera's settings).
    void Close();
    bool IsOpen() const { return handle_ != 0; }
    const std::string& Name() const { return name_; }

    // Each setter gives one setting to the camera now (also during live view, where the library
    // applies it from the next frame); false with the library's reason in *error.
    bool SetExposure(int32_t microseconds, std::string* error);
    bool SetGain(int32_t gain, std::string* error);
    bool SetMirrors(bool horizontal, bool vertical, std::string* error);
    bool MirrorH() const { return Ovilux_GetMirrorH(handle_) == 1; }
    bool MirrorV() const { return Ovilux_GetMirrorV(handle_) == 1; }
    // The window and the sub-sampling together, as their rules depend on each other; either may
    // be absent to keep the current one. A refused pair leaves both as they were.
    bool SetWindow(const std::optional<CaptureWindow>& window, std::optional<int32_t> subsample, std::string* error);

    // The frames' size now: the window's, halved or quartered when sub-sampling.
    FrameSize Size() const;
    // The phase of the raw samples with the mirrors applied, as the library numbers Bayer modes.
    int32_t BayerPhase() const;

    // Live view in the colour mode bitsPerPixel; false with the reason in *error.
    bool Start(int32_t bitsPerPixel, std::string* error);
    void Stop();
    // Waits up to timeoutMs for the next frame message. On a frame, copies the newest frame
    // (rows top first, the library's padded layout) into image when given (size bytes) and its
    // record into *metadata. Failed sets *code to the library's code (13: the camera was lost).
    FrameWait Next(uint32_t timeoutMs, void* image, size_t size, OviluxFrameMetadata* metadata, int32_t* code);
    OviluxStreamStatistics Statistics() const;
    void ResetStatistics();

private:
    std::string Reason(const char* call) const;
    void PopCodes() const;

    uint32_t handle_ = 0;
    std::string name_;
    OVILUX_HWND window_ = nullptr;
};

}  // namespace ovilux_gst
