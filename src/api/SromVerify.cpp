// SromVerify.cpp - the verified configuration-memory write.
#include "api/SromVerify.h"

namespace ovilux::api {

bool WriteSromVerified(SromAccess& access, uint16_t address, uint8_t value) {
    if (!access.Write(address, value)) {
        return false;
    }
    for (int attempt = 0; attempt < kSromVerifyAttempts; ++attempt) {
        uint8_t readBack = 0;
        if (!access.Read(address, &readBack)) {
            access.ReadFailed();
        } else if (readBack == value) {
            return true;
        }
        if (attempt + 1 < kSromVerifyAttempts) {
            access.Write(address, value);
        }
    }
    return false;
}

}  // namespace ovilux::api
