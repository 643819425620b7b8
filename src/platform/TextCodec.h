// TextCodec.h - ANSI <-> UTF-16 conversion with the thread's ANSI code page, and code page 932.
#pragma once

#include <string>

namespace ovilux::platform {

// Converts a zero-terminated ANSI text into UTF-16 units, terminator included. Returns the
// number of units written (terminator counted), or 0 when the text is not valid in the code
// page or does not fit outCapacity; nothing is written past outCapacity.
int AnsiToWide(const char* text, char16_t* out, int outCapacity);
// The reverse: 0 when a character has no form in the code page or the result does not fit.
int WideToAnsi(const char16_t* text, char* out, int outCapacity);

// A UTF-8 text encoded in code page 932 (Shift JIS); empty when it cannot be.
std::string EncodeCodePage932(const char* utf8);

}  // namespace ovilux::platform
