// Recording through the C API: refusals with their codes, and a recording ended by stopping
// capture or by a name that cannot be written, each leaving the session ready for the next.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "api/SimulatedCameras.h"

namespace ovilux::test {
namespace {

namespace fs = std::filesystem;

uint32_t Le32(const std::vector<uint8_t>& f, size_t at) {
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t{f[at + 3]} << 24;
}

class Record : public SessionTest {
protected:
    void SetUp() override {
        OpenSession(1);
        ASSERT_EQ(OviluxSim_SetSpeed(OVILUX_SIM_SPEED_FAST), 1);
        ASSERT_EQ(Ovilux_SetCaptureWindowEx(handle_, 2592, 0, 640, 1944, 0, 480), 1);
        folder_ = fs::temp_directory_path() / ("ovilux-record-" + std::to_string(handle_));
        fs::create_directories(folder_);
        PopAll(handle_);
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        SessionTest::TearDown();
    }

    fs::path folder_;
};

TEST_F(Record, RefusesWhatItCannotRecordWithItsCode) {
    const std::string file = (folder_ / "a.avi").string();
    const std::string folder = folder_.string();
    struct Case {
        const char* what;
        const char* name;
        int32_t durationMs;
        int32_t code;
    } const cases[] = {{"no name", nullptr, 1000, 9},
                       {"an empty name", "", 1000, 9},
                       {"a negative length", file.c_str(), -1, 9},
                       {"a folder", folder.c_str(), 1000, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Ovilux_Record(handle_, c.name, c.durationMs, 0), 0);
        EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{c.code});
    }
    EXPECT_EQ(Ovilux_RecordW(handle_, nullptr, 1000, 0), 0);
    EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{12});
    EXPECT_EQ(Ovilux_Capture(handle_), 1) << "a refused recording leaves no live view running";
}

TEST_F(Record, StoppingCaptureFinalisesTheRecordingAndFreesTheSessionForTheNext) {
    const fs::path file = folder_ / "stopped.avi";
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(Ovilux_Record(handle_, file.string().c_str(), 60000, 0), 1);
        EXPECT_EQ(Ovilux_Record(handle_, file.string().c_str(), 60000, 0), 0) << "one recording at a time";
        EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{1});
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        ASSERT_EQ(Ovilux_StopPreview(handle_), 1);
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> f{std::istreambuf_iterator<char>(in), {}};
        ASSERT_GT(f.size(), 240u);
        const uint32_t frames = Le32(f, 48);
        EXPECT_GE(frames, 1u);
        EXPECT_EQ(Le32(f, 4), f.size() - 8) << "the RIFF size ends at the file's end";
        const size_t index = 232 + size_t{frames} * (8 + 640 * 480 * 3);
        ASSERT_EQ(f.size(), index + 8 + 16 * size_t{frames});
        EXPECT_EQ(std::string(f.begin() + index, f.begin() + index + 4), "idx1");
        EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{});
    }
}

}  // namespace
}  // namespace ovilux::test
