// Settings a user can trust, through the C API: sessions on the factory settings that leave the
// store exactly as it was, size presets for every camera, imports refused whole for any value
// outside its setter's range, stored values outside their range replaced by the defaults, and
// the filter switches the store does not keep switched off for a camera without stored filters.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "OviluxSettings.h"
#include "api/SimulatedCameras.h"
#include "support/ScratchSettingsStore.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sqlite3.h>
#endif

namespace ovilux::test {
namespace {

std::string Exported(int32_t device) {
    const int32_t size = OviluxSettings_Export(device, nullptr, 0);
    std::string text(static_cast<size_t>(size) + 1, '\0');
    EXPECT_EQ(OviluxSettings_Export(device, text.data(), size + 1), size);
    text.resize(static_cast<size_t>(size));
    return text;
}

bool Import(int32_t device, const std::string& text, std::string* message = nullptr) {
    char buffer[512] = {};
    const bool done = OviluxSettings_Import(device, text.c_str(), buffer, sizeof buffer) == 1;
    if (message != nullptr) {
        *message = buffer;
    }
    return done;
}

int32_t Get(uint32_t handle, int32_t (*getter)(uint32_t, int32_t*)) {
    int32_t ok = 0;
    const int32_t value = getter(handle, &ok);
    return ok == 1 ? value : -12345;
}

int32_t Filter(uint32_t handle, int32_t index) {
    int32_t ok = 0;
    const int32_t value = Ovilux_GetFilterValue(handle, index, &ok);
    return ok == 1 ? value : -12345;
}

// Everything the store holds for the test's cameras, exactly: the database file's bytes (or
// that there is none) on POSIX; every camera's values in the registry on Windows.
std::string StoreContents() {
#ifdef _WIN32
    std::string all;
    for (int32_t device = 0; device < OVILUX_SETTINGS_DEVICE_COUNT; ++device) {
        all += Exported(device);
    }
    return all;
#else
    const std::string path = EnvironmentValue("OVILUX_REGISTRY");
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return "(no file)";
    }
    std::ostringstream content;
    content << file.rdbuf();
    std::ifstream wal(path + "-wal", std::ios::binary);
    return content.str() + (wal ? "(and a WAL file)" : "");
#endif
}

// Writes a 32-bit value into the store as an older program or a hand edit might have left it.
void PlantDword(const std::string& key, const std::string& name, int32_t value) {
#ifdef _WIN32
    HKEY opened = nullptr;
    const std::string full = EnvironmentValue("OVILUX_REGISTRY") + "\\" + key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    const DWORD data = static_cast<DWORD>(value);
    EXPECT_EQ(RegSetValueExA(opened, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data),
              ERROR_SUCCESS);
    RegCloseKey(opened);
#else
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(EnvironmentValue("OVILUX_REGISTRY").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO settings(path, name, type, data) VALUES(?1, ?2, 4, ?3)", -1,
                                 &insert, nullptr),
              SQLITE_OK);
    const auto bits = static_cast<uint32_t>(value);
    const unsigned char data[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                   static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    sqlite3_bind_text(insert, 1, key.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_blob(insert, 3, data, sizeof data, SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE);
    sqlite3_finalize(insert);
    sqlite3_close(db);
#endif
}

class SettingsTrust : public SessionTest {
protected:
    ScratchSettingsStore fresh_{true};

    // A session on camera 0 whose stored settings a user changed: gain 40, mirrored.
    void StoreChangedSettings() {
        OpenSession(1);
        ASSERT_EQ(Ovilux_SetGlobalGain(handle_, 40), 1);
        ASSERT_EQ(Ovilux_SetMirrorH(handle_, 1), 1);
        ASSERT_EQ(Ovilux_SetBrightness(handle_, 30), 1);
        ASSERT_EQ(Ovilux_Release(handle_), 1);
        handle_ = 0;
    }

    // A session on the factory settings changes everything it can and is released.
    void RunFactorySession(uint32_t handle) {
        ASSERT_NE(handle, 0u);
        EXPECT_EQ(Get(handle, Ovilux_GetGlobalGain), 16) << "the factory gain, not the stored 40";
        EXPECT_EQ(Ovilux_GetMirrorH(handle), 0);
        EXPECT_EQ(Get(handle, Ovilux_GetBrightness), 0);
        EXPECT_EQ(Ovilux_SetCaptureWindow(handle, 2560, 1920), 1) << "the factory preset is there";
        ASSERT_EQ(Ovilux_SetGlobalGain(handle, 30), 1);
        ASSERT_EQ(Ovilux_SetGamma(handle, 180), 1);
        ASSERT_EQ(Ovilux_SetDeviceNumber(handle, 0), 1) << "selecting again stores nothing either";
        EXPECT_EQ(Ovilux_Release(handle), 1);
    }
};

TEST_F(SettingsTrust, FactorySettingsSessionsLeaveTheStoreByteForByte) {
    AttachCameras(1);
    attached_ = 1;
    // A fresh profile stays without a store.
    const std::string nothing = StoreContents();
    RunFactorySession(OviluxSettings_InitializeWithFactorySettings(nullptr));
    EXPECT_EQ(StoreContents(), nothing);
    OviluxSim_Detach(0);
    attached_ = 0;

    StoreChangedSettings();
    const std::string before = StoreContents();
    RunFactorySession(OviluxSettings_InitializeWithFactorySettings(nullptr));
    EXPECT_EQ(StoreContents(), before);

    const std::string previous = EnvironmentValue("OVILUX_SETTINGS");
    SetEnvironmentValue("OVILUX_SETTINGS", "defaults");
    RunFactorySession(Ovilux_Initialize(nullptr));
    SetEnvironmentValue("OVILUX_SETTINGS", previous);
    EXPECT_EQ(StoreContents(), before);

    // The stored settings are still there for the next ordinary session.
    handle_ = Ovilux_Initialize(notify_);
    ASSERT_NE(handle_, 0u);
    EXPECT_EQ(Get(handle_, Ovilux_GetGlobalGain), 40);
    EXPECT_EQ(Ovilux_GetMirrorH(handle_), 1);
    EXPECT_EQ(Get(handle_, Ovilux_GetBrightness), 30);
}

TEST_F(SettingsTrust, TheFormatDialogWhichKeepsItsPresetsInTheStoreIsRefusedOnFactorySettings) {
    StoreChangedSettings();
    const std::string before = StoreContents();
    const uint32_t factory = OviluxSettings_InitializeWithFactorySettings(nullptr);
    ASSERT_NE(factory, 0u);
    PopAll(factory);
    EXPECT_EQ(Ovilux_SetCameraDlg(factory, nullptr), 0);
    EXPECT_EQ(Ovilux_GetLastError(factory), OVILUX_CODE_NOT_SUPPORTED);
    EXPECT_EQ(Ovilux_Release(factory), 1);
    EXPECT_EQ(StoreContents(), before);
}

TEST_F(SettingsTrust, EveryCameraHasItsOwnSizePresets) {
    OpenSession(2);
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 1), 1);
    EXPECT_EQ(Ovilux_SetCaptureWindow(handle_, 2560, 1920), 1) << "camera 1 got the first-run preset";
    EXPECT_NE(Exported(1).find("[Camera_01\\Size_00]"), std::string::npos);

