// Faults through the simulated camera and callers that push the library: cameras unplugged and
// plugged in again, long wait times, refused windows, setters racing a snapshot, sessions made
// and released by the thousand, and a process killed while it holds a camera.
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>

#include "api/SimulatedCameras.h"
#include "support/ChildProcess.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <signal.h>
#endif

namespace ovilux::test {
namespace {

using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class Faults : public SessionTest {
protected:
    void SetUp() override {
        OpenSession(1);
        ASSERT_EQ(Ovilux_SetColorMode(handle_, 8), 1);
        ASSERT_EQ(Ovilux_SetSubSample(handle_, 2), 1);
        PopAll(handle_);
    }

    // Room for any picture of the whole sensor at 8 bits.
    std::vector<uint8_t> picture_ = std::vector<uint8_t>(2592u * 1944u);

    int32_t Snap() { return Ovilux_SnapShot(handle_, picture_.data(), static_cast<int32_t>(picture_.size()), 1); }
};

// The wait time is a pause between frames, not a span a stop has to sit out.
TEST_F(Faults, NoWaitTimeHoldsUpAStopOrARelease) {
    struct Case {
        const char* name;
        int32_t waitTime;
        bool release;
    };
    for (const Case& c : {Case{"stop, longest wait", INT_MAX, false}, Case{"stop, 8 s", 8000, false},
                          Case{"release, longest wait", INT_MAX, true}}) {
        if (handle_ == 0) {
            handle_ = Ovilux_Initialize(notify_);
            ASSERT_NE(handle_, 0u) << c.name;
        }
        ASSERT_EQ(Ovilux_SetWaitTime(handle_, c.waitTime), 1) << c.name;
        ASSERT_EQ(Ovilux_Preview(handle_), 1) << c.name;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto start = Clock::now();
        if (c.release) {
            EXPECT_EQ(Ovilux_Release(handle_), 1) << c.name;
            handle_ = 0;
        } else {
            EXPECT_EQ(Ovilux_StopPreview(handle_), 1) << c.name;
        }
        EXPECT_LT(MillisecondsSince(start), 2000) << c.name;
    }
}

// A camera lost during live view or during a snapshot, plugged in again and selected, takes
// its next snapshot at the first attempt: the loss belonged to the transfer that ended.
TEST_F(Faults, TheFirstSnapshotAfterAReplugSucceeds) {
    for (int round = 0; round < 6; ++round) {
        const bool duringLiveView = round % 2 == 0;
        if (duringLiveView) {
            ASSERT_EQ(Ovilux_Preview(handle_), 1) << round;
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            ASSERT_EQ(OviluxSim_Detach(0), 1) << round;
            // The worker has seen the loss once it says so.
            const std::vector<intptr_t> notified = AwaitNotified(notify_, OVILUX_CODE_CAMERA_LOST, 10000);
            EXPECT_NE(std::find(notified.begin(), notified.end(), OVILUX_CODE_CAMERA_LOST), notified.end()) << round;
            EXPECT_EQ(Ovilux_StopPreview(handle_), 1) << round;
        } else {
            ASSERT_EQ(OviluxSim_Stall(0, 2000), 1) << round;
            std::thread unplug([] {
                std::this_thread::sleep_for(std::chrono::milliseconds(80));
                OviluxSim_Detach(0);
            });
            EXPECT_EQ(Snap(), 0) << round << ": a snapshot whose camera went away";
            unplug.join();
        }
        ASSERT_EQ(OviluxSim_Attach(0x3030, 0), 0) << round;
        ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 0), 1) << round;
        PopAll(handle_);
        EXPECT_EQ(Snap(), 1) << round << (duringLiveView ? ": lost in live view" : ": lost in a snapshot");
        EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{}) << round;
    }
}

