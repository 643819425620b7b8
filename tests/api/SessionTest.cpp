// Sessions through the C API: handles, the error stack and notifications, released handles,
// the not-supported exports and those not built yet.
#include <atomic>
#include <cstring>
#include <functional>
#include <set>
#include <thread>

#include "api/SimulatedCameras.h"

namespace ovilux::test {
namespace {

class Session : public SessionTest {};

TEST_F(Session, ErrorStackKeepsTheTwentyNewestCodesNewestFirst) {
    OpenSession(1);
    PopAll(handle_);
    Drain(notify_);
    // 25 failures: odd ones are out-of-range values (9), even ones absent devices (2).
    char name[64];
    for (int i = 0; i < 25; ++i) {
        if (i % 2 == 1) {
            EXPECT_EQ(Ovilux_SetBrightness(handle_, 256 + i), 0);
        } else {
            EXPECT_EQ(Ovilux_GetDeviceName(handle_, 32, name, sizeof name), 0);
        }
    }
    std::vector<int32_t> expected;
    for (int i = 24; i >= 5; --i) {
        expected.push_back(i % 2 == 1 ? OVILUX_CODE_BAD_ARGUMENT : OVILUX_CODE_NOT_PRESENT);
    }
    EXPECT_EQ(PopAll(handle_), expected);
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0);
    // Every one of them was also posted, in order.
    const std::vector<intptr_t> posted = NotifiedCodes(Drain(notify_, 1000));
    ASSERT_EQ(posted.size(), 25u);
    EXPECT_EQ(posted.front(), OVILUX_CODE_NOT_PRESENT);
    EXPECT_EQ(posted.back(), OVILUX_CODE_NOT_PRESENT);
    EXPECT_EQ(posted[1], OVILUX_CODE_BAD_ARGUMENT);
}

TEST_F(Session, NotSupportedGroupPostsWithoutStoringAndTextExportsStore) {
    OpenSession(1);
    PopAll(handle_);
    Drain(notify_);
    EXPECT_EQ(Ovilux_Fps(handle_, 30), 0);
    EXPECT_EQ(Ovilux_Trigger(handle_, 1), 0);
    EXPECT_EQ(Ovilux_GetHalfClock(handle_, 0), 0);
    EXPECT_EQ(Ovilux_SetHalfClock(handle_, 1), 0);
    EXPECT_EQ(Ovilux_GetInternalCorrection(handle_, 0), 0);
    EXPECT_EQ(Ovilux_SetInternalCorrection(handle_, 1), 0);
    EXPECT_EQ(Ovilux_SetCrossbar(handle_, 2), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0) << "the not-supported group posts only";
    EXPECT_EQ(NotifiedCodes(Drain(notify_, 1000)), std::vector<intptr_t>(7, OVILUX_CODE_NOT_SUPPORTED));

    char text[16] = "hello";
    EXPECT_EQ(Ovilux_SendText(handle_, text, 5), 0);
    EXPECT_EQ(Ovilux_ReceiveText(handle_, text, sizeof text), 0);
    EXPECT_EQ(Ovilux_GetConfigFilter(handle_), -1);
    EXPECT_EQ(Ovilux_SetConfigFilter(handle_), -1);
    EXPECT_EQ(PopAll(handle_), std::vector<int32_t>(4, OVILUX_CODE_NOT_SUPPORTED));
    int32_t ok = 7;
    EXPECT_EQ(Ovilux_GetSamplingRate(handle_, &ok), 0);
    EXPECT_EQ(ok, 0);
    ok = 7;
    EXPECT_EQ(Ovilux_GetVideoFormat(handle_, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Ovilux_GetStatus(handle_), 0);
}

#ifndef _WIN32
// The property dialogs are Windows dialogs: elsewhere they refuse honestly instead of
// pretending to work.
TEST_F(Session, DialogExportsRefuseWithNotSupportedOutsideWindows) {
    OpenSession(1);
    PopAll(handle_);
    const std::vector<std::function<int32_t()>> calls = {
        [&] { return Ovilux_SetCameraDlg(handle_, nullptr); },
        [&] { return Ovilux_SetAnalogDlg(handle_, nullptr); },
        [&] { return Ovilux_SetImageDlg(handle_, nullptr); },
    };
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i](), 0) << "call " << i;
        EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_SUPPORTED) << "call " << i;
    }
}
#endif

