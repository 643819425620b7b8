// The analog, image filter and gray filter dialogs' logic on a session with a simulated M03:
// what each control sends to the camera and keeps in the session, the enabled rows by colour
// mode, white balance and auto gain buttons, Default, and Cancel putting everything back.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "camera/OviluxUXBase.h"
#include "dialogs/AnalogDialogLogic.h"
#include "dialogs/FormatDialogLogic.h"
#include "dialogs/GrayFilterPageLogic.h"
#include "dialogs/ImageFilterDialogLogic.h"
#include "session/Ovilux.h"
#include "session/SessionProduct.h"
#include "sim/SimulatedBus.h"
#include "support/ScratchSettingsStore.h"

namespace ovilux::dialogs {
namespace {

class SessionDialogLogic : public ::testing::Test {
protected:
    void SetUp() override {
        sim::CSimulatedBus::Instance().SetSpeed(sim::SimSpeed::Fast);
        port_ = sim::CSimulatedBus::Instance().Attach(0x3030, -1);
        ASSERT_GE(port_, 0);
        ASSERT_EQ(session_.Initialize(nullptr), 1);
        ASSERT_NE(session_.Camera(), nullptr);
        ASSERT_GT(session_.Camera()->GetProductId(), 0) << "the simulated camera was not selected";
    }
    void TearDown() override { sim::CSimulatedBus::Instance().Detach(port_); }

    // What the camera says and the session keeps of every analog setting the dialog touches.
    std::vector<int32_t> AnalogState() {
        camera::COviluxUXBase& camera = *session_.Camera();
        std::vector<int32_t> state;
        using Getter = int32_t (camera::COviluxUXBase::*)(int32_t*);
        for (Getter get : {&camera::COviluxUXBase::GetGlobalGain, &camera::COviluxUXBase::GetColorGainGreen1,
                           &camera::COviluxUXBase::GetColorGainRed, &camera::COviluxUXBase::GetColorGainBlue,
                           &camera::COviluxUXBase::GetColorGainGreen2, &camera::COviluxUXBase::GetRealExposure}) {
            int32_t value = -1;
            (camera.*get)(&value);
            state.push_back(value);
        }
        state.push_back(camera.GetMirrorV());
        state.push_back(camera.GetMirrorH());
        const session::AnalogSettings& a = session_.Analog();
        for (int32_t kept : {a.globalGain.load(), a.colorGainGreen1.load(), a.colorGainRed.load(), a.colorGainBlue.load(),
                             a.colorGainGreen2.load(), a.exposure.load(), a.mirrorV.load(), a.mirrorH.load(),
                             a.autoIris.load(), session_.ImageFilter().bayerMode.load()}) {
            state.push_back(kept);
        }
        return state;
    }

