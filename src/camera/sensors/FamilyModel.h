// FamilyModel.h - what the sensor models of the camera family share: a description of each
// model (array size, defaults, register path, features) and the behaviour that follows from it.
// The model classes add their exposure rule and their own extras.
//
// The family's sensors are reached through register maps that belong to each camera; where the
// library has no register of its own for a setting (window, shutter, gains, mirror, trigger,
// pixel width), the setting is checked against the model's limits and kept in the parameter
// block, and the camera device programs the FPGA side (frame size, pixel width, trigger).
#pragma once

#include <cstdint>

#include "camera/sensors/RegisterPath.h"
#include "camera/sensors/SensorWithLimits.h"

namespace ovilux::camera {

// Features beyond the window, shutter, global gain and exposure every family model has.
enum FamilyFeature : uint32_t {
    kFeatureColorGains = 1u << 0,
    kFeatureTrigger = 1u << 1,
    kFeatureMirrorV = 1u << 2,
    kFeatureMirrorH = 1u << 3,
    kFeaturePixelWidth = 1u << 4,
    kFeatureFrameRate = 1u << 5,
    kFeatureLevel = 1u << 6,  // a 16-bit level in FPGA registers 0xA2 (low) and 0xA3 (high)
    kFeatureExposureSeconds = 1u << 7,
    kFeatureSwitch80 = 1u << 8,
    kFeatureSwitch82 = 1u << 9,
    kFeaturePreset = 1u << 10,
    kFeatureSerialReset = 1u << 11,  // the video-ready handshake before anything else
    kFeatureChannelGains = 1u << 12,
    kFeatureSecondPath = 1u << 13,  // a second register path: the FPGA's registers
    kFeatureReadyWait = 1u << 14,
    kFeatureNoInitialize = 1u << 15,
    kFeaturePeltier = 1u << 16,  // the sensor's cooler, switched by FPGA register 0x83
};

// The shutter limit of a model whose shutter register is not written: the line count of its
// exposure rule is kept whatever it is, so every exposure within the model's limits is taken at
// every window (a 16-bit limit would cut a narrow window's longest exposure to a fraction).
constexpr int32_t kUnlimitedShutter = INT32_MAX;

// Line-scan models give this as their array height: any frame height up to it is accepted.
constexpr int32_t kLineScanHeight = 32768;
constexpr uint32_t kMirrors = kFeatureMirrorV | kFeatureMirrorH;

struct ModelDescription {
    int32_t fullWidth;
    int32_t fullHeight;  // kLineScanHeight for line-scan models
    int32_t defaultX;
    int32_t defaultY;
    int32_t defaultWidth;
    int32_t defaultHeight;
    int32_t pixelClockKHz;
    int32_t orientation;
    int32_t exposureMin;
    int32_t exposureMax;
    int32_t exposureDefault;
    RegisterPathKind path;
    uint32_t features;
    int32_t shutterMin = 1;
    int32_t shutterMax = kUnlimitedShutter;
    int32_t maxSubsample = 0;
};

class CSensorFamilyModel : public CSensorWithLimits {
public:
    CSensorFamilyModel(usb::CControllerBase* controller, uint8_t busAddress, const ModelDescription& description);

