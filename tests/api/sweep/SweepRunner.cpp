// SweepRunner.cpp - one sweep program against a fresh session on one simulated camera showing
// a still picture of one colour at fixed levels (exposure and gains change the settings the
// getters read, not the picture).
#include "api/sweep/SweepRunner.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "OviluxSdk.h"
#include "OviluxSim.h"
#include "OviluxStream.h"
#include "api/sweep/SessionModel.h"
#include "api/sweep/SweepWatchdog.h"
#include "image/DibImage.h"
#include "support/Patience.h"
#include "support/PictureCheck.h"

namespace ovilux::test::sweep {

namespace {

// Every call may take its own waiting (a frame's 3 s, a recording's length) and this margin,
// wide enough for a loaded machine under ThreadSanitizer.
constexpr uint32_t kFrameWaitMs = 3000;
constexpr uint32_t kMarginMs = 20000;
constexpr uint32_t kProduct = 0x3030;

// What a disagreement found now would be, for the thread that finds it.
thread_local Verdict tKind = kWrongResult;

std::string Text(const char* what, int64_t got, int64_t wanted) {
    std::ostringstream text;
    text << what << " is " << got << ", the model says " << wanted;
    return text.str();
}

// One camera and the session that drives it, with the model beside them.
struct Rig {
    int32_t port = 0;  // the simulated camera's port, which is its device number too
    uint32_t handle = 0;
    OVILUX_HWND notify = nullptr;
    SessionModel model;
    // Snapshots of one camera may run at once; each takes its frame from the model in turn.
    std::mutex modelLock;
};

class Run {
public:
    explicit Run(const Program& program) : program_(program), watchdog_(kBlocked) {
        // One directory per run: runs of several build configurations may share the machine.
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        directory_ = std::filesystem::temp_directory_path() / ("ovilux-sweep-" + std::to_string(now));
        std::filesystem::create_directories(directory_ / "config");
        for (const Call& call : program) {
            cameras_ = std::max(cameras_, call.camera + 1);
        }
        cameras_ = std::min(cameras_, 2);
    }
    ~Run() {
        for (int i = 0; i < cameras_; ++i) {
            Rig& rig = rigs_[i];
            if (rig.handle != 0) {
                Ovilux_Release(rig.handle);
            }
            if (rig.notify != nullptr) {
                OviluxWnd_DestroyWindow(rig.notify);
            }
            OviluxSim_Detach(rig.port);
        }
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
            const Call& call = program_[i];
            const size_t members = call.op == Op::kTogether
                                       ? std::min(static_cast<size_t>(std::max(call.a, 0)), program_.size() - i - 1)
                                       : 0;
            if (members == 0 || !MayRunTogether(&program_[i + 1], members)) {
                // A group that may not run at once runs its calls one after the other.
                if (Outcome outcome = Step(call); outcome.verdict != kClean) {
                    return Located(outcome, i);
                }
                continue;
            }
            for (size_t m = 1; m <= members; ++m) {
                calls += CallText(program_[i + m]) + "\n";
            }
            watchdog_.SetContext(calls);
            if (Outcome outcome = Together(i + 1, members); outcome.verdict != kClean) {
                return outcome;
            }
            i += members;
        }
        return {};
    }

private:
    Outcome Located(Outcome outcome, size_t at) const {
        outcome.call = at;
        outcome.message = CallText(program_[at]) + ": " + outcome.message;
        return outcome;
    }

