// ErrorText.h - one line of explanation for each of the library's notification codes.
#pragma once

#include <cstdint>

namespace ovilux_tool {

const char* ExplainCode(int32_t code);

}  // namespace ovilux_tool
