// RegisterExports.cpp - sensor and FPGA registers, the I/O port and the configuration memory.
#include "OviluxSdk.h"
#include "api/Dispatch.h"
#include "api/SromVerify.h"
#include "session/Ovilux.h"
#include "session/SessionConstants.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::session::COvilux;
namespace code = ovilux::session::code;

namespace {
constexpr uint16_t kSromAddressMask = 0x0FFF;
}  // namespace

extern "C" int32_t Ovilux_ReadRegister(uint32_t handle, uint8_t address, int32_t* ok) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.ReadSensorRegister(address, ok); });
}

extern "C" int32_t Ovilux_ReadRegisterEx(uint32_t handle, uint32_t address, int32_t* ok) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.ReadSensorRegister(address, ok); });
}

extern "C" int32_t Ovilux_WriteRegister(uint32_t handle, uint8_t address, uint16_t value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.WriteSensorRegister(address, value); });
}

extern "C" int32_t Ovilux_WriteRegisterEx(uint32_t handle, uint32_t address, uint32_t value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.WriteSensorRegister(address, value); });
}

extern "C" int32_t Ovilux_Fpga_ReadRegister(uint32_t handle, uint8_t address, int32_t* ok) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.ReadFpgaRegister(address, ok); });
}

extern "C" int32_t Ovilux_Fpga_WriteRegister(uint32_t handle, uint8_t address, uint16_t value) {
    return Dispatch(handle, kFailure,
                    [&](COvilux& s) { return s.WriteFpgaRegister(address, static_cast<uint8_t>(value & 0xFF)); });
}

extern "C" int32_t Ovilux_GetIOPort(uint32_t handle, uint8_t* value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.GetIOPort(value); });
}

extern "C" int32_t Ovilux_SetIOPort(uint32_t handle, uint8_t value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetIOPort(value); });
}

extern "C" int32_t Ovilux_ReadSromID(uint32_t handle, uint16_t address, int32_t* ok) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        uint8_t byte = 0;
        if (!s.SromRead(address & kSromAddressMask, &byte)) {
            s.PostCode(code::kNoCamera);
            if (ok != nullptr) {
                *ok = 0;
            }
            return 0;
        }
        if (ok != nullptr) {
            *ok = 1;
        }
        return static_cast<int32_t>(byte);
    });
}

namespace {

// The camera's configuration memory through the session; read-backs that fail are posted (not
// stored) as code 1.
class SessionSrom : public ovilux::api::SromAccess {
public:
    explicit SessionSrom(COvilux& session) : session_(session) {}
    bool Write(uint16_t address, uint8_t value) override { return session_.SromWrite(address, value); }
    bool Read(uint16_t address, uint8_t* value) override { return session_.SromRead(address, value); }
    void ReadFailed() override { session_.PostCode(code::kNoCamera); }

private:
    COvilux& session_;
};

}  // namespace

// A byte that never reads back as written is a failed write, not a success.
extern "C" int32_t Ovilux_WriteSromID(uint32_t handle, uint16_t address, uint8_t value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        if (s.Camera() == nullptr) {
            s.PostCode(code::kNoCamera);
            return 0;
        }
        SessionSrom srom(s);
        if (!ovilux::api::WriteSromVerified(srom, address & kSromAddressMask, value)) {
            s.PostCode(code::kNoCamera);
            return 0;
        }
        return 1;
    });
}
