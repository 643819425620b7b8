// OviluxUXBaseForwarding.cpp - the camera device operations that hand a setting to the sensor
// model unchanged; each reports 0 when no sensor model exists.
#include "camera/OviluxUXBase.h"

namespace ovilux::camera {

int32_t COviluxUXBase::GetClockMode(int32_t* mode) { return ToSensor(&CSensorBase::GetClockMode, mode); }
int32_t COviluxUXBase::SetMirrorH(int32_t on) { return ToSensor(&CSensorBase::SetMirrorH, on); }
int32_t COviluxUXBase::SetMirrorV(int32_t on) { return ToSensor(&CSensorBase::SetMirrorV, on); }
int32_t COviluxUXBase::GetMirrorH() { return ToSensor(&CSensorBase::GetMirrorH); }
int32_t COviluxUXBase::GetMirrorV() { return ToSensor(&CSensorBase::GetMirrorV); }
int32_t COviluxUXBase::GetMirrorDefaultV() { return ToSensor(&CSensorBase::GetMirrorDefaultV); }
int32_t COviluxUXBase::GetMirrorDefaultH() { return ToSensor(&CSensorBase::GetMirrorDefaultH); }
int32_t COviluxUXBase::IsMirrorVSupported() { return ToSensor(&CSensorBase::IsMirrorVSupported); }
int32_t COviluxUXBase::IsMirrorHSupported() { return ToSensor(&CSensorBase::IsMirrorHSupported); }
int32_t COviluxUXBase::SetGlobalGain(int32_t value) { return ToSensor(&CSensorBase::SetGlobalGain, value); }
int32_t COviluxUXBase::GetGlobalGain(int32_t* value) { return ToSensor(&CSensorBase::GetGlobalGain, value); }
int32_t COviluxUXBase::GetGlobalGainMin(int32_t* value) { return ToSensor(&CSensorBase::GetGlobalGainMin, value); }
int32_t COviluxUXBase::GetGlobalGainMax(int32_t* value) { return ToSensor(&CSensorBase::GetGlobalGainMax, value); }
int32_t COviluxUXBase::GetGlobalGainDefault(int32_t* value) { return ToSensor(&CSensorBase::GetGlobalGainDefault, value); }
int32_t COviluxUXBase::GetRealExposureMin(int32_t* value) { return ToSensor(&CSensorBase::GetRealExposureMin, value); }
int32_t COviluxUXBase::GetRealExposureMax(int32_t* value) { return ToSensor(&CSensorBase::GetRealExposureMax, value); }
int32_t COviluxUXBase::GetRealExposureDefault(int32_t* value) { return ToSensor(&CSensorBase::GetRealExposureDefault, value); }
int32_t COviluxUXBase::SetShutterLines(int32_t lines) { return ToSensor(&CSensorBase::SetShutterLines, lines); }
int32_t COviluxUXBase::GetShutterLines(int32_t* lines) { return ToSensor(&CSensorBase::GetShutterLines, lines); }
int32_t COviluxUXBase::GetShutterLinesMin(int32_t* value) { return ToSensor(&CSensorBase::GetShutterLinesMin, value); }
int32_t COviluxUXBase::GetShutterLinesMax(int32_t* value) { return ToSensor(&CSensorBase::GetShutterLinesMax, value); }
int32_t COviluxUXBase::GetShutterLinesDefault(int32_t* value) { return ToSensor(&CSensorBase::GetShutterLinesDefault, value); }
int32_t COviluxUXBase::IsExposureSecondsSupported() { return ToSensor(&CSensorBase::IsExposureSecondsSupported); }
int32_t COviluxUXBase::GetExposureSeconds(double* value) { return ToSensor(&CSensorBase::GetExposureSeconds, value); }
int32_t COviluxUXBase::GetExposureSecondsMin(double* value) { return ToSensor(&CSensorBase::GetExposureSecondsMin, value); }
int32_t COviluxUXBase::GetExposureSecondsMax(double* value) { return ToSensor(&CSensorBase::GetExposureSecondsMax, value); }
int32_t COviluxUXBase::GetExposureSecondsDefault(double* value) { return ToSensor(&CSensorBase::GetExposureSecondsDefault, value); }
int32_t COviluxUXBase::SetChannelGain(int32_t channel, int32_t value) { return ToSensor(&CSensorBase::SetChannelGain, channel, value); }
int32_t COviluxUXBase::GetChannelGain(int32_t channel, int32_t* value) { return ToSensor(&CSensorBase::GetChannelGain, channel, value); }
int32_t COviluxUXBase::GetChannelGainMin(int32_t channel, int32_t* value) { return ToSensor(&CSensorBase::GetChannelGainMin, channel, value); }
int32_t COviluxUXBase::GetChannelGainMax(int32_t channel, int32_t* value) { return ToSensor(&CSensorBase::GetChannelGainMax, channel, value); }
int32_t COviluxUXBase::GetChannelGainDefault(int32_t channel, int32_t* value) { return ToSensor(&CSensorBase::GetChannelGainDefault, channel, value); }
int32_t COviluxUXBase::SetChannelOffset(int32_t channel, int32_t value) { return ToSensor(&CSensorBase::SetChannelOffset, channel, value); }
int32_t COviluxUXBase::GetChannelOffset(int32_t channel, int32_t* value) { return ToSensor(&CSensorBase::GetChannelOffset, channel, value); }
int32_t COviluxUXBase::GetChannelOffsetMin(int32_t channel, int32_t* value) { return ToSensor(&CSensorBase::GetChannelOffsetMin, channel, value); }
int32_t COviluxUXBase::GetChannelOffsetMax(int32_t channel, int32_t* value) { return ToSensor(&CSensorBase::GetChannelOffsetMax, channel, value); }
int32_t COviluxUXBase::GetChannelOffsetDefault(int32_t channel, int32_t* value) { return ToSensor(&CSensorBase::GetChannelOffsetDefault, channel, value); }
int32_t COviluxUXBase::SetColorGainRed(int32_t value) { return ToSensor(&CSensorBase::SetColorGainRed, value); }
int32_t COviluxUXBase::GetColorGainRed(int32_t* value) { return ToSensor(&CSensorBase::GetColorGainRed, value); }
int32_t COviluxUXBase::SetColorGainGreen1(int32_t value) { return ToSensor(&CSensorBase::SetColorGainGreen1, value); }
int32_t COviluxUXBase::GetColorGainGreen1(int32_t* value) { return ToSensor(&CSensorBase::GetColorGainGreen1, value); }
int32_t COviluxUXBase::SetColorGainGreen2(int32_t value) { return ToSensor(&CSensorBase::SetColorGainGreen2, value); }
int32_t COviluxUXBase::GetColorGainGreen2(int32_t* value) { return ToSensor(&CSensorBase::GetColorGainGreen2, value); }
int32_t COviluxUXBase::SetColorGainBlue(int32_t value) { return ToSensor(&CSensorBase::SetColorGainBlue, value); }
int32_t COviluxUXBase::GetColorGainBlue(int32_t* value) { return ToSensor(&CSensorBase::GetColorGainBlue, value); }
int32_t COviluxUXBase::GetColorGainMin(int32_t* value) { return ToSensor(&CSensorBase::GetColorGainMin, value); }
int32_t COviluxUXBase::GetColorGainMax(int32_t* value) { return ToSensor(&CSensorBase::GetColorGainMax, value); }
int32_t COviluxUXBase::GetColorGainDefault(int32_t* value) { return ToSensor(&CSensorBase::GetColorGainDefault, value); }
int32_t COviluxUXBase::IsLevelSupported() { return ToSensor(&CSensorBase::IsLevelSupported); }
int32_t COviluxUXBase::SetLevel(int32_t value) { return ToSensor(&CSensorBase::SetLevel, value); }
int32_t COviluxUXBase::GetLevel(int32_t* value) { return ToSensor(&CSensorBase::GetLevel, value); }
int32_t COviluxUXBase::GetLevelMin(int32_t* value) { return ToSensor(&CSensorBase::GetLevelMin, value); }
int32_t COviluxUXBase::GetLevelMax(int32_t* value) { return ToSensor(&CSensorBase::GetLevelMax, value); }
int32_t COviluxUXBase::GetLevelDefault(int32_t* value) { return ToSensor(&CSensorBase::GetLevelDefault, value); }
int32_t COviluxUXBase::WriteSensorRegister(uint32_t address, uint32_t value) { return ToSensor(&CSensorBase::WriteRegister, address, value); }
int32_t COviluxUXBase::IsSwitch80Supported() { return ToSensor(&CSensorBase::IsSwitch80Supported); }
int32_t COviluxUXBase::SetSwitch80(int32_t on) { return ToSensor(&CSensorBase::SetSwitch80, on); }
int32_t COviluxUXBase::IsPeltierSupported() { return ToSensor(&CSensorBase::IsPeltierSupported); }
int32_t COviluxUXBase::GetPeltier() { return ToSensor(&CSensorBase::GetPeltier); }
int32_t COviluxUXBase::SetPeltier(int32_t on) { return ToSensor(&CSensorBase::SetPeltier, on); }
int32_t COviluxUXBase::IsTemperatureSupported() { return ToSensor(&CSensorBase::IsTemperatureSupported); }
int32_t COviluxUXBase::GetTemperature(double* celsius) { return ToSensor(&CSensorBase::GetTemperature, celsius); }
int32_t COviluxUXBase::IsSwitch82Supported() { return ToSensor(&CSensorBase::IsSwitch82Supported); }
int32_t COviluxUXBase::GetSwitch82() { return ToSensor(&CSensorBase::GetSwitch82); }
int32_t COviluxUXBase::SetSwitch82(int32_t on) { return ToSensor(&CSensorBase::SetSwitch82, on); }
int32_t COviluxUXBase::IsOptionSupported() { return ToSensor(&CSensorBase::IsOptionSupported); }
int32_t COviluxUXBase::GetOption() { return ToSensor(&CSensorBase::GetOption); }
int32_t COviluxUXBase::SetOption(int32_t on) { return ToSensor(&CSensorBase::SetOption, on); }
int32_t COviluxUXBase::ModelSpecific140() { return ToSensor(&CSensorBase::ModelSpecific107); }
int32_t COviluxUXBase::ModelSpecific141() { return ToSensor(&CSensorBase::ModelSpecific108); }
int32_t COviluxUXBase::ModelSpecific142() { return ToSensor(&CSensorBase::ModelSpecific109); }
int32_t COviluxUXBase::ModelSpecific143() { return ToSensor(&CSensorBase::ModelSpecific110); }
int32_t COviluxUXBase::ModelSpecific144() { return ToSensor(&CSensorBase::ModelSpecific111); }
int32_t COviluxUXBase::IsNewRevision() { return ToSensor(&CSensorBase::IsNewRevision); }
int32_t COviluxUXBase::GetIdentification(int32_t* value) { return ToSensor(&CSensorBase::GetIdentification, value); }
int32_t COviluxUXBase::IsModelSwitchSupported() { return ToSensor(&CSensorBase::IsModelSwitchSupported); }
int32_t COviluxUXBase::SetModelSwitch(int32_t on) { return ToSensor(&CSensorBase::SetModelSwitch, on); }
int32_t COviluxUXBase::IsPresetSupported() { return ToSensor(&CSensorBase::IsPresetSupported); }
int32_t COviluxUXBase::GetPreset() { return ToSensor(&CSensorBase::GetPreset); }
int32_t COviluxUXBase::SetPreset(int32_t on) { return ToSensor(&CSensorBase::SetPreset, on); }
int32_t COviluxUXBase::IsAnalogGainStepSupported() { return ToSensor(&CSensorBase::IsAnalogGainStepSupported); }
int32_t COviluxUXBase::GetAnalogGainStepMin(int32_t* value) { return ToSensor(&CSensorBase::GetAnalogGainStepMin, value); }
int32_t COviluxUXBase::GetAnalogGainStepMax(int32_t* value) { return ToSensor(&CSensorBase::GetAnalogGainStepMax, value); }
int32_t COviluxUXBase::GetAnalogGainStepDefault(int32_t* value) { return ToSensor(&CSensorBase::GetAnalogGainStepDefault, value); }
int32_t COviluxUXBase::GetAnalogGainStep(int32_t* value) { return ToSensor(&CSensorBase::GetAnalogGainStep, value); }
int32_t COviluxUXBase::SetAnalogGainStep(int32_t step) { return ToSensor(&CSensorBase::SetAnalogGainStep, step); }
int32_t COviluxUXBase::GetAnalogGainStepLabel(int32_t step, char* text, int32_t capacity) { return ToSensor(&CSensorBase::GetAnalogGainStepLabel, step, text, capacity); }
int32_t COviluxUXBase::ModelSpecific160() { return ToSensor(&CSensorBase::GetAutoIrisLevel); }
int32_t COviluxUXBase::ModelSpecific161() { return ToSensor(&CSensorBase::Unused79); }
int32_t COviluxUXBase::ModelSpecific162() { return ToSensor(&CSensorBase::Unused78); }
int32_t COviluxUXBase::SetSamplingRate(int32_t flag, int32_t* rate) { return ToSensor(&CSensorBase::SetFrameRate, flag, rate); }

// The switches whose getters report -1 when the camera has none.
int32_t COviluxUXBase::GetSwitch80() { return sensor_ ? sensor_->GetSwitch80() : -1; }
int32_t COviluxUXBase::GetModelSwitch() { return sensor_ ? sensor_->GetModelSwitch() : -1; }

int32_t COviluxUXBase::ReadSensorRegister(uint32_t address, int32_t* ok) {
    int32_t value = 0;
    const int32_t result = ToSensor(&CSensorBase::ReadRegister, address, &value);
    if (ok != nullptr) {
        *ok = result ? 1 : 0;
    }
    return result ? value : 0;
}

int32_t COviluxUXBase::RestartSensor() {
    if (!sensor_) {
        return 0;
    }
    sensor_->RestartSensor();
    return 1;
}

int32_t COviluxUXBase::ResumeSensor() {
    if (!sensor_) {
        return 0;
    }
    sensor_->ResumeSensor();
    return 1;
}

// The sensor model's window and size limits.
int32_t COviluxUXBase::IsWidthFree() { return sensor_ ? SensorInfo().widthFree : 0; }
int32_t COviluxUXBase::IsHeightFree() { return sensor_ ? SensorInfo().heightFree : 0; }
int32_t COviluxUXBase::GetMaxWidth() { return sensor_ ? SensorInfo().fullWidth : 0; }
int32_t COviluxUXBase::GetMaxHeight() { return sensor_ ? SensorInfo().fullHeight : 0; }
int32_t COviluxUXBase::GetDefaultWidth() { return sensor_ ? SensorInfo().defaultWidth : 0; }
int32_t COviluxUXBase::GetDefaultHeight() { return sensor_ ? SensorInfo().defaultHeight : 0; }
int32_t COviluxUXBase::GetDefaultX() { return sensor_ ? SensorInfo().defaultX : 0; }
int32_t COviluxUXBase::GetDefaultY() { return sensor_ ? SensorInfo().defaultY : 0; }

SensorParameters COviluxUXBase::SensorInfo() const {
    SensorParameters info{};
    if (sensor_) {
        sensor_->CopyInfo(&info);
    }
    return info;
}

}  // namespace ovilux::camera
