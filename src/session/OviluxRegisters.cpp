// OviluxRegisters.cpp - the camera's sensor and FPGA registers, its I/O port and its
// configuration memory, reached through the session like every other setting.
#include "camera/OviluxUXBase.h"
#include "session/Ovilux.h"

namespace ovilux::session {

namespace {

constexpr uint8_t kIoPortRegister = 7;

void SetFlag(int32_t* ok, int32_t value) {
    if (ok != nullptr) {
        *ok = value;
    }
}

}  // namespace

int32_t COvilux::ReadRegisterThrough(bool fpga, uint32_t address, int32_t* ok) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        SetFlag(ok, 0);
        return 0;
    }
    int32_t success = 0;
    const int32_t value = fpga ? camera_->ReadFpgaRegister(static_cast<uint8_t>(address), &success)
                               : camera_->ReadSensorRegister(address, &success);
    if (!success) {
        RecordError(code::kRefused);
    }
    SetFlag(ok, success != 0 ? 1 : 0);
    return value;
}

int32_t COvilux::WriteRegisterThrough(bool fpga, uint32_t address, uint32_t value) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    const int32_t written = fpga ? camera_->WriteFpgaRegister(static_cast<uint8_t>(address), static_cast<uint8_t>(value))
                                 : camera_->WriteSensorRegister(address, value);
    if (!written) {
        RecordError(code::kRefused);
        return 0;
    }
    return 1;
}

int32_t COvilux::ReadSensorRegister(uint32_t address, int32_t* ok) { return ReadRegisterThrough(false, address, ok); }
int32_t COvilux::WriteSensorRegister(uint32_t address, uint32_t value) {
    return WriteRegisterThrough(false, address, value);
}
int32_t COvilux::ReadFpgaRegister(uint8_t address, int32_t* ok) { return ReadRegisterThrough(true, address, ok); }
int32_t COvilux::WriteFpgaRegister(uint8_t address, uint8_t value) { return WriteRegisterThrough(true, address, value); }

// The I/O port family only posts its codes, without storing them.
int32_t COvilux::GetIOPort(uint8_t* value) {
    if (!camera_) {
        PostCode(code::kNoCamera);
        return 0;
    }
    int32_t success = 0;
    const int32_t read = value != nullptr ? camera_->ReadFpgaRegister(kIoPortRegister, &success) : 0;
    if (!success) {
        PostCode(code::kBadArgument);
        return 0;
    }
    *value = static_cast<uint8_t>(read);
    return 1;
}

int32_t COvilux::SetIOPort(uint8_t value) {
    if (!camera_) {
        PostCode(code::kNoCamera);
        return 0;
    }
    return camera_->WriteFpgaRegister(kIoPortRegister, value);
}

bool COvilux::SromRead(uint16_t address, uint8_t* value) { return camera_ && camera_->SromRead(address, value) != 0; }
bool COvilux::SromWrite(uint16_t address, uint8_t value) { return camera_ && camera_->SromWrite(address, value) != 0; }

bool COvilux::ReadCameraLimits(CameraInfoLimits& limits, bool seconds) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return false;
    }
    // Limits come from the opened camera's sensor model; without one there is nothing to report.
    if (!camera_->GetGlobalGainMin(&limits.globalGainMin) || !camera_->GetGlobalGainMax(&limits.globalGainMax) ||
        !camera_->GetColorGainMin(&limits.colorGainMin) || !camera_->GetColorGainMax(&limits.colorGainMax) ||
        !camera_->GetRealExposureMin(&limits.exposureMin) || !camera_->GetRealExposureMax(&limits.exposureMax)) {
        RecordError(code::kNotPresent);
        return false;
    }
    if (seconds) {
        camera_->GetExposureSecondsMin(&limits.exposureSecondsMin);
        camera_->GetExposureSecondsMax(&limits.exposureSecondsMax);
    }
    return true;
}

int32_t COvilux::ReadTemperature(double* celsius) {
    *celsius = 0.0;
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    if (!camera_->IsTemperatureSupported()) {
        RecordError(code::kNotSupported);
        return 0;
    }
    const int32_t read = camera_->GetTemperature(celsius) != 0 ? 1 : 0;
    RecordError(read ? code::kSuccess : code::kConversion);
    if (!read) {
        *celsius = 0.0;
    }
    return read;
}

}  // namespace ovilux::session
