// SessionModel.h - what a session should be after each call of a sweep program: the settings
// the exports keep, and the picture the camera must deliver for them on a still scene of one
// colour (black above the sensor's first row), built with the plain forms of the per-frame
// chain.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "image/DibImage.h"

namespace ovilux::test::sweep {

constexpr int32_t kSensorWidth = 2592;
constexpr int32_t kSensorHeight = 1944;

// The camera reads a vertically mirrored frame from four rows higher up (which keeps the Bayer
// phase), and every frame two rows and columns past the window's far end, which a mirrored
// frame starts from: a window at the sensor's top or right edge reads a little outside the
// sensor. The scene covers the sensor and what lies right of and below it; above its first row
// the camera sees black.
constexpr int32_t kSceneWidth = kSensorWidth + 144;
constexpr int32_t kSceneHeight = kSensorHeight + 8;

struct Window {
    int32_t width = 640, height = 480, x = 0, y = 0;
    bool SpansSensor() const { return width == kSensorWidth || height == kSensorHeight; }
};

// The filter indices the model follows, with the value each program starts from.
extern const std::map<int32_t, int32_t> kNeutralFilters;

constexpr int32_t kGrayGainCounter = 28;
constexpr int32_t kBayerGainAuto = 10;
constexpr int32_t kDotFilter = 102;
constexpr int32_t kMaskFilter = 103;

// The camera's limits, as Ovilux_GetCameraInfo gives them.
struct CameraLimits {
    int32_t gainMin = 0, gainMax = 0, colourGainMin = 0, colourGainMax = 0, exposureMin = 0, exposureMax = 0;
};

// The camera gains of filter indices 13 (global) and 14 to 17 (red, green 1, green 2, blue).
constexpr int32_t kGlobalGainIndex = 13;
constexpr int32_t kColourGainIndices[] = {14, 15, 16, 17};

class SessionModel {
public:
    SessionModel();

    // Whether the window would be accepted at the current sub-sampling: inside the sensor, at
    // least 320 x 8, and the sizes and origin on the steps the sub-sampling asks.
    bool WindowAccepted(const Window& window) const;
    bool ColourModeAccepted(int32_t bits) const;

    // The delivered image's size.
    int32_t FrameWidth() const { return window.width >> subSample; }
    int32_t FrameHeight() const { return window.height >> subSample; }
    int32_t Stride() const { return (FrameWidth() * bits / 8 + 3) & ~3; }
    int32_t ImageBytes() const { return Stride() * FrameHeight(); }

    // One frame went through the chain in the current colour mode: auto iris scales the
    // exposure or the global gain when the frame asks it to, the automatic white balance and
    // gray gain measure it when they should. Returns the picture that frame must be.
    bool TakeFrame(image::DibImage& expected);

    void SetFilter(int32_t index, int32_t value);

    // The global gain sets every colour gain with it.
    void SetGlobalGain(int32_t value);
    // Live view or a recording converted frames the model did not count: what auto iris made
    // of them is unknown until set again.
    void ForgetAutoIrisResult();
    // A new session on the camera: the settings the store keeps stay, the switches it does not
    // keep and the defect references start afresh.
    void Relaunch();

    Window window;
    int32_t subSample = 0;
    int32_t bits = 24;
    int32_t mirrorH = 0, mirrorV = 0;
    std::map<int32_t, int32_t> filters;
    std::optional<int32_t> exposure, globalGain;  // the last value the camera accepted
    std::map<int32_t, int32_t> colourGains;        // by filter index, once the camera took one
    // The camera features of filter indices 104 to 106 the camera has, with the value it took.
    std::map<int32_t, std::optional<int32_t>> features;
    int32_t autoIris = 0;
    CameraLimits limits;
    // The defect references, the same at every sample: 8-bit dark and bright, 16-bit dark and
    // bright (dark 0 and full scale bright until a mask file is loaded).
    int32_t dark8 = 0, bright8 = 255, dark16 = 0, bright16 = 4095;
    // Whether the raw buffer of each sample depth (8, 16 bits) holds a frame; unknown after a
    // live view that may have resized it and failed before it converted a frame.
    std::optional<bool> rawHolds[2] = {false, false};
    // Whether that buffer is of the sensor's full size, the only one that records references.
    bool rawFullSize[2] = {false, false};
    int RawDepth() const { return bits == 16 || bits >= 48 ? 1 : 0; }
    bool FrameIsFullSize() const { return FrameWidth() == kSensorWidth && FrameHeight() == kSensorHeight; }
    uint8_t blue = 120, green = 140, red = 160;    // the scene's colour

private:
    int32_t Filter(int32_t index) const { return filters.at(index); }
    // The frame as the camera sends it, and as the raw corrections leave it.
    bool ArrivedFrame(image::DibImage& raw) const;
    bool CorrectRaw(image::DibImage& raw) const;
    void MeasureGrayGains(const image::DibImage& raw);
    void RunAutoIris(const image::DibImage& arrived);
    void MeasureWhiteBalance(const image::DibImage& raw);
    bool MonochromePicture(image::DibImage& raw, image::DibImage& expected) const;
    bool ColourPicture(const image::DibImage& raw, image::DibImage& expected) const;
    void Adjust(image::DibImage& expected) const;
};

}  // namespace ovilux::test::sweep