    std::string text = Exported(1);
    text += "[Camera_01\\Size_01]\nTH=dword:1400\nTV=dword:1000\nEH=dword:1280\nEV=dword:960\nEHS=dword:64\n"
            "EVS=dword:32\nBuf=dword:4\n";
    ASSERT_TRUE(Import(1, text));
    PopAll(handle_);
    ASSERT_EQ(Ovilux_SetCaptureWindow(handle_, 1280, 960), 1);
    int32_t hStart = 0, vStart = 0;
    Ovilux_GetCaptureWindowEx(handle_, nullptr, &hStart, nullptr, nullptr, &vStart, nullptr);
    EXPECT_EQ(std::make_tuple(Ovilux_Width(handle_), hStart, vStart), std::make_tuple(1280, 64, 32));

    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 0), 1);
    EXPECT_EQ(Ovilux_SetCaptureWindow(handle_, 1280, 960), 0) << "camera 1's preset is not camera 0's";
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_WINDOW);
    EXPECT_EQ(Ovilux_SetCaptureWindow(handle_, 2560, 1920), 1);
}

TEST_F(SettingsTrust, AnImportWithAnyValueOutsideItsRangeIsRefusedWhole) {
    OpenSession(1);
    // An import is checked against the longest exposure any window takes: the full window's.
    ASSERT_EQ(Ovilux_SetCaptureWindowEx(handle_, 2592, 0, 2592, 1944, 0, 1944), 1);
    OviluxCameraInfo info{};
    info.size = sizeof info;
    ASSERT_EQ(Ovilux_GetCameraInfo(handle_, &info), 1);
    ASSERT_EQ(Ovilux_Release(handle_), 1);
    handle_ = 0;
    const auto range = [](int32_t low, int32_t high) { return std::to_string(low) + " to " + std::to_string(high); };
    const std::string gains = range(info.globalGainMin, info.globalGainMax);
    const std::string colours = range(info.colorGainMin, info.colorGainMax);
    const std::string exposures = range(info.exposureMin, info.exposureMax);
    const std::string head = "[Camera_00]\nColor=dword:2\n";
    // (text, line, the value, its range)
    const std::vector<std::tuple<std::string, int, std::string, std::string>> bad = {
        {head + "[Camera_00\\Gain]\nGlobal=dword:" + std::to_string(info.globalGainMax + 1) + "\n", 4, "Global", gains},
        {head + "[Camera_00\\Gain]\nGlobal=dword:400\n", 4, "Global = 400", gains},
        {head + "[Camera_00\\Gain]\nColorB=dword:-1\n", 4, "ColorB = -1", colours},
        {head + "[Camera_00\\Gain]\nExposure=dword:-7\n", 4, "Exposure = -7", exposures},
        {head + "[Camera_00\\Gain]\nV_Mirror=dword:2\n", 4, "V_Mirror = 2", "0 to 1"},
        {head + "[Camera_00\\Gain]\nAutoIris=dword:3\n", 4, "AutoIris = 3", "0 to 2"},
        {head + "[Camera_00\\Gain]\nExposureEx=double:nan\n", 4, "ExposureEx", "range"},
        {head + "[Camera_00\\Filter]\nBrightness=dword:256\n", 4, "Brightness = 256", "-255 to 255"},
        {head + "[Camera_00\\Filter]\nContrast=dword:-128\n", 4, "Contrast", "-127 to 127"},
        {head + "[Camera_00\\Filter]\nHue=dword:361\n", 4, "Hue", "-360 to 360"},
        {head + "[Camera_00\\Filter]\nSharpness=dword:31\n", 4, "Sharpness", "0 to 30"},
        {head + "[Camera_00\\Filter]\nG_Gain=dword:0x191\n", 4, "G_Gain = 401", "0 to 400"},
        {head + "[Camera_00\\Filter]\nGamma=dword:201\n", 4, "Gamma", "0 to 200"},
        {head + "[Camera_00\\Filter]\nBayerMode=dword:4\n", 4, "BayerMode", "0 to 3"},
        {head + "[Camera_00\\Gray]\nMode=dword:3\n", 4, "Mode", "0 to 2"},
        {head + "[Camera_00\\Gray]\nGainG2=dword:256\n", 4, "GainG2", "0 to 255"},
        {head + "[Camera_00\\Gray]\nOffsetR1=dword:-256\n", 4, "OffsetR1", "-255 to 255"},
        {"[Camera_00]\nColor=dword:6\n", 2, "Color = 6", "0 to 5"},
        {head + "SubSample=dword:3\n", 3, "SubSample", "0 to 2"},
        {head + "Size=dword:100\n", 3, "Size", "0 to 99"},
        {head + "WaitTime=dword:-1\n", 3, "WaitTime", "0 to 2147483647"},
        {head + "[Camera_00\\Size_00]\nEH=dword:2593\n", 4, "EH = 2593", "0 to 2592"},
        {head + "[Camera_00\\Size_00]\nBuf=dword:0\n", 4, "Buf", "1 to"},
    };
    const std::string before = StoreContents();
    for (const auto& [text, line, value, allowed] : bad) {
        std::string message;
        EXPECT_FALSE(Import(0, text, &message)) << text;
        EXPECT_EQ(message.rfind("line " + std::to_string(line) + ": ", 0), 0u) << message;
        EXPECT_NE(message.find(value), std::string::npos) << message;
        EXPECT_NE(message.find(allowed), std::string::npos) << message;
        EXPECT_EQ(StoreContents(), before) << "nothing stored for " << text;
    }
    // The limits themselves are taken.
    EXPECT_TRUE(Import(0, head + "[Camera_00\\Gain]\nGlobal=dword:" + std::to_string(info.globalGainMax) +
                              "\nExposure=dword:" + std::to_string(info.exposureMin) +
                              "\n[Camera_00\\Filter]\nBrightness=dword:-255\nHue=dword:360\n"));
}

