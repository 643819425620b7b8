// The defect mask through the C API on the simulated camera: references taken of a black and a
// white picture make the filters remove the camera's hot and dead pixels; frames of another
// size record nothing; refused mask files and failed saves keep what was there.
#include "api/DefectMaskSession.h"

namespace ovilux::test {
namespace {

TEST_F(DefectMask, ReferencesOfABlackAndAWhitePictureLetTheFiltersRemoveHotAndDeadPixels) {
    RecordReference(0, 0);
    RecordReference(255, 1);
    ShowGray(128);
    EXPECT_GT(Deviating(Snap(), 128), 0) << "the camera's defects show without the filters";
    ASSERT_EQ(Ovilux_SetDotFilter(handle_, 1), 1);
    EXPECT_EQ(Deviating(Snap(), 128), 0);
    // The flat field maps 128 between the references 0 and 255 onto itself; at the defects the
    // references are equal, so the samples pass to the dot filter unchanged.
    ASSERT_EQ(Ovilux_SetMaskFilter(handle_, 1), 1);
    EXPECT_EQ(Deviating(Snap(), 128), 0);
    ASSERT_EQ(Ovilux_SetDotFilter(handle_, 0), 1);
    EXPECT_GT(Deviating(Snap(), 128), 0) << "the mask filter alone leaves the defects";
}

TEST_F(DefectMask, OnlyAFullSizeFrameRecordsAndOnlySelectorsZeroAndOne) {
    const std::string before = File("before.dat");
    EXPECT_EQ(Ovilux_UpdateMaskData(handle_, 0), 0) << "no frame taken yet";
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NO_CAMERA);
    ASSERT_EQ(Ovilux_SaveMaskFile(handle_, before.c_str()), 1);
    ShowGray(200);
    SetWindow(1280, 960);
    Snap();
    EXPECT_EQ(Ovilux_UpdateMaskData(handle_, 0), 1);
    EXPECT_EQ(Ovilux_UpdateMaskData(handle_, 1), 1);
    EXPECT_EQ(Ovilux_UpdateMaskData(handle_, 7), 1) << "nothing is copied, so nothing fails";
    SetWindow(kActiveWidth, kActiveHeight);
    Snap();
    EXPECT_EQ(Ovilux_UpdateMaskData(handle_, 2), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_CONVERSION);
    const std::string after = File("after.dat");
    ASSERT_EQ(Ovilux_SaveMaskFile(handle_, after.c_str()), 1);
    const std::vector<uint8_t> saved = ReadBytes(after);
    EXPECT_EQ(saved.size(), 30233128u);
    EXPECT_TRUE(saved == ReadBytes(before)) << "no reference changed";
}

TEST_F(DefectMask, RefusedFilesAndFailedSavesKeepWhatWasThere) {
    RecordReference(77, 0);
    const std::string good = File("good.dat");
    ASSERT_EQ(Ovilux_SaveMaskFile(handle_, good.c_str()), 1);
    std::vector<uint8_t> bytes = ReadBytes(good);
    bytes.resize(bytes.size() - 1);
    {
        std::ofstream(File("short.dat"), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                 static_cast<std::streamsize>(bytes.size()));
    }
    RecordReference(0, 0);
    const std::string kept = File("kept.dat");
    ASSERT_EQ(Ovilux_SaveMaskFile(handle_, kept.c_str()), 1);
    for (const std::string& refused : {File("short.dat"), File("missing.dat"), std::string()}) {
        EXPECT_EQ(Ovilux_LoadMaskFile(handle_, refused.c_str()), 0) << refused;
        EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_MASK_FILE);
    }
    EXPECT_EQ(Ovilux_SaveMaskFile(handle_, File("no-such-folder/x.dat").c_str()), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_MASK_FILE);
    const std::string now = File("now.dat");
    ASSERT_EQ(Ovilux_SaveMaskFile(handle_, now.c_str()), 1);
    EXPECT_TRUE(ReadBytes(now) == ReadBytes(kept)) << "the refused loads changed no reference";
    // The good file loads back, through the wide name too.
    const std::u16string wide(good.begin(), good.end());
    ASSERT_EQ(Ovilux_LoadMaskFileW(handle_, reinterpret_cast<const OVILUX_WCHAR*>(wide.c_str())), 1);
    ASSERT_EQ(Ovilux_SaveMaskFile(handle_, now.c_str()), 1);
    EXPECT_TRUE(ReadBytes(now) == ReadBytes(good));
}

}  // namespace
}  // namespace ovilux::test
