// CameraStream.cpp - a camera streamed by a session of its own, and the checks of what it got.
#include "api/CameraStream.h"

#include <algorithm>
#include <chrono>
#include <iterator>

#include "OviluxSim.h"
#include "support/Patience.h"

namespace ovilux::test {

namespace {

// A quarter of the default window, 24 bits: small enough that four cameras' pictures are taken
// in time under the sanitizers, and binned, demosaicked and copied like any other.
constexpr int32_t kSensorWidth = 2592;
constexpr int32_t kSensorHeight = 1944;
constexpr int32_t kWindowWidth = 2560;
constexpr int32_t kWindowHeight = 1920;
constexpr int32_t kQuarter = 2;
constexpr int32_t kFactor = 4;
constexpr int32_t kBits = 24;
constexpr int32_t kWidth = kWindowWidth / kFactor;
constexpr int32_t kHeight = kWindowHeight / kFactor;
constexpr size_t kStride = (kWidth * kBits / 8 + 3) & ~3;
constexpr size_t kImageBytes = kStride * kHeight;
constexpr uint32_t kMessageSliceMs = 20;
// The reference picture is taken at a short exposure: the levels are the scene's whatever it is.
constexpr int32_t kSnapshotExposure = 10000;
constexpr int kSnapshotAttempts = 3;

std::string Text(const std::string& what, uint64_t value) { return what + " " + std::to_string(value); }

std::string LossText(const OviluxStreamStatistics& s) {
    return Text("lost: headers timed out", s.lostHeaderTimeout) + Text(", wrong size", s.lostWrongSize) +
           Text(", incomplete", s.lostIncomplete) + Text(", overtaken", s.lostSlow) +
           Text(", camera lost", s.lostCameraLost) + Text(", buffer too small", s.lostBufferTooSmall);
}

}  // namespace

uint64_t Lost(const OviluxStreamStatistics& s) {
    return s.lostHeaderTimeout + s.lostWrongSize + s.lostIncomplete + s.lostSlow + s.lostCameraLost +
           s.lostBufferTooSmall;
}

std::vector<int32_t> AttachNumbered(const std::vector<int32_t>& ports) {
    const auto present = [](uint32_t probe) {
        std::vector<char> names(OVILUX_ENUM_SLOTS * OVILUX_ENUM_NAME_CHARS);
        Ovilux_EnumDevice(probe, names.data());
        std::vector<int32_t> numbers;
        char name[OVILUX_ENUM_NAME_CHARS];
        for (int32_t number = 0; number < OVILUX_SIM_PORT_COUNT; ++number) {
            if (Ovilux_GetDeviceName(probe, number, name, sizeof name) == 1) {
                numbers.push_back(number);
            }
        }
        while (Ovilux_GetLastError(probe) != 0) {
        }
        return numbers;
    };
    // A session talks to the simulated bus only when made after a camera was plugged into it.
    if (ports.empty() || OviluxSim_Attach(0x3030, ports[0]) != ports[0]) {
        return {};
    }
    const uint32_t probe = Ovilux_Initialize(nullptr);
    if (probe == 0) {
        return {};
    }
    std::vector<int32_t> numbers = present(probe);
    for (size_t i = 1; i < ports.size() && numbers.size() == i; ++i) {
        const std::vector<int32_t> before = present(probe);
        if (OviluxSim_Attach(0x3030, ports[i]) != ports[i]) {
            break;
        }
        const std::vector<int32_t> after = present(probe);
        std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(numbers));
    }
    if (numbers.size() != ports.size()) {
        numbers.clear();
    }
    Ovilux_Release(probe);
    return numbers;
}

StallWatch::StallWatch()
    : watcher_([this] {
          constexpr auto kNap = std::chrono::milliseconds(10);
          while (!stopping_) {
              const auto before = std::chrono::steady_clock::now();
              std::this_thread::sleep_for(kNap);
              const auto late = std::chrono::steady_clock::now() - before - kNap;
              const auto ms = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(late).count());
              longest_ = std::max(longest_.load(), ms);
          }
      }) {}

StallWatch::~StallWatch() {
    stopping_ = true;
    watcher_.join();
}

int32_t RigExposureMicroseconds() {
    constexpr double kIdleMicroseconds = 100000;
    constexpr double kLongestMicroseconds = 1000000;
    return static_cast<int32_t>(std::clamp(kIdleMicroseconds * Pace(), kIdleMicroseconds, kLongestMicroseconds));
}