TEST(Handles, AreNonZeroDistinctAndReleasedOnce) {
    std::set<uint32_t> handles;
    for (int i = 0; i < 8; ++i) {
        const uint32_t handle = Ovilux_Initialize(nullptr);
        ASSERT_NE(handle, 0u);
        handles.insert(handle);
    }
    EXPECT_EQ(handles.size(), 8u);
    for (uint32_t handle : handles) {
        EXPECT_EQ(Ovilux_Release(handle), 1);
        EXPECT_EQ(Ovilux_Release(handle), 0);
    }
    EXPECT_EQ(Ovilux_Release(0), 0);
}

// A released handle (and one never issued) gets every export's failure value.
TEST(Handles, EveryExportOnAReleasedHandleReturnsItsFailureValue) {
    AttachCameras(1);
    const uint32_t released = Ovilux_Initialize(nullptr);
    ASSERT_NE(released, 0u);
    ASSERT_EQ(Ovilux_Release(released), 1);
    for (const uint32_t h : {released, 0u}) {
        char text[2560] = {};
        OVILUX_WCHAR wide[2560] = {};
        int32_t ok = 5;
        int32_t v = 0;
        uint8_t byte = 0;
        OviluxCameraInfo info{};
        info.size = sizeof info;
        const std::vector<std::function<int32_t()>> zeros = {
            [&] { return Ovilux_GetLastError(h); }, [&] { return Ovilux_GetStatus(h); },
            [&] { return Ovilux_GetCameraInfo(h, &info); }, [&] { return Ovilux_EnumDevice(h, text); },
            [&] { return Ovilux_EnumDeviceW(h, wide); }, [&] { return Ovilux_GetDeviceName(h, 0, text, 256); },
            [&] { return Ovilux_GetDeviceNameW(h, 0, wide, 256); }, [&] { return Ovilux_SetDeviceNumber(h, 0); },
            [&] { return Ovilux_Close(h); }, [&] { return Ovilux_SetCaptureWindow(h, 2560, 1920); },
            [&] { return Ovilux_SetCaptureWindowEx(h, 2592, 0, 2560, 1944, 0, 1920); },
            [&] { return Ovilux_GetCaptureWindowEx(h, &v, &v, &v, &v, &v, &v); }, [&] { return Ovilux_Width(h); },
            [&] { return Ovilux_Height(h); }, [&] { return Ovilux_SetColorMode(h, 24); },
            [&] { return Ovilux_SetSubSample(h, 1); }, [&] { return Ovilux_SetMirrorH(h, 1); },
            [&] { return Ovilux_SetMirrorV(h, 1); }, [&] { return Ovilux_GetMirrorH(h); },
            [&] { return Ovilux_GetMirrorV(h); }, [&] { return Ovilux_SetSamplingRate(h, 1); },
            [&] { return Ovilux_GetSamplingRate(h, &ok); }, [&] { return Ovilux_GetVideoFormat(h, &ok); },
            [&] { return Ovilux_SetPreviewWindow(h, nullptr, 0, 0, 0, 0); }, [&] { return Ovilux_Preview(h); },
            [&] { return Ovilux_CallBackPreview(h, nullptr, text, sizeof text, 1); },
            [&] { return Ovilux_StartPreview(h); }, [&] { return Ovilux_StopPreview(h); },
            [&] { return Ovilux_Capture(h); }, [&] { return Ovilux_SnapShot(h, text, sizeof text, 1); },
            [&] { return Ovilux_GetImage(h, text, sizeof text, 1); }, [&] { return Ovilux_SetWaitTime(h, 5); },
            [&] { return Ovilux_SetExposureTimeEx(h, 0.01); }, [&] { return Ovilux_SetRealExposureTime(h, 10000); },
            [&] { return Ovilux_GetRealExposureTime(h, &ok); }, [&] { return Ovilux_ReadRegister(h, 0, &ok); },
            [&] { return Ovilux_ReadRegisterEx(h, 0, &ok); }, [&] { return Ovilux_WriteRegister(h, 0x35, 8); },
            [&] { return Ovilux_WriteRegisterEx(h, 0x35, 8); }, [&] { return Ovilux_Fpga_ReadRegister(h, 7, &ok); },
            [&] { return Ovilux_Fpga_WriteRegister(h, 7, 1); }, [&] { return Ovilux_GetIOPort(h, &byte); },
            [&] { return Ovilux_SetIOPort(h, 1); }, [&] { return Ovilux_ReadSromID(h, 1, &ok); },
            [&] { return Ovilux_WriteSromID(h, 1, 1); }, [&] { return Ovilux_GetTemperature(h, &ok); },
            [&] { return Ovilux_SetPeltier(h, 1); }, [&] { return Ovilux_GetPeltier(h, &ok); },
            [&] { return Ovilux_SetAutoIris(h, 1); }, [&] { return Ovilux_GetAutoIris(h, &ok); },
            [&] { return Ovilux_SaveImage(h, "a.bmp", 0); }, [&] { return Ovilux_Record(h, "a.avi", 10, 0); },
            [&] { return Ovilux_LoadMaskFile(h, "a"); }, [&] { return Ovilux_UpdateMaskData(h, 0); },
            [&] { return Ovilux_SetCameraDlg(h, nullptr); }, [&] { return Ovilux_LoadConfigFileA(h, "a"); },
            [&] { return Ovilux_GetConfigFilter(h); }, [&] { return Ovilux_SetConfigFilter(h); },
            [&] { return Ovilux_Fps(h, 1); }, [&] { return Ovilux_SendText(h, text, 1); },
            [&] { return Ovilux_GetFilterValue(h, 1, &ok); }, [&] { return Ovilux_SetFilterValue(h, 1, 1); },
            [&] { return Ovilux_GetBrightness(h, &ok); }, [&] { return Ovilux_SetGamma(h, 100); },
            [&] { return Ovilux_GetGlobalGain(h, &ok); }, [&] { return Ovilux_SetExposureTime(h, 100); },
            [&] { return Ovilux_GetChannelGain(h, 1, &ok); }, [&] { return Ovilux_SetMaskFilter(h, 1); },
        };
        for (size_t i = 0; i < zeros.size(); ++i) {
            EXPECT_EQ(zeros[i](), 0) << "export " << i << " on handle " << h;
        }
        EXPECT_EQ(Ovilux_GetColorMode(h), -1);
        EXPECT_EQ(Ovilux_GetSubSample(h), -1);
        EXPECT_EQ(Ovilux_GetWaitTime(h), -1);
        EXPECT_EQ(Ovilux_GetExposureTimeEx(h, &ok), 0.0);
        EXPECT_EQ(Ovilux_GetTemperatureEx(h, &ok), 0.0);
        EXPECT_EQ(Ovilux_Release(h), 0);
    }
}

