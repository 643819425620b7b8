// Every export called as a hostile caller would: each argument in turn replaced by values a
// careless or malicious application passes (null pointers, sizes 0, -1 and the largest int,
// negative and out-of-range values, NaN and infinities, handle 0, unknown and released
// handles, windows that are gone, file names that cannot be written). Each export runs in a
// child process with a time limit per call. Nothing may crash, hang or trip a sanitizer; a
// refused 1/0 export leaves a code (or is one of the documented silences); a refused setter
// leaves the value its getter reads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "OviluxCodes.h"
#include "OviluxSdk.h"
#include "support/DialogDriver.h"
#include "OviluxSettings.h"
#include "OviluxSim.h"
#include "OviluxStream.h"
#include "support/ChildProcess.h"
#include "support/Patience.h"

namespace ovilux::test {
namespace {

namespace fs = std::filesystem;

// A call's limit on an idle machine, scaled with the machine's pace where it is used.
constexpr uint32_t kCallTimeLimitMs = 10000;
constexpr unsigned kGroupTimeLimitMs = 240000;
// Larger than any picture the library can deliver (the whole sensor at 64 bits per pixel).
constexpr size_t kBigBufferBytes = 2592u * 1944u * 8u + 4096u;

// What one child has at hand: a session on a simulated camera and the hostile values.
struct Context {
    uint32_t handle = 0;
    uint32_t released = 0;
    OVILUX_HWND window = nullptr;
    OVILUX_HWND destroyedWindow = nullptr;
    std::vector<uint8_t> buffer = std::vector<uint8_t>(kBigBufferBytes);
    fs::path folder;
    std::vector<std::string> names;
    std::vector<std::vector<OVILUX_WCHAR>> wideNames;
    int failures = 0;
};

Context* g_context = nullptr;

std::vector<OVILUX_WCHAR> Widen(const std::string& text) {
    std::vector<OVILUX_WCHAR> wide(text.begin(), text.end());
    wide.push_back(0);
    return wide;
}

// ---- Baseline and hostile values of each argument type ----
template <typename T>
struct Values;

template <>
struct Values<int32_t> {
    static int32_t Baseline(Context&) { return 1; }
    static std::vector<int32_t> Hostile(Context&) { return {0, -1, 2, 5, 65536, INT_MAX, INT_MIN}; }
};
template <>
struct Values<uint32_t> {
    // The first argument of a session export is its handle; other unsigned ones are numbers.
    static uint32_t Baseline(Context& c) { return c.handle; }
    static std::vector<uint32_t> Hostile(Context& c) { return {0u, 1u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0xDEADBEEFu, c.released}; }
};
template <>
struct Values<uint64_t> {
    static uint64_t Baseline(Context&) { return 1u << 20; }
    static std::vector<uint64_t> Hostile(Context&) { return {0u, 1u, 0x7FFFFFFFu, 0x80000000u, ~uint64_t{0}}; }
};
template <>
struct Values<uint16_t> {
    static uint16_t Baseline(Context&) { return 1; }
    static std::vector<uint16_t> Hostile(Context&) { return {0, 0xFF, 0x100, 0xFFFF}; }
};
template <>
struct Values<uint8_t> {
    static uint8_t Baseline(Context&) { return 1; }
    static std::vector<uint8_t> Hostile(Context&) { return {0, 0x7F, 0xFF}; }
};
template <>
struct Values<double> {
    static double Baseline(Context&) { return 0.01; }
    static std::vector<double> Hostile(Context&) {
        return {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                -std::numeric_limits<double>::infinity(), -1.0, 0.0, 1e300, std::numeric_limits<double>::denorm_min()};
    }
};
template <>
struct Values<OVILUX_HWND> {
    static OVILUX_HWND Baseline(Context& c) { return c.window; }
    static std::vector<OVILUX_HWND> Hostile(Context& c) {
        return {nullptr, c.destroyedWindow, reinterpret_cast<OVILUX_HWND>(static_cast<uintptr_t>(0x7777))};
    }
};
template <>
struct Values<const char*> {
    static const char* Baseline(Context& c) { return c.names.front().c_str(); }
    static std::vector<const char*> Hostile(Context& c) {
        std::vector<const char*> values{nullptr};
        for (const std::string& name : c.names) {
            values.push_back(name.c_str());
        }
        return values;
    }
};
template <>
struct Values<const OVILUX_WCHAR*> {
    static const OVILUX_WCHAR* Baseline(Context& c) { return c.wideNames.front().data(); }
    static std::vector<const OVILUX_WCHAR*> Hostile(Context& c) {
        std::vector<const OVILUX_WCHAR*> values{nullptr};
        for (const auto& name : c.wideNames) {
            values.push_back(name.data());
        }
        return values;
    }
};
// Any other pointer: a buffer larger than anything the library writes, or null.
template <typename T>
struct Values<T*> {
    static T* Baseline(Context& c) { return reinterpret_cast<T*>(c.buffer.data()); }
    static std::vector<T*> Hostile(Context&) { return {nullptr}; }
};

// ---- Reading a setter's value back ----
using Reader = std::function<double()>;

template <typename R>
std::optional<Reader> ReaderOf(R (*getter)(uint32_t)) {
    return Reader([getter] { return static_cast<double>(getter(g_context->handle)); });
}
template <typename R>
std::optional<Reader> ReaderOf(R (*getter)(uint32_t, int32_t*)) {
    return Reader([getter] {
        int32_t ok = 0;
        return static_cast<double>(getter(g_context->handle, &ok));
    });
}
template <typename F>
std::optional<Reader> ReaderOf(F) {
    return std::nullopt;
}

// ---- One export ----
struct Export {
    // Sweeps the export; a setter is given its getter's reader.
    std::function<void(const std::string& name, const std::optional<Reader>& getter)> sweep;
    // How to read the value back when this export is a getter.
    std::optional<Reader> reader;
};

void Fail(const std::string& name, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), what.c_str());
    ++g_context->failures;
}