// Windows whose sums leave the sensor, however large their parts, are refused with code 7 and
// leave the window the session had.
TEST_F(Faults, RefusedWindowsLeaveTheStoredWindow) {
    ASSERT_EQ(Ovilux_SetCaptureWindowEx(handle_, 2592, 16, 1280, 1944, 8, 960), 1);
    struct Window {
        int32_t th, hs, he, tv, vs, ve;
    };
    for (const Window& w : {Window{2592, INT_MAX - 10, 100, 1944, 0, 100}, Window{2592, 0, 100, 1944, INT_MAX, 100},
                            Window{2592, 100, INT_MAX, 1944, 0, 100}, Window{2592, 2500, 100, 1944, 0, 100},
                            Window{2592, -1, 100, 1944, 0, 100}, Window{2592, 0, 100, 1944, 0, INT_MIN},
                            Window{-1, 0, 100, 1944, 0, 100}}) {
        EXPECT_EQ(Ovilux_SetCaptureWindowEx(handle_, w.th, w.hs, w.he, w.tv, w.vs, w.ve), 0) << w.hs << "," << w.he;
        EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{OVILUX_CODE_BAD_WINDOW}) << w.hs << "," << w.he;
        int32_t kept[6] = {};
        ASSERT_EQ(Ovilux_GetCaptureWindowEx(handle_, &kept[0], &kept[1], &kept[2], &kept[3], &kept[4], &kept[5]), 1);
        EXPECT_EQ(std::vector<int32_t>(kept, kept + 6), (std::vector<int32_t>{2592, 16, 1280, 1944, 8, 960}));
    }
    EXPECT_EQ(Snap(), 1);
}

// A window whose size equals the last window's sub-sampled output size is a new window all
// the same: the camera must be given it, or the frame comes in the old size.
TEST_F(Faults, AWindowTheSizeOfTheLastOutputIsProgrammed) {
    ASSERT_EQ(Ovilux_SetSubSample(handle_, 1), 1);
    for (const int32_t width : {1280, 640, 320}) {
        ASSERT_EQ(Ovilux_SetCaptureWindowEx(handle_, 2592, 0, width, 1944, 0, width * 3 / 4), 1) << width;
        EXPECT_EQ(Snap(), 1) << width;
        EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{}) << width;
    }
}

