// ColourMode.cpp - colour-mode tables and labels.
#include "image/ColourMode.h"

#include "platform/SystemLanguage.h"

namespace ovilux::image {

namespace {

struct ModeInfo {
    int32_t bitsPerPixel;
    int32_t rawBits;
    const char16_t* english;
    const char16_t* japanese;
};

// The labels are templates: "%d" stands for the significant bits of 16-bit monochrome.
constexpr ModeInfo kModes[kColourModeCount] = {
    {8, 8, u"Monochrome 8bit", u"白黒 8bit"},
    {16, 16, u"Monochrome %dbit *", u"白黒 %dbit ※"},
    {24, 8, u"Color 24bit", u"カラー 24bit"},
    {32, 8, u"Color 32bit", u"カラー 32bit"},
    {48, 16, u"Color 48bit *", u"カラー 48bit ※"},
    {64, 16, u"Color 64bit *", u"カラー 64bit ※"},
};

std::u16string Decimal(int32_t value) {
    std::u16string digits;
    for (const char c : std::to_string(value)) {
        digits += static_cast<char16_t>(c);
    }
    return digits;
}

}  // namespace

int32_t BitsPerPixelOfMode(int32_t mode) { return IsValidColourMode(mode) ? kModes[mode].bitsPerPixel : -1; }

int32_t ColourModeOfBits(int32_t bitsPerPixel) {
    for (int32_t mode = 0; mode < kColourModeCount; ++mode) {
        if (kModes[mode].bitsPerPixel == bitsPerPixel) {
            return mode;
        }
    }
    return -1;
}

bool IsSixteenBitMode(int32_t mode) { return RawBitsOfMode(mode) == 16; }

int32_t RawBitsOfMode(int32_t mode) { return IsValidColourMode(mode) ? kModes[mode].rawBits : -1; }

std::u16string ColourModeLabel(int32_t mode, uint16_t languageId) {
    if (!IsValidColourMode(mode)) {
        return {};
    }
    std::u16string label = languageId == platform::kLangJapanese ? kModes[mode].japanese : kModes[mode].english;
    const size_t placeholder = label.find(u"%d");
    if (placeholder != std::u16string::npos) {
        label.replace(placeholder, 2, Decimal(kMono16SignificantBits));
    }
    return label;
}

}  // namespace ovilux::image
