// many_cameras_bench.cpp - several simulated cameras streaming at once in one process, as a rig's
// program runs them: a session per camera at the default settings (the default window, 2560 x
// 1920), live view with delivery into the program's buffer, each camera's messages read on a
// thread of its own. Arguments: cameras, timing (0 fast, 1 the sensor's), bits per pixel, and
// the seconds measured. Reports the frames per second of all cameras together and of the slowest
// one, the frames lost, and the process's CPU milliseconds per frame split into the simulated
// cameras' share (OviluxSim_GetCpuTime: work a real camera does on its own hardware) and the
// rest: the library's, with the program's reader threads, which only count messages.
//
// The "ManyCamerasGoal" cases are the long runs bench/many-cameras-goals.sh makes; run-all.sh
// leaves them out.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

#include "OviluxSdk.h"
#include "OviluxSettings.h"
#include "OviluxSim.h"
#include "OviluxStream.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kMessageWaitMs = 100;
constexpr int kSettleFrames = 3;
constexpr auto kSettleLimit = std::chrono::seconds(30);

double ProcessCpuMs() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) * 1e3 + static_cast<double>(used.tv_nsec) / 1e6;
}

double SimCpuMs(int32_t cameras) {
    double total = 0;
    for (int32_t port = 0; port < cameras; ++port) {
        uint64_t nanoseconds = 0;
        if (OviluxSim_GetCpuTime(port, &nanoseconds) == 1) {
            total += static_cast<double>(nanoseconds) / 1e6;
        }
    }
    return total;
}

uint64_t Lost(uint32_t handle) {
    OviluxStreamStatistics s{};
    if (OviluxStream_GetStatistics(handle, &s) != 1) {
        return 0;
    }
    return s.lostHeaderTimeout + s.lostWrongSize + s.lostIncomplete + s.lostSlow + s.lostCameraLost +
           s.lostBufferTooSmall;
}

