// SensorBase.h - the sensor-model interface: every camera setting that depends on the image
// sensor goes through one of these operations. The defaults report "not supported" (0), so a
// model overrides exactly what its camera can do.
#pragma once

#include <cstdint>

#include "camera/sensors/SensorParameters.h"
#include "platform/CriticalSection.h"
#include "usb/ControllerBase.h"

namespace ovilux::camera {

class CSensorBase {
public:
    // The controller is not owned; it outlives the model.
    CSensorBase(usb::CControllerBase* controller, uint8_t busAddress);
    virtual ~CSensorBase();
    CSensorBase(const CSensorBase&) = delete;
    CSensorBase& operator=(const CSensorBase&) = delete;

    virtual int32_t SetVariant(int32_t code);
    virtual int32_t SetModeWord(int32_t word);
    virtual int32_t GetModeWord();
    virtual int32_t Probe() { return 0; }
    virtual int32_t Initialize() { return 0; }
    virtual int32_t SecondaryInit() { return 0; }
    virtual int32_t SetWindow(int32_t /*x*/, int32_t /*width*/, int32_t /*y*/, int32_t /*height*/,
                              int32_t /*subsample*/) {
        return 0;
    }
    virtual int32_t GetWindow(int32_t* /*x*/, int32_t* /*width*/, int32_t* /*y*/, int32_t* /*height*/,
                              int32_t* /*subsample*/) {
        return 0;
    }
    virtual int32_t SetTriggerMode(int32_t /*mode*/) { return 0; }
    virtual int32_t GetTriggerMode(int32_t* /*mode*/) { return 0; }
    virtual int32_t ModelSpecific11() { return 0; }
    virtual int32_t ModelSpecific12() { return 0; }
    virtual int32_t ModelSpecific13() { return 0; }
    virtual int32_t SetPixelWidth(int32_t /*mode*/) { return 0; }
    virtual int32_t SetShutterLines(int32_t /*lines*/) { return 0; }
    virtual int32_t GetShutterLines(int32_t* /*lines*/) { return 0; }
    virtual int32_t SetGlobalGain(int32_t /*value*/) { return 0; }
    virtual int32_t GetGlobalGain(int32_t* /*value*/) { return 0; }
    virtual int32_t SetColorGainRed(int32_t /*value*/) { return 0; }
    virtual int32_t GetColorGainRed(int32_t* /*value*/) { return 0; }
    virtual int32_t SetColorGainGreen1(int32_t /*value*/) { return 0; }
    virtual int32_t GetColorGainGreen1(int32_t* /*value*/) { return 0; }
    virtual int32_t SetColorGainGreen2(int32_t /*value*/) { return 0; }
    virtual int32_t GetColorGainGreen2(int32_t* /*value*/) { return 0; }
    virtual int32_t SetColorGainBlue(int32_t /*value*/) { return 0; }
    virtual int32_t GetColorGainBlue(int32_t* /*value*/) { return 0; }
    virtual int32_t GetShutterLinesMin(int32_t* /*value*/) { return 0; }
    virtual int32_t GetShutterLinesMax(int32_t* /*value*/) { return 0; }
    virtual int32_t GetShutterLinesDefault(int32_t* /*value*/) { return 0; }
    virtual int32_t GetGlobalGainMin(int32_t* /*value*/) { return 0; }
    virtual int32_t GetGlobalGainMax(int32_t* /*value*/) { return 0; }
    virtual int32_t GetGlobalGainDefault(int32_t* /*value*/) { return 0; }
    virtual int32_t GetColorGainMin(int32_t* /*value*/) { return 0; }
    virtual int32_t GetColorGainMax(int32_t* /*value*/) { return 0; }
    virtual int32_t GetColorGainDefault(int32_t* /*value*/) { return 0; }
    virtual int32_t SetChannelGain(int32_t /*channel*/, int32_t /*value*/) { return 0; }
    virtual int32_t GetChannelGain(int32_t /*channel*/, int32_t* /*value*/) { return 0; }
    virtual int32_t GetChannelGainMin(int32_t /*channel*/, int32_t* /*value*/) { return 0; }
    virtual int32_t GetChannelGainMax(int32_t /*channel*/, int32_t* /*value*/) { return 0; }
    virtual int32_t GetChannelGainDefault(int32_t /*channel*/, int32_t* /*value*/) { return 0; }
    virtual int32_t SetChannelOffset(int32_t /*channel*/, int32_t /*value*/) { return 0; }
    virtual int32_t GetChannelOffset(int32_t /*channel*/, int32_t* /*value*/) { return 0; }
    virtual int32_t GetChannelOffsetMin(int32_t /*channel*/, int32_t* /*value*/) { return 0; }
    virtual int32_t GetChannelOffsetMax(int32_t /*channel*/, int32_t* /*value*/) { return 0; }
    virtual int32_t GetChannelOffsetDefault(int32_t /*channel*/, int32_t* /*value*/) { return 0; }
    // The level and analog-gain-step getters answer from the block and return its supported flag.
    virtual int32_t IsLevelSupported();
    virtual int32_t SetLevel(int32_t /*value*/) { return 0; }
    virtual int32_t GetLevel(int32_t* value);
    virtual int32_t GetLevelMin(int32_t* value);
    virtual int32_t GetLevelMax(int32_t* value);
    virtual int32_t GetLevelDefault(int32_t* value);
    virtual int32_t IsAnalogGainStepSupported();
    virtual int32_t GetAnalogGainStepMin(int32_t* value);
    virtual int32_t GetAnalogGainStepMax(int32_t* value);
    virtual int32_t GetAnalogGainStepDefault(int32_t* value);
    virtual int32_t GetAnalogGainStepCurrent(int32_t* value);
    virtual int32_t SetAnalogGainStep(int32_t /*step*/) { return 0; }
    virtual int32_t GetAnalogGainStep(int32_t* /*step*/) { return 0; }
    virtual int32_t GetAnalogGainStepLabel(int32_t /*step*/, char* /*text*/, int32_t /*capacity*/) { return 0; }
    virtual int32_t SetRealExposure(int32_t /*exposure*/) { return 0; }
    virtual int32_t GetRealExposure(int32_t* /*value*/) { return 0; }
    virtual int32_t GetRealExposureMin(int32_t* /*value*/) { return 0; }
    virtual int32_t GetRealExposureMax(int32_t* /*value*/) { return 0; }
    virtual int32_t GetRealExposureDefault(int32_t* /*value*/) { return 0; }
    virtual int32_t SetMirrorV(int32_t /*on*/) { return 0; }
    virtual int32_t GetMirrorV() { return 0; }
    virtual int32_t SetMirrorH(int32_t /*on*/) { return 0; }
    virtual int32_t GetMirrorH() { return 0; }
    virtual int32_t GetMirrorDefaultV();
    virtual int32_t GetMirrorDefaultH();
    virtual int32_t IsMirrorVSupported();
    virtual int32_t IsMirrorHSupported();
    virtual int32_t SetFrameRate(int32_t /*flag*/, int32_t* /*rate*/) { return 0; }
    virtual int32_t WriteRegister(uint32_t /*address*/, uint32_t /*value*/) { return 0; }
    virtual int32_t ReadRegister(uint32_t /*address*/, int32_t* /*value*/) { return 0; }
    virtual int32_t WriteRegister2(uint32_t /*address*/, uint32_t /*value*/) { return 0; }
    virtual int32_t ReadRegister2(uint32_t /*address*/, int32_t* /*value*/) { return 0; }
    virtual int32_t Unused78() { return 0; }
    virtual int32_t Unused79() { return 0; }
    virtual int32_t Unused80() { return 0; }
    virtual int32_t Unused81() { return 0; }
    virtual int32_t Unused82() { return 0; }
    virtual int32_t SetClockMode(int32_t /*mode*/) { return 0; }
    virtual int32_t GetClockMode(int32_t* /*mode*/) { return 0; }
    virtual int32_t Unused85() { return 0; }
    virtual int32_t Unused86() { return 0; }
    // Copies the whole parameter block; 0 for a null record.
    virtual int32_t CopyInfo(SensorParameters* out);
    virtual void RestartSensor() {}
    virtual void ResumeSensor() {}
    // The automatic-exposure level of a head that runs it itself: 0 off, 1 to 8 on.
    virtual int32_t GetAutoIrisLevel() { return 0; }
    virtual int32_t SetAutoIrisLevel(int32_t /*level*/) { return 0; }
    virtual int32_t IsPeltierSupported() { return 0; }
    virtual int32_t GetPeltier() { return 0; }
    virtual int32_t SetPeltier(int32_t /*on*/) { return 0; }
    virtual int32_t IsTemperatureSupported() { return 0; }
    virtual int32_t GetTemperature(double* /*celsius*/) { return 0; }
    virtual void OnTransferStarted() {}
    virtual void OnTransferStopping() {}
    virtual int32_t IsSwitch82Supported() { return 0; }
    virtual int32_t GetSwitch82() { return 0; }
    virtual int32_t SetSwitch82(int32_t /*on*/) { return 0; }
    virtual int32_t ReceiveText(char* /*buffer*/, int32_t /*length*/) { return 0; }
    virtual int32_t SendText(const char* /*text*/, int32_t /*length*/) { return 0; }
    virtual int32_t IsOptionSupported() { return 0; }
    virtual int32_t GetOption() { return 0; }
    virtual int32_t SetOption(int32_t /*on*/) { return 0; }
    virtual int32_t ModelSpecific107() { return 0; }
    virtual int32_t ModelSpecific108() { return 0; }
    virtual int32_t ModelSpecific109() { return 0; }
    virtual int32_t ModelSpecific110() { return 0; }
    virtual int32_t ModelSpecific111() { return 0; }
    // The exposure-in-seconds getters answer from the block and return its supported flag.
    virtual int32_t IsExposureSecondsSupported();
    virtual int32_t GetExposureSecondsMin(double* value);
    virtual int32_t GetExposureSecondsMax(double* value);
    virtual int32_t GetExposureSecondsDefault(double* value);
    virtual int32_t GetExposureSeconds(double* value);
    virtual int32_t SetExposureSeconds(double /*seconds*/) { return 0; }
    virtual int32_t IsPresetSupported() { return 0; }
    virtual int32_t GetPreset() { return 0; }
    virtual int32_t SetPreset(int32_t /*on*/) { return 0; }
    virtual int32_t IsNewRevision() { return 0; }
    virtual int32_t GetIdentification(int32_t* /*value*/) { return 0; }
    virtual int32_t IsSwitch80Supported() { return 0; }
    // -1 when the model has no such switch or its read fails.
    virtual int32_t GetSwitch80() { return -1; }
    virtual int32_t SetSwitch80(int32_t /*on*/) { return 0; }
    virtual int32_t IsModelSwitchSupported() { return 0; }
    virtual int32_t GetModelSwitch() { return -1; }
    virtual int32_t SetModelSwitch(int32_t /*on*/) { return 0; }