template <typename T>
std::string Describe(T value) {
    if constexpr (std::is_pointer_v<T>) {
        if constexpr (std::is_same_v<T, const char*>) {
            return value == nullptr ? "null" : "\"" + std::string(value).substr(0, 60) + "\"";
        } else {
            return value == nullptr ? "null" : "a pointer";
        }
    } else {
        return std::to_string(value);
    }
}

// Documented refusals that leave no code, neither stored nor posted.
const std::set<std::string>& SilentRefusals() {
    static const std::set<std::string> names{
        "Ovilux_SetSubSample",     // any other value returns 0 without a code
        "Ovilux_SetWaitTime",      // a negative value returns 0 without a code
        "Ovilux_SetSamplingRate",  // the camera's own answer, no code of the session's
        "Ovilux_SetChannelGain",   // channel numbers other than 1 to 4 return 0 without a code
        "Ovilux_SetChannelOffset",
        "Ovilux_SaveImage",  // a writer's failure records no code
        "Ovilux_SaveImageW",
        "Ovilux_LoadConfigFileA",  // a file that cannot be opened returns 0 without a code
        "Ovilux_LoadConfigFileW",
    };
    return names;
}

// Takes the messages queued on the session's window; true when one of them notified a code.
bool CodeWasPosted() {
    bool posted = false;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    while (OviluxWnd_GetMessage(g_context->window, 0, &message, &wParam, &lParam) == 1) {
        posted = posted || (message == OVILUX_WM_NOTIFY && lParam != 0);
    }
    return posted;
}

