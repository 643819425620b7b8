// ModelNames.h - the display name of each camera model, by USB product id.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ovilux::usb {

// The printf format of a product's display name (one %02d for the device number), or null
// for a product id that has no name.
const char* ModelNameFormat(uint16_t productId);

// Writes the display name of a product's camera with the given device number. False, writing
// nothing, for an unnamed product, a null text or a name that does not fit capacity.
bool FormatModelName(uint16_t productId, int32_t deviceNumber, char* text, size_t capacity);

}  // namespace ovilux::usb