    // The calls of a group, each on a thread of its own, then every camera's getters.
    Outcome Together(size_t first, size_t count) {
        std::vector<Outcome> outcomes(count);
        std::vector<std::thread> threads;
        for (size_t m = 0; m < count; ++m) {
            threads.emplace_back([this, &outcomes, first, m] {
                const Call& call = program_[first + m];
                tKind = kWrongResult;
                const std::string why = Act(rigs_[call.camera], call);
                outcomes[m] = why.empty() ? Outcome{} : Outcome{tKind, 0, why};
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        for (size_t m = 0; m < count; ++m) {
            if (outcomes[m].verdict != kClean) {
                return Located(outcomes[m], first + m);
            }
        }
        for (size_t m = 0; m < count; ++m) {
            if (std::string why = Getters(rigs_[program_[first + m].camera]); !why.empty()) {
                return Located(Outcome{tKind, 0, why}, first + m);
            }
        }
        return {};
    }

    // The scene's colour over the sensor and what the camera reads right of and below it.
    bool ShowScene(const Rig& rig) {
        const SessionModel& m = rig.model;
        std::vector<uint8_t> picture(size_t{kSceneWidth} * kSceneHeight * 3);
        for (size_t i = 0; i < picture.size(); i += 3) {
            picture[i] = m.blue;
            picture[i + 1] = m.green;
            picture[i + 2] = m.red;
        }
        return OviluxSim_ShowPicture(rig.port, picture.data(), kSceneWidth, kSceneHeight, kSceneWidth * 3, 24) == 1 &&
               OviluxSim_SetSceneOptions(rig.port, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS | OVILUX_SIM_FIXED_LEVELS) ==
                   1;
    }

    // Selects the rig's camera and puts every setting the model follows to its starting value.
    std::string Settle(Rig& rig) {
        const uint32_t h = rig.handle;
        SessionModel& m = rig.model;
        const std::pair<const char*, bool> steps[] = {
            {"camera", Ovilux_SetDeviceNumber(h, rig.port) == 1},
            {"sub-sampling", Ovilux_SetSubSample(h, m.subSample) == 1},
            {"colour mode", Ovilux_SetColorMode(h, m.bits) == 1},
            {"window",
             Ovilux_SetCaptureWindowEx(h, 2592, m.window.x, m.window.width, 1944, m.window.y, m.window.height) == 1},
        };
        for (const auto& [what, ok] : steps) {
            if (!ok) {
                return std::string("the ") + what + " was refused, code " + std::to_string(Ovilux_GetLastError(h));
            }
        }
        return "";
    }

    // Fresh sessions (the settings store of a first run, in the run's own directory) with every
    // setting the model follows put to its starting value.
    std::string Setup() {
        setenv("XDG_CONFIG_HOME", (directory_ / "config").c_str(), 1);
        if (OviluxSim_SetSpeed(OVILUX_SIM_SPEED_FAST) != 1) {
            return "the simulated cameras are not there";
        }
        for (int i = 0; i < cameras_; ++i) {
            rigs_[i].port = i;
            if (OviluxSim_Attach(kProduct, i) != i || !ShowScene(rigs_[i])) {
                return "the simulated camera " + std::to_string(i) + " could not be attached";
            }
        }
        for (int i = 0; i < cameras_; ++i) {
            Rig& rig = rigs_[i];
            rig.notify = OviluxWnd_CreateMessageWindow();
            rig.handle = Ovilux_Initialize(rig.notify);
            if (rig.handle == 0) {
                return "no session";
            }
            if (std::string why = Settle(rig); !why.empty()) {
                return "setting up: " + why;
            }
            const uint32_t h = rig.handle;
            SessionModel& m = rig.model;
            OviluxCameraInfo info{};
            info.size = sizeof info;
            if (Ovilux_GetCameraInfo(h, &info) != 1) {
                return "no camera information";
            }
            m.limits = {info.globalGainMin, info.globalGainMax, info.colorGainMin, info.colorGainMax, info.exposureMin,
                        info.exposureMax};
            const std::pair<const char*, bool> steps[] = {
                {"mirrors", Ovilux_SetMirrorH(h, 0) == 1 && Ovilux_SetMirrorV(h, 0) == 1},
                {"auto iris", Ovilux_SetAutoIris(h, 0) == 1},
                {"exposure", Ovilux_SetExposureTime(h, 100) == 1},
                {"global gain", Ovilux_SetGlobalGain(h, 16) == 1},
            };
            for (const auto& [what, ok] : steps) {
                if (!ok) {
                    return std::string("the starting ") + what + " was refused, code " +
                           std::to_string(Ovilux_GetLastError(h));
                }
            }
            m.exposure = 100;
            m.SetGlobalGain(16);
            for (const auto& [index, value] : m.filters) {
                if (Ovilux_SetFilterValue(h, index, value) != 1) {
                    return "the starting filter value " + std::to_string(index) + " was refused, code " +
                           std::to_string(Ovilux_GetLastError(h));
                }
            }
            // Which of the gain mode, the preset and the black level this camera has.
            int32_t ok = 0;
            if (Ovilux_GetFilterValue(h, 104, &ok) != -1) {
                m.features[104] = std::nullopt;
            }
            for (int32_t index : {105, 106}) {
                Ovilux_GetFilterValue(h, index, &ok);
                if (ok == 1) {
                    m.features[index] = std::nullopt;
                }
            }
            while (Ovilux_GetLastError(h) != 0) {
            }
        }
        return "";
    }

    template <typename F>
    auto Timed(const std::string& what, uint32_t limitMs, F call) {
        const int ticket = watchdog_.Arm(what, limitMs);
        auto result = call();
        watchdog_.Disarm(ticket);
        return result;
    }

    // The call's result: success as the model says, or a failure with its code on the stack.
    std::string Result(const Rig& rig, int32_t result, bool accepted, int32_t code) {
        if (result != (accepted ? 1 : 0)) {
            return Text("the result", result, accepted ? 1 : 0);
        }
        if (!accepted) {
            const int32_t last = Ovilux_GetLastError(rig.handle);
            if (last != code) {
                return Text("the code of the refusal", last, code);
            }
        }
        return "";
    }

    std::string Getters(Rig& rig) {
        tKind = kWrongGetter;
        const uint32_t h = rig.handle;
        const SessionModel& m = rig.model;
        if (Ovilux_GetColorMode(h) != m.bits) {
            return Text("the colour mode", Ovilux_GetColorMode(h), m.bits);
        }
        if (Ovilux_GetSubSample(h) != m.subSample) {
            return Text("the sub-sampling", Ovilux_GetSubSample(h), m.subSample);
        }
        if (Ovilux_GetMirrorH(h) != m.mirrorH || Ovilux_GetMirrorV(h) != m.mirrorV) {
            return Text("the mirrors", Ovilux_GetMirrorH(h) * 2 + Ovilux_GetMirrorV(h), m.mirrorH * 2 + m.mirrorV);
        }
        int32_t th = 0, hs = 0, eh = 0, tv = 0, vs = 0, ev = 0;
        Ovilux_GetCaptureWindowEx(h, &th, &hs, &eh, &tv, &vs, &ev);
        const Window& w = m.window;
        if (eh != w.width || ev != w.height || hs != w.x || vs != w.y) {
            std::ostringstream text;
            text << "the window is " << eh << " x " << ev << " at " << hs << ", " << vs << ", the model says " << w.width
                 << " x " << w.height << " at " << w.x << ", " << w.y;
            return text.str();
        }
        int32_t ok = 0;
        const auto reads = [&](int32_t index, int32_t value) -> std::string {
            const int32_t got = Ovilux_GetFilterValue(h, index, &ok);
            return ok != 1 || got != value ? Text(("filter value " + std::to_string(index)).c_str(), got, value) : "";
        };
        for (const auto& [index, value] : m.filters) {
            // Read back through its index, the counter is the exposure minimum.
            if (index != kGrayGainCounter) {
                if (std::string why = reads(index, value); !why.empty()) {
                    return why;
                }
            }
        }
        for (const auto& [index, value] : m.colourGains) {
            if (std::string why = reads(index, value); !why.empty()) {
                return why;
            }
        }
        for (const auto& [index, value] : m.features) {
            if (value) {
                if (std::string why = reads(index, *value); !why.empty()) {
                    return why;
                }
            }
        }
        if (Ovilux_GetAutoIris(h, &ok) != m.autoIris) {
            return Text("the auto iris mode", Ovilux_GetAutoIris(h, &ok), m.autoIris);
        }
        if (m.exposure && Ovilux_GetExposureTime(h, &ok) != *m.exposure) {
            return Text("the exposure", Ovilux_GetExposureTime(h, &ok), *m.exposure);
        }
        if (m.globalGain && Ovilux_GetGlobalGain(h, &ok) != *m.globalGain) {
            return Text("the global gain", Ovilux_GetGlobalGain(h, &ok), *m.globalGain);
        }
        while (Ovilux_GetLastError(h) != 0) {
        }
        return "";
    }

    // The delivered image against the model's picture, rows in the order asked for.
    std::string Picture(const std::vector<uint8_t>& delivered, const image::DibImage& expected, int32_t rowOrder) {
        const int32_t stride = expected.Stride();
        const int32_t height = expected.Height();
        const size_t rowBytes = static_cast<size_t>(expected.Width()) * expected.BytesPerPixel();
        tKind = kWrongPicture;
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
        tKind = kWrongResult;
        return "";
    }

    // The model's next frame, and the delivered picture against it.
    std::string ModelFrame(Rig& rig, const std::vector<uint8_t>* delivered, int32_t rowOrder) {
        std::lock_guard<std::mutex> hold(rig.modelLock);
        image::DibImage expected;
        if (!rig.model.TakeFrame(expected)) {
            return "the model could not make its picture";
        }
        return delivered != nullptr ? Picture(*delivered, expected, rowOrder) : "";
    }

    // Frames the session has delivered: live view, snapshots and recordings count alike.
    static uint64_t Delivered(const Rig& rig) {
        OviluxStreamStatistics counts{};
        return OviluxStream_GetStatistics(rig.handle, &counts) == 1 ? counts.delivered : 0;
    }

    // Every frame the session converted since it had delivered `before` goes through the model
    // too, the last compared with what was delivered (when given): a white-balance measurement
    // carries on from frame to frame, into the next frame's isolated-dot test, so the model
    // agrees with the last frame only if it took each one before it.
    std::string ModelFramesSince(Rig& rig, uint64_t before, const std::vector<uint8_t>* delivered, int32_t rowOrder) {
        const uint64_t frames = Delivered(rig) - before;
        if (std::string why = FollowFrames(rig, frames > 0 ? frames - 1 : 0); !why.empty()) {
            return why;
        }
        return ModelFrame(rig, delivered, rowOrder);
    }

    // The model takes frames nobody compares.
    std::string FollowFrames(Rig& rig, uint64_t frames) {
        for (uint64_t i = 0; i < frames; ++i) {
            if (std::string why = ModelFrame(rig, nullptr, 1); !why.empty()) {
                return why;
            }
        }
        return "";
    }

    std::string Snap(Rig& rig, int32_t rowOrder) {
        std::vector<uint8_t> buffer;
        {
            std::lock_guard<std::mutex> hold(rig.modelLock);
            buffer.resize(static_cast<size_t>(rig.model.ImageBytes()));
        }
        // A frame the camera did not deliver within its wait (code 8, a starved machine) is
        // no picture at all, not a wrong one: the snapshot is asked for again, twice at most.
        int32_t result = 0, code = 0;
        for (int attempt = 0; attempt < 3 && result != 1; ++attempt) {
            result = Timed("snapshot", kFrameWaitMs + kMarginMs, [&] {
                return Ovilux_SnapShot(rig.handle, buffer.data(), static_cast<int32_t>(buffer.size()), rowOrder);
            });
            code = result == 1 ? 0 : Ovilux_GetLastError(rig.handle);
            if (code != OVILUX_CODE_NO_FRAME) {
                break;
            }
        }
        if (result != 1) {
            return Text("the snapshot's result", result, 1) + " (code " + std::to_string(code) + ")";
        }
        return ModelFrame(rig, &buffer, rowOrder);
    }

    // Live view with per-frame messages, in the library's preview window when asked: without a
    // display to show it on, the start fails with code 4.
    std::string LiveView(Rig& rig, int32_t frames, bool window) {
        std::vector<uint8_t> buffer(static_cast<size_t>(rig.model.ImageBytes()));
        // A frame comes within the camera's wait on an idle machine; a loaded one may take longer.
        const uint32_t frameWait = PatienceMs(kFrameWaitMs);
        const uint32_t limit = frameWait * static_cast<uint32_t>(frames + 1) + kMarginMs;
        // Messages an earlier live view left queued are not frames of this one.
        uint32_t message = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        while (OviluxWnd_GetMessage(rig.notify, 0, &message, &wParam, &lParam) == 1) {
        }
        const uint64_t before = Delivered(rig);
        const int32_t started = Timed("live view start", limit, [&] {
            return Ovilux_CallBackPreview(rig.handle, rig.notify, buffer.data(), static_cast<int32_t>(buffer.size()), 1);
        });
#if !defined(_WIN32)
        const char* display = std::getenv("DISPLAY");
        if (window && (display == nullptr || *display == '\0')) {
            // Capture may have been prepared, resizing the raw buffer, before the window failed.
            rig.model.rawHolds[rig.model.RawDepth()].reset();
            rig.model.rawFullSize[rig.model.RawDepth()] = rig.model.FrameIsFullSize();
            return Result(rig, started, false, OVILUX_CODE_WINDOW);
        }
#endif
        if (started != 1) {
            return Text("the live view's start", started, 1) + " (code " + std::to_string(Ovilux_GetLastError(rig.handle)) +
                   ")";
        }
        int seen = 0;
        Timed("waiting for live-view frames", limit, [&] {
            while (seen < frames && OviluxWnd_GetMessage(rig.notify, frameWait, &message, &wParam, &lParam) == 1) {
                seen += message == OVILUX_WM_FRAME && wParam != 0 ? 1 : 0;
            }
            return 0;
        });
        const int32_t stopped =
            Timed("stop preview", kFrameWaitMs + kMarginMs, [&] { return Ovilux_StopPreview(rig.handle); });
        if (stopped != 1 || seen < frames) {
            return "the live view delivered " + std::to_string(seen) + " of " + std::to_string(frames) + " frames";
        }
        // Frames may have come after the ones counted: what auto iris made of them is not known.
        const std::string why = ModelFramesSince(rig, before, &buffer, 1);
        rig.model.ForgetAutoIrisResult();
        return why;
    }

    std::string Preview(Rig& rig, int32_t frames) {
        if (Ovilux_SetPreviewWindow(rig.handle, nullptr, 16, 16, 320, 240) != 1) {
            return "the preview window's placement was refused";
        }
        const std::string why = LiveView(rig, frames, true);
        if (Ovilux_SetPreviewWindow(rig.handle, nullptr, 0, 0, 0, 0) != 1) {
            return "the preview window's placement could not be cleared";
        }
        return why;
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

    std::filesystem::path FileOf(const Rig& rig, const std::string& name) const {
        return directory_ / ("camera" + std::to_string(rig.port) + "-" + name);
    }

    // A recording: the call starts it beside a live view; the file is finalised by itself once
    // the time has passed, and the live view is stopped then.
    std::string Record(Rig& rig, int32_t ms) {
        const std::filesystem::path file = FileOf(rig, "sweep.avi");
        const uint32_t limit = static_cast<uint32_t>(ms) + kFrameWaitMs + kMarginMs;
        const uint64_t before = Delivered(rig);
        const int32_t result = Timed("record " + std::to_string(ms) + " ms", limit,
                                     [&] { return Ovilux_Record(rig.handle, file.string().c_str(), ms, 0); });
        if (result != 1) {
            return Text("the recording's result", result, 1) + " (code " +
                   std::to_string(Ovilux_GetLastError(rig.handle)) + ")";
        }
        Timed("waiting for the recording to be finalised", limit, [&] {
            while (!Finalised(file)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            return 0;
        });
        Timed("stop preview after a recording", kFrameWaitMs + kMarginMs, [&] { return Ovilux_StopPreview(rig.handle); });
        std::filesystem::remove(file);
        const std::string why = ModelFramesSince(rig, before, nullptr, 1);
        rig.model.ForgetAutoIrisResult();
        return why;
    }

    // Recordings started again and again on a second thread while this one stops the live
    // view (or closes the camera) again and again: every call returns, and afterwards the
    // session works on. The snapshot at the end settles a gray-gain measurement the race may
    // or may not have made.
    std::string RecordVersus(Rig& rig, int32_t ms, bool close) {
        const std::string what = "record on one thread against " + std::string(close ? "close" : "stop preview") +
                                 " on another, for " + std::to_string(ms) + " ms";
        const int ticket = watchdog_.Arm(what, static_cast<uint32_t>(ms) + kFrameWaitMs + kMarginMs);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        const uint64_t before = Delivered(rig);
        std::thread recorder([&] {
            for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
                const std::filesystem::path file = FileOf(rig, "versus-" + std::to_string(i % 4) + ".avi");
                Ovilux_Record(rig.handle, file.string().c_str(), 30, 0);
            }
        });
        while (std::chrono::steady_clock::now() < end) {
            close ? Ovilux_Close(rig.handle) : Ovilux_StopPreview(rig.handle);
            std::this_thread::yield();
        }
        recorder.join();
        Ovilux_StopPreview(rig.handle);
        watchdog_.Disarm(ticket);
        if (close && Ovilux_SetDeviceNumber(rig.handle, rig.port) != 1) {
            return "the camera could not be selected again after the close";
        }
        // The recordings' frames, then the snapshot's.
        if (std::string why = FollowFrames(rig, Delivered(rig) - before); !why.empty()) {
            return why;
        }
        rig.model.ForgetAutoIrisResult();
        return Snap(rig, 1);
    }

    std::string Save(Rig& rig, int32_t format) {
        const std::string snapped = Snap(rig, 1);
        if (!snapped.empty()) {
            return snapped;
        }
        const std::filesystem::path file = FileOf(rig, "sweep.img");
        const int32_t result =
            Timed("save image", kMarginMs, [&] { return Ovilux_SaveImage(rig.handle, file.string().c_str(), format); });
        if (result != 1) {
            return Text("the save's result", result, 1);
        }
        std::string why = FileMade(file, format == 0 ? "BM" : "");
        std::filesystem::remove(file);
        return why;
    }

    // A filter value: kept image settings within their ranges, camera gains within the camera's
    // limits, and the camera features only where the camera has them.
    std::string Filter(Rig& rig, int32_t index, int32_t value) {
        SessionModel& m = rig.model;
        const int32_t result = Ovilux_SetFilterValue(rig.handle, index, value);
        if (index >= 14 && index <= 17) {
            const bool accepted = value >= m.limits.colourGainMin && value <= m.limits.colourGainMax;
            if (accepted) {
                m.colourGains[index] = value;
            }
            return Result(rig, result, accepted, OVILUX_CODE_BAD_ARGUMENT);
        }
        if (index >= 104 && index <= 106) {
            const auto feature = m.features.find(index);
            const bool has = feature != m.features.end();
            if (has) {
                feature->second = index == 105 ? (value > 0 ? 1 : 0) : value;
            }
            // A camera without the gain mode answers the request with 0 and no code.
            return Result(rig, result, has, index == 104 ? 0 : OVILUX_CODE_NOT_SUPPORTED);
        }
        m.SetFilter(index, value);
        return Result(rig, result, true, 0);
    }

    // 0: the references saved and loaded back; 1: references of the call's own; 2: a file whose
    // header is damaged; 3: a file that is not there. Only whole mask files are taken.
    std::string MaskFile(Rig& rig, const Call& call) {
        SessionModel& m = rig.model;
        const std::filesystem::path file = FileOf(rig, "sweep.mask");
        std::string why;
        switch (call.a) {
            case 0: {
                if (Ovilux_SaveMaskFile(rig.handle, file.string().c_str()) != 1) {
                    return "the mask file was not saved";
                }
                std::error_code error;
                if (std::filesystem::file_size(file, error) != kMaskFileBytes) {
                    return "the saved mask file is " + std::to_string(std::filesystem::file_size(file, error)) + " bytes";
                }
                why = Result(rig, Ovilux_LoadMaskFile(rig.handle, file.string().c_str()), true, 0);
                break;
            }
            case 1:
            case 2: {
                const bool whole = call.a == 1;
                if (!WriteMaskFile(file, call.b, call.c, call.d, 16 * call.c, whole)) {
                    return "the mask file could not be written";
                }
                why = Result(rig, Ovilux_LoadMaskFile(rig.handle, file.string().c_str()), whole, OVILUX_CODE_MASK_FILE);
                if (whole) {
                    std::lock_guard<std::mutex> hold(rig.modelLock);
                    m.dark8 = call.b;
                    m.bright8 = call.c;
                    m.dark16 = call.d;
                    m.bright16 = 16 * call.c;
                }
                break;
            }
            default:
                why = Result(rig, Ovilux_LoadMaskFile(rig.handle, FileOf(rig, "missing.mask").string().c_str()), false,
                             OVILUX_CODE_MASK_FILE);
                break;
        }
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        return why;
    }

    static constexpr uintmax_t kMaskPlane = uintmax_t{2592} * 1944;
    static constexpr uintmax_t kMaskFileBytes = 40 + 6 * kMaskPlane;

    // A mask file whose references are the same at every sample; a damaged one has a 16-bit
    // size of the 8-bit planes' in its header.
    static bool WriteMaskFile(const std::filesystem::path& file, int32_t dark8, int32_t bright8, int32_t dark16,
                              int32_t bright16, bool whole) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        char magic[16] = "TESMOR MASK1000";
        out.write(magic, sizeof magic);
        const uint32_t header[6] = {2592, 1944, static_cast<uint32_t>(kMaskPlane), static_cast<uint32_t>(kMaskPlane),
                                    static_cast<uint32_t>(whole ? 2 * kMaskPlane : kMaskPlane),
                                    static_cast<uint32_t>(2 * kMaskPlane)};
        for (uint32_t value : header) {
            const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                      static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
            out.write(reinterpret_cast<const char*>(bytes), 4);
        }
        for (int32_t level : {dark8, bright8}) {
            const std::vector<char> plane(kMaskPlane, static_cast<char>(level));
            out.write(plane.data(), static_cast<std::streamsize>(plane.size()));
        }
        for (int32_t level : {dark16, bright16}) {
            std::vector<char> plane(2 * kMaskPlane);
            for (size_t i = 0; i < plane.size(); i += 2) {
                plane[i] = static_cast<char>(level & 0xFF);
                plane[i + 1] = static_cast<char>(level >> 8);
            }
            out.write(plane.data(), static_cast<std::streamsize>(plane.size()));
        }
        return static_cast<bool>(out);
    }

    // References recorded from a frame are the scene's own samples, not uniform ones: the
    // model's references are loaded back from a file.
    std::string KeepModelReferences(Rig& rig) {
        const SessionModel& m = rig.model;
        const std::filesystem::path file = FileOf(rig, "model.mask");
        if (!WriteMaskFile(file, m.dark8, m.bright8, m.dark16, m.bright16, true)) {
            return "the model's mask file could not be written";
        }
        const int32_t loaded = Ovilux_LoadMaskFile(rig.handle, file.string().c_str());
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        return loaded == 1 ? "" : "the model's mask file was refused";
    }

    // A configuration file of the given length (its pairs have no reader in the library), or
    // one that is not there, which is refused without a code.
    std::string ConfigFile(Rig& rig, int32_t bytes) {
        const std::filesystem::path file = FileOf(rig, bytes < 0 ? "missing.cfg" : "sweep.cfg");
        if (bytes >= 0) {
            std::vector<char> content(static_cast<size_t>(bytes));
            for (size_t i = 0; i < content.size(); ++i) {
                content[i] = static_cast<char>(i * 7);
            }
            std::ofstream(file, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
        }
        const int32_t result = Ovilux_LoadConfigFileA(rig.handle, file.string().c_str());
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        if (result != (bytes >= 0 ? 1 : 0)) {
            return Text("the result", result, bytes >= 0 ? 1 : 0);
        }
        return Ovilux_GetLastError(rig.handle) == 0 ? "" : "the configuration file left a code";
    }

    // The session is released (its settings stored) and a new one is made: the kept settings
    // come back from the store; the window, colour mode and sub-sampling, which only the
    // format dialog stores, are set again.
    std::string Relaunch(Rig& rig) {
        Timed("release", kFrameWaitMs + kMarginMs, [&] { return Ovilux_Release(rig.handle); });
        rig.handle = Timed("initialise", kFrameWaitMs + kMarginMs, [&] { return Ovilux_Initialize(rig.notify); });
        if (rig.handle == 0) {
            return "no new session";
        }
        rig.model.Relaunch();
        return Settle(rig);
    }

    std::string Act(Rig& rig, const Call& call) {
        SessionModel& m = rig.model;
        const uint32_t h = rig.handle;
        switch (call.op) {
            case Op::kWindow: {
                const Window wanted{call.a, call.b, call.c, call.d};
                const bool accepted = m.WindowAccepted(wanted);
                if (accepted) {
                    m.window = wanted;
                }
                return Result(rig, Ovilux_SetCaptureWindowEx(h, 2592, call.c, call.a, 1944, call.d, call.b), accepted,
                              OVILUX_CODE_BAD_WINDOW);
            }
            case Op::kSubSample: {
                // Code 3 is refused without a code of its own.
                const bool accepted = call.a >= 0 && call.a <= 2;
                const int32_t result = Ovilux_SetSubSample(h, call.a);
                if (result != (accepted ? 1 : 0)) {
                    return Text("the result", result, accepted ? 1 : 0);
                }
                if (!accepted && Ovilux_GetLastError(h) != 0) {
                    return "the refused sub-sampling left a code";
                }
                if (accepted) {
                    m.subSample = call.a;
                }
                return "";
            }
            case Op::kColourMode: {
                const bool accepted = m.ColourModeAccepted(call.a);
                if (accepted) {
                    m.bits = call.a;
                }
                return Result(rig, Ovilux_SetColorMode(h, call.a), accepted, OVILUX_CODE_BAD_ARGUMENT);
            }
            case Op::kMirrorH:
                m.mirrorH = call.a != 0 ? 1 : 0;
                return Result(rig, Ovilux_SetMirrorH(h, call.a), true, 0);
            case Op::kMirrorV:
                m.mirrorV = call.a != 0 ? 1 : 0;
                return Result(rig, Ovilux_SetMirrorV(h, call.a), true, 0);
            case Op::kFilter:
                return Filter(rig, call.a, call.b);
            case Op::kExposure: {
                const bool accepted = call.a >= m.limits.exposureMin && call.a <= m.limits.exposureMax;
                if (accepted) {
                    m.exposure = call.a;
                }
                return Result(rig, Ovilux_SetExposureTime(h, call.a), accepted, OVILUX_CODE_BAD_ARGUMENT);
            }
            case Op::kGlobalGain: {
                const bool accepted = call.a >= m.limits.gainMin && call.a <= m.limits.gainMax;
                if (accepted) {
                    m.SetGlobalGain(call.a);
                }
                return Result(rig, Ovilux_SetGlobalGain(h, call.a), accepted, OVILUX_CODE_BAD_ARGUMENT);
            }
            case Op::kAutoIris: {
                // A mode it does not know is refused with code 9 posted, not stored.
                const bool accepted = call.a >= 0 && call.a <= 2;
                if (accepted) {
                    m.autoIris = call.a;
                }
                return Result(rig, Ovilux_SetAutoIris(h, call.a), accepted, 0);
            }
            case Op::kScene:
                m.blue = static_cast<uint8_t>(call.a);
                m.green = static_cast<uint8_t>(call.b);
                m.red = static_cast<uint8_t>(call.c);
                return ShowScene(rig) ? "" : "the scene was refused";
            case Op::kSnap:
                return Snap(rig, call.a);
            case Op::kLiveView:
                return LiveView(rig, call.a, false);
            case Op::kPreview:
                return Preview(rig, call.a);
            case Op::kRecord:
                return Record(rig, call.a);
            case Op::kSave:
                return Save(rig, call.a);
            case Op::kCloseReopen:
                Timed("close", kFrameWaitMs + kMarginMs, [&] { return Ovilux_Close(h); });
                return Ovilux_SetDeviceNumber(h, rig.port) == 1 ? "" : "the camera could not be selected again";
            case Op::kReplug:
                OviluxSim_Detach(rig.port);
                return OviluxSim_Attach(kProduct, rig.port) == rig.port && ShowScene(rig) &&
                               Ovilux_SetDeviceNumber(h, rig.port) == 1
                           ? ""
                           : "the camera could not be selected again after it was plugged in again";
            case Op::kRecordVersus:
                return RecordVersus(rig, call.a, call.b != 0);
            case Op::kMaskFile:
                return MaskFile(rig, call);
            case Op::kMaskUpdate: {
                // Only a frame of the sensor's full size records references, a dark (0) or a
                // bright one (1), and refuses other selectors with code 12; a raw buffer that
                // holds no frame yet is refused with code 1 (it would record zeros).
                const int32_t result = Ovilux_UpdateMaskData(h, call.a);
                const int depth = m.RawDepth();
                const bool badSelector = m.rawFullSize[depth] && call.a != 0 && call.a != 1;
                const std::optional<bool> holds = m.rawHolds[depth];
                if (!holds && result == 0) {
                    // Whether the buffer holds a frame is not known: either refusal may come.
                    const int32_t code = Ovilux_GetLastError(h);
                    return code == OVILUX_CODE_NO_CAMERA || (badSelector && code == OVILUX_CODE_CONVERSION)
                               ? ""
                               : Text("the code of the refusal", code, OVILUX_CODE_NO_CAMERA);
                }
                const bool accepted = holds.value_or(true) && !badSelector;
                std::string why =
                    Result(rig, result, accepted, holds.value_or(true) ? OVILUX_CODE_CONVERSION : OVILUX_CODE_NO_CAMERA);
                if (why.empty() && result == 1 && m.rawFullSize[depth]) {
                    why = KeepModelReferences(rig);
                }
                return why;
            }
            case Op::kConfigFile:
                return ConfigFile(rig, call.a);
            case Op::kRelaunch:
                return Relaunch(rig);
            default:
                return "";
        }
    }

    Outcome Step(const Call& call) {
        Rig& rig = rigs_[call.camera];
        tKind = kWrongResult;
        while (Ovilux_GetLastError(rig.handle) != 0) {
        }
        std::string why = Act(rig, call);
        if (why.empty()) {
            why = Getters(rig);
        }
        return why.empty() ? Outcome{} : Outcome{tKind, 0, why};
    }

    const Program& program_;
    Rig rigs_[2];
    int cameras_ = 1;
    Watchdog watchdog_;
    std::filesystem::path directory_;
};

}  // namespace

Outcome RunProgram(const Program& program) { return Run(program).Go(); }

}  // namespace ovilux::test::sweep
