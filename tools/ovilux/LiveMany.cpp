// LiveMany.cpp - live view of several cameras at once: each camera's session delivers into a
// buffer of its own and posts to a window of its own, read on a thread of its own, so that no
// camera waits for another's frames.
#include "LiveMany.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "CameraSession.h"
#include "LiveSignals.h"
#include "MessageWindow.h"
#include "OviluxSdk.h"
#include "StreamCounts.h"

namespace ovilux_tool {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t kMaxDeviceNumber = 31;
constexpr uint32_t kMessageWaitMs = 100;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// One camera's live view: its session, buffer and frame messages, counted on its reader thread.
class CameraLive {
public:
    explicit CameraLive(int32_t device) : device_(device) {}
    ~CameraLive() { Stop(); }
    CameraLive(const CameraLive&) = delete;
    CameraLive& operator=(const CameraLive&) = delete;

    int32_t Device() const { return device_; }
    uint32_t Handle() const { return session_.Handle(); }
    long long Frames() const { return frames_.load(); }
    int32_t Failure() const { return failure_.load(); }
    int32_t CameraRateX10() const { return rateX10_.load(); }
    int32_t Width() const { return width_.load(); }
    int32_t Height() const { return height_.load(); }

    // Opens the camera with the settings and starts its live view; false after a message.
    bool Start(const LiveSettings& settings, bool simulating) {
        if (!session_.OpenCamera(device_, simulating)) {
            return false;
        }
        const uint32_t handle = session_.Handle();
        if (!Ovilux_SetColorMode(session_.Fresh(), settings.bits)) {
            return session_.Fail("Ovilux_SetColorMode");
        }
        if (!ApplyCameraOptions(session_, settings.camera)) {
            return false;
        }
        const size_t stride =
            (static_cast<size_t>(Ovilux_Width(handle)) * static_cast<size_t>(settings.bits) / 8 + 3) & ~size_t{3};
        frame_.resize(stride * static_cast<size_t>(Ovilux_Height(handle)));
        std::promise<OVILUX_HWND> made;
        std::future<OVILUX_HWND> window = made.get_future();
        reader_ = std::thread([this, &made] { Read(made); });
        const OVILUX_HWND messages = window.get();
        if (messages == nullptr) {
            Complain("could not make a window for the frame messages");
            return false;
        }
        if (!Ovilux_CallBackPreview(session_.Fresh(), messages, frame_.data(), static_cast<int32_t>(frame_.size()), 1)) {
            return session_.Fail("Ovilux_CallBackPreview");
        }
        return true;
    }

    void Stop() {
        if (session_.Handle() != 0) {
            Ovilux_StopPreview(session_.Handle());
        }
        stopping_ = true;
        if (reader_.joinable()) {
            reader_.join();
        }
    }

private:
    // The window is made here: on Windows a window's messages are read on the thread that made it.
    void Read(std::promise<OVILUX_HWND>& made) {
        const MessageWindow window;
        made.set_value(window.Get());
        while (window.Get() != nullptr && !stopping_) {
            uint32_t message = 0;
            uintptr_t wParam = 0;
            intptr_t lParam = 0;
            if (!OviluxWnd_GetMessage(window.Get(), kMessageWaitMs, &message, &wParam, &lParam) ||
                message != OVILUX_WM_FRAME) {
                continue;
            }
            if (wParam == 0) {
                failure_ = static_cast<int32_t>(lParam);
                continue;
            }
            const auto* info = reinterpret_cast<const OviluxFrameInfo*>(wParam);
            width_ = info->width;
            height_ = info->height;
            rateX10_ = info->frameRateX10;
            ++frames_;
        }
    }