bool IsOneOrZeroExport(const std::string& name) {
    for (const char* prefix : {"Ovilux_Set", "Ovilux_Save", "Ovilux_Load", "Ovilux_Write", "Ovilux_Fpga_Write",
                               "Ovilux_SnapShot", "Ovilux_GetImage", "Ovilux_CallBackPreview", "Ovilux_GetDeviceName",
                               "Ovilux_GetCameraInfo", "Ovilux_Record"}) {
        if (name.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

std::atomic<int64_t> g_callStarted{0};
std::atomic<const std::string*> g_callName{nullptr};

int64_t Now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs one call under the watchdog and checks what the library left behind.
template <typename R, typename Call>
void Check(const std::string& name, const std::string& variation, bool validHandle, const std::optional<Reader>& reader,
           Call call) {
    const bool isSessionExport = name.rfind("Ovilux_", 0) == 0;
    if (validHandle && isSessionExport) {
        while (Ovilux_GetLastError(g_context->handle) != 0) {
        }
        CodeWasPosted();
    }
    const bool readBack = validHandle && reader.has_value();
    const double before = readBack ? (*reader)() : 0.0;
    const std::string label = name + "(" + variation + ")";
    g_callName = &label;
    g_callStarted = Now();
    if constexpr (std::is_void_v<R>) {
        call();
        g_callStarted = 0;
    } else {
        const R result = call();
        g_callStarted = 0;
        // Sessions and windows the sweep makes are the sweep's to free.
        if constexpr (std::is_same_v<R, uint32_t>) {
            if ((name == "Ovilux_Initialize" || name == "OviluxSettings_InitializeWithFactorySettings") && result != 0) {
                Ovilux_Release(result);
            }
        }
        if constexpr (std::is_same_v<R, OVILUX_HWND>) {
            OviluxWnd_DestroyWindow(result);
        }
        if constexpr (std::is_same_v<R, int32_t>) {
            if (validHandle && isSessionExport && result == 0 && IsOneOrZeroExport(name) &&
                SilentRefusals().count(name) == 0 && Ovilux_GetLastError(g_context->handle) == 0 &&
                !CodeWasPosted()) {
                Fail(label, "refused without a code");
            }
            if (readBack && result == 0) {
                const double after = (*reader)();
                if (!(after == before || (std::isnan(after) && std::isnan(before)))) {
                    Fail(label, "refused, yet the stored value changed from " + std::to_string(before) + " to " +
                                    std::to_string(after));
                }
            }
        }
    }
}

template <size_t I, typename R, typename... A>
void VaryArgument(const std::string& name, R (*f)(A...), const std::tuple<A...>& base,
                  const std::optional<Reader>& reader) {
    using T = std::tuple_element_t<I, std::tuple<A...>>;
    for (T value : Values<T>::Hostile(*g_context)) {
        std::tuple<A...> args = base;
        std::get<I>(args) = value;
        bool validHandle = true;
        if constexpr (I == 0 && std::is_same_v<T, uint32_t>) {
            validHandle = value == g_context->handle;
        }
        Check<R>(name, "argument " + std::to_string(I + 1) + " = " + Describe(value), validHandle, reader,
                 [&] { return std::apply(f, args); });
    }
}

template <typename R, typename... A, size_t... I>
void SweepArguments(const std::string& name, R (*f)(A...), const std::optional<Reader>& reader,
                    std::index_sequence<I...>) {
    const std::tuple<A...> base{Values<A>::Baseline(*g_context)...};
    Check<R>(name, "baseline", true, reader, [&] { return std::apply(f, base); });
    (VaryArgument<I>(name, f, base, reader), ...);
}

template <typename R, typename... A>
Export Sweep(R (*f)(A...)) {
    return Export{[f](const std::string& name, const std::optional<Reader>& getter) {
                      SweepArguments(name, f, getter, std::index_sequence_for<A...>{});
                  },
                  ReaderOf(f)};
}

// A wait without a limit waits, as documented; the sweep bounds the timeout to a byte of
// milliseconds (the wake on destroy has its own test).
int32_t BoundedGetMessage(OVILUX_HWND window, uint8_t timeoutMs, uint32_t* message, uintptr_t* wParam,
                          intptr_t* lParam) {
    return OviluxWnd_GetMessage(window, timeoutMs, message, wParam, lParam);
}

#define SWEEP(name) {#name, Sweep(&name)}

// One line per export: the signature comes from the header, so each argument gets the hostile
// values of its type. The test below checks this list against the library's export list.
const std::map<std::string, Export>& Exports() {
    static const std::map<std::string, Export> exports{
        SWEEP(Ovilux_GetDllVersion), SWEEP(Ovilux_Initialize), SWEEP(Ovilux_Release), SWEEP(Ovilux_GetLastError),
        SWEEP(Ovilux_GetStatus), SWEEP(Ovilux_GetCameraInfo), SWEEP(Ovilux_EnumDevice), SWEEP(Ovilux_EnumDeviceW),
        SWEEP(Ovilux_GetDeviceName), SWEEP(Ovilux_GetDeviceNameW), SWEEP(Ovilux_SetDeviceNumber), SWEEP(Ovilux_Close),
        SWEEP(Ovilux_SetCaptureWindow), SWEEP(Ovilux_SetCaptureWindowEx), SWEEP(Ovilux_GetCaptureWindowEx),
        SWEEP(Ovilux_Width), SWEEP(Ovilux_Height), SWEEP(Ovilux_SetColorMode), SWEEP(Ovilux_GetColorMode),
        SWEEP(Ovilux_SetSubSample), SWEEP(Ovilux_GetSubSample), SWEEP(Ovilux_SetMirrorH), SWEEP(Ovilux_SetMirrorV),
        SWEEP(Ovilux_GetMirrorH), SWEEP(Ovilux_GetMirrorV), SWEEP(Ovilux_SetSamplingRate),
        SWEEP(Ovilux_GetSamplingRate), SWEEP(Ovilux_GetVideoFormat), SWEEP(Ovilux_SetPreviewWindow),
        SWEEP(Ovilux_Preview), SWEEP(Ovilux_CallBackPreview), SWEEP(Ovilux_StartPreview), SWEEP(Ovilux_StopPreview),
        SWEEP(Ovilux_Capture), SWEEP(Ovilux_SnapShot), SWEEP(Ovilux_GetImage), SWEEP(Ovilux_SetWaitTime),
        SWEEP(Ovilux_GetWaitTime), SWEEP(Ovilux_Record), SWEEP(Ovilux_RecordW), SWEEP(Ovilux_SaveImage),
        SWEEP(Ovilux_SaveImageW), SWEEP(Ovilux_SetExposureTimeEx), SWEEP(Ovilux_GetExposureTimeEx),
        SWEEP(Ovilux_SetRealExposureTime), SWEEP(Ovilux_GetRealExposureTime), SWEEP(Ovilux_ReadRegister),
        SWEEP(Ovilux_ReadRegisterEx), SWEEP(Ovilux_WriteRegister), SWEEP(Ovilux_WriteRegisterEx),
        SWEEP(Ovilux_Fpga_ReadRegister), SWEEP(Ovilux_Fpga_WriteRegister), SWEEP(Ovilux_GetIOPort),
        SWEEP(Ovilux_SetIOPort), SWEEP(Ovilux_ReadSromID), SWEEP(Ovilux_WriteSromID), SWEEP(Ovilux_GetTemperatureEx),
        SWEEP(Ovilux_GetTemperature), SWEEP(Ovilux_SetPeltier), SWEEP(Ovilux_GetPeltier), SWEEP(Ovilux_SetAutoIris),
        SWEEP(Ovilux_GetAutoIris), SWEEP(Ovilux_LoadMaskFile), SWEEP(Ovilux_LoadMaskFileW), SWEEP(Ovilux_SaveMaskFile),
        SWEEP(Ovilux_SaveMaskFileW), SWEEP(Ovilux_UpdateMaskData), SWEEP(Ovilux_SetCameraDlg),
        SWEEP(Ovilux_SetAnalogDlg), SWEEP(Ovilux_SetImageDlg), SWEEP(Ovilux_LoadConfigFileA),
        SWEEP(Ovilux_LoadConfigFileW), SWEEP(Ovilux_GetConfigFilter), SWEEP(Ovilux_SetConfigFilter),
        SWEEP(Ovilux_Fps), SWEEP(Ovilux_Trigger), SWEEP(Ovilux_GetHalfClock), SWEEP(Ovilux_SetHalfClock),
        SWEEP(Ovilux_GetInternalCorrection), SWEEP(Ovilux_SetInternalCorrection), SWEEP(Ovilux_SetCrossbar),
        SWEEP(Ovilux_SendText), SWEEP(Ovilux_ReceiveText), SWEEP(Ovilux_GetFilterValue), SWEEP(Ovilux_SetFilterValue),
        SWEEP(Ovilux_GetBrightness), SWEEP(Ovilux_SetBrightness), SWEEP(Ovilux_GetContrast),
        SWEEP(Ovilux_SetContrast), SWEEP(Ovilux_GetHue), SWEEP(Ovilux_SetHue), SWEEP(Ovilux_GetSaturation),
        SWEEP(Ovilux_SetSaturation), SWEEP(Ovilux_GetSharpness), SWEEP(Ovilux_SetSharpness),
        SWEEP(Ovilux_GetBayerGainRGB), SWEEP(Ovilux_SetBayerGainRGB), SWEEP(Ovilux_GetBayerGainRed),
        SWEEP(Ovilux_SetBayerGainRed), SWEEP(Ovilux_GetBayerGainGreen), SWEEP(Ovilux_SetBayerGainGreen),
        SWEEP(Ovilux_GetBayerGainBlue), SWEEP(Ovilux_SetBayerGainBlue), SWEEP(Ovilux_GetBayerGainAuto),
        SWEEP(Ovilux_SetBayerGainAuto), SWEEP(Ovilux_GetGamma), SWEEP(Ovilux_SetGamma), SWEEP(Ovilux_GetBayerMode),
        SWEEP(Ovilux_SetBayerMode), SWEEP(Ovilux_GetGlobalGain), SWEEP(Ovilux_SetGlobalGain),
        SWEEP(Ovilux_GetColorGainRed), SWEEP(Ovilux_SetColorGainRed), SWEEP(Ovilux_GetColorGainGreen1),
        SWEEP(Ovilux_SetColorGainGreen1), SWEEP(Ovilux_GetColorGainGreen2), SWEEP(Ovilux_SetColorGainGreen2),
        SWEEP(Ovilux_GetColorGainBlue), SWEEP(Ovilux_SetColorGainBlue), SWEEP(Ovilux_GetExposureTime),
        SWEEP(Ovilux_SetExposureTime), SWEEP(Ovilux_GetGrayMode), SWEEP(Ovilux_SetGrayMode),
        SWEEP(Ovilux_GetGrayGainR), SWEEP(Ovilux_SetGrayGainR), SWEEP(Ovilux_GetGrayGainG1),
        SWEEP(Ovilux_SetGrayGainG1), SWEEP(Ovilux_GetGrayGainG2), SWEEP(Ovilux_SetGrayGainG2),
        SWEEP(Ovilux_GetGrayGainB), SWEEP(Ovilux_SetGrayGainB), SWEEP(Ovilux_GetGrayOffsetR),
        SWEEP(Ovilux_SetGrayOffsetR), SWEEP(Ovilux_GetGrayOffsetG1), SWEEP(Ovilux_SetGrayOffsetG1),
        SWEEP(Ovilux_GetGrayOffsetG2), SWEEP(Ovilux_SetGrayOffsetG2), SWEEP(Ovilux_GetGrayOffsetB),
        SWEEP(Ovilux_SetGrayOffsetB), SWEEP(Ovilux_GetChannelGain), SWEEP(Ovilux_SetChannelGain),
        SWEEP(Ovilux_GetChannelOffset), SWEEP(Ovilux_SetChannelOffset), SWEEP(Ovilux_GetDotFilter),
        SWEEP(Ovilux_SetDotFilter), SWEEP(Ovilux_GetMaskFilter), SWEEP(Ovilux_SetMaskFilter),
        SWEEP(OviluxWnd_CreateMessageWindow), {"OviluxWnd_GetMessage", Sweep(&BoundedGetMessage)},
        SWEEP(OviluxWnd_DestroyWindow), SWEEP(OviluxSim_Attach), SWEEP(OviluxSim_Detach), SWEEP(OviluxSim_List),
        SWEEP(OviluxSim_Trigger), SWEEP(OviluxSim_SetSpeed), SWEEP(OviluxSim_GetSpeed), SWEEP(OviluxSim_DropHeaders),
        SWEEP(OviluxSim_MisreportPayload), SWEEP(OviluxSim_Stall), SWEEP(OviluxSim_SilenceBusAddress),
        SWEEP(OviluxSim_FailSromWrites), SWEEP(OviluxSim_PeekSensorRegister), SWEEP(OviluxSim_PeekFpgaRegister),
        SWEEP(OviluxSim_PeekSrom), SWEEP(OviluxSim_GetFrameCount), SWEEP(OviluxSim_GetFramesSent),
        SWEEP(OviluxSim_GetCpuTime),
        SWEEP(OviluxSim_SetSceneOptions),
        SWEEP(OviluxSim_ShowPicture), SWEEP(OviluxSim_ShowPictureFile), SWEEP(OviluxSettings_Export),
        SWEEP(OviluxSettings_Import), SWEEP(OviluxSettings_Reset),
        SWEEP(OviluxSettings_InitializeWithFactorySettings), SWEEP(OviluxSim_SetRecordFileLimit), SWEEP(OviluxCode_Text),
        SWEEP(OviluxSim_SetSessionProduct), SWEEP(OviluxStream_GetLastFrame), SWEEP(OviluxStream_GetStatistics),
        SWEEP(OviluxStream_ResetStatistics),
    };
    return exports;
}

// The names of the library's export list, generated from it at configure time.
const std::vector<std::string> kLibraryExports{
#include "ExportNames.inc"
};

// File names that cannot be written or read as files, and plain ones in a scratch folder.
void MakeFileNames(Context& c) {
    c.folder = fs::temp_directory_path() / ("ovilux-sweep-" + std::to_string(std::rand()) + "-" +
                                            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(c.folder / "folder.bmp");
    const fs::path readOnly = c.folder / "read-only.bmp";
    std::FILE* file = std::fopen(readOnly.string().c_str(), "wb");
    if (file != nullptr) {
        std::fputs("kept", file);
        std::fclose(file);
    }
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    c.names = {(c.folder / "plain.bmp").string(), "", std::string(5000, 'n'),
               (c.folder / "missing" / "x.bmp").string(), (c.folder / "folder.bmp").string(), readOnly.string()};
#ifndef _WIN32
    c.names.push_back("/dev/full");
#endif
    for (const std::string& name : c.names) {
        c.wideNames.push_back(Widen(name));
    }
}

void Watchdog(std::atomic<bool>* done) {
    const uint32_t limitMs = PatienceMs(kCallTimeLimitMs);
    while (!*done) {
        const int64_t started = g_callStarted;
        if (started != 0 && Now() - started > static_cast<int64_t>(limitMs)) {
            const std::string* name = g_callName;
            std::fprintf(stderr, "%s: still running after %lld s\n", name != nullptr ? name->c_str() : "?",
                         static_cast<long long>(limitMs / 1000));
            std::fflush(stderr);
            std::_Exit(3);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// A session on a fresh simulated camera, at a quarter size so that snapshots are quick.
bool OpenSession(Context& c) {
    OviluxSim_SetSpeed(OVILUX_SIM_SPEED_FAST);
    OviluxSim_Attach(0x3030, 0);
    c.window = OviluxWnd_CreateMessageWindow();
    c.handle = Ovilux_Initialize(c.window);
    return c.handle != 0 && c.window != nullptr && Ovilux_SetSubSample(c.handle, 2) == 1 &&
           Ovilux_SetColorMode(c.handle, 8) == 1;
}

void CloseSession(Context& c) {
    Ovilux_Release(c.handle);
    OviluxWnd_DestroyWindow(c.window);
    for (int32_t port = 0; port < 8; ++port) {
        OviluxSim_Detach(port);
    }
}

// Exports that only read leave the session as they found it; after any other the next export
// gets a fresh session and camera, so that each starts from the same state.
bool OnlyReads(const std::string& name) {
    for (const char* word : {"Get", "Read", "Peek", "Enum", "Width", "Height", "List"}) {
        if (name.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Child: sweeps the exports named on its command line; 0 when every call held.
const bool kSweepRole = RegisterChildRole("sweep", [](const std::vector<std::string>& names) {
    Context context;
    g_context = &context;
    context.destroyedWindow = OviluxWnd_CreateMessageWindow();
    OviluxWnd_DestroyWindow(context.destroyedWindow);
    context.released = Ovilux_Initialize(nullptr);
    Ovilux_Release(context.released);
    MakeFileNames(context);
    std::atomic<bool> done{false};
    std::thread watchdog(Watchdog, &done);
#ifdef _WIN32
    // The property dialogs are modal: a user would close them, here this does.
    const DialogDriver closer;
#endif
    bool open = false;
    for (const std::string& name : names) {
        const auto it = Exports().find(name);
        if (it == Exports().end()) {
            continue;
        }
        if (!open && !OpenSession(context)) {
            Fail(name, "no session to sweep with");
            break;
        }
        std::optional<Reader> getter;
        if (name.rfind("Ovilux_Set", 0) == 0) {
            const auto found = Exports().find("Ovilux_Get" + name.substr(std::strlen("Ovilux_Set")));
            getter = found != Exports().end() ? found->second.reader : std::nullopt;
        }
        it->second.sweep(name, getter);
        open = OnlyReads(name);
        if (!open) {
            CloseSession(context);
        }
    }
    if (open) {
        CloseSession(context);
    }
    done = true;
    watchdog.join();
    std::error_code ignored;
    fs::remove_all(context.folder, ignored);
    return context.failures == 0 ? 0 : 1;
});

}  // namespace

TEST(HostileSweep, CoversEveryExportOfTheLibrary) {
    std::set<std::string> swept;
    for (const auto& entry : Exports()) {
        swept.insert(entry.first);
    }
    const std::set<std::string> exported(kLibraryExports.begin(), kLibraryExports.end());
    EXPECT_GT(exported.size(), 150u);
    for (const std::string& name : exported) {
        EXPECT_EQ(swept.count(name), 1u) << name << " is exported but not swept";
    }
    for (const std::string& name : swept) {
        EXPECT_EQ(exported.count(name), 1u) << name << " is swept but not exported";
    }
}

// The exports are dealt into groups, one child each, two children at a time.
TEST(HostileSweep, EveryExportHoldsUnderHostileArguments) {
    constexpr size_t kGroups = 8;
    std::vector<std::vector<std::string>> groups(kGroups);
    size_t next = 0;
    for (const auto& entry : Exports()) {
        groups[next++ % kGroups].push_back(entry.first);
    }
    std::vector<int> results(kGroups, -1);
    std::atomic<size_t> taken{0};
    auto worker = [&] {
        for (size_t g = taken++; g < kGroups; g = taken++) {
            results[g] = RunChild("sweep", groups[g], kGroupTimeLimitMs);
        }
    };
    std::thread other(worker);
    worker();
    other.join();
    for (size_t g = 0; g < kGroups; ++g) {
        std::string names;
        for (const std::string& name : groups[g]) {
            names += " " + name;
        }
        EXPECT_EQ(results[g], 0) << "the group of" << names;
    }
}

}  // namespace ovilux::test