    // A reset pulse on the FPGA's reset register (150 for the variants that use it, else 108).
    int32_t ResetPulse();
    // The FPGA register 129 handshake that tells a camera head's video is ready.
    int32_t SerialReset();

    // The identification word, read from the controller at the first call and kept; 0 when
    // the read failed.
    uint16_t CachedIdentification();

    int32_t Variant() const { return variant_; }
    uint8_t BusAddress() const { return busAddress_; }

protected:
    // Hands a value out through a caller's pointer: 1, or 0 for a null pointer.
    static int32_t Out(int32_t* out, int32_t value) {
        if (out == nullptr) {
            return 0;
        }
        *out = value;
        return 1;
    }
    // The window kept in the parameter block, for the models that keep theirs there; 0 for a
    // null pointer.
    int32_t WindowFromBlock(int32_t* x, int32_t* width, int32_t* y, int32_t* height, int32_t* subsample);

    usb::CControllerBase* controller_;
    const uint8_t busAddress_;
    int32_t modeWord_ = 0;
    uint16_t identificationWord_ = 0;
    bool identificationRead_ = false;
    int32_t variant_ = 0;
    SensorParameters params_{};
    // Serialises each model's register sequences and block updates between the session's
    // threads and the transfer thread.
    platform::CriticalSection lock_;
};

}  // namespace ovilux::camera