TEST_F(SettingsTrust, StoredValuesOutsideTheirRangeGiveTheDefaults) {
    StoreChangedSettings();
    PlantDword("Camera_00\\Gain", "Global", 400);
    PlantDword("Camera_00\\Gain", "V_Mirror", 5);
    PlantDword("Camera_00\\Gain", "AutoIris", 9);
    PlantDword("Camera_00\\Filter", "Brightness", 999);
    PlantDword("Camera_00\\Filter", "Gamma", 150);
    PlantDword("Camera_00\\Gray", "GainR1", -3);
    PlantDword("Camera_00", "Color", 9);
    handle_ = Ovilux_Initialize(notify_);
    ASSERT_NE(handle_, 0u);
    const std::vector<std::tuple<const char*, int32_t, int32_t>> cases = {
        {"global gain", Get(handle_, Ovilux_GetGlobalGain), 16},
        {"vertical mirror", Ovilux_GetMirrorV(handle_), 0},
        {"auto iris", Get(handle_, Ovilux_GetAutoIris), 0},
        {"brightness", Get(handle_, Ovilux_GetBrightness), 0},
        {"gray gain", Get(handle_, Ovilux_GetGrayGainR), 128},
        {"colour mode", Ovilux_GetColorMode(handle_), 24},
        {"gamma in range is kept", Get(handle_, Ovilux_GetGamma), 150},
        {"horizontal mirror in range is kept", Ovilux_GetMirrorH(handle_), 1},
    };
    for (const auto& [what, actual, expected] : cases) {
        EXPECT_EQ(actual, expected) << what;
    }
    ASSERT_EQ(Ovilux_Release(handle_), 1);
    handle_ = 0;
    EXPECT_NE(Exported(0).find("Global=dword:16\n"), std::string::npos) << "the session stores sound values back";
}