    int32_t Probe() override;
    int32_t Initialize() override;
    int32_t SetWindow(int32_t x, int32_t width, int32_t y, int32_t height, int32_t subsample) override;
    int32_t GetWindow(int32_t* x, int32_t* width, int32_t* y, int32_t* height, int32_t* subsample) override;
    int32_t SetTriggerMode(int32_t mode) override;
    int32_t GetTriggerMode(int32_t* mode) override;
    int32_t SetPixelWidth(int32_t mode) override;
    int32_t SetShutterLines(int32_t lines) override;
    int32_t GetShutterLines(int32_t* lines) override;
    int32_t SetGlobalGain(int32_t value) override;
    int32_t GetGlobalGain(int32_t* value) override;
    int32_t SetColorGainRed(int32_t value) override;
    int32_t GetColorGainRed(int32_t* value) override;
    int32_t SetColorGainGreen1(int32_t value) override;
    int32_t GetColorGainGreen1(int32_t* value) override;
    int32_t SetColorGainGreen2(int32_t value) override;
    int32_t GetColorGainGreen2(int32_t* value) override;
    int32_t SetColorGainBlue(int32_t value) override;
    int32_t GetColorGainBlue(int32_t* value) override;
    int32_t SetChannelGain(int32_t channel, int32_t value) override;
    int32_t GetChannelGain(int32_t channel, int32_t* value) override;
    int32_t GetChannelGainMin(int32_t channel, int32_t* value) override;
    int32_t GetChannelGainMax(int32_t channel, int32_t* value) override;
    int32_t GetChannelGainDefault(int32_t channel, int32_t* value) override;
    int32_t SetChannelOffset(int32_t channel, int32_t value) override;
    int32_t GetChannelOffset(int32_t channel, int32_t* value) override;
    int32_t GetChannelOffsetMin(int32_t channel, int32_t* value) override;
    int32_t GetChannelOffsetMax(int32_t channel, int32_t* value) override;
    int32_t GetChannelOffsetDefault(int32_t channel, int32_t* value) override;
    int32_t SetLevel(int32_t value) override;
    // The model's exposure rule, run under the model's lock so that the window and clock it
    // reads cannot change halfway.
    int32_t SetRealExposure(int32_t exposure) override;
    int32_t GetRealExposure(int32_t* value) override;
    int32_t GetRealExposureMin(int32_t* value) override;
    int32_t GetRealExposureMax(int32_t* value) override;
    int32_t GetRealExposureDefault(int32_t* value) override;
    int32_t SetExposureSeconds(double seconds) override;
    int32_t SetMirrorV(int32_t on) override;
    int32_t GetMirrorV() override;
    int32_t SetMirrorH(int32_t on) override;
    int32_t GetMirrorH() override;
    int32_t SetFrameRate(int32_t flag, int32_t* rate) override;
    int32_t WriteRegister(uint32_t address, uint32_t value) override;
    int32_t ReadRegister(uint32_t address, int32_t* value) override;
    int32_t WriteRegister2(uint32_t address, uint32_t value) override;
    int32_t ReadRegister2(uint32_t address, int32_t* value) override;
    int32_t IsPeltierSupported() override;
    int32_t GetPeltier() override;
    int32_t SetPeltier(int32_t on) override;
    int32_t IsSwitch82Supported() override;
    int32_t GetSwitch82() override;
    int32_t SetSwitch82(int32_t on) override;
    int32_t IsPresetSupported() override;
    int32_t GetPreset() override;
    int32_t SetPreset(int32_t on) override;
    int32_t IsSwitch80Supported() override;
    int32_t GetSwitch80() override;
    int32_t SetSwitch80(int32_t on) override;

protected:
    bool Has(uint32_t feature) const { return (description_.features & feature) != 0; }
    // Output size of a window in a subsample mode.
    virtual int32_t SubsampleDivisor(int32_t subsample) const { return 1 << subsample; }

    // Turns an exposure into the model's shutter setting and stores it; 0 without a rule.
    virtual int32_t ConvertExposure(int32_t /*exposure*/) { return 0; }

    // Exposure rules share these endings. SetShutterLines clamps to the shutter limits; on its
    // success the exposure (and, for the seconds models, the seconds) become stored.
    int32_t ApplyShutter(int64_t lines, int32_t storedExposure);
    // The M03 rule with a model's line time (0.1 ms per row): lines = e / t, at least 1; above
    // the shutter maximum the maximum is used and the stored exposure recomputed from it.
    int32_t ApplyLineTime(int32_t exposure, double lineTime);
    int32_t ClampExposure(int32_t exposure) const;
    // Stores an exposure and its seconds (exposure / 10000) together.
    void StoreExposure(int32_t exposure);

    const ModelDescription description_;
    CRegisterPath path_;
    CRegisterPath fpgaPath_;
    int32_t triggerMode_ = 0;
    int32_t preset_ = 0;
    int32_t channelGain_[4] = {4096, 4096, 4096, 4096};
    int32_t channelOffset_[4] = {0, 0, 0, 0};

private:
    int32_t SetGain(SettingGroup& group, int32_t value);
    int32_t GetStored(const int32_t& field, int32_t* out);
    // The four head channels' gains and offsets share their checks: the feature, channels 1 to 4.
    int32_t SetChannelValue(int32_t (&values)[4], int32_t channel, int32_t value);
    int32_t GetChannelValue(const int32_t (&values)[4], int32_t channel, int32_t* value);
    int32_t ChannelLimit(int32_t channel, int32_t limit, int32_t* value);
    int32_t SetOnOffRegister(uint8_t reg, int32_t on);
    // An on/off FPGA register of a feature as 0 or 1; -1 without the feature or when unread.
    int32_t ReadOnOffRegister(uint32_t feature, uint8_t reg);
    // A mirror flag kept under the model's lock; 0 for a model without the feature.
    int32_t SetMirrorFlag(uint32_t feature, MirrorSetting& group, int32_t on);
    int32_t CurrentOf(const MirrorSetting& group);
};

}  // namespace ovilux::camera
