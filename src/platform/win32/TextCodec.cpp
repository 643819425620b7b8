// TextCodec.cpp - conversions with the thread's ANSI code page. Characters the code page
// cannot hold are a failure, not a silent '?': a file name changed that way would name
// another file.
#include "platform/TextCodec.h"

#include <windows.h>

#include <vector>

namespace ovilux::platform {

int AnsiToWide(const char* text, char16_t* out, int outCapacity) {
    if (text == nullptr || out == nullptr || outCapacity <= 0) {
        return 0;
    }
    return MultiByteToWideChar(CP_THREAD_ACP, MB_ERR_INVALID_CHARS, text, -1, reinterpret_cast<wchar_t*>(out),
                               outCapacity);
}

int WideToAnsi(const char16_t* text, char* out, int outCapacity) {
    if (text == nullptr || out == nullptr || outCapacity <= 0) {
        return 0;
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text);
    BOOL usedDefault = FALSE;
    const int written =
        WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, outCapacity, nullptr, &usedDefault);
    if (written == 0 && GetLastError() == ERROR_INVALID_PARAMETER) {
        // A UTF-8 ANSI code page takes neither flag nor default character, and holds every character.
        return WideCharToMultiByte(CP_THREAD_ACP, 0, wide, -1, out, outCapacity, nullptr, nullptr);
    }
    return usedDefault ? 0 : written;
}

std::string EncodeCodePage932(const char* utf8) {
    if (utf8 == nullptr) {
        return {};
    }
    const int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (wideLength <= 0) {
        return {};
    }
    std::vector<wchar_t> wide(static_cast<size_t>(wideLength));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide.data(), wideLength);
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(932, 0, wide.data(), -1, nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) {
        return {};
    }
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(932, 0, wide.data(), -1, result.data(), length, nullptr, nullptr);
    result.pop_back();  // the terminator
    return result;
}

}  // namespace ovilux::platform