    test::ScratchSettingsStore scratch_{true};
    int32_t port_ = -1;
    session::COvilux session_;
};

TEST_F(SessionDialogLogic, AnalogRowsFollowTheCameraLimitsAndGlobalGainMovesEveryColourGain) {
    CAnalogDialogLogic logic(session_);
    int32_t low = 0, high = 0;
    session_.Camera()->GetGlobalGainMin(&low);
    session_.Camera()->GetGlobalGainMax(&high);
    const SliderRow global = logic.Range(AnalogRow::GlobalGain);
    EXPECT_EQ(global.minimum, low);
    EXPECT_EQ(global.maximum, high);
    EXPECT_EQ(global.tickFrequency, (high - low) / 8);
    // The M03 takes its exposure as a value, so the seconds row is not offered.
    EXPECT_FALSE(logic.TakesSeconds());
    EXPECT_TRUE(logic.Units().empty());

    const int32_t value = (low + high) / 2 + 1;
    logic.SetValue(AnalogRow::GlobalGain, value);
    for (AnalogRow row : {AnalogRow::GlobalGain, AnalogRow::ColorGainG1, AnalogRow::ColorGainR, AnalogRow::ColorGainB,
                          AnalogRow::ColorGainG2}) {
        EXPECT_EQ(logic.Value(row), value);
    }
    int32_t red = -1;
    session_.Camera()->GetColorGainRed(&red);
    EXPECT_EQ(red, value);

    logic.SetValue(AnalogRow::Exposure, 250);
    EXPECT_EQ(logic.MillisecondsText(), "=25.00ms");
}

TEST_F(SessionDialogLogic, AnalogCancelAfterEveryControlRestoresCameraAndSession) {
    const std::vector<int32_t> before = AnalogState();
    {
        CAnalogDialogLogic logic(session_);
        for (int32_t row = 0; row < kAnalogRowCount; ++row) {
            const SliderRow range = logic.Range(static_cast<AnalogRow>(row));
            logic.SetValue(static_cast<AnalogRow>(row), range.minimum + range.tickFrequency);
        }
        logic.SetMirrorV(!logic.MirrorV());
        logic.SetMirrorH(!logic.MirrorH());
        logic.CheckAutoIrisGain(true);
        logic.Default();
        ASSERT_NE(AnalogState(), before);
        logic.Finish(false);
    }
    EXPECT_EQ(AnalogState(), before);
}

TEST_F(SessionDialogLogic, AutoIrisBoxesExcludeEachOther) {
    CAnalogDialogLogic logic(session_);
    logic.CheckAutoIrisGain(true);
    EXPECT_EQ(session_.Analog().autoIris, 2);
    logic.CheckAutoIrisExposure(true);
    EXPECT_EQ(session_.Analog().autoIris, 1);
    EXPECT_FALSE(logic.AutoIrisGainChecked());
    logic.CheckAutoIrisExposure(false);
    EXPECT_EQ(session_.Analog().autoIris, 0);
    logic.Finish(true);
}

TEST_F(SessionDialogLogic, ColourModeDecidesEnabledRowsAndTheGrayPage) {
    struct Case {
        int32_t bits;
        bool monochrome;
    };
    for (const Case c : {Case{8, true}, Case{16, true}, Case{24, false}, Case{64, false}}) {
        SCOPED_TRACE(c.bits);
        ASSERT_EQ(session_.SetColorMode(c.bits), 1);
        const CImageFilterDialogLogic logic(session_);
        EXPECT_EQ(logic.HasGrayPage(), c.monochrome);
        EXPECT_EQ(logic.WhiteBalanceEnabled(), !c.monochrome);
        EXPECT_EQ(logic.BayerModeEnabled(), !c.monochrome);
        for (FilterRow row : {FilterRow::Hue, FilterRow::Saturation, FilterRow::RedGain, FilterRow::GreenGain,
                              FilterRow::BlueGain}) {
            EXPECT_EQ(logic.RowEnabled(row), !c.monochrome);
        }
        for (FilterRow row : {FilterRow::Brightness, FilterRow::Contrast, FilterRow::Sharpness, FilterRow::Gamma}) {
            EXPECT_TRUE(logic.RowEnabled(row));
        }
    }
}

TEST_F(SessionDialogLogic, FilterDefaultSetsGrayUnityKeepsModesAndCancelRestores) {
    ASSERT_EQ(session_.SetColorMode(16), 1);
    session::ImageFilterSettings& f = session_.ImageFilter();
    f.grayMode = 2;
    f.bayerMode = 3;
    f.grayGainG2 = 300;
    f.grayOffsetB = -40;
    f.hue = 45;
    CImageFilterDialogLogic logic(session_);
    CGrayFilterPageLogic gray(session_);
    logic.SetValue(FilterRow::Brightness, 999);  // held at the row's end
    EXPECT_EQ(logic.Value(FilterRow::Brightness), 255);
    logic.Default();
    for (int32_t row = 0; row < kGrayRowCount; ++row) {
        EXPECT_EQ(gray.Value(static_cast<GrayRow>(row)), kUnityGray);
    }
    EXPECT_EQ(gray.GrayMode(), 2);
    EXPECT_EQ(logic.BayerMode(), 1);
    EXPECT_EQ(logic.Value(FilterRow::Hue), 0);
    EXPECT_EQ(logic.Value(FilterRow::Gamma), 100);
    logic.Finish(false);
    EXPECT_EQ(f.grayGainG2, 300);
    EXPECT_EQ(f.grayOffsetB, -40);
    EXPECT_EQ(f.hue, 45);
    EXPECT_EQ(f.bayerMode, 3);
    EXPECT_EQ(f.brightness, 0);
}

TEST_F(SessionDialogLogic, GrayAutoGainOnceThenAllFramesToggles) {
    CGrayFilterPageLogic gray(session_);
    gray.PressAutoGainOnce();
    EXPECT_EQ(gray.AutoGain(), 1);
    const int32_t sequence[] = {0, -1, 0, -1};
    for (const int32_t expected : sequence) {
        gray.ToggleAutoGainAllFrames();
        EXPECT_EQ(gray.AutoGain(), expected);
        EXPECT_EQ(gray.AutoGainAllFramesChecked(), expected == -1);
    }
}

TEST_F(SessionDialogLogic, WhiteBalanceOnceChangesTheGainsAfterOneFrameOnly) {
    ASSERT_EQ(session_.SetColorMode(24), 1);
    CImageFilterDialogLogic logic(session_);
    logic.SetValue(FilterRow::RedGain, 390);
    logic.SetValue(FilterRow::BlueGain, 10);
    logic.CheckWhiteBalanceAllFrames(true);
    logic.PressWhiteBalanceOnce();
    EXPECT_TRUE(logic.WhiteBalanceAllFrames());  // on until the frame has been balanced
    ASSERT_EQ(session_.SnapShot(nullptr, 0, 0), 1);
    EXPECT_NE(logic.Value(FilterRow::RedGain), 390);
    EXPECT_NE(logic.Value(FilterRow::BlueGain), 10);
    EXPECT_FALSE(logic.WhiteBalanceAllFrames());
    logic.SetValue(FilterRow::RedGain, 390);
    ASSERT_EQ(session_.SnapShot(nullptr, 0, 0), 1);
    EXPECT_EQ(logic.Value(FilterRow::RedGain), 390);
    logic.Finish(true);
}

// An open dialog hears what the frame chain changed by itself, and nothing once it has gone.
TEST_F(SessionDialogLogic, OpenDialogIsToldOfAutoIrisAndWhiteBalance) {
    struct Recorder : session::CDialogRefresh {
        void GlobalGainChanged(int32_t value) override { gains.push_back(value); }
        void ExposureChanged(int32_t value) override { exposures.push_back(value); }
        void BayerGainsChanged() override { ++balances; }
        void GrayGainsChanged() override { ++grayGains; }
        std::vector<int32_t> gains, exposures;
        int balances = 0;
        int grayGains = 0;
    } recorder;
    ASSERT_EQ(session_.SetColorMode(24), 1);
    CAnalogDialogLogic analog(session_);
    CImageFilterDialogLogic filter(session_);
    session_.SetDialogRefresh(&recorder);
    // At the longest exposure the chart's regions are all too bright: auto iris shortens it.
    analog.SetValue(AnalogRow::Exposure, analog.Range(AnalogRow::Exposure).maximum);
    analog.CheckAutoIrisExposure(true);
    filter.PressWhiteBalanceOnce();
    ASSERT_EQ(session_.SnapShot(nullptr, 0, 0), 1);
    ASSERT_EQ(recorder.exposures.size(), 1u);
    EXPECT_EQ(recorder.exposures[0], session_.Analog().exposure);
    EXPECT_EQ(recorder.balances, 1);
    EXPECT_TRUE(recorder.gains.empty());
    EXPECT_EQ(recorder.grayGains, 0) << "a colour frame measures no gray gains";
    session_.SetDialogRefresh(nullptr);
    ASSERT_EQ(session_.SnapShot(nullptr, 0, 0), 1);
    EXPECT_EQ(recorder.exposures.size(), 1u);
    analog.Finish(false);
    filter.Finish(false);
}

// The one-shot gray gain is used up by the monochrome frame it measures, not by a colour
// snapshot taken before it, and the open gray page hears of the gains it measured.
TEST_F(SessionDialogLogic, OneShotGrayGainWaitsForAMonochromeFrameAndRefreshesTheGrayPage) {
    struct Recorder : session::CDialogRefresh {
        void GlobalGainChanged(int32_t) override {}
        void ExposureChanged(int32_t) override {}
        void BayerGainsChanged() override {}
        void GrayGainsChanged() override { ++grayGains; }
        int grayGains = 0;
    } recorder;
    CGrayFilterPageLogic gray(session_);
    session_.SetDialogRefresh(&recorder);
    gray.SetGrayMode(1);
    gray.SetValue(GrayRow::GainR, 7);
    gray.PressAutoGainOnce();
    ASSERT_EQ(gray.AutoGain(), 1);
    for (const int32_t bits : {24, 48}) {
        ASSERT_EQ(session_.SetColorMode(bits), 1);
        ASSERT_EQ(session_.SnapShot(nullptr, 0, 0), 1);
        EXPECT_EQ(gray.AutoGain(), 1) << bits << "-bit frames do not measure gray gains";
    }
    EXPECT_EQ(recorder.grayGains, 0);
    EXPECT_EQ(gray.Value(GrayRow::GainR), 7);
    ASSERT_EQ(session_.SetColorMode(8), 1);
    ASSERT_EQ(session_.SnapShot(nullptr, 0, 0), 1);
    EXPECT_EQ(gray.AutoGain(), 0);
    EXPECT_EQ(recorder.grayGains, 1);
    EXPECT_NE(gray.Value(GrayRow::GainR), 7) << "the chart's red and green differ: the measured gain replaces it";
    EXPECT_EQ(gray.Value(GrayRow::GainG1), 128);
    ASSERT_EQ(session_.SnapShot(nullptr, 0, 0), 1);
    EXPECT_EQ(recorder.grayGains, 1) << "the one shot is spent";
    session_.SetDialogRefresh(nullptr);
}

TEST_F(SessionDialogLogic, FormatRunRestoresLiveViewAndTakesTheStoredFormatOnOk) {
    ASSERT_EQ(session_.Preview(), 1);
    {
        CFormatDialogRun run(session_);
        EXPECT_EQ(session_.CaptureState(), 0);
        platform::SettingsStore store;
        CFormatDialogLogic logic(session_.Camera()->GetDeviceNumber(), true, true);
        logic.Load(store);
        logic.SetColourMode(0);
        ASSERT_EQ(logic.Apply(store), ApplyResult::Stored);
        run.Finish(true);
    }
    EXPECT_EQ(session_.CaptureState(), 1);
    EXPECT_EQ(session_.GetColorMode(), 8);
    session_.StopPreview();
}


// The camera switches that only some products of the family have: the analog dialog's Default
// changes them on the camera, and Cancel must put each back as the application had set it.
struct CameraSwitch {
    const char* name;
    int32_t filterIndex;
    int32_t (camera::COviluxUXBase::*supported)();
    int32_t (*read)(camera::COviluxUXBase&);
    session::KeptInt session::AnalogSettings::* kept;
    int32_t applicationValue;  // what the application sets before the dialog; never the default
};

int32_t ReadLevel(camera::COviluxUXBase& camera) {
    int32_t level = -1;
    return camera.GetLevel(&level) ? level : -1;
}
int32_t ReadCooler(camera::COviluxUXBase& camera) { return camera.GetPeltier(); }
int32_t ReadPreset(camera::COviluxUXBase& camera) { return camera.GetPreset(); }
int32_t ReadGainMode(camera::COviluxUXBase& camera) { return camera.GetSwitch80(); }

const CameraSwitch kSwitches[] = {
    {"level", 106, &camera::COviluxUXBase::IsLevelSupported, ReadLevel, &session::AnalogSettings::blackLevel, 7},
    {"cooler", 100, &camera::COviluxUXBase::IsPeltierSupported, ReadCooler, &session::AnalogSettings::coolerOn, 0},
    {"preset", 105, &camera::COviluxUXBase::IsPresetSupported, ReadPreset, &session::AnalogSettings::presetState, 1},
    {"gain mode", 104, &camera::COviluxUXBase::IsSwitch80Supported, ReadGainMode, &session::AnalogSettings::gainMode,
     1},
};

struct SwitchProduct {
    int32_t id;
    const char* switches;  // the names of kSwitches it has, in that order
};

std::ostream& operator<<(std::ostream& out, const SwitchProduct& p) {
    return out << std::hex << "0x" << p.id << std::dec;
}

class FamilyAnalogCancel : public ::testing::TestWithParam<SwitchProduct> {
protected:
    void SetUp() override {
        sim::CSimulatedBus::Instance().SetSpeed(sim::SimSpeed::Fast);
        port_ = sim::CSimulatedBus::Instance().Attach(static_cast<uint16_t>(GetParam().id), -1);
        ASSERT_GE(port_, 0);
        session::ChooseSessionProduct(GetParam().id);
        ASSERT_EQ(session_.Initialize(nullptr), 1);
        ASSERT_NE(session_.Camera(), nullptr);
        ASSERT_EQ(session_.Camera()->GetProductId(), GetParam().id);
    }
    void TearDown() override {
        session::ChooseSessionProduct(0);
        sim::CSimulatedBus::Instance().Detach(port_);
    }

