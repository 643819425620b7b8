// ColourMode.h - the session's colour modes: their numbering, depths and dialog labels.
#pragma once

#include <cstdint>
#include <string>

namespace ovilux::image {

// Mode index 0 to 5; the application sees it as bits per pixel.
constexpr int32_t kModeMono8 = 0;
constexpr int32_t kModeMono16 = 1;
constexpr int32_t kModeColour24 = 2;
constexpr int32_t kModeColour32 = 3;
constexpr int32_t kModeColour48 = 4;
constexpr int32_t kModeColour64 = 5;
constexpr int32_t kColourModeCount = 6;

// Significant bits of the 16-bit monochrome samples, shown in that mode's label.
constexpr int32_t kMono16SignificantBits = 12;

constexpr bool IsValidColourMode(int32_t mode) { return mode >= 0 && mode < kColourModeCount; }
// Bits per pixel of a mode's result image (8 .. 64); -1 for an invalid mode.
int32_t BitsPerPixelOfMode(int32_t mode);
// The mode with that many bits per pixel; -1 when none has.
int32_t ColourModeOfBits(int32_t bitsPerPixel);
// Modes 1, 4 and 5 work on the 16-bit raw buffer, the others on the 8-bit one.
bool IsSixteenBitMode(int32_t mode);
// 8 or 16: the raw buffer a mode reads; -1 for an invalid mode.
int32_t RawBitsOfMode(int32_t mode);

// The format dialog's label of a mode, Japanese for language id 1041, else English; empty for
// an invalid mode.
std::u16string ColourModeLabel(int32_t mode, uint16_t languageId);

}  // namespace ovilux::image
