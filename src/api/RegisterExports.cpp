// RegisterExports.cpp - sensor and FPGA registers, the I/O port and the configuration memory.
#include "OviluxSdk.h"
#include "api/Dispatch.h"
#include "api/SromVerify.h"
#include "camera/OviluxUXBase.h"
#include "session/SessionConstants.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::camera::COviluxUXBase;
using ovilux::session::COvilux;
namespace code = ovilux::session::code;

namespace {

constexpr uint8_t kIoPortRegister = 7;
constexpr uint16_t kSromAddressMask = 0x0FFF;

void SetFlag(int32_t* ok, int32_t value) {
    if (ok != nullptr) {
        *ok = value;
    }
}

// A register read through the camera: the value, the flag, code 6 on failure, 1 without a camera.
template <typename Read>
int32_t ReadThrough(COvilux& s, int32_t* ok, Read read) {
    COviluxUXBase* camera = s.Camera();
    if (camera == nullptr) {
        s.RecordError(code::kNoCamera);
        SetFlag(ok, 0);
        return 0;
    }
    int32_t success = 0;
    const int32_t value = read(*camera, &success);
    if (!success) {
        s.RecordError(code::kRefused);
    }
    SetFlag(ok, success != 0 ? 1 : 0);
    return value;
}

template <typename Write>
int32_t WriteThrough(COvilux& s, Write write) {
    COviluxUXBase* camera = s.Camera();
    if (camera == nullptr) {
        s.RecordError(code::kNoCamera);
        return 0;
    }
    if (!write(*camera)) {
        s.RecordError(code::kRefused);
        return 0;
    }
    return 1;
}

}  // namespace

extern "C" int32_t Ovilux_ReadRegister(uint32_t handle, uint8_t address, int32_t* ok) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        return ReadThrough(s, ok, [&](COviluxUXBase& c, int32_t* success) { return c.ReadSensorRegister(address, success); });
    });
}

extern "C" int32_t Ovilux_ReadRegisterEx(uint32_t handle, uint32_t address, int32_t* ok) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        return ReadThrough(s, ok, [&](COviluxUXBase& c, int32_t* success) { return c.ReadSensorRegister(address, success); });
    });
}

extern "C" int32_t Ovilux_WriteRegister(uint32_t handle, uint8_t address, uint16_t value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        return WriteThrough(s, [&](COviluxUXBase& c) { return c.WriteSensorRegister(address, value); });
    });
}

extern "C" int32_t Ovilux_WriteRegisterEx(uint32_t handle, uint32_t address, uint32_t value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        return WriteThrough(s, [&](COviluxUXBase& c) { return c.WriteSensorRegister(address, value); });
    });
}

extern "C" int32_t Ovilux_Fpga_ReadRegister(uint32_t handle, uint8_t address, int32_t* ok) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        return ReadThrough(s, ok, [&](COviluxUXBase& c, int32_t* success) { return c.ReadFpgaRegister(address, success); });
    });
}

extern "C" int32_t Ovilux_Fpga_WriteRegister(uint32_t handle, uint8_t address, uint16_t value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        return WriteThrough(s, [&](COviluxUXBase& c) {
            return c.WriteFpgaRegister(address, static_cast<uint8_t>(value & 0xFF));
        });
    });
}

// The I/O port family only posts its codes, without storing them.
extern "C" int32_t Ovilux_GetIOPort(uint32_t handle, uint8_t* value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        COviluxUXBase* camera = s.Camera();
        if (camera == nullptr) {
            s.PostCode(code::kNoCamera);
            return 0;
        }
        int32_t success = 0;
        const int32_t read = value != nullptr ? camera->ReadFpgaRegister(kIoPortRegister, &success) : 0;
        if (!success) {
            s.PostCode(code::kBadArgument);
            return 0;
        }
        *value = static_cast<uint8_t>(read);
        return 1;
    });
}

extern "C" int32_t Ovilux_SetIOPort(uint32_t handle, uint8_t value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        COviluxUXBase* camera = s.Camera();
        if (camera == nullptr) {
            s.PostCode(code::kNoCamera);
            return 0;
        }
        return camera->WriteFpgaRegister(kIoPortRegister, value);
    });
}

extern "C" int32_t Ovilux_ReadSromID(uint32_t handle, uint16_t address, int32_t* ok) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        COviluxUXBase* camera = s.Camera();
        uint8_t byte = 0;
        if (camera == nullptr || !camera->SromRead(address & kSromAddressMask, &byte)) {
            s.PostCode(code::kNoCamera);
            SetFlag(ok, 0);
            return 0;
        }
        SetFlag(ok, 1);
        return static_cast<int32_t>(byte);
    });
}

namespace {

// The camera's configuration memory; read-backs that fail are posted (not stored) as code 1.
class CameraSrom : public ovilux::api::SromAccess {
public:
    CameraSrom(COvilux& session, COviluxUXBase& camera) : session_(session), camera_(camera) {}
    bool Write(uint16_t address, uint8_t value) override { return camera_.SromWrite(address, value) != 0; }
    bool Read(uint16_t address, uint8_t* value) override { return camera_.SromRead(address, value) != 0; }
    void ReadFailed() override { session_.PostCode(code::kNoCamera); }

private:
    COvilux& session_;
    COviluxUXBase& camera_;
};

}  // namespace

// A byte that never reads back as written is a failed write, not a success.
extern "C" int32_t Ovilux_WriteSromID(uint32_t handle, uint16_t address, uint8_t value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) {
        COviluxUXBase* camera = s.Camera();
        if (camera == nullptr) {
            s.PostCode(code::kNoCamera);
            return 0;
        }
        CameraSrom srom(s, *camera);
        if (!ovilux::api::WriteSromVerified(srom, address & kSromAddressMask, value)) {
            s.PostCode(code::kNoCamera);
            return 0;
        }
        return 1;
    });
}
