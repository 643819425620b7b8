// TransportTestSupport.cpp - helpers shared by the transport tests.
#include "usb/TransportTestSupport.h"

#include <atomic>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace ovilux::test {

std::string UniqueTableName(const char* what) {
    static std::atomic<int> counter{0};
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    return std::string("ovilux-usb-test-") + what + "-" + std::to_string(pid) + "-" + std::to_string(counter++);
}

std::string InterfacePath(uint16_t vendorId, uint16_t productId, const std::string& instance) {
    char ids[32];
    std::snprintf(ids, sizeof(ids), "vid_%04x&pid_%04x", vendorId, productId);
    return std::string("\\\\?\\usb#") + ids + "#" + instance + "#{328184c5-93e6-49b7-94b8-2ada13aabb39}";
}

ControlCall DecodeControlCall(const RecordedCall& call) {
    ControlCall result{};
    if (call.in.size() < 102) {
        return result;
    }
    result.requestType = call.in[0];
    result.request = call.in[1];
    result.value = static_cast<uint16_t>(call.in[2] | (call.in[3] << 8));
    result.index = static_cast<uint16_t>(call.in[4] | (call.in[5] << 8));
    result.data.assign(call.in.begin() + 38, call.in.begin() + 102);
    return result;
}

std::vector<ControlCall> ControlCalls(const RecordingDriverPort& port) {
    std::vector<ControlCall> result;
    for (const RecordedCall& call : port.IoCalls(platform::fx3_ioctl::kControlTransfer)) {
        result.push_back(DecodeControlCall(call));
    }
    return result;
}

}  // namespace ovilux::test
