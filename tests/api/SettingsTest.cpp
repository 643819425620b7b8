// Settings kept between sessions through the C API: the store a first run fills, what survives
// release and reselection, one key per camera, the rules for missing values, size presets,
// configuration files, and exporting and importing a camera's settings as text.
#include <cstdio>
#include <functional>
#include <tuple>
#include <string>

#include "OviluxSettings.h"
#include "api/SimulatedCameras.h"
#include "support/ScratchSettingsStore.h"

namespace ovilux::test {
namespace {

std::string Exported(int32_t device) {
    const int32_t size = OviluxSettings_Export(device, nullptr, 0);
    EXPECT_GT(size, 0);
    std::string text(static_cast<size_t>(size) + 1, '\0');
    EXPECT_EQ(OviluxSettings_Export(device, text.data(), size + 1), size);
    text.resize(static_cast<size_t>(size));
    return text;
}

// The text without its comment lines, which name where the store lives.
std::string Sections(const std::string& text) {
    const size_t first = text.find('[');
    return first == std::string::npos ? "" : text.substr(first);
}

bool Import(int32_t device, const std::string& text, std::string* message = nullptr) {
    char buffer[256] = {};
    const bool done = OviluxSettings_Import(device, text.c_str(), buffer, sizeof buffer) == 1;
    if (message != nullptr) {
        *message = buffer;
    }
    return done;
}

// One kept setting with its setter and getter.
struct Kept {
    const char* name;
    std::function<int32_t(uint32_t, int32_t)> set;
    std::function<int32_t(uint32_t)> get;
    int32_t value;
};

std::vector<Kept> KeptSettings() {
    const auto get = [](int32_t (*getter)(uint32_t, int32_t*)) {
        return [getter](uint32_t h) {
            int32_t ok = 0;
            const int32_t value = getter(h, &ok);
            return ok == 1 ? value : -12345;
        };
    };
    return {
        {"global gain", Ovilux_SetGlobalGain, get(Ovilux_GetGlobalGain), 20},
        {"red gain", Ovilux_SetColorGainRed, get(Ovilux_GetColorGainRed), 24},
        {"exposure", Ovilux_SetRealExposureTime, get(Ovilux_GetRealExposureTime), 50000},
        {"mirror", Ovilux_SetMirrorH, Ovilux_GetMirrorH, 1},
        {"brightness", Ovilux_SetBrightness, get(Ovilux_GetBrightness), -10},
        {"gamma", Ovilux_SetGamma, get(Ovilux_GetGamma), 150},
        {"gray mode", Ovilux_SetGrayMode, get(Ovilux_GetGrayMode), 1},
        {"gray gain", Ovilux_SetGrayGainR, get(Ovilux_GetGrayGainR), 140},
    };
}

class Settings : public SessionTest {
protected:
    ScratchSettingsStore fresh_{true};

    void Reopen() {
        ASSERT_EQ(Ovilux_Release(handle_), 1);
        handle_ = Ovilux_Initialize(notify_);
        ASSERT_NE(handle_, 0u);
    }
};

TEST_F(Settings, FirstRunStoresTheDefaultsOfCameraZeroOnly) {
    // A session that never had a camera stores no camera settings: its placeholders would
    // otherwise become the next session's gains.
    const uint32_t cameraless = Ovilux_Initialize(nullptr);
    ASSERT_NE(cameraless, 0u);
    ASSERT_EQ(Ovilux_Release(cameraless), 1);
    EXPECT_EQ(Sections(Exported(0)).find("Gain"), std::string::npos);

    OpenSession(1);
    ASSERT_EQ(Ovilux_Release(handle_), 1);
    handle_ = 0;
    const std::string text = Sections(Exported(0));
    EXPECT_NE(text.find("[Camera_00]\nClock=dword:0\nColor=dword:2\nSize=dword:0\nSubSample=dword:0\nWaitTime=dword:1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[Camera_00\\Size_00]\nBuf=dword:4\nEH=dword:2560\nEHS=dword:0\nEV=dword:1920\nEVS=dword:0\n"
                        "TH=dword:2592\nTV=dword:1944\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[Camera_00\\Gray]"), std::string::npos) << text;
    EXPECT_EQ(Sections(Exported(1)), "");
}

TEST_F(Settings, SurviveReselectionReleaseAndANewSession) {
    OpenSession(1);
    const std::vector<Kept> kept = KeptSettings();
    for (const Kept& k : kept) {
        ASSERT_EQ(k.set(handle_, k.value), 1) << k.name;
    }
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 0), 1);
    for (const Kept& k : kept) {
        EXPECT_EQ(k.get(handle_), k.value) << k.name << " after selecting the same camera again";
    }
    Reopen();
    for (const Kept& k : kept) {
        EXPECT_EQ(k.get(handle_), k.value) << k.name << " in a new session";
    }
}