// One camera's session and the thread that counts its frame messages.
class Stream {
public:
    Stream(int32_t port, int32_t bits) : window_(OviluxWnd_CreateMessageWindow()) {
        OviluxSettings_Reset(port);
        handle_ = Ovilux_Initialize(nullptr);
        if (window_ == nullptr || handle_ == 0 || Ovilux_SetDeviceNumber(handle_, port) != 1 ||
            Ovilux_SetColorMode(handle_, bits) != 1) {
            return;
        }
        buffer_.resize(static_cast<size_t>((Ovilux_Width(handle_) * bits / 8 + 3) & ~3) *
                       static_cast<size_t>(Ovilux_Height(handle_)));
        reader_ = std::thread([this] { Read(); });
        started_ = Ovilux_CallBackPreview(handle_, window_, buffer_.data(), static_cast<int32_t>(buffer_.size()), 1) == 1;
    }
    ~Stream() {
        if (handle_ != 0) {
            Ovilux_StopPreview(handle_);
        }
        stopping_ = true;
        if (reader_.joinable()) {
            reader_.join();
        }
        if (handle_ != 0) {
            Ovilux_Release(handle_);
        }
        if (window_ != nullptr) {
            OviluxWnd_DestroyWindow(window_);
        }
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    bool Started() const { return started_; }
    uint32_t Handle() const { return handle_; }
    int64_t Frames() const { return frames_.load(); }
    bool Failed() const { return failed_.load(); }

private:
    void Read() {
        while (!stopping_) {
            uint32_t message = 0;
            uintptr_t wParam = 0;
            intptr_t lParam = 0;
            if (OviluxWnd_GetMessage(window_, kMessageWaitMs, &message, &wParam, &lParam) == 1 &&
                message == OVILUX_WM_FRAME) {
                if (wParam != 0) {
                    ++frames_;
                } else {
                    failed_ = true;
                }
            }
        }
    }

    OVILUX_HWND window_;
    uint32_t handle_ = 0;
    std::vector<uint8_t> buffer_;
    std::thread reader_;
    bool started_ = false;
    std::atomic<bool> stopping_{false};
    std::atomic<int64_t> frames_{0};
    std::atomic<bool> failed_{false};
};

void ManyCameras(benchmark::State& state) {
    const auto cameras = static_cast<int32_t>(state.range(0));
    const bool realTiming = state.range(1) != 0;
    const auto bits = static_cast<int32_t>(state.range(2));
    const auto seconds = static_cast<double>(state.range(3));
    if (OviluxSim_SetSpeed(realTiming ? OVILUX_SIM_SPEED_REALTIME : OVILUX_SIM_SPEED_FAST) != 1) {
        state.SkipWithError("no simulated cameras");
        return;
    }
    for (int32_t port = 0; port < cameras; ++port) {
        if (OviluxSim_Attach(0x3030, port) != port) {
            state.SkipWithError("a camera could not be plugged in");
            return;
        }
    }
    {
        std::vector<std::unique_ptr<Stream>> streams;
        for (int32_t port = 0; port < cameras; ++port) {
            streams.push_back(std::make_unique<Stream>(port, bits));
        }
        const auto settled = [&] {
            return std::all_of(streams.begin(), streams.end(),
                               [](const auto& s) { return !s->Started() || s->Frames() >= kSettleFrames; });
        };
        const auto settleEnd = Clock::now() + kSettleLimit;
        while (!settled() && Clock::now() < settleEnd) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kMessageWaitMs));
        }
        if (!std::all_of(streams.begin(), streams.end(), [](const auto& s) { return s->Started(); }) || !settled()) {
            state.SkipWithError("live view did not start on every camera");
        } else {
            for (auto _ : state) {
                std::vector<int64_t> start;
                for (const auto& s : streams) {
                    OviluxStream_ResetStatistics(s->Handle());
                    start.push_back(s->Frames());
                }
                const double cpuStart = ProcessCpuMs();
                const double simStart = SimCpuMs(cameras);
                const auto wallStart = Clock::now();
                std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
                const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
                const double cpu = ProcessCpuMs() - cpuStart;
                const double sim = SimCpuMs(cameras) - simStart;
                int64_t total = 0;
                int64_t slowest = INT64_MAX;
                uint64_t lost = 0;
                bool failed = false;
                for (size_t i = 0; i < streams.size(); ++i) {
                    const int64_t frames = streams[i]->Frames() - start[i];
                    total += frames;
                    slowest = std::min(slowest, frames);
                    lost += Lost(streams[i]->Handle());
                    failed = failed || streams[i]->Failed();
                }
                const double perFrame = total > 0 ? 1.0 / static_cast<double>(total) : 0.0;
                state.counters["frames_per_s"] = static_cast<double>(total) / wall;
                state.counters["slowest_camera_frames_per_s"] = static_cast<double>(slowest) / wall;
                state.counters["lost"] = static_cast<double>(lost);
                state.counters["cpu_ms_per_frame"] = cpu * perFrame;
                state.counters["sim_ms_per_frame"] = sim * perFrame;
                state.counters["library_ms_per_frame"] = (cpu - sim) * perFrame;
                state.counters["cpu_load_percent"] = 100.0 * cpu / (wall * 1e3);
                state.counters["camera_failures"] = failed ? 1 : 0;
            }
        }
    }
    for (int32_t port = 0; port < cameras; ++port) {
        OviluxSim_Detach(port);
    }
}

void TableCases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"cameras", "real_timing", "bits", "seconds"});
    for (int64_t realTiming : {0, 1}) {
        for (int64_t bits : {8, 24}) {
            for (int64_t cameras : {1, 2, 4, 8, 16, 32}) {
                // In fast mode a camera answers every read at once, so each transfer thread (at the
                // time-critical priority, on Linux SCHED_FIFO) never waits: from as many cameras as
                // cores on they leave the live-view workers, and the machine, no time at all.
                if (realTiming != 0 || cameras <= 2) {
                    b->Args({cameras, realTiming, bits, 5});
                }
            }
        }
    }
}

void GoalCases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"cameras", "real_timing", "bits", "seconds"});
    b->Args({1, 1, 24, 20});   // one camera alone, the rate the goals compare with
    b->Args({1, 1, 8, 20});
    b->Args({4, 1, 24, 60});   // one of four processes of four
    b->Args({16, 1, 24, 60});  // sixteen in one process
    b->Args({32, 1, 8, 60});   // the whole device table, 8 bits
}

void ManyCamerasGoal(benchmark::State& state) { ManyCameras(state); }

}  // namespace

BENCHMARK(ManyCameras)->Apply(TableCases)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(ManyCamerasGoal)->Apply(GoalCases)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