// Creating and releasing sessions on some threads while others use a long-lived session.
TEST(Handles, InitializeAndReleaseBesideOtherExports) {
    const uint32_t steady = Ovilux_Initialize(nullptr);
    ASSERT_NE(steady, 0u);
    ASSERT_EQ(Ovilux_SetWaitTime(steady, 7), 1);
    std::atomic<bool> failed{false};
    std::vector<std::thread> churn;
    for (int t = 0; t < 2; ++t) {
        churn.emplace_back([&failed] {
            for (int i = 0; i < 100; ++i) {
                const uint32_t handle = Ovilux_Initialize(nullptr);
                if (handle == 0 || Ovilux_GetWaitTime(handle) != 1 || Ovilux_Release(handle) != 1) {
                    failed = true;
                }
            }
        });
    }
    for (int i = 0; i < 2000; ++i) {
        ASSERT_EQ(Ovilux_GetWaitTime(steady), 7);
    }
    for (std::thread& thread : churn) {
        thread.join();
    }
    EXPECT_FALSE(failed);
    EXPECT_EQ(Ovilux_Release(steady), 1);
}

TEST_F(Session, FreshProfileDefaults) {
    OpenSession(1);
    int32_t ok = 0;
    EXPECT_EQ(Ovilux_GetColorMode(handle_), 24);
    EXPECT_EQ(Ovilux_GetSubSample(handle_), 0);
    EXPECT_EQ(Ovilux_GetWaitTime(handle_), 1);
    EXPECT_EQ(Ovilux_Width(handle_), 2560);
    EXPECT_EQ(Ovilux_Height(handle_), 1920);
    EXPECT_EQ(Ovilux_GetBayerGainRed(handle_, &ok), 100);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Ovilux_GetBayerGainGreen(handle_, &ok), 100);
    EXPECT_EQ(Ovilux_GetBayerGainBlue(handle_, &ok), 100);
    EXPECT_EQ(Ovilux_GetGamma(handle_, &ok), 100);
    EXPECT_EQ(Ovilux_GetBayerMode(handle_, &ok), 1);
    EXPECT_EQ(Ovilux_GetGrayGainR(handle_, &ok), 128);
    EXPECT_EQ(Ovilux_GetGrayGainB(handle_, &ok), 128);
    EXPECT_EQ(Ovilux_GetBrightness(handle_, &ok), 0);
    // The camera's own defaults: gain 16, exposure 66.6 ms; and they reached the camera.
    EXPECT_EQ(Ovilux_GetGlobalGain(handle_, &ok), 16);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Ovilux_GetColorGainRed(handle_, &ok), 16);
    EXPECT_EQ(Ovilux_GetRealExposureTime(handle_, &ok), 66600);
    EXPECT_EQ(Ovilux_GetExposureTime(handle_, &ok), 666);
    EXPECT_EQ(Ovilux_GetMirrorH(handle_), 0);
    EXPECT_EQ(Ovilux_GetMirrorV(handle_), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0) << "a clean start stores no code";
}

