// Text conversion: Japanese round trips, invalid input, buffers that are too small, code page 932.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

#include "platform/TextCodec.h"
#include "support/JapaneseCodePage.h"


using namespace ovilux::platform;
using ovilux::test::UseJapaneseCapableCodePage;

namespace {

const char16_t kJapanese[] = u"カメラ画像_01.bmp";

}  // namespace

TEST(TextCodec, JapaneseRoundTrip) {
    UseJapaneseCapableCodePage();
    char ansi[256];
    const int ansiLength = WideToAnsi(kJapanese, ansi, sizeof(ansi));
    ASSERT_GT(ansiLength, 0);
    EXPECT_EQ(ansi[ansiLength - 1], '\0');
    char16_t wide[64];
    const int wideLength = AnsiToWide(ansi, wide, 64);
    ASSERT_EQ(wideLength, static_cast<int>(std::char_traits<char16_t>::length(kJapanese)) + 1);
    EXPECT_EQ(std::u16string(wide), std::u16string(kJapanese));
}

TEST(TextCodec, TooSmallBuffersFailWithoutOverrun) {
    UseJapaneseCapableCodePage();
    char16_t wide[8];
    for (auto& unit : wide) {
        unit = u'#';
    }
    EXPECT_EQ(AnsiToWide("0123456789", wide, 4), 0);
    for (int i = 4; i < 8; ++i) {
        EXPECT_EQ(wide[i], u'#') << "unit " << i << " written past the capacity";
    }
    EXPECT_EQ(AnsiToWide("abc", wide, 4), 4) << "exactly enough room, terminator included";

    char ansi[8];
    std::memset(ansi, '#', sizeof(ansi));
    EXPECT_EQ(WideToAnsi(kJapanese, ansi, 4), 0);
    for (int i = 4; i < 8; ++i) {
        EXPECT_EQ(ansi[i], '#');
    }
    EXPECT_EQ(AnsiToWide(nullptr, wide, 8), 0);
    EXPECT_EQ(AnsiToWide("a", wide, 0), 0);
    EXPECT_EQ(WideToAnsi(nullptr, ansi, 8), 0);
}

TEST(TextCodec, InvalidInputFails) {
    UseJapaneseCapableCodePage();
    char16_t wide[16];
    // A lone lead byte is invalid in both UTF-8 and Shift JIS.
    EXPECT_EQ(AnsiToWide("\x81", wide, 16), 0);
    const char16_t loneSurrogate[] = {0xD800, u'a', 0};
    char ansi[16];
    EXPECT_EQ(WideToAnsi(loneSurrogate, ansi, 16), 0);
}

TEST(TextCodec, EncodesCodePage932) {
    const std::string encoded = EncodeCodePage932("ここには入ってこないはず\r\n");
    const unsigned char expected[] = {0x82, 0xB1, 0x82, 0xB1, 0x82, 0xC9, 0x82, 0xCD, 0x93, 0xFC, 0x82, 0xC1, 0x82,
                                      0xC4, 0x82, 0xB1, 0x82, 0xC8, 0x82, 0xA2, 0x82, 0xCD, 0x82, 0xB8, 0x0D, 0x0A};
    ASSERT_EQ(encoded.size(), sizeof(expected));
    EXPECT_EQ(std::memcmp(encoded.data(), expected, sizeof(expected)), 0);
    EXPECT_EQ(EncodeCodePage932("\xCE\xBCs"), std::string("\x83\xCA\x73")) << "the Greek mu that stands for micro";
    EXPECT_EQ(EncodeCodePage932(nullptr), std::string());
}

#ifndef _WIN32
// A program that never called setlocale runs in the "C" locale; its non-ASCII file names are
// UTF-8 all the same, and must convert.
TEST(TextCodec, PlainLocalesConvertAsUtf8) {
    for (const char* locale : {"C", "POSIX"}) {
        ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr) << locale;
        char ansi[256];
        ASSERT_GT(WideToAnsi(kJapanese, ansi, sizeof(ansi)), 0) << locale;
        EXPECT_STREQ(ansi, "カメラ画像_01.bmp") << locale;
        char16_t wide[64];
        ASSERT_GT(AnsiToWide(ansi, wide, 64), 0) << locale;
        EXPECT_EQ(std::u16string(wide), std::u16string(kJapanese)) << locale;
    }
    std::setlocale(LC_ALL, "C");
}
#endif
