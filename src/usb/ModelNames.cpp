// ModelNames.cpp - the product id to display-name table.
#include "usb/ModelNames.h"

#include <cstdio>

namespace ovilux::usb {

namespace {

struct ModelName {
    uint16_t productId;
    const char* format;
};

constexpr ModelName kModelNames[] = {
    {0x3020, "Ovilux-M01-UX_%02d"}, {0x3030, "Ovilux-M03-UX_%02d"}, {0x3040, "Ovilux-M02-UX_%02d"},
    {0x3042, "Ovilux-M05-UX_%02d"}, {0x3050, "Ovilux-M04-UX_%02d"}, {0x3090, "Ovilux-M08-UX_%02d"},
    {0x30B0, "Ovilux-M10-UX_%02d"}, {0x30C0, "Ovilux-M09-UX_%02d"}, {0x30F0, "Ovilux-M06-UX_%02d"},
    {0x3100, "Ovilux-M07-UX_%02d"}, {0x3110, "Ovilux-M12-UX_%02d"}, {0x3120, "Ovilux-M11-UX_%02d"},
    {0x3130, "OviCnv-UX_%02d"},     {0x3140, "Ovilux-M13-UX_%02d"},
};

}  // namespace

const char* ModelNameFormat(uint16_t productId) {
    for (const ModelName& entry : kModelNames) {
        if (entry.productId == productId) {
            return entry.format;
        }
    }
    return nullptr;
}

bool FormatModelName(uint16_t productId, int32_t deviceNumber, char* text, size_t capacity) {
    const char* format = ModelNameFormat(productId);
    if (format == nullptr || text == nullptr || capacity == 0) {
        return false;
    }
    char name[64];
    const int length = std::snprintf(name, sizeof(name), format, deviceNumber);
    if (length < 0 || static_cast<size_t>(length) >= capacity || static_cast<size_t>(length) >= sizeof(name)) {
        return false;
    }
    for (int i = 0; i <= length; ++i) {
        text[i] = name[i];
    }
    return true;
}

}  // namespace ovilux::usb