    // Each switch the camera has: what the camera says, then what the session keeps.
    std::vector<int32_t> SwitchState(std::string* names) {
        camera::COviluxUXBase& camera = *session_.Camera();
        std::vector<int32_t> state;
        for (const CameraSwitch& s : kSwitches) {
            if ((camera.*s.supported)() != 0) {
                *names += *names == "" ? s.name : std::string(", ") + s.name;
                state.push_back(s.read(camera));
                state.push_back((session_.Analog().*s.kept).load());
            }
        }
        return state;
    }

    test::ScratchSettingsStore scratch_{true};
    int32_t port_ = -1;
    session::COvilux session_;
};

TEST_P(FamilyAnalogCancel, CancelAfterDefaultPutsEverySwitchBack) {
    camera::COviluxUXBase& camera = *session_.Camera();
    for (const CameraSwitch& s : kSwitches) {
        if ((camera.*s.supported)() != 0) {
            ASSERT_EQ(session_.SetFilterValue(s.filterIndex, s.applicationValue), 1) << s.name;
        }
    }
    std::string names;
    const std::vector<int32_t> before = SwitchState(&names);
    ASSERT_EQ(names, GetParam().switches);
    {
        CAnalogDialogLogic logic(session_);
        logic.Default();
        std::string ignored;
        const std::vector<int32_t> defaulted = SwitchState(&ignored);
        for (size_t i = 0; i < before.size(); ++i) {
            ASSERT_NE(defaulted[i], before[i]) << "Default left value " << i << " of " << names << " alone";
        }
        logic.Finish(false);
    }
    std::string ignored;
    EXPECT_EQ(SwitchState(&ignored), before) << names;
}

INSTANTIATE_TEST_SUITE_P(SwitchProducts, FamilyAnalogCancel,
                         ::testing::Values(SwitchProduct{0x32D0, "level, gain mode"},
                                           SwitchProduct{0x3260, "cooler"},
                                           SwitchProduct{0x32C0, "preset, gain mode"}),
                         [](const ::testing::TestParamInfo<SwitchProduct>& info) {
                             char name[16];
                             std::snprintf(name, sizeof(name), "P%04X", static_cast<unsigned>(info.param.id));
                             return std::string(name);
                         });

// The analog dialog on products with an exposure in seconds, a black level, a preset and a gain
// mode: every change it makes (the time typed in, Default) is one the session keeps and its
// getters report, and Cancel puts the camera and the session back to what they were.
class FamilyAnalogDialog : public testing::TestWithParam<int32_t> {
protected:
    void SetUp() override {
        sim::CSimulatedBus::Instance().SetSpeed(sim::SimSpeed::Fast);
        port_ = sim::CSimulatedBus::Instance().Attach(static_cast<uint16_t>(GetParam()), -1);
        ASSERT_GE(port_, 0);
        session::ChooseSessionProduct(GetParam());
        ASSERT_EQ(session_.Initialize(nullptr), 1);
        ASSERT_NE(session_.Camera(), nullptr);
    }
    void TearDown() override {
        session::ChooseSessionProduct(0);
        sim::CSimulatedBus::Instance().Detach(port_);
    }