// Setters on another thread change the format for the next frame; a snapshot under way keeps
// the one it was prepared with and succeeds.
TEST_F(Faults, SnapshotsKeepOneFormatWhileSettersRun) {
    std::atomic<bool> done{false};
    std::thread setter([&] {
        for (int i = 0; !done; ++i) {
            Ovilux_SetSubSample(handle_, 1 + i % 2);
            Ovilux_SetCaptureWindowEx(handle_, 2592, 0, i % 3 ? 1280 : 640, 1944, 0, i % 3 ? 960 : 480);
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    int failed = 0;
    for (int i = 0; i < 30; ++i) {
        failed += Snap() == 1 ? 0 : 1;
    }
    done = true;
    setter.join();
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{});
}

// Headers lost, a stalled stream and payloads of the wrong size cost a snapshot at most; the
// session takes pictures again once the fault has passed.
TEST_F(Faults, StreamFaultsPassAndSnapshotsResume) {
    struct Fault {
        const char* name;
        int32_t (*inject)();
    };
    for (const Fault& f : {Fault{"dropped headers", [] { return OviluxSim_DropHeaders(0, 3); }},
                           Fault{"stall", [] { return OviluxSim_Stall(0, 300); }},
                           Fault{"payload short", [] { return OviluxSim_MisreportPayload(0, -512, 2); }},
                           Fault{"payload long", [] { return OviluxSim_MisreportPayload(0, 4096, 2); }}}) {
        ASSERT_EQ(f.inject(), 1) << f.name;
        Snap();
        PopAll(handle_);
        int32_t taken = 0;
        for (int attempt = 0; attempt < 3 && taken == 0; ++attempt) {
            taken = Snap();
        }
        EXPECT_EQ(taken, 1) << f.name;
        PopAll(handle_);
    }
}

// With two cameras, losing one leaves the other's session working.
TEST(FaultsTwoCameras, UnpluggingOneLeavesTheOtherWorking) {
    AttachCameras(2);
    const uint32_t first = Ovilux_Initialize(nullptr);
    const uint32_t second = Ovilux_Initialize(nullptr);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    ASSERT_EQ(Ovilux_SetDeviceNumber(first, 0), 1);
    ASSERT_EQ(Ovilux_SetDeviceNumber(second, 1), 1);
    std::vector<uint8_t> picture(2592u * 1944u);
    for (uint32_t h : {first, second}) {
        ASSERT_EQ(Ovilux_SetColorMode(h, 8), 1);
        ASSERT_EQ(Ovilux_SetSubSample(h, 2), 1);
    }
    ASSERT_EQ(Ovilux_Preview(first), 1);
    ASSERT_EQ(OviluxSim_Detach(0), 1);
    EXPECT_EQ(Ovilux_SnapShot(second, picture.data(), static_cast<int32_t>(picture.size()), 1), 1);
    EXPECT_EQ(Ovilux_SnapShot(first, picture.data(), static_cast<int32_t>(picture.size()), 1), 0);
    EXPECT_EQ(Ovilux_Release(first), 1);
    EXPECT_EQ(Ovilux_Release(second), 1);
    OviluxSim_Detach(1);
}

#ifndef _WIN32
size_t CountEntries(const char* folder) {
    size_t count = 0;
    if (DIR* dir = opendir(folder)) {
        while (readdir(dir) != nullptr) {
            ++count;
        }
        closedir(dir);
    }
    return count;
}

// ThreadSanitizer runs threads of its own that it may start at any time, so only the other
// builds can count ours.
#if defined(__SANITIZE_THREAD__)
constexpr bool kSanitizerStartsThreads = true;
#else
constexpr bool kSanitizerStartsThreads = false;
#endif

// Sessions made and released a thousand times on four threads leave no thread and no open
// file behind (the leak checker at exit sees the memory). Opening the camera costs the
// sensor's start-up pauses, so the thousand run without one and a few with one.
TEST(FaultsCycles, AThousandSessionsLeaveThreadsAndDescriptorsFlat) {
    auto cycle = [](int count, std::atomic<int>* failures) {
        for (int i = 0; i < count; ++i) {
            const uint32_t handle = Ovilux_Initialize(nullptr);
            if (handle == 0 || Ovilux_Release(handle) != 1) {
                ++*failures;
            }
        }
    };
    std::atomic<int> failures{0};
    cycle(5, &failures);
    const size_t threads = CountEntries("/proc/self/task");
    const size_t descriptors = CountEntries("/proc/self/fd");
    for (const int withCamera : {0, 1}) {
        if (withCamera) {
            AttachCameras(1);
        }
        // The cycles mostly wait out the stream's settling pauses, so four threads share them.
        const int perThread = withCamera ? 1 : 250;
        std::vector<std::thread> others;
        for (int t = 0; t < 3; ++t) {
            others.emplace_back(cycle, perThread, &failures);
        }
        cycle(perThread, &failures);
        for (std::thread& other : others) {
            other.join();
        }
        EXPECT_EQ(failures, 0) << withCamera;
        if (!kSanitizerStartsThreads) {
            EXPECT_EQ(CountEntries("/proc/self/task"), threads) << withCamera;
        }
        EXPECT_EQ(CountEntries("/proc/self/fd"), descriptors) << withCamera;
    }
    OviluxSim_Detach(0);
}
#endif

// A process killed while it holds a camera leaves it free for the next process.
const bool kHoldAndDie = RegisterChildRole("hold-camera-and-die", [](const std::vector<std::string>&) {
    OviluxSim_SetSpeed(OVILUX_SIM_SPEED_FAST);
    OviluxSim_Attach(0x3030, 0);
    const uint32_t handle = Ovilux_Initialize(nullptr);
    if (handle == 0 || Ovilux_Preview(handle) != 1) {
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 9);
#else
    raise(SIGKILL);
#endif
    return 2;
});

const bool kOpenAndSnap = RegisterChildRole("open-and-snap", [](const std::vector<std::string>&) {
    OviluxSim_SetSpeed(OVILUX_SIM_SPEED_FAST);
    OviluxSim_Attach(0x3030, 0);
    const uint32_t handle = Ovilux_Initialize(nullptr);
    std::vector<uint8_t> picture(2592u * 1944u);
    const bool taken = handle != 0 && Ovilux_SetColorMode(handle, 8) == 1 && Ovilux_SetSubSample(handle, 2) == 1 &&
                       Ovilux_SnapShot(handle, picture.data(), static_cast<int32_t>(picture.size()), 1) == 1;
    Ovilux_Release(handle);
    return taken ? 0 : 3;
});

TEST(FaultsProcesses, AKilledHolderLeavesTheCameraToTheNextProcess) {
    const int killed = RunChild("hold-camera-and-die", {}, 60000);
#ifdef _WIN32
    EXPECT_EQ(killed, 9);
#else
    EXPECT_EQ(killed, 128 + SIGKILL);
#endif
    EXPECT_EQ(RunChild("open-and-snap", {}, 60000), 0);
}

}  // namespace
}  // namespace ovilux::test