CameraStream::CameraStream(int32_t port, int32_t block)
    : port_(port), picture_(MakeBlockPicture(kActiveWidth, kActiveHeight, block)), buffer_(kImageBytes),
      image_(kImageBytes) {}

CameraStream::~CameraStream() {
    Stop();
    if (handle_ != 0) {
        Ovilux_Release(handle_);
    }
    for (OVILUX_HWND window : {notify_, callback_}) {
        if (window != nullptr) {
            OviluxWnd_DestroyWindow(window);
        }
    }
}

void CameraStream::Problem(const std::string& text) {
    std::lock_guard<std::mutex> hold(mutex_);
    problems_.push_back("camera " + std::to_string(port_) + ": " + text);
}

bool CameraStream::ShowPicture() {
    if (OviluxSim_ShowPicture(port_, picture_.pixels.data(), picture_.width, picture_.height, picture_.width * 3,
                              24) != 1 ||
        OviluxSim_SetSceneOptions(port_, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS | OVILUX_SIM_FIXED_LEVELS) != 1) {
        Problem("the camera would not show its picture");
        return false;
    }
    return true;
}

bool CameraStream::Open(int32_t number, int32_t exposureMicroseconds) {
    notify_ = OviluxWnd_CreateMessageWindow();
    callback_ = OviluxWnd_CreateMessageWindow();
    if (notify_ == nullptr || callback_ == nullptr || !ShowPicture()) {
        Problem("no message windows");
        return false;
    }
    handle_ = Ovilux_Initialize(notify_);
    if (handle_ == 0 || Ovilux_SetDeviceNumber(handle_, number) != 1 || Ovilux_SetColorMode(handle_, kBits) != 1 ||
        Ovilux_SetCaptureWindowEx(handle_, kSensorWidth, 0, kWindowWidth, kSensorHeight, 0, kWindowHeight) != 1 ||
        Ovilux_SetSubSample(handle_, kQuarter) != 1 || Ovilux_SetRealExposureTime(handle_, kSnapshotExposure) != 1 ||
        !TakeReference() || Ovilux_SetRealExposureTime(handle_, exposureMicroseconds) != 1) {
        Problem(Text("a session on device number", static_cast<uint64_t>(number)) + " could not be set up");
        return false;
    }
    return true;
}

bool CameraStream::TakeReference() {
    // Compared pixel by pixel with the scene once, before streaming: the comparison is slow, and
    // every frame streamed must then equal this picture byte for byte.
    // A snapshot waits for its frame a fixed time, which a heavily loaded machine can pass.
    std::vector<uint8_t> snapshot(kImageBytes);
    int attempts = 0;
    while (Ovilux_SnapShot(handle_, snapshot.data(), static_cast<int32_t>(snapshot.size()), 1) != 1) {
        if (++attempts == kSnapshotAttempts) {
            Problem(Text("no snapshot, code", static_cast<uint64_t>(Ovilux_GetLastError(handle_))));
            return false;
        }
    }
    const PictureMatch match = ComparePicture({snapshot.data(), kWidth, kHeight, static_cast<int32_t>(kStride), kBits},
                                              picture_, {0, 0, kFactor});
    if (match.compared < int64_t{kWidth} * kHeight / 4 || match.mismatched != 0) {
        Problem("the snapshot is not the camera's own scene: " + Text("pixels compared", match.compared) + ", " +
                match.firstMismatch);
        return false;
    }
    reference_ = std::move(snapshot);
    return true;
}

bool CameraStream::Reselect(int32_t number) {
    if (Ovilux_SetDeviceNumber(handle_, number) != 1) {
        Problem(Text("device number", static_cast<uint64_t>(number)) + " could not be selected again");
        return false;
    }
    return true;
}

bool CameraStream::Start() {
    Stop();
    if (OviluxStream_ResetStatistics(handle_) != 1 || OviluxSim_GetFramesSent(port_, &sentAtStart_) != 1) {
        Problem("no counts to start from");
        return false;
    }
    {
        std::lock_guard<std::mutex> hold(mutex_);
        cameraLost_ = false;
    }
    haveNumber_ = false;
    messages_ = 0;
    stopping_ = false;
    consumer_ = std::thread([this] { Consume(); });
    if (Ovilux_CallBackPreview(handle_, callback_, buffer_.data(), static_cast<int32_t>(buffer_.size()), 1) != 1) {
        Problem(Text("live view did not start, code", static_cast<uint64_t>(Ovilux_GetLastError(handle_))));
        return false;
    }
    return true;
}

