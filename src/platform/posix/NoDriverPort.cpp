// NoDriverPort.cpp - no USB access on this system: nothing to enumerate, nothing opens.
#include "platform/posix/NoDriverPort.h"

namespace ovilux::platform {

namespace {

IoResult InvalidHandle() {
    IoResult result;
    result.error = win32_error::kInvalidHandle;
    return result;
}

}  // namespace

std::vector<std::string> NoDriverPort::EnumerateInterfaces(const InterfaceGuid& /*guid*/) { return {}; }

DeviceHandle NoDriverPort::Open(const char* /*path*/, bool /*overlapped*/) { return nullptr; }

bool NoDriverPort::Close(DeviceHandle /*handle*/) { return false; }

IoResult NoDriverPort::IoControl(DeviceHandle /*handle*/, uint32_t /*code*/, void* /*in*/, uint32_t /*inLength*/,
                                 void* /*out*/, uint32_t /*outLength*/, Overlapped* /*overlapped*/) {
    return InvalidHandle();
}

IoResult NoDriverPort::GetOverlappedResult(DeviceHandle /*handle*/, Overlapped& /*overlapped*/, bool /*wait*/) {
    return InvalidHandle();
}

bool NoDriverPort::CancelIo(DeviceHandle /*handle*/, Overlapped* /*overlapped*/) { return false; }

}  // namespace ovilux::platform
