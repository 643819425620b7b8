// FrameFormats.cpp - caps of the library's colour modes.
#include "FrameFormats.h"

#include <cstring>

namespace ovilux_gst {

namespace {

struct RawFormat {
    const char* name;
    int32_t bitsPerPixel;
};

// The library's modes as raw video: 8 and 16 bits are its monochrome modes (12 significant bits,
// right-aligned, in GRAY16_LE), 24 and 32 bits blue, green, red (and a zero byte).
constexpr RawFormat kRawFormats[] = {{"BGR", 24}, {"BGRx", 32}, {"GRAY8", 8}, {"GRAY16_LE", 16}};

// The library's Bayer modes 0 to 3 name the top-left 2 x 2 block G B / R G, R G / G B,
// B G / G R and G R / B G.
constexpr const char* kBayerFormats[] = {"gbrg", "rggb", "bggr", "grbg"};

void SetSizeAndRate(GstStructure* s, int32_t width, int32_t height, int32_t rateNum, int32_t rateDen) {
    if (width > 0) {
        gst_structure_set(s, "width", G_TYPE_INT, width, "height", G_TYPE_INT, height, nullptr);
    } else {
        gst_structure_set(s, "width", GST_TYPE_INT_RANGE, 1, G_MAXINT, "height", GST_TYPE_INT_RANGE, 1, G_MAXINT,
                          nullptr);
    }
    if (rateNum > 0) {
        gst_structure_set(s, "framerate", GST_TYPE_FRACTION, rateNum, rateDen, nullptr);
    } else {
        gst_structure_set(s, "framerate", GST_TYPE_FRACTION_RANGE, 0, 1, G_MAXINT, 1, nullptr);
    }
}

GstStructure* Raw(const char* format, int32_t width, int32_t height, int32_t rateNum, int32_t rateDen) {
    GstStructure* s = gst_structure_new("video/x-raw", "format", G_TYPE_STRING, format, nullptr);
    SetSizeAndRate(s, width, height, rateNum, rateDen);
    return s;
}

}  // namespace

GstCaps* TemplateCaps() {
    GstCaps* caps = gst_caps_new_empty();
    for (const RawFormat& format : kRawFormats) {
        gst_caps_append_structure(caps, Raw(format.name, 0, 0, 0, 1));
    }
    GValue list = G_VALUE_INIT;
    gst_value_list_init(&list, 4);
    for (const char* name : kBayerFormats) {
        GValue value = G_VALUE_INIT;
        g_value_init(&value, G_TYPE_STRING);
        g_value_set_static_string(&value, name);
        gst_value_list_append_and_take_value(&list, &value);
    }
    GstStructure* bayer = gst_structure_new_empty("video/x-bayer");
    gst_structure_take_value(bayer, "format", &list);
    SetSizeAndRate(bayer, 0, 0, 0, 1);
    gst_caps_append_structure(caps, bayer);
    return caps;
}

GstCaps* OfferedCaps(int32_t width, int32_t height, int32_t bayerPhase, int32_t rateNum, int32_t rateDen) {
    GstCaps* caps = gst_caps_new_empty();
    for (const RawFormat& format : kRawFormats) {
        gst_caps_append_structure(caps, Raw(format.name, width, height, rateNum, rateDen));
    }
    GstStructure* bayer =
        gst_structure_new("video/x-bayer", "format", G_TYPE_STRING, kBayerFormats[bayerPhase & 3], nullptr);
    SetSizeAndRate(bayer, width, height, rateNum, rateDen);
    gst_caps_append_structure(caps, bayer);
    return caps;
}

int32_t ColourModeOf(const GstCaps* caps) {
    if (caps == nullptr || gst_caps_get_size(caps) == 0) {
        return 0;
    }
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    const char* format = gst_structure_get_string(s, "format");
    if (format == nullptr) {
        return 0;
    }
    if (gst_structure_has_name(s, "video/x-bayer")) {
        for (const char* name : kBayerFormats) {
            if (std::strcmp(format, name) == 0) {
                return 8;  // the raw samples of the 8-bit mode
            }
        }
        return 0;
    }
    for (const RawFormat& raw : kRawFormats) {
        if (gst_structure_has_name(s, "video/x-raw") && std::strcmp(format, raw.name) == 0) {
            return raw.bitsPerPixel;
        }
    }
    return 0;
}

size_t FrameBytes(int32_t width, int32_t height, int32_t bitsPerPixel) {
    const size_t stride = (static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel) / 8 + 3) & ~size_t{3};
    return stride * static_cast<size_t>(height);
}

}  // namespace ovilux_gst
