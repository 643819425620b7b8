// AviPartName.cpp - numbered names beside the first.
#include "image/files/AviPartName.h"

#include <cstdio>

namespace ovilux::image {

std::string AviPartName(const std::string& first, uint32_t part) {
    if (part == 0) {
        return first;
    }
    const size_t folderEnd = first.find_last_of("/\\");
    const size_t dot = first.rfind('.');
    const size_t cut = (dot == std::string::npos || (folderEnd != std::string::npos && dot < folderEnd)) ? first.size() : dot;
    char number[16];
    std::snprintf(number, sizeof(number), "_%03u", static_cast<unsigned>(part));
    return first.substr(0, cut) + number + first.substr(cut);
}

}  // namespace ovilux::image
