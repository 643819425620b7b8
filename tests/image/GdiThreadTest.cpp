// Images made, painted and destroyed on several threads at once, as sessions on their worker
// threads do: every section, DC and colour table stays its own (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "image/DibImage.h"

using namespace ovilux::image;

TEST(GdiThreads, ImagesOnSeveralThreadsStayApart) {
    constexpr int kThreads = 3;
    constexpr int kRounds = 60;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int round = 0; round < kRounds; ++round) {
                DibImage gray, colour;
                const auto level = static_cast<uint8_t>(t * 50 + round);
                if (gray.Create(16 + t, 8, 8) == 0 || colour.Create(16 + t, 8, 24) == 0) {
                    ++wrong;
                    continue;
                }
                std::memset(gray.Bits(), level, static_cast<size_t>(gray.ImageBytes()));
                const ovilux::platform::RgbQuad entry{level, 0, 0, 0};
                if (gray.SetColorTable(DibImage::kGivenTable, level, 1, &entry) != 1 || colour.Paint(&gray, nullptr, 0, 0) != 1) {
                    ++wrong;
                    continue;
                }
                const auto* p = static_cast<const uint8_t*>(colour.Bits());
                if (p[0] != level || p[1] != 0 || p[2] != 0) {
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
