// Scene.cpp - the synthetic scene: an orange frame around colour patches, a grey ramp and fine
// detail (line gratings and rings), sampled through the Bayer pattern.
#include "sim/Scene.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "sim/ImageSensor.h"

namespace ovilux::sim {

namespace {

struct Rgb {
    double red, green, blue;
};

constexpr int32_t kBorder = 48;
constexpr int32_t kPatchBandEnd = 620;
constexpr int32_t kRampBandEnd = 1300;
constexpr int32_t kPatchColumns = 6;
constexpr int32_t kPatchGap = 16;
constexpr double kFullLevel = 3400.0;
constexpr double kRampFloor = 60.0;
constexpr Rgb kBorderColour{2800, 1500, 400};
constexpr Rgb kPatches[2][kPatchColumns] = {
    {{2900, 300, 300}, {300, 2900, 300}, {300, 300, 2900}, {2900, 2900, 300}, {300, 2900, 2900}, {2900, 300, 2900}},
    {{3300, 3300, 3300}, {2200, 2200, 2200}, {1300, 1300, 1300}, {600, 600, 600}, {200, 200, 200}, {40, 40, 40}},
};

Rgb Grey(double level) { return {level, level, level}; }

// The scene in active-area coordinates (x to the right, y down, origin at the first active pixel).
Rgb SceneColour(int32_t x, int32_t y) {
    if (x < kBorder || y < kBorder || x >= kActiveWidth - kBorder || y >= kActiveHeight - kBorder) {
        return kBorderColour;
    }
    const int32_t innerWidth = kActiveWidth - 2 * kBorder;
    if (y < kPatchBandEnd) {
        const int32_t patchWidth = innerWidth / kPatchColumns;
        const int32_t patchHeight = (kPatchBandEnd - kBorder) / 2;
        const int32_t column = std::min((x - kBorder) / patchWidth, kPatchColumns - 1);
        const int32_t row = std::min((y - kBorder) / patchHeight, 1);
        const bool gap = (x - kBorder) % patchWidth < kPatchGap || (y - kBorder) % patchHeight < kPatchGap;
        return gap ? Grey(100) : kPatches[row][column];
    }
    if (y < kRampBandEnd) {
        return Grey(kRampFloor + (kFullLevel - kRampFloor) * (x - kBorder) / innerWidth);
    }
    if (x < kActiveWidth / 2) {
        // Line gratings of two-pixel lines: vertical above, horizontal below.
        const bool vertical = y < (kRampBandEnd + kActiveHeight) / 2;
        const int32_t phase = vertical ? x : y;
        return Grey((phase / 2) % 2 == 0 ? 3000 : 300);
    }
    // Rings whose spacing shrinks outwards.
    const double dx = x - kActiveWidth * 3 / 4.0;
    const double dy = y - (kRampBandEnd + kActiveHeight) / 2.0;
    return Grey(1650 + 1350 * std::cos((dx * dx + dy * dy) / 1800.0));
}

double ChannelOf(const Rgb& colour, int32_t row, int32_t column) {
    switch ((row % 2) * 2 + column % 2) {
        case kRed:
            return colour.red;
        case kBlue:
            return colour.blue;
        default:
            return colour.green;
    }
}

}  // namespace

std::shared_ptr<const CScene> CScene::Chart() {
    static const std::shared_ptr<const CScene> chart = [] {
        std::shared_ptr<CScene> scene(new CScene());
        for (int32_t row = 0; row < kArrayHeight; ++row) {
            for (int32_t column = 0; column < kArrayWidth; ++column) {
                const Rgb colour = SceneColour(column - kActiveColumnOrigin, row - kActiveRowOrigin);
                scene->levels_[static_cast<size_t>(row) * kArrayWidth + column] =
                    static_cast<uint16_t>(std::lround(ChannelOf(colour, row, column)));
            }
        }
        return scene;
    }();
    return chart;
}

std::shared_ptr<const CScene> CScene::FromPicture(const ScenePicture& picture) {
    std::shared_ptr<CScene> scene(new CScene());
    const int32_t rows = std::min(picture.height, kArrayHeight - kActiveRowOrigin);
    const int32_t columns = std::min(picture.width, kArrayWidth - kActiveColumnOrigin);
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* source = picture.pixels + static_cast<ptrdiff_t>(y) * picture.stride;
        const int32_t row = y + kActiveRowOrigin;
        for (int32_t x = 0; x < columns; ++x) {
            const int32_t column = x + kActiveColumnOrigin;
            const uint8_t* pixel = source + static_cast<ptrdiff_t>(x) * picture.channels;
            // Blue, green, red in memory; the Bayer site takes its own channel.
            const Rgb colour = picture.channels == 1 ? Grey(pixel[0]) : Rgb{double(pixel[2]), double(pixel[1]), double(pixel[0])};
            scene->levels_[static_cast<size_t>(row) * kArrayWidth + column] =
                static_cast<uint16_t>(std::lround(ChannelOf(colour, row, column) * kSampleMax / 255.0));
        }
    }
    return scene;
}

CScene::CScene() : levels_(static_cast<size_t>(kArrayWidth) * kArrayHeight) {
    // A few defects spread over the active area, of every colour.
    const int32_t places[][2] = {{152, 216},   {569, 1049},  {1252, 2317}, {1852, 93},
                                 {385, 2015},  {1553, 1518}, {953, 657},   {1829, 2238}};
    for (size_t i = 0; i < std::size(places); ++i) {
        defects_.push_back({places[i][0], places[i][1], i % 2 == 0});
        defects_.push_back({places[i][0] + 101, places[i][1] + 103, i % 2 != 0});
    }
}

}  // namespace ovilux::sim
