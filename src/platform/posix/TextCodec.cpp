// TextCodec.cpp - conversions through iconv, with the locale's charset standing for the ANSI code page.
#include "platform/TextCodec.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace ovilux::platform {

namespace {

constexpr const char* kUtf16 = "UTF-16LE";

// Converts inBytes bytes (terminator included) from one charset to another into out.
// Returns the number of bytes written, or -1 when the input is invalid or out is too small.
long Convert(const char* to, const char* from, const char* in, size_t inBytes, char* out, size_t outBytes) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return -1;
    }
    char* inPtr = const_cast<char*>(in);
    char* outPtr = out;
    size_t inLeft = inBytes;
    size_t outLeft = outBytes;
    const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1) || inLeft != 0) {
        return -1;
    }
    return static_cast<long>(outBytes - outLeft);
}

// The "C" and POSIX locales name plain ASCII; today's systems mean UTF-8 by it (file names
// included), and UTF-8 reads every ASCII text the same, so those locales convert as UTF-8.
const char* AnsiCharset() {
    const char* charset = nl_langinfo(CODESET);
    return std::strcmp(charset, "ANSI_X3.4-1968") == 0 || std::strcmp(charset, "ASCII") == 0 ? "UTF-8" : charset;
}

size_t WideLength(const char16_t* text) {
    size_t n = 0;
    while (text[n] != 0) {
        ++n;
    }
    return n;
}

}  // namespace

int AnsiToWide(const char* text, char16_t* out, int outCapacity) {
    if (text == nullptr || out == nullptr || outCapacity <= 0) {
        return 0;
    }
    const long bytes = Convert(kUtf16, AnsiCharset(), text, std::strlen(text) + 1, reinterpret_cast<char*>(out),
                               static_cast<size_t>(outCapacity) * sizeof(char16_t));
    return bytes < 0 ? 0 : static_cast<int>(bytes / static_cast<long>(sizeof(char16_t)));
}

int WideToAnsi(const char16_t* text, char* out, int outCapacity) {
    if (text == nullptr || out == nullptr || outCapacity <= 0) {
        return 0;
    }
    const long bytes = Convert(AnsiCharset(), kUtf16, reinterpret_cast<const char*>(text),
                               (WideLength(text) + 1) * sizeof(char16_t), out, static_cast<size_t>(outCapacity));
    return bytes < 0 ? 0 : static_cast<int>(bytes);
}

std::string EncodeCodePage932(const char* utf8) {
    if (utf8 == nullptr) {
        return {};
    }
    const size_t length = std::strlen(utf8);
    std::vector<char> buffer(length * 2 + 1);
    const long bytes = Convert("CP932", "UTF-8", utf8, length, buffer.data(), buffer.size());
    return bytes < 0 ? std::string() : std::string(buffer.data(), static_cast<size_t>(bytes));
}

}  // namespace ovilux::platform
