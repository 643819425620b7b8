// JapaneseCodePage.h - puts the calling thread in a code page that holds Japanese text, for the
// tests of names converted between wide text and the ANSI code page.
#pragma once

#include <gtest/gtest.h>

#include <clocale>

#ifdef _WIN32
#include <windows.h>
#endif

namespace ovilux::test {

inline void UseJapaneseCapableCodePage() {
#ifdef _WIN32
    SetThreadLocale(MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT));
#else
    ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
#endif
}

}  // namespace ovilux::test