TEST_F(Session, WaitTimeSubSampleAndColourModeRefuseBadValues) {
    OpenSession(1);
    PopAll(handle_);
    EXPECT_EQ(Ovilux_SetWaitTime(handle_, -1), 0);
    EXPECT_EQ(Ovilux_GetWaitTime(handle_), 1);
    EXPECT_EQ(Ovilux_SetWaitTime(handle_, 0), 1);
    EXPECT_EQ(Ovilux_GetWaitTime(handle_), 0);
    EXPECT_EQ(Ovilux_SetSubSample(handle_, 3), 0);
    EXPECT_EQ(Ovilux_SetSubSample(handle_, -1), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0) << "neither records a code";
    EXPECT_EQ(Ovilux_SetSubSample(handle_, 2), 1);
    EXPECT_EQ(Ovilux_GetSubSample(handle_), 2);
    EXPECT_EQ(Ovilux_SetColorMode(handle_, 12), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    EXPECT_EQ(Ovilux_GetColorMode(handle_), 24);
    for (int32_t bits : {8, 16, 24, 32, 48, 64}) {
        EXPECT_EQ(Ovilux_SetColorMode(handle_, bits), 1);
        EXPECT_EQ(Ovilux_GetColorMode(handle_), bits);
    }
    EXPECT_EQ(Ovilux_SetAutoIris(handle_, 3), 0);
    EXPECT_EQ(Ovilux_SetAutoIris(handle_, -1), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0) << "auto iris posts only";
    int32_t ok = 0;
    EXPECT_EQ(Ovilux_SetAutoIris(handle_, 2), 1);
    EXPECT_EQ(Ovilux_GetAutoIris(handle_, &ok), 2);
    EXPECT_EQ(ok, 1);
}

}  // namespace
}  // namespace ovilux::test
