// SessionModel.h - what a session should be after each call of a sweep program: the settings
// the exports keep, and the picture the camera must deliver for them on a still scene of one
// colour, built with the plain forms of the per-frame chain.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "image/DibImage.h"

namespace ovilux::test::sweep {

// The camera reads a vertically mirrored frame from four rows higher up (which keeps the Bayer
// phase), and a horizontally mirrored one from a column or two further right (the sensor reads
// a little past the window's far end), so the programs' windows keep 8 rows clear of the top
// and 8 columns clear of the right edge: every frame then lies inside the picture the camera
// is shown.
constexpr int32_t kTopRowsKeptClear = 8;
constexpr int32_t kRightColumnsKeptClear = 8;

struct Window {
    int32_t width = 640, height = 480, x = 0, y = kTopRowsKeptClear;
};

// The filter indices the model follows, with the value each program starts from.
extern const std::map<int32_t, int32_t> kNeutralFilters;

constexpr int32_t kGrayGainCounter = 28;

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

    // One frame went through the chain in the current colour mode: the automatic gray gain
    // measures it when it should, and counts it. Returns the picture that frame must be.
    bool TakeFrame(image::DibImage& expected);

    Window window;
    int32_t subSample = 0;
    int32_t bits = 24;
    int32_t mirrorH = 0, mirrorV = 0;
    std::map<int32_t, int32_t> filters;
    std::optional<int32_t> exposure, globalGain;  // the last value the camera accepted
    uint8_t blue = 120, green = 140, red = 160;    // the scene's colour

private:
    int32_t Filter(int32_t index) const { return filters.at(index); }
    void MeasureGrayGains();
    bool MonochromePicture(image::DibImage& expected) const;
    bool ColourPicture(image::DibImage& expected) const;
    void Adjust(image::DibImage& expected) const;
};

}  // namespace ovilux::test::sweep