    // The exposure, level, preset and gain mode as the exports read them, then as kept.
    std::vector<double> Readings() {
        int32_t ok = 0;
        const session::AnalogSettings& a = session_.Analog();
        return {session_.GetExposureTimeEx(&ok),
                static_cast<double>(session_.GetRealExposureTime(&ok)),
                static_cast<double>(session_.GetFilterValue(104, &ok)),
                static_cast<double>(session_.GetFilterValue(105, &ok)),
                static_cast<double>(session_.GetFilterValue(106, &ok)),
                static_cast<double>(a.gainMode.load()),
                static_cast<double>(a.presetState.load()),
                static_cast<double>(a.blackLevel.load()),
                a.exposureSeconds.load()};
    }

    test::ScratchSettingsStore scratch_{true};
    int32_t port_ = -1;
    session::COvilux session_;
};

TEST_P(FamilyAnalogDialog, TypedSecondsAndDefaultAreKeptByTheSessionAndCancelUndoesThem) {
    const bool level = session_.SetFilterValue(106, 0x23) == 1;
    const bool preset = session_.SetFilterValue(105, 1) == 1;
    ASSERT_EQ(session_.SetFilterValue(104, 1), 1);
    ASSERT_EQ(session_.SetExposureTimeEx(0.02), 1);
    const std::vector<double> before = Readings();
    {
        CAnalogDialogLogic logic(session_);
        ASSERT_TRUE(logic.TakesSeconds());
        logic.ChooseUnit(kMilliseconds);
        EXPECT_FALSE(logic.SetSecondsText("five"));
        ASSERT_TRUE(logic.SetSecondsText("5"));
        int32_t ok = 0;
        EXPECT_DOUBLE_EQ(session_.GetExposureTimeEx(&ok), 0.005);
        EXPECT_EQ(session_.Analog().exposureSeconds.load(), 0.005);
        EXPECT_EQ(logic.SecondsText(), "5");
        int32_t taken = 0;
        ASSERT_TRUE(session_.Camera()->GetRealExposure(&taken));
        EXPECT_EQ(session_.Analog().exposure, taken) << "the value shown beside the time is the camera's";

        logic.Default();
        EXPECT_EQ(session_.GetFilterValue(104, &ok), 0);
        EXPECT_EQ(session_.Analog().gainMode, 0) << "kept, or the next capture start puts the old mode back";
        if (level) {
            int32_t standard = -1;
            ASSERT_TRUE(session_.Camera()->GetLevelDefault(&standard));
            EXPECT_EQ(session_.GetFilterValue(106, &ok), standard);
            EXPECT_EQ(session_.Analog().blackLevel, standard);
        }
        if (preset) {
            EXPECT_EQ(session_.GetFilterValue(105, &ok), 0);
            EXPECT_EQ(session_.Analog().presetState, 0);
        }
        double standardSeconds = 0.0;
        ASSERT_TRUE(session_.Camera()->GetExposureSecondsDefault(&standardSeconds));
        EXPECT_DOUBLE_EQ(session_.GetExposureTimeEx(&ok), standardSeconds);
        logic.Finish(false);
    }
    EXPECT_EQ(Readings(), before);
}

// 0x32D0 has the level and the gain mode, 0x32C0 the preset and the gain mode; both take seconds.
INSTANTIATE_TEST_SUITE_P(Products, FamilyAnalogDialog, testing::Values(0x32D0, 0x32C0));

}  // namespace
}  // namespace ovilux::dialogs
