// Recording through the C API: refusals with their codes, a recording ended by stopping
// capture, by a stop or close racing its start on another thread, or by the camera's loss, each
// leaving a finalised file and the session ready for the next; and a recording left open when
// its process ends without releasing the session.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <mutex>
#include <thread>

#include "api/SimulatedCameras.h"
#include "support/ChildProcess.h"
#include "support/Patience.h"

namespace ovilux::test {
namespace {

namespace fs = std::filesystem;

uint32_t Le32(const std::vector<uint8_t>& f, size_t at) {
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t{f[at + 3]} << 24;
}

std::vector<uint8_t> ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A finalised recording of 640 x 480 frames: the RIFF size ends at the file's end, after the
// frames its header counts and their index.
void ExpectFinalised(const fs::path& file) {
    const std::vector<uint8_t> f = ReadAll(file);
    ASSERT_GE(f.size(), 240u) << file;
    const uint32_t frames = Le32(f, 48);
    EXPECT_EQ(Le32(f, 4), f.size() - 8) << "the RIFF size ends at the file's end";
    const size_t index = 232 + size_t{frames} * (8 + 640 * 480 * 3);
    ASSERT_EQ(f.size(), index + 8 + 16 * size_t{frames});
    EXPECT_EQ(std::string(f.begin() + index, f.begin() + index + 4), "idx1");
}

// Waits until the recording holds its first whole frame, for as long as the machine's pace asks.
bool WaitForFirstFrame(const fs::path& file) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PatienceMs(10000));
    std::error_code error;
    while (fs::file_size(file, error) < 232 + 8 + 640 * 480 * 3) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Ends the process when a round has not finished within its limit: a hang is named, not waited
// out by the test runner.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit) : thread_([this, limit] { Watch(limit); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> guard(lock_);
            done_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    void Round(int round) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            round_ = round;
        }
        changed_.notify_all();
    }

private:
    void Watch(std::chrono::seconds limit) {
        std::unique_lock<std::mutex> guard(lock_);
        for (;;) {
            const int seen = round_;
            if (!changed_.wait_for(guard, limit, [&] { return done_ || round_ != seen; })) {
                std::fprintf(stderr, "round %d still running after %lld s\n", seen, static_cast<long long>(limit.count()));
                std::fflush(stderr);
                std::_Exit(3);
            }
            if (done_) {
                return;
            }
        }
    }

    std::mutex lock_;
    std::condition_variable changed_;
    int round_ = 0;
    bool done_ = false;
    std::thread thread_;
};

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
        ASSERT_TRUE(WaitForFirstFrame(file));
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

// Record on one thread against StopPreview or Close called over and over on another until
// Record has returned: whichever comes first, neither hangs, the recording either never starts
// or ends finalised, and the session records again afterwards.
TEST_F(Record, StartRacingStopsAndClosesOnAnotherThreadEndsFinalised) {
    const fs::path file = folder_ / "raced.avi";
    Watchdog watchdog(std::chrono::seconds(PatienceMs(60000) / 1000));
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE(round);
        watchdog.Round(round);
        std::atomic<bool> ready{false};
        std::atomic<bool> returned{false};
        int32_t recorded = -1;
        std::thread recorder([&] {
            while (!ready.load()) {
                std::this_thread::yield();
            }
            recorded = Ovilux_Record(handle_, file.string().c_str(), 60000, 0);
            returned = true;
        });
        ready = true;
        int stops = 0;
        do {
            EXPECT_EQ(round % 2 == 0 ? Ovilux_StopPreview(handle_) : Ovilux_Close(handle_), 1);
            ++stops;
        } while (!returned.load());
        recorder.join();
        EXPECT_EQ(recorded, 1) << "code " << Ovilux_GetLastError(handle_) << " after " << stops << " stops";
        ASSERT_EQ(Ovilux_StopPreview(handle_), 1);
        ExpectFinalised(file);
        EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{});
    }
}

// A camera unplugged during a recording ends it: the file is finalised by itself, before the
// application stops or closes anything.
TEST_F(Record, ALostCameraFinalisesTheRecordingWithoutAStop) {
    const fs::path file = folder_ / "lost.avi";
    ASSERT_EQ(Ovilux_Record(handle_, file.string().c_str(), 60000, 0), 1);
    ASSERT_TRUE(WaitForFirstFrame(file));
    ASSERT_EQ(OviluxSim_Detach(0), 1);
    const auto lost = std::chrono::steady_clock::now();
    std::vector<uint8_t> f;
    while (std::chrono::steady_clock::now() < lost + std::chrono::milliseconds(PatienceMs(30000))) {
        f = ReadAll(file);
        if (f.size() > 8 && Le32(f, 4) != 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - lost);
    std::printf("finalised %lld ms after the loss\n", static_cast<long long>(waited.count()));
    ASSERT_GT(f.size(), 8u);
    ASSERT_NE(Le32(f, 4), 0u) << "not finalised while the session stays open";
    ExpectFinalised(file);
    EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{13});
    EXPECT_EQ(Ovilux_Close(handle_), 1);
}

// A child records and ends without releasing its session: the library's unloading finalises
// the file.
const bool kRecordsAndExits = RegisterChildRole("record-and-exit", [](const std::vector<std::string>& args) {
    AttachCameras(1);
    const uint32_t handle = Ovilux_Initialize(nullptr);
    if (handle == 0 || Ovilux_SetCaptureWindowEx(handle, 2592, 0, 640, 1944, 0, 480) != 1 ||
        Ovilux_Record(handle, args.at(0).c_str(), 60000, 0) != 1) {
        return 2;
    }
    std::exit(WaitForFirstFrame(args.at(0)) ? 0 : 3);
});

TEST_F(Record, AProcessEndingWithoutReleaseLeavesItsRecordingFinalised) {
    ASSERT_TRUE(kRecordsAndExits);
    const fs::path file = folder_ / "unloaded.avi";
    ASSERT_EQ(RunChild("record-and-exit", {file.string()}, PatienceMs(60000)), 0);
    ExpectFinalised(file);
    EXPECT_GE(Le32(ReadAll(file), 48), 1u);
}

}  // namespace
}  // namespace ovilux::test