TEST_F(Settings, TwoCamerasKeepTheirOwnKeys) {
    OpenSession(2);
    int32_t ok = 0;
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 0), 1);
    ASSERT_EQ(Ovilux_SetGlobalGain(handle_, 20), 1);
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 1), 1);
    EXPECT_EQ(Ovilux_GetGlobalGain(handle_, &ok), 16) << "camera 1 starts from its own defaults";
    ASSERT_EQ(Ovilux_SetGlobalGain(handle_, 30), 1);
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 0), 1);
    EXPECT_EQ(Ovilux_GetGlobalGain(handle_, &ok), 20);
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 1), 1);
    EXPECT_EQ(Ovilux_GetGlobalGain(handle_, &ok), 30);
    EXPECT_NE(Exported(0).find("Global=dword:20\n"), std::string::npos);
    EXPECT_NE(Exported(1).find("Global=dword:30\n"), std::string::npos);
}

TEST_F(Settings, MissingValuesInsideExistingKeysFollowTheirRules) {
    OpenSession(1);
    ASSERT_EQ(Ovilux_Release(handle_), 1);
    // Gain: a missing value repeats the one read before it. Filter: a missing value leaves the
    // field as the new session made it (0), not at the default of a missing key. Gray: a
    // missing key gives the defaults.
    ASSERT_TRUE(Import(0, "[Camera_00]\nColor=dword:3\n[Camera_00\\Gain]\nGlobal=dword:20\nColorR=dword:24\n"
                          "[Camera_00\\Filter]\nGamma=dword:150\n"));
    handle_ = Ovilux_Initialize(notify_);
    ASSERT_NE(handle_, 0u);
    const auto get = [&](int32_t (*getter)(uint32_t, int32_t*)) {
        int32_t ok = 0;
        const int32_t value = getter(handle_, &ok);
        return ok == 1 ? value : -12345;
    };
    const std::vector<std::tuple<const char*, int32_t, int32_t>> cases = {
        {"global", get(Ovilux_GetGlobalGain), 20},          {"green 1 repeats global", get(Ovilux_GetColorGainGreen1), 20},
        {"red", get(Ovilux_GetColorGainRed), 24},           {"blue repeats red", get(Ovilux_GetColorGainBlue), 24},
        {"gamma", get(Ovilux_GetGamma), 150},               {"Bayer red left at 0", get(Ovilux_GetBayerGainRed), 0},
        {"gray gain default", get(Ovilux_GetGrayGainR), 128}, {"colour mode", Ovilux_GetColorMode(handle_), 32},
    };
    for (const auto& [what, actual, expected] : cases) {
        EXPECT_EQ(actual, expected) << what;
    }
    ASSERT_EQ(Ovilux_Release(handle_), 1);
    handle_ = 0;
    const std::string text = Exported(0);
    EXPECT_NE(text.find("Exposure=dword:24\nExposureEx=double:0\n"), std::string::npos) << text;
}

TEST_F(Settings, CaptureWindowPresetsComeFromTheSelectedCamerasKey) {
    OpenSession(1);
    ASSERT_TRUE(Import(0, "[Camera_00]\nSize=dword:0\n[Camera_00\\Size_00]\nTH=dword:2592\nTV=dword:1944\nEH=dword:2560\n"
                          "EV=dword:1920\nEHS=dword:0\nEVS=dword:0\nBuf=dword:4\n[Camera_00\\Size_01]\nTH=dword:1400\n"
                          "TV=dword:1000\nEH=dword:1280\nEV=dword:960\nEHS=dword:64\nEVS=dword:32\nBuf=dword:4\n"));
    PopAll(handle_);
    ASSERT_EQ(Ovilux_SetCaptureWindow(handle_, 1280, 960), 1);
    int32_t th = 0, hs = 0, eh = 0, tv = 0, vs = 0, ev = 0;
    ASSERT_EQ(Ovilux_GetCaptureWindowEx(handle_, &th, &hs, &eh, &tv, &vs, &ev), 1);
    EXPECT_EQ(std::vector<int32_t>({th, hs, eh, tv, vs, ev}), std::vector<int32_t>({1400, 64, 1280, 1000, 32, 960}));
    EXPECT_EQ(Ovilux_SetCaptureWindow(handle_, 1000, 1000), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_WINDOW);
    EXPECT_EQ(Ovilux_Width(handle_), 1280) << "a size without a preset leaves the window";
}

