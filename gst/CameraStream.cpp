// CameraStream.cpp - the source's camera through the library's public interface.
#include "CameraStream.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "OviluxCodes.h"
#include "OviluxSettings.h"

namespace ovilux_gst {

namespace {

// A frame the library delivers while we copy the one before is taken instead; after this many
// such races in a row the copy is given up for this message (the next message brings a frame).
constexpr int kCopyAttempts = 8;

bool LastFrame(uint32_t handle, OviluxFrameMetadata* metadata) {
    return OviluxStream_GetLastFrame(handle, metadata) != 0;
}

}  // namespace

std::optional<CaptureWindow> ParseCaptureWindow(const std::string& text) {
    CaptureWindow window;
    int consumed = 0;
    const char* s = text.c_str();
    if (std::sscanf(s, "%dx%d%n", &window.width, &window.height, &consumed) != 2) {
        return std::nullopt;
    }
    if (s[consumed] != '\0') {
        int rest = 0;
        if (s[consumed] != '+' || std::sscanf(s + consumed, "+%d+%d%n", &window.x, &window.y, &rest) != 2 ||
            s[consumed + rest] != '\0') {
            return std::nullopt;
        }
    }
    if (window.width <= 0 || window.height <= 0 || window.x < 0 || window.y < 0) {
        return std::nullopt;
    }
    return window;
}

CameraStream::~CameraStream() { Close(); }

bool CameraStream::Open(const std::string& camera, bool factorySettings, std::string* error) {
    Close();
    handle_ = factorySettings ? OviluxSettings_InitializeWithFactorySettings(nullptr) : Ovilux_Initialize(nullptr);
    if (handle_ == 0) {
        *error = "the library could not create a session";
        return false;
    }
    std::vector<char> names(OVILUX_ENUM_SLOTS * OVILUX_ENUM_NAME_CHARS);
    const int32_t count = Ovilux_EnumDevice(handle_, names.data());
    int32_t index = -1;
    char* end = nullptr;
    const long number = std::strtol(camera.c_str(), &end, 10);
    if (!camera.empty() && *end == '\0') {
        index = number >= 0 && number < count ? static_cast<int32_t>(number) : -1;
    } else {
        for (int32_t i = 0; i < count && i < OVILUX_ENUM_SLOTS; ++i) {
            if (camera == &names[static_cast<size_t>(i) * OVILUX_ENUM_NAME_CHARS]) {
                index = i;
            }
        }
    }
    if (index < 0) {
        *error = "no camera \"" + camera + "\" among the " + std::to_string(count < 0 ? 0 : count) + " found";
        Close();
        return false;
    }
    name_ = &names[static_cast<size_t>(index) * OVILUX_ENUM_NAME_CHARS];
    PopCodes();
    if (!Ovilux_SetDeviceNumber(handle_, index)) {
        *error = Reason("selecting the camera");
        Close();
        return false;
    }
    return true;
}

void CameraStream::Close() {
    Stop();
    if (handle_ != 0) {
        Ovilux_Release(handle_);
        handle_ = 0;
    }
}

void CameraStream::PopCodes() const {
    while (Ovilux_GetLastError(handle_) != 0) {
    }
}

std::string CameraStream::Reason(const char* what) const {
    const int32_t code = Ovilux_GetLastError(handle_);
    return std::string(what) + " failed on " + (name_.empty() ? "the camera" : name_) + ": code " +
           std::to_string(code) + " (" + OviluxCode_Text(code) + ")";
}

bool CameraStream::SetExposure(int32_t microseconds, std::string* error) {
    PopCodes();
    if (Ovilux_SetRealExposureTime(handle_, microseconds)) {
        return true;
    }
    *error = Reason(("exposure " + std::to_string(microseconds) + " us").c_str());
    return false;
}

bool CameraStream::SetGain(int32_t gain, std::string* error) {
    PopCodes();
    if (Ovilux_SetGlobalGain(handle_, gain)) {
        return true;
    }
    *error = Reason(("gain " + std::to_string(gain)).c_str());
    return false;
}

bool CameraStream::SetMirrors(bool horizontal, bool vertical, std::string* error) {
    PopCodes();
    if (Ovilux_SetMirrorH(handle_, horizontal ? 1 : 0) && Ovilux_SetMirrorV(handle_, vertical ? 1 : 0)) {
        return true;
    }
    *error = Reason("mirroring");
    return false;
}

bool CameraStream::SetWindow(const std::optional<CaptureWindow>& window, std::optional<int32_t> subsample,
                             std::string* error) {
    OviluxCameraInfo info{};
    info.size = sizeof(info);
    int32_t before[6] = {};
    Ovilux_GetCaptureWindowEx(handle_, &before[0], &before[1], &before[2], &before[3], &before[4], &before[5]);
    const int32_t subsampleBefore = Ovilux_GetSubSample(handle_);
    PopCodes();
    // The window first: a sub-sampling's rules are the stricter, so a window that meets them
    // meets the full size's too.
    bool taken = true;
    if (window) {
        taken = Ovilux_GetCameraInfo(handle_, &info) &&
                Ovilux_SetCaptureWindowEx(handle_, info.maxWidth, window->x, window->width, info.maxHeight, window->y,
                                          window->height);
    }
    if (taken && subsample) {
        taken = Ovilux_SetSubSample(handle_, *subsample);
    }
    if (taken) {
        return true;
    }
    *error = Reason("the window and sub-sampling");
    // The library would keep a refused window with the settings; the one before is put back.
    Ovilux_SetCaptureWindowEx(handle_, before[0], before[1], before[2], before[3], before[4], before[5]);
    if (subsampleBefore >= 0) {
        Ovilux_SetSubSample(handle_, subsampleBefore);
    }
    PopCodes();
    return false;
}

FrameSize CameraStream::Size() const {
    const int32_t shift = Ovilux_GetSubSample(handle_) > 0 ? Ovilux_GetSubSample(handle_) : 0;
    return {Ovilux_Width(handle_) >> shift, Ovilux_Height(handle_) >> shift};
}

int32_t CameraStream::BayerPhase() const {
    int32_t ok = 0;
    const int32_t mode = Ovilux_GetBayerMode(handle_, &ok);
    // Mirroring reads the window from its far end, and window sizes are even: a left-right
    // mirror exchanges the columns of the 2 x 2 block, an upside-down one its rows.
    return (ok ? mode : 1) ^ (Ovilux_GetMirrorH(handle_) ? 2 : 0) ^ (Ovilux_GetMirrorV(handle_) ? 1 : 0);
}

bool CameraStream::Start(int32_t bitsPerPixel, std::string* error) {
    Stop();
    PopCodes();
    if (!Ovilux_SetColorMode(handle_, bitsPerPixel)) {
        *error = Reason("the colour mode");
        return false;
    }
    window_ = OviluxWnd_CreateMessageWindow();
    if (window_ == nullptr) {
        *error = "no message window for the frames could be made";
        return false;
    }
    // No buffer: each frame is copied from the library when its message is read, straight into
    // the memory it goes out in.
    if (!Ovilux_CallBackPreview(handle_, window_, nullptr, 0, 1)) {
        *error = Reason("starting live view");
        Stop();
        return false;
    }
    return true;
}

void CameraStream::Stop() {
    if (window_ == nullptr) {
        return;
    }
    Ovilux_StopPreview(handle_);
    OviluxWnd_DestroyWindow(window_);
    window_ = nullptr;
}

FrameWait CameraStream::Next(uint32_t timeoutMs, void* image, size_t size, OviluxFrameMetadata* metadata,
                             int32_t* code) {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    if (window_ == nullptr) {
        *code = OVILUX_CODE_NO_CAMERA;
        return FrameWait::Failed;
    }
    if (!OviluxWnd_GetMessage(window_, timeoutMs, &message, &wParam, &lParam) || message != OVILUX_WM_FRAME) {
        return FrameWait::Nothing;
    }
    if (wParam == 0) {
        // Only a lost camera ends live view; a frame that could not be taken is counted lost by
        // the library, and the next one comes.
        *code = static_cast<int32_t>(lParam);
        return *code == OVILUX_CODE_CAMERA_LOST ? FrameWait::Failed : FrameWait::Nothing;
    }
    // The image and the frame record change together under the library's image lock: the same
    // record before and after the copy says the copy is that frame's, whole.
    for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
        OviluxFrameMetadata before{};
        if (!LastFrame(handle_, &before)) {
            return FrameWait::Nothing;
        }
        if (image != nullptr && !Ovilux_GetImage(handle_, image, static_cast<int32_t>(size), 1)) {
            *code = Ovilux_GetLastError(handle_);
            return FrameWait::Failed;
        }
        if (LastFrame(handle_, metadata) && metadata->frameNumber == before.frameNumber &&
            metadata->arrivalNs == before.arrivalNs) {
            return FrameWait::Frame;
        }
    }
    return FrameWait::Nothing;
}

OviluxStreamStatistics CameraStream::Statistics() const {
    OviluxStreamStatistics statistics{};
    OviluxStream_GetStatistics(handle_, &statistics);
    return statistics;
}

void CameraStream::ResetStatistics() { OviluxStream_ResetStatistics(handle_); }

}  // namespace ovilux_gst
