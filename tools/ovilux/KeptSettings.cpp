// KeptSettings.cpp - reading and printing the kept picture settings.
#include "KeptSettings.h"

#include <cstdio>

#include "OviluxSdk.h"

namespace ovilux_tool {

namespace {

struct FilterRow {
    const char* name;
    int32_t index;
};

// The kept image-filter values, by their filter-value index.
constexpr FilterRow kFilterRows[] = {
    {"brightness", OVILUX_FILTER_BRIGHTNESS},         {"contrast", OVILUX_FILTER_CONTRAST},
    {"hue", OVILUX_FILTER_HUE},                       {"saturation", OVILUX_FILTER_SATURATION},
    {"sharpness", OVILUX_FILTER_SHARPNESS},           {"bayer gain red", OVILUX_FILTER_BAYER_GAIN_RED},
    {"bayer gain green", OVILUX_FILTER_BAYER_GAIN_GREEN}, {"bayer gain blue", OVILUX_FILTER_BAYER_GAIN_BLUE},
    {"bayer gain auto", OVILUX_FILTER_BAYER_GAIN_AUTO}, {"gamma", OVILUX_FILTER_GAMMA},
    {"bayer mode", OVILUX_FILTER_BAYER_MODE},         {"gray mode", OVILUX_FILTER_GRAY_MODE},
    {"gray gain R", OVILUX_FILTER_GRAY_GAIN_R},       {"gray gain G1", OVILUX_FILTER_GRAY_GAIN_G1},
    {"gray gain G2", OVILUX_FILTER_GRAY_GAIN_G2},     {"gray gain B", OVILUX_FILTER_GRAY_GAIN_B},
    {"gray offset R", OVILUX_FILTER_GRAY_OFFSET_R},   {"gray offset G1", OVILUX_FILTER_GRAY_OFFSET_G1},
    {"gray offset G2", OVILUX_FILTER_GRAY_OFFSET_G2}, {"gray offset B", OVILUX_FILTER_GRAY_OFFSET_B},
};

std::string Number(int32_t value) { return std::to_string(value); }

// A getter's value, or "?" when the library could not give it.
std::string Read(int32_t (*getter)(uint32_t, int32_t*), uint32_t handle) {
    int32_t ok = 0;
    const int32_t value = getter(handle, &ok);
    return ok ? Number(value) : "?";
}

}  // namespace

std::vector<KeptSetting> ReadKeptSettings(uint32_t handle) {
    int32_t hTotal = 0, hStart = 0, width = 0, vTotal = 0, vStart = 0, height = 0;
    Ovilux_GetCaptureWindowEx(handle, &hTotal, &hStart, &width, &vTotal, &vStart, &height);
    std::vector<KeptSetting> rows = {
        {"window", Number(width) + " x " + Number(height) + " at (" + Number(hStart) + ", " + Number(vStart) + ")"},
        {"subsample", Number(Ovilux_GetSubSample(handle))},
        {"colour mode", Number(Ovilux_GetColorMode(handle)) + " bits"},
        {"mirror horizontal", Number(Ovilux_GetMirrorH(handle))},
        {"mirror vertical", Number(Ovilux_GetMirrorV(handle))},
        {"exposure", Read(Ovilux_GetRealExposureTime, handle) + " us"},
        {"global gain", Read(Ovilux_GetGlobalGain, handle)},
        {"colour gain red", Read(Ovilux_GetColorGainRed, handle)},
        {"colour gain green1", Read(Ovilux_GetColorGainGreen1, handle)},
        {"colour gain green2", Read(Ovilux_GetColorGainGreen2, handle)},
        {"colour gain blue", Read(Ovilux_GetColorGainBlue, handle)},
        {"auto iris", Read(Ovilux_GetAutoIris, handle)},
    };
    for (const FilterRow& row : kFilterRows) {
        int32_t ok = 0;
        const int32_t value = Ovilux_GetFilterValue(handle, row.index, &ok);
        rows.push_back({row.name, ok ? Number(value) : "?"});
    }
    return rows;
}

void PrintKeptSettings(const std::vector<KeptSetting>& now, const std::vector<KeptSetting>& factory) {
    std::printf("  kept settings (* differs from the factory value)\n");
    for (size_t i = 0; i < now.size(); ++i) {
        const bool differs = i < factory.size() && factory[i].value != now[i].value;
        std::printf("  %c %-19s %s", differs ? '*' : ' ', now[i].name.c_str(), now[i].value.c_str());
        if (differs) {
            std::printf("   (factory %s)", factory[i].value.c_str());
        }
        std::printf("\n");
    }
}

}  // namespace ovilux_tool
