// ControllerBase.h - the register interface that sensor models and the camera device object
// use to reach a camera's hardware. Every operation that a controller does not provide
// reports failure (0); Release does nothing.
#pragma once

#include <cstdint>

namespace ovilux::usb {

class CControllerBase {
public:
    virtual ~CControllerBase() = default;

    virtual int32_t Unused() { return 0; }
    virtual void Release() {}
    virtual int32_t SelectDevice(int32_t /*row*/) { return 0; }
    virtual int32_t ReadRegisterWord(uint16_t* /*word*/) { return 0; }
    virtual int32_t I2cWrite(uint8_t /*busAddress*/, const uint8_t* /*data*/, uint32_t /*count*/, uint32_t /*timeout*/) {
        return 0;
    }
    virtual int32_t I2cRead(uint8_t /*busAddress*/, uint8_t* /*data*/, uint32_t /*count*/, uint32_t /*timeout*/) {
        return 0;
    }
    virtual int32_t WriteTimingRegister(uint16_t /*address*/, uint32_t /*value*/, uint32_t /*timeout*/) { return 0; }
    virtual int32_t ReadTimingRegister(uint16_t /*address*/, int32_t* /*value*/, uint32_t /*timeout*/) { return 0; }
    virtual int32_t WriteSensorWord(uint16_t /*address*/, uint16_t /*value*/, uint32_t /*timeout*/) { return 0; }
    virtual int32_t ReadSensorWord(uint16_t /*address*/, int32_t* /*value*/, uint32_t /*timeout*/) { return 0; }
    virtual int32_t FpgaWrite(uint8_t /*reg*/, uint8_t /*value*/) { return 0; }
    virtual int32_t FpgaRead(uint8_t /*reg*/, uint8_t* /*value*/) { return 0; }
    virtual int32_t AuxWrite(uint8_t /*reg*/, uint8_t /*value*/) { return 0; }
    virtual int32_t AuxRead(uint8_t /*reg*/, uint8_t* /*value*/) { return 0; }
    virtual int32_t AbortPipe() { return 0; }
};

}  // namespace ovilux::usb