TEST_F(Settings, ConfigurationFilesAreReadAndMissingOnesFailQuietly) {
    OpenSession(1);
    const std::string name = ::testing::TempDir() + "ovilux-pairs.cfg";
    std::FILE* file = std::fopen(name.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite("0123456789abcdefghij", 1, 20, file), 20u);
    std::fclose(file);
    PopAll(handle_);
    EXPECT_EQ(Ovilux_LoadConfigFileA(handle_, name.c_str()), 1);
    std::vector<OVILUX_WCHAR> wide(name.begin(), name.end());
    wide.push_back(0);
    EXPECT_EQ(Ovilux_LoadConfigFileW(handle_, wide.data()), 1);
    std::remove(name.c_str());
    EXPECT_EQ(Ovilux_LoadConfigFileA(handle_, name.c_str()), 0);
    EXPECT_EQ(Ovilux_LoadConfigFileA(handle_, nullptr), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0) << "an unreadable file records no code";
    EXPECT_EQ(Ovilux_LoadConfigFileW(handle_, nullptr), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_CONVERSION);
}

TEST_F(Settings, ExportThenImportOnAFreshStoreReproducesTheSettings) {
    OpenSession(1);
    const std::vector<Kept> kept = KeptSettings();
    for (const Kept& k : kept) {
        ASSERT_EQ(k.set(handle_, k.value), 1) << k.name;
    }
    ASSERT_EQ(Ovilux_Release(handle_), 1);
    handle_ = 0;
    const std::string text = Exported(0);
    {
        ScratchSettingsStore another(true);
        ASSERT_TRUE(Import(0, text));
        EXPECT_EQ(Sections(Exported(0)), Sections(text));
        handle_ = Ovilux_Initialize(notify_);
        ASSERT_NE(handle_, 0u);
        for (const Kept& k : kept) {
            EXPECT_EQ(k.get(handle_), k.value) << k.name;
        }
        ASSERT_EQ(Ovilux_Release(handle_), 1);
        handle_ = 0;
    }
    EXPECT_EQ(OviluxSettings_Reset(0), 1);
    EXPECT_EQ(Exported(0).find("Gain"), std::string::npos) << "a reset drops the groups";
    EXPECT_NE(Exported(0).find("EH=dword:2560"), std::string::npos) << "and keeps the default preset";
}

TEST_F(Settings, AnImportWithOneBadLineChangesNothing) {
    OpenSession(1);
    ASSERT_EQ(Ovilux_Release(handle_), 1);
    handle_ = 0;
    const std::string before = Exported(0);
    const std::string good = "[Camera_00]\nColor=dword:3\n";
    const std::vector<std::pair<std::string, int>> bad = {
        {good + "Colour=dword:3\n", 3},                       // unknown value name
        {good + "Color=double:3\n", 3},                       // wrong type
        {good + "Color=dword:3x\n", 3},                       // not a number
        {good + "Color=dword:4294967296\n", 3},               // beyond 32 bits
        {good + "[Camera_00\\Gain]\nExposureEx=dword:1\n", 4},  // the double written as a number
        {good + "[Camera_00\\Lens]\n", 3},                    // unknown key
        {good + "[Camera_01\\Gain]\n", 3},                    // a second camera in one file
        {good + "[Camera_00\\Size_100]\n", 3},                // preset beyond the hundred
        {"Color=dword:3\n" + good, 1},                        // value before any section
        {"; only a comment\n", 1},                            // nothing to import
    };
    for (const auto& [text, line] : bad) {
        std::string message;
        EXPECT_FALSE(Import(0, text, &message)) << text;
        EXPECT_EQ(message.rfind("line " + std::to_string(line) + ":", 0), 0u) << message;
        EXPECT_EQ(Exported(0), before) << text;
    }
    EXPECT_FALSE(Import(32, good));
    EXPECT_EQ(OviluxSettings_Export(-1, nullptr, 0), -1);
    EXPECT_TRUE(Import(0, good));
}

}  // namespace
}  // namespace ovilux::test
