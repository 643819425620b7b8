// AnsiPath.cpp - ANSI file names to paths.
#include "image/files/AnsiPath.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/TextCodec.h"

namespace ovilux::image {

std::filesystem::path PathOfAnsiName(const char* fileName) {
#ifdef _WIN32
    const size_t length = std::strlen(fileName);
    if (length >= static_cast<size_t>(INT32_MAX)) {
        return {};
    }
    std::vector<char16_t> wide(length + 1);
    if (platform::AnsiToWide(fileName, wide.data(), static_cast<int>(wide.size())) == 0) {
        return {};
    }
    return std::filesystem::path(std::u16string(wide.data()));
#else
    return std::filesystem::path(fileName);
#endif
}

}  // namespace ovilux::image
