// Live view corrects frames with the defect mask while references are recorded, loaded and
// saved from another thread.
#include <chrono>
#include <thread>

#include "api/DefectMaskSession.h"
#include "support/Patience.h"

namespace ovilux::test {
namespace {

TEST_F(DefectMask, LiveViewCorrectsFramesWhileReferencesAreRecordedLoadedAndSaved) {
    ShowGray(128);
    ASSERT_EQ(Ovilux_SetDotFilter(handle_, 1), 1);
    ASSERT_EQ(Ovilux_SetMaskFilter(handle_, 1), 1);
    ASSERT_EQ(Ovilux_Preview(handle_), 1);
    const std::string file = File("live.dat");
    // Until the worker has taken its first frame there is nothing to record.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PatienceMs(10000));
    while (Ovilux_UpdateMaskData(handle_, 0) != 1 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    PopAll(handle_);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Ovilux_UpdateMaskData(handle_, round % 2), 1);
        EXPECT_EQ(Ovilux_SaveMaskFile(handle_, file.c_str()), 1);
        EXPECT_EQ(Ovilux_LoadMaskFile(handle_, file.c_str()), 1);
    }
    EXPECT_EQ(Ovilux_StopPreview(handle_), 1);
    // Whichever frames became references, they are flat, so the corrected picture is too.
    const std::vector<uint8_t> image = Snap();
    EXPECT_EQ(Deviating(image, image[static_cast<size_t>(kEdge) * width_ + kEdge]), 0);
}

}  // namespace
}  // namespace ovilux::test
