// SweepRunner.cpp - one sweep program against a fresh session on one simulated camera showing
// a still picture of one colour at fixed levels (exposure and gains change the settings the
// getters read, not the picture).
#include "api/sweep/SweepRunner.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "OviluxSdk.h"
#include "OviluxSim.h"
#include "api/sweep/SessionModel.h"
#include "image/DibImage.h"
#include "support/PictureCheck.h"

namespace ovilux::test::sweep {

namespace {

// Every call may take its own waiting (a frame's 3 s, a recording's length) and this margin,
// wide enough for a loaded machine under ThreadSanitizer.
constexpr uint32_t kFrameWaitMs = 3000;
constexpr uint32_t kMarginMs = 20000;

// Ends the process when the armed call outlives its limit: a blocked export cannot be
// unwound, so the watchdog names it and the parent sees kBlocked.
class Watchdog {
public:
    Watchdog() : thread_([this] { Watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    void Arm(const std::string& what, uint32_t limitMs) {
        std::lock_guard<std::mutex> lock(mutex_);
        what_ = what;
        limitMs_ = limitMs;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        armed_ = true;
        wake_.notify_all();
    }
    void Disarm() {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = false;
    }
    // The calls that led to the armed one, printed with it.
    void SetContext(const std::string& calls) {
        std::lock_guard<std::mutex> lock(mutex_);
        context_ = calls;
    }

private:
    void Watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!quit_) {
            if (!armed_) {
                wake_.wait(lock);
                continue;
            }
            if (wake_.wait_until(lock, deadline_) == std::cv_status::timeout && armed_ &&
                std::chrono::steady_clock::now() >= deadline_) {
                std::fprintf(stderr, "%s", context_.c_str());
                std::fprintf(stderr, "watchdog: %s blocked for more than %u ms\n", what_.c_str(), limitMs_);
                std::fflush(stderr);
                std::_Exit(kBlocked);
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::string what_, context_;
    uint32_t limitMs_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    bool armed_ = false;
    bool quit_ = false;
    std::thread thread_;
};

std::string Text(const char* what, int64_t got, int64_t wanted) {
    std::ostringstream text;
    text << what << " is " << got << ", the model says " << wanted;
    return text.str();
}

class Run {
public:
    explicit Run(const Program& program) : program_(program) {
        // One directory per run: runs of several build configurations may share the machine.
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        directory_ = std::filesystem::temp_directory_path() / ("ovilux-sweep-" + std::to_string(now));
        std::filesystem::create_directories(directory_);
    }
    ~Run() {
        if (handle_ != 0) {
            Ovilux_Release(handle_);
        }
        if (notify_ != nullptr) {
            OviluxWnd_DestroyWindow(notify_);
        }
        OviluxSim_Detach(0);
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    Outcome Go() {
        if (std::string why = Setup(); !why.empty()) {
            return {kSetupFailed, 0, why};
        }
        std::string calls;
        for (size_t i = 0; i < program_.size(); ++i) {
            calls += CallText(program_[i]) + "\n";
            watchdog_.SetContext(calls);
            Outcome outcome = Step(program_[i]);
            if (outcome.verdict != kClean) {
                outcome.call = i;
                outcome.message = CallText(program_[i]) + ": " + outcome.message;
                return outcome;
            }
        }
        return {};
    }

private:
    bool ShowScene() {
        std::vector<uint8_t> picture(size_t{kActiveWidth} * kActiveHeight * 3);
        for (size_t i = 0; i < picture.size(); i += 3) {
            picture[i] = model_.blue;
            picture[i + 1] = model_.green;
            picture[i + 2] = model_.red;
        }
        return OviluxSim_ShowPicture(0, picture.data(), kActiveWidth, kActiveHeight, kActiveWidth * 3, 24) == 1 &&
               OviluxSim_SetSceneOptions(0, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS | OVILUX_SIM_FIXED_LEVELS) == 1;
    }

    // A fresh session with every setting the model follows put to its starting value.
    std::string Setup() {
        if (OviluxSim_SetSpeed(OVILUX_SIM_SPEED_FAST) != 1 || OviluxSim_Attach(0x3030, 0) != 0 || !ShowScene()) {
            return "the simulated camera could not be attached";
        }
        notify_ = OviluxWnd_CreateMessageWindow();
        handle_ = Ovilux_Initialize(notify_);
        if (handle_ == 0) {
            return "no session";
        }
        const std::pair<const char*, bool> steps[] = {
            {"sub-sampling", Ovilux_SetSubSample(handle_, 0) == 1},
            {"colour mode", Ovilux_SetColorMode(handle_, model_.bits) == 1},
            {"mirrors", Ovilux_SetMirrorH(handle_, 0) == 1 && Ovilux_SetMirrorV(handle_, 0) == 1},
            {"auto iris", Ovilux_SetAutoIris(handle_, 0) == 1},
            {"window", Ovilux_SetCaptureWindowEx(handle_, 2592, model_.window.x, model_.window.width, 1944, model_.window.y,
                                                 model_.window.height) == 1},
        };
        for (const auto& [what, ok] : steps) {
            if (!ok) {
                return std::string("the starting ") + what + " was refused, code " +
                       std::to_string(Ovilux_GetLastError(handle_));
            }
        }
        for (const auto& [index, value] : model_.filters) {
            if (Ovilux_SetFilterValue(handle_, index, value) != 1) {
                return "the starting filter value " + std::to_string(index) + " was refused, code " +
                       std::to_string(Ovilux_GetLastError(handle_));
            }
        }
        return "";
    }

    template <typename F>
    auto Timed(const std::string& what, uint32_t limitMs, F call) {
        watchdog_.Arm(what, limitMs);
        auto result = call();
        watchdog_.Disarm();
        return result;
    }

    // The call's result: success as the model says, or a failure with its code on the stack.
    std::string Result(int32_t result, bool accepted, int32_t code) {
        if (result != (accepted ? 1 : 0)) {
            return Text("the result", result, accepted ? 1 : 0);
        }
        if (!accepted) {
            const int32_t last = Ovilux_GetLastError(handle_);
            if (last != code) {
                return Text("the code of the refusal", last, code);
            }
        }
        return "";
    }

    std::string Getters() {
        kind_ = kWrongGetter;
        if (Ovilux_GetColorMode(handle_) != model_.bits) {
            return Text("the colour mode", Ovilux_GetColorMode(handle_), model_.bits);
        }
        if (Ovilux_GetSubSample(handle_) != model_.subSample) {
            return Text("the sub-sampling", Ovilux_GetSubSample(handle_), model_.subSample);
        }
        if (Ovilux_GetMirrorH(handle_) != model_.mirrorH || Ovilux_GetMirrorV(handle_) != model_.mirrorV) {
            return Text("the mirrors", Ovilux_GetMirrorH(handle_) * 2 + Ovilux_GetMirrorV(handle_),
                        model_.mirrorH * 2 + model_.mirrorV);
        }
        int32_t th = 0, hs = 0, eh = 0, tv = 0, vs = 0, ev = 0;
        Ovilux_GetCaptureWindowEx(handle_, &th, &hs, &eh, &tv, &vs, &ev);
        const Window& w = model_.window;
        if (eh != w.width || ev != w.height || hs != w.x || vs != w.y) {
            std::ostringstream text;
            text << "the window is " << eh << " x " << ev << " at " << hs << ", " << vs << ", the model says " << w.width
                 << " x " << w.height << " at " << w.x << ", " << w.y;
            return text.str();
        }
        for (const auto& [index, value] : model_.filters) {
            if (index == kGrayGainCounter) {
                continue;  // read back through its index is the exposure minimum, not the counter
            }
            int32_t ok = 0;
            const int32_t got = Ovilux_GetFilterValue(handle_, index, &ok);
            if (ok != 1 || got != value) {
                return Text(("filter value " + std::to_string(index)).c_str(), got, value);
            }
        }
        int32_t ok = 0;
        if (model_.exposure && Ovilux_GetExposureTime(handle_, &ok) != *model_.exposure) {
            return Text("the exposure", Ovilux_GetExposureTime(handle_, &ok), *model_.exposure);
        }
        if (model_.globalGain && Ovilux_GetGlobalGain(handle_, &ok) != *model_.globalGain) {
            return Text("the global gain", Ovilux_GetGlobalGain(handle_, &ok), *model_.globalGain);
        }
        return "";
    }

    // The delivered image against the model's picture, rows in the order asked for.
    std::string Picture(const std::vector<uint8_t>& delivered, const image::DibImage& expected, int32_t rowOrder) {
        const int32_t stride = expected.Stride();
        const int32_t height = expected.Height();
        const size_t rowBytes = static_cast<size_t>(expected.Width()) * expected.BytesPerPixel();
        kind_ = kWrongPicture;
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* want = static_cast<const uint8_t*>(expected.Bits()) + static_cast<size_t>(y) * stride;
            const int32_t row = rowOrder != 0 ? y : height - 1 - y;
            const uint8_t* got = delivered.data() + static_cast<size_t>(row) * stride;
            if (std::memcmp(want, got, rowBytes) != 0) {
                size_t at = 0;
                while (want[at] == got[at]) {
                    ++at;
                }
                std::ostringstream text;
                text << "the picture differs at sensor row " << y << ", byte " << at << ": " << int(got[at])
                     << " where the model says " << int(want[at]) << " (" << expected.Width() << " x " << height
                     << ", " << expected.BitsPerPixel() << " bits)";
                return text.str();
            }
        }
        kind_ = kWrongResult;
        return "";
    }

    std::string Snap(int32_t rowOrder) {
        std::vector<uint8_t> buffer(static_cast<size_t>(model_.ImageBytes()));
        // A frame the camera did not deliver within its wait (code 8, a starved machine) is
        // no picture at all, not a wrong one: the snapshot is asked for again, twice at most.
        int32_t result = 0, code = 0;
        for (int attempt = 0; attempt < 3 && result != 1; ++attempt) {
            result = Timed("snapshot", kFrameWaitMs + kMarginMs, [&] {
                return Ovilux_SnapShot(handle_, buffer.data(), static_cast<int32_t>(buffer.size()), rowOrder);
            });
            code = result == 1 ? 0 : Ovilux_GetLastError(handle_);
            if (code != OVILUX_CODE_NO_FRAME) {
                break;
            }
        }
        if (result != 1) {
            return Text("the snapshot's result", result, 1) + " (code " + std::to_string(code) + ")";
        }
        image::DibImage expected;
        if (!model_.TakeFrame(expected)) {
            return "the model could not make its picture";
        }
        return Picture(buffer, expected, rowOrder);
    }

    std::string LiveView(int32_t frames) {
        std::vector<uint8_t> buffer(static_cast<size_t>(model_.ImageBytes()));
        const uint32_t limit = kFrameWaitMs * static_cast<uint32_t>(frames + 1) + kMarginMs;
        // Messages an earlier live view left queued are not frames of this one.
        uint32_t message = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        while (OviluxWnd_GetMessage(notify_, 0, &message, &wParam, &lParam) == 1) {
        }
        const int32_t started = Timed("live view start", limit, [&] {
            return Ovilux_CallBackPreview(handle_, notify_, buffer.data(), static_cast<int32_t>(buffer.size()), 1);
        });
        if (started != 1) {
            return Text("the live view's start", started, 1);
        }
        int seen = 0;
        Timed("waiting for live-view frames", limit, [&] {
            while (seen < frames && OviluxWnd_GetMessage(notify_, kFrameWaitMs, &message, &wParam, &lParam) == 1) {
                seen += message == OVILUX_WM_FRAME && wParam != 0 ? 1 : 0;
            }
            return 0;
        });
        const int32_t stopped = Timed("stop preview", kFrameWaitMs + kMarginMs, [&] { return Ovilux_StopPreview(handle_); });
        if (stopped != 1 || seen < frames) {
            return "the live view delivered " + std::to_string(seen) + " of " + std::to_string(frames) + " frames";
        }
        image::DibImage expected;
        if (!model_.TakeFrame(expected)) {
            return "the model could not make its picture";
        }
        return Picture(buffer, expected, 1);
    }

    std::string FileMade(const std::filesystem::path& file, const char* magic) {
        std::ifstream in(file, std::ios::binary);
        char head[4] = {};
        in.read(head, 4);
        if (!in || std::memcmp(head, magic, std::strlen(magic)) != 0) {
            return file.filename().string() + " does not start as it should";
        }
        return "";
    }

    // A finished AVI file: its RIFF size counts every byte after the first eight.
    static bool Finalised(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        uint8_t head[8] = {};
        in.read(reinterpret_cast<char*>(head), 8);
        std::error_code error;
        const uintmax_t size = std::filesystem::file_size(file, error);
        const uint32_t riff = head[4] | head[5] << 8 | head[6] << 16 | uint32_t{head[7]} << 24;
        return in && !error && std::memcmp(head, "RIFF", 4) == 0 && riff != 0 && riff + 8u == size;
    }

    // A recording: the call starts it beside a live view; the file is finalised by itself once
    // the time has passed, and the live view is stopped then.
    std::string Record(int32_t ms) {
        const std::filesystem::path file = directory_ / "sweep.avi";
        const uint32_t limit = static_cast<uint32_t>(ms) + kFrameWaitMs + kMarginMs;
        const int32_t result = Timed("record " + std::to_string(ms) + " ms", limit,
                                     [&] { return Ovilux_Record(handle_, file.string().c_str(), ms, 0); });
        if (result != 1) {
            return Text("the recording's result", result, 1) + " (code " + std::to_string(Ovilux_GetLastError(handle_)) + ")";
        }
        Timed("waiting for the recording to be finalised", limit, [&] {
            while (!Finalised(file)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            return 0;
        });
        Timed("stop preview after a recording", kFrameWaitMs + kMarginMs, [&] { return Ovilux_StopPreview(handle_); });
        std::filesystem::remove(file);
        image::DibImage ignored;
        return model_.TakeFrame(ignored) ? "" : "the model could not make its picture";
    }

    // Recordings started again and again on a second thread while this one stops the live
    // view (or closes the camera) again and again: every call returns, and afterwards the
    // session works on. The snapshot at the end settles a gray-gain measurement the race may
    // or may not have made.
    std::string RecordVersus(int32_t ms, bool close) {
        const std::string what = "record on one thread against " + std::string(close ? "close" : "stop preview") +
                                 " on another, for " + std::to_string(ms) + " ms";
        watchdog_.Arm(what, static_cast<uint32_t>(ms) + kFrameWaitMs + kMarginMs);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        std::thread recorder([&] {
            for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
                const std::filesystem::path file = directory_ / ("versus-" + std::to_string(i % 4) + ".avi");
                Ovilux_Record(handle_, file.string().c_str(), 30, 0);
            }
        });
        while (std::chrono::steady_clock::now() < end) {
            close ? Ovilux_Close(handle_) : Ovilux_StopPreview(handle_);
            std::this_thread::yield();
        }
        recorder.join();
        Ovilux_StopPreview(handle_);
        watchdog_.Disarm();
        if (close && Ovilux_SetDeviceNumber(handle_, 0) != 1) {
            return "the camera could not be selected again after the close";
        }
        return Snap(1);
    }

    std::string Save(int32_t format) {
        const std::string snapped = Snap(1);
        if (!snapped.empty()) {
            return snapped;
        }
        const std::filesystem::path file = directory_ / "sweep.img";
        const int32_t result = Timed("save image", kMarginMs, [&] { return Ovilux_SaveImage(handle_, file.string().c_str(), format); });
        if (result != 1) {
            return Text("the save's result", result, 1);
        }
        std::string why = FileMade(file, format == 0 ? "BM" : "");
        std::filesystem::remove(file);
        return why;
    }

    Outcome Step(const Call& call) {
        kind_ = kWrongResult;
        while (Ovilux_GetLastError(handle_) != 0) {
        }
        std::string why;
        switch (call.op) {
            case Op::kWindow: {
                const Window wanted{call.a, call.b, call.c, call.d};
                const bool accepted = model_.WindowAccepted(wanted);
                why = Result(Ovilux_SetCaptureWindowEx(handle_, 2592, call.c, call.a, 1944, call.d, call.b), accepted,
                             OVILUX_CODE_BAD_WINDOW);
                if (accepted) {
                    model_.window = wanted;
                }
                break;
            }
            case Op::kSubSample: {
                // Code 3 is refused without a code of its own.
                const bool accepted = call.a >= 0 && call.a <= 2;
                const int32_t result = Ovilux_SetSubSample(handle_, call.a);
                if (result != (accepted ? 1 : 0)) {
                    why = Text("the result", result, accepted ? 1 : 0);
                } else if (!accepted && Ovilux_GetLastError(handle_) != 0) {
                    why = "the refused sub-sampling left a code";
                } else if (accepted) {
                    model_.subSample = call.a;
                }
                break;
            }
            case Op::kColourMode: {
                const bool accepted = model_.ColourModeAccepted(call.a);
                why = Result(Ovilux_SetColorMode(handle_, call.a), accepted, OVILUX_CODE_BAD_ARGUMENT);
                if (accepted) {
                    model_.bits = call.a;
                }
                break;
            }
            case Op::kMirrorH:
                why = Result(Ovilux_SetMirrorH(handle_, call.a), true, 0);
                model_.mirrorH = call.a != 0 ? 1 : 0;
                break;
            case Op::kMirrorV:
                why = Result(Ovilux_SetMirrorV(handle_, call.a), true, 0);
                model_.mirrorV = call.a != 0 ? 1 : 0;
                break;
            case Op::kFilter:
                why = Result(Ovilux_SetFilterValue(handle_, call.a, call.b), true, 0);
                model_.filters[call.a] = call.b;
                break;
            case Op::kExposure:
                if (Ovilux_SetExposureTime(handle_, call.a) == 1) {
                    model_.exposure = call.a;
                }
                break;
            case Op::kGlobalGain:
                if (Ovilux_SetGlobalGain(handle_, call.a) == 1) {
                    model_.globalGain = call.a;
                }
                break;
            case Op::kScene:
                model_.blue = static_cast<uint8_t>(call.a);
                model_.green = static_cast<uint8_t>(call.b);
                model_.red = static_cast<uint8_t>(call.c);
                why = ShowScene() ? "" : "the scene was refused";
                break;
            case Op::kSnap:
                why = Snap(call.a);
                break;
            case Op::kLiveView:
                why = LiveView(call.a);
                break;
            case Op::kRecord:
                why = Record(call.a);
                break;
            case Op::kSave:
                why = Save(call.a);
                break;
            case Op::kCloseReopen:
                Timed("close", kFrameWaitMs + kMarginMs, [&] { return Ovilux_Close(handle_); });
                why = Ovilux_SetDeviceNumber(handle_, 0) == 1 ? "" : "the camera could not be selected again";
                break;
            case Op::kReplug:
                OviluxSim_Detach(0);
                why = OviluxSim_Attach(0x3030, 0) == 0 && ShowScene() && Ovilux_SetDeviceNumber(handle_, 0) == 1
                          ? ""
                          : "the camera could not be selected again after it was plugged in again";
                break;
            case Op::kRecordVersus:
                why = RecordVersus(call.a, call.b != 0);
                break;
            default:
                break;
        }
        if (why.empty()) {
            why = Getters();
        }
        return why.empty() ? Outcome{} : Outcome{kind_, 0, why};
    }

    const Program& program_;
    SessionModel model_;
    Watchdog watchdog_;
    Verdict kind_ = kWrongResult;  // what a disagreement found now would be
    uint32_t handle_ = 0;
    OVILUX_HWND notify_ = nullptr;
    std::filesystem::path directory_;
};

}  // namespace

Outcome RunProgram(const Program& program) { return Run(program).Go(); }

}  // namespace ovilux::test::sweep
