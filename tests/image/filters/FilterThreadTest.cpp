// Hue and saturation on several threads at once, each with its own saturation, as sessions'
// workers run them: every result equals the one made alone (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "image/filters/HueSaturation.h"
#include "RandomImage.h"

using namespace ovilux::image;
using namespace ovilux::image::filters;
using namespace ovilux::image::filters::test;

TEST(FilterThreads, HueAndSaturationOnSeveralThreadsGiveTheirOwnResults) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 40;
    const int32_t saturations[kThreads] = {-200, -40, 90, 255};
    const int32_t hues[kThreads] = {30, -170, 300, 5};
    std::vector<DibImage> expected(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_TRUE(MakeRandom(expected[static_cast<size_t>(t)], {31, 17}, t % 2 == 0 ? 24 : 64, 50));
        ASSERT_TRUE(ShiftHueSaturation(expected[static_cast<size_t>(t)], hues[t], saturations[t]));
    }
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                DibImage image;
                if (!MakeRandom(image, {31, 17}, t % 2 == 0 ? 24 : 64, 50) || !ShiftHueSaturation(image, hues[t], saturations[t]) ||
                    !SamePixels(image, expected[static_cast<size_t>(t)])) {
                    ++wrong;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong.load(), 0);
}
