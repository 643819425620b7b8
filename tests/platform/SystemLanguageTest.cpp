// The system language id folds to Japanese or US English.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/SystemLanguage.h"

using namespace ovilux::platform;

#ifdef _WIN32
TEST(SystemLanguage, IsOneOfTheTwoCarried) {
    const uint16_t id = SystemDefaultLangId();
    EXPECT_TRUE(id == kLangJapanese || id == kLangEnglishUs) << id;
}
#else
TEST(SystemLanguage, FollowsTheFirstSetLocaleVariable) {
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_EQ(SystemDefaultLangId(), kLangJapanese);
    setenv("LC_MESSAGES", "en_GB.UTF-8", 1);
    EXPECT_EQ(SystemDefaultLangId(), kLangEnglishUs);
    setenv("LC_ALL", "ja", 1);
    EXPECT_EQ(SystemDefaultLangId(), kLangJapanese);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    unsetenv("LANG");
    EXPECT_EQ(SystemDefaultLangId(), kLangEnglishUs);
}
#endif