TEST_F(SettingsTrust, ACameraWithoutStoredFiltersStartsWithTheUnkeptSwitchesOff) {
    OpenSession(2);
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 0), 1);
    for (const int32_t index : {OVILUX_FILTER_BAYER_GAIN_AUTO, OVILUX_FILTER_DOT_FILTER, OVILUX_FILTER_MASK_FILTER,
                                OVILUX_FILTER_PIPELINE_SWITCH}) {
        ASSERT_EQ(Ovilux_SetFilterValue(handle_, index, 1), 1) << index;
    }
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 1), 1);
    for (const int32_t index : {OVILUX_FILTER_BAYER_GAIN_AUTO, OVILUX_FILTER_DOT_FILTER, OVILUX_FILTER_MASK_FILTER}) {
        EXPECT_EQ(Filter(handle_, index), 0) << "index " << index << " on a camera without a Filter key";
    }
    EXPECT_EQ(Filter(handle_, OVILUX_FILTER_BAYER_GAIN_RED), 100);
    // Camera 0 has its Filter key now: selecting it again keeps what the session had set.
    ASSERT_EQ(Ovilux_SetFilterValue(handle_, OVILUX_FILTER_DOT_FILTER, 1), 1);
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 0), 1);
    EXPECT_EQ(Filter(handle_, OVILUX_FILTER_DOT_FILTER), 1);
}

}  // namespace
}  // namespace ovilux::test
