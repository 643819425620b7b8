// TransportTestSupport.h - helpers shared by the transport tests: private table names,
// interface paths, and reading recorded control blocks back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "usb/RecordingDriverPort.h"

namespace ovilux::test {

// A device table name no other test or process uses, so that tests never meet each other's rows.
std::string UniqueTableName(const char* what);

// A USB interface path of the cameras' class for a vendor, product and instance.
std::string InterfacePath(uint16_t vendorId, uint16_t productId, const std::string& instance);

// The fields of a recorded control block.
struct ControlCall {
    uint8_t requestType;
    uint8_t request;
    uint16_t value;
    uint16_t index;
    std::vector<uint8_t> data;  // the 64 data bytes
};
ControlCall DecodeControlCall(const RecordedCall& call);

// The control blocks sent, in order.
std::vector<ControlCall> ControlCalls(const RecordingDriverPort& port);

}  // namespace ovilux::test
