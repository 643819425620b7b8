// SromVerify.h - a configuration-memory write checked by reading the byte back.
#pragma once

#include <cstdint>

namespace ovilux::api {

// What the verified write needs of a camera.
class SromAccess {
public:
    virtual ~SromAccess() = default;
    virtual bool Write(uint16_t address, uint8_t value) = 0;
    virtual bool Read(uint16_t address, uint8_t* value) = 0;
    // Told about each read-back that failed.
    virtual void ReadFailed() = 0;
};

// Read-backs before a write counts as failed.
constexpr int kSromVerifyAttempts = 10;

// Writes value, then reads it back up to kSromVerifyAttempts times, writing it again after each
// mismatch. True once a read-back shows the value; false when the first write is refused or no
// read-back ever matches.
bool WriteSromVerified(SromAccess& access, uint16_t address, uint8_t value);

}  // namespace ovilux::api