    const int32_t device_;
    CameraSession session_;
    std::vector<uint8_t> frame_;
    std::thread reader_;
    std::atomic<bool> stopping_{false};
    std::atomic<long long> frames_{0};
    std::atomic<int32_t> failure_{-1};
    std::atomic<int32_t> rateX10_{0};
    std::atomic<int32_t> width_{0};
    std::atomic<int32_t> height_{0};
};

using Cameras = std::vector<std::unique_ptr<CameraLive>>;

// Every camera found, as ovilux list shows them.
bool AllDevices(bool simulating, std::vector<int32_t>* devices) {
    CameraSession probe;
    if (!probe.Create()) {
        return false;
    }
    for (const auto& camera : probe.PresentCameras()) {
        devices->push_back(camera.first);
    }
    if (devices->empty()) {
        ReportNoCamera(simulating);
        return false;
    }
    return true;
}

// "  #0 14.1 fps lost 0   #1 ..." for a progress line.
std::string ProgressOf(const Cameras& cameras, double elapsed) {
    std::string line;
    char part[96];
    for (const auto& camera : cameras) {
        std::snprintf(part, sizeof part, "   #%d %.1f fps lost %llu", static_cast<int>(camera->Device()),
                      elapsed > 0 ? camera->Frames() / elapsed : 0.0,
                      static_cast<unsigned long long>(StreamLostTotal(camera->Handle())));
        line += part;
    }
    return line;
}

void PrintSummary(const Cameras& cameras, const LiveSettings& settings, double elapsed) {
    long long total = 0;
    uint64_t lost = 0;
    std::printf("live view: %zu cameras at %d bits in %.1f s\n", cameras.size(), static_cast<int>(settings.bits),
                elapsed);
    for (const auto& camera : cameras) {
        total += camera->Frames();
        lost += StreamLostTotal(camera->Handle());
        std::printf("  camera %d: %lld frames of %d x %d, %.1f fps (camera reports %.1f fps), frames %s\n",
                    static_cast<int>(camera->Device()), camera->Frames(), static_cast<int>(camera->Width()),
                    static_cast<int>(camera->Height()), camera->Frames() / elapsed, camera->CameraRateX10() / 10.0,
                    StreamCountsLine(camera->Handle()).c_str());
    }
    std::printf("  all: %lld frames, %.1f fps, %llu lost\n", total, total / elapsed,
                static_cast<unsigned long long>(lost));
}

void PrintJson(const Cameras& cameras, const LiveSettings& settings, double elapsed) {
    long long total = 0;
    std::string list;
    for (const auto& camera : cameras) {
        total += camera->Frames();
        char head[256];
        std::snprintf(head, sizeof head,
                      "{\"device\": %d, \"frames\": %lld, \"width\": %d, \"height\": %d, \"fps\": %.2f, "
                      "\"camera_fps\": %.1f, \"stream\": ",
                      static_cast<int>(camera->Device()), camera->Frames(), static_cast<int>(camera->Width()),
                      static_cast<int>(camera->Height()), camera->Frames() / elapsed, camera->CameraRateX10() / 10.0);
        list += (list.empty() ? "" : ", ") + std::string(head) + StreamCountsJson(camera->Handle()) + "}";
    }
    std::printf("{\"frames\": %lld, \"bits\": %d, \"seconds\": %.3f, \"fps\": %.2f, \"cameras\": [%s]}\n", total,
                static_cast<int>(settings.bits), elapsed, total / elapsed, list.c_str());
}

}  // namespace

bool ParseDeviceList(const std::string& text, const std::string& option, std::vector<int32_t>* devices) {
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const auto number = ParseNumber(text.substr(start, comma - start), 0, kMaxDeviceNumber, option);
        if (!number) {
            return false;
        }
        const auto device = static_cast<int32_t>(*number);
        if (std::find(devices->begin(), devices->end(), device) != devices->end()) {
            Complain(option + " names camera " + std::to_string(device) + " twice");
            return false;
        }
        devices->push_back(device);
        start = comma + 1;
    }
    return true;
}

int LiveMany(std::vector<int32_t> devices, const LiveSettings& settings, const GlobalOptions& global) {
    const StopOnSignal stop;
    if (devices.empty() && !AllDevices(global.simulate, &devices)) {
        return kExitFailed;
    }
    Cameras cameras;
    for (int32_t device : devices) {
        cameras.push_back(std::make_unique<CameraLive>(device));
        if (!cameras.back()->Start(settings, global.simulate)) {
            Complain("camera " + std::to_string(device) + " did not start");
            return kExitFailed;
        }
    }
    const bool terminal = IsTerminal(stdout) && !settings.json;
    const Clock::time_point start = Clock::now();
    const auto waiting = [&] {
        const double elapsed = SecondsSince(start);
        const bool everyFrameCame = std::all_of(cameras.begin(), cameras.end(), [](const auto& c) { return c->Frames() > 0; });
        return everyFrameCame ? elapsed < settings.seconds : elapsed < kFirstFrameSeconds;
    };
    const auto failed = [&] {
        return std::find_if(cameras.begin(), cameras.end(), [](const auto& c) { return c->Failure() >= 0; });
    };
    double lastReport = 0;
    while (waiting() && failed() == cameras.end() && !stop.StopRequested()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kMessageWaitMs));
        const double elapsed = SecondsSince(start);
        if (elapsed >= lastReport + 1.0) {
            std::printf(terminal ? "\r%5.1f s%s" : "%5.1f s%s\n", elapsed, ProgressOf(cameras, elapsed).c_str());
            std::fflush(stdout);
            lastReport = elapsed;
        }
    }
    for (const auto& camera : cameras) {
        camera->Stop();
    }
    const double elapsed = SecondsSince(start);
    if (terminal) {
        std::printf("\n");
    }
    if (stop.StopRequested()) {
        std::printf("live view stopped on request\n");
    }
    const auto failure = failed();
    if (failure != cameras.end()) {
        ReportCode(("live view of camera " + std::to_string((*failure)->Device())).c_str(), (*failure)->Failure());
        return kExitFailed;
    }
    for (const auto& camera : cameras) {
        if (camera->Frames() == 0 && !stop.StopRequested()) {
            Complain("no frame arrived from camera " + std::to_string(camera->Device()));
            return kExitFailed;
        }
    }
    if (settings.json) {
        PrintJson(cameras, settings, elapsed);
    } else {
        PrintSummary(cameras, settings, elapsed);
    }
    return kExitOk;
}

}  // namespace ovilux_tool