void CameraStream::Stop() {
    if (!consumer_.joinable()) {
        return;
    }
    // The counts while frames still flow: a frame that came in the meantime is in none of them.
    OviluxStreamStatistics running{};
    OviluxStream_GetStatistics(handle_, &running);
    running_ = running;
    Ovilux_StopPreview(handle_);
    if (OviluxSim_GetFramesSent(port_, &sentAtStop_) != 1) {
        sentAtStop_ = sentAtStart_;  // unplugged: what it sent went with it
    }
    OviluxStream_GetStatistics(handle_, &stopped_);
    stopping_ = true;
    consumer_.join();
}

bool CameraStream::AwaitFrames(uint64_t frames, uint32_t limitMs) {
    std::unique_lock<std::mutex> hold(mutex_);
    return changed_.wait_for(hold, std::chrono::milliseconds(PatienceMs(limitMs)),
                             [&] { return messages_.load() >= frames || cameraLost_; }) &&
           !cameraLost_;
}

bool CameraStream::AwaitCameraLost(uint32_t limitMs) {
    std::unique_lock<std::mutex> hold(mutex_);
    return changed_.wait_for(hold, std::chrono::milliseconds(PatienceMs(limitMs)), [&] { return cameraLost_; });
}

void CameraStream::Consume() {
    while (!stopping_) {
        uint32_t message = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        if (OviluxWnd_GetMessage(callback_, kMessageSliceMs, &message, &wParam, &lParam) != 1 ||
            message != OVILUX_WM_FRAME) {
            continue;
        }
        if (wParam == 0) {
            std::lock_guard<std::mutex> hold(mutex_);
            if (lParam == OVILUX_CODE_CAMERA_LOST) {
                cameraLost_ = true;
            } else {
                problems_.push_back("camera " + std::to_string(port_) + ": " + Text("failure", static_cast<uint64_t>(lParam)));
            }
            changed_.notify_all();
            continue;
        }
        CheckFrame();
        {
            std::lock_guard<std::mutex> hold(mutex_);
            ++messages_;
        }
        changed_.notify_all();
    }
}

void CameraStream::CheckFrame() {
    OviluxFrameMetadata frame{};
    if (OviluxStream_GetLastFrame(handle_, &frame) != 1) {
        Problem("a frame message without a frame");
        return;
    }
    // Messages read late find a newer frame delivered already: each frame is looked at once.
    if (haveNumber_ && frame.frameNumber == lastNumber_) {
        return;
    }
    if (frame.lostBefore != 0) {
        Problem(Text("frames lost before frame", frame.frameNumber) + Text(":", frame.lostBefore));
    }
    if (haveNumber_ && frame.frameNumber < lastNumber_) {
        Problem(Text("frame", frame.frameNumber) + Text(" came after frame", lastNumber_));
    }
    haveNumber_ = true;
    lastNumber_ = frame.frameNumber;

    // The session's own copy, taken under its lock: the callback buffer may be half rewritten by
    // the next frame while this one is looked at.
    if (Ovilux_GetImage(handle_, image_.data(), static_cast<int32_t>(image_.size()), 1) != 1) {
        Problem("Ovilux_GetImage failed");
    } else if (image_ != reference_) {
        Problem(Text("frame", frame.frameNumber) + " differs from the camera's own picture");
    }
}

std::vector<std::string> CameraStream::SteadyProblems() const {
    std::vector<std::string> problems = problems_;
    const std::string camera = "camera " + std::to_string(port_) + ": ";
    if (Lost(running_) != 0) {
        problems.push_back(camera + "while streaming " + LossText(running_));
    }
    // Stopping may overtake a frame that had come but was not yet taken; every other frame the
    // camera sent was delivered.
    const uint64_t sent = sentAtStop_ - sentAtStart_;
    if (Lost(stopped_) != stopped_.lostSlow || stopped_.delivered + stopped_.lostSlow != sent) {
        problems.push_back(camera + Text("frames sent", sent) + Text(", delivered", stopped_.delivered) + ", " +
                           LossText(stopped_));
    }
    if (stopped_.delivered < messages_.load()) {
        problems.push_back(camera + Text("frame messages", messages_.load()) + Text(" for frames delivered", stopped_.delivered));
    }
    if (buffer_ != reference_) {
        problems.push_back(camera + "the callback buffer does not hold the camera's own picture");
    }
    return problems;
}

}  // namespace ovilux::test
