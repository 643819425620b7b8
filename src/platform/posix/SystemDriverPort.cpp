// SystemDriverPort.cpp - the system's own driver port on Linux: libusb, or a port that finds
// nothing when libusb cannot start.
#include "platform/posix/LibusbDriverPort.h"
#include "platform/posix/NoDriverPort.h"

namespace ovilux::platform {

DriverPort& SystemDriverPort() {
    LibusbDriverPort& libusb = LibusbDriverPort::Instance();
    if (libusb.Available()) {
        return libusb;
    }
    static NoDriverPort none;
    return none;
}

}  // namespace ovilux::platform
