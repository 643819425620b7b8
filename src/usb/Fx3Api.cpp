// Fx3Api.cpp - driver requests, interface enumeration and the device table's users.
#include "usb/Fx3Api.h"

#include <cstring>
#include <vector>

#include "platform/Event.h"
#include "usb/ByteOrder.h"
#include "usb/DeviceTable.h"
#include "usb/ModelNames.h"
#include "usb/TransferLayout.h"

namespace ovilux::usb {

using platform::DeviceHandle;
using platform::Event;
using platform::EventReset;
using platform::IoResult;
using platform::Overlapped;
using platform::WaitResult;
namespace win32_error = platform::win32_error;
namespace fx3_ioctl = platform::fx3_ioctl;

CFx3Api::CFx3Api(platform::DriverPort& port, const platform::InterfaceGuid* guid, const char* tableName)
    : port_(port), table_(DeviceTable::ForName(tableName != nullptr ? tableName : kDeviceTableName)) {
    table_.Attach(view_);
    guid_ = guid != nullptr ? *guid : kDefaultInterfaceGuid;
}

CFx3Api::~CFx3Api() { table_.Detach(view_); }

int32_t CFx3Api::EnumerateDevices() {
    const std::vector<std::string> paths = port_.EnumerateInterfaces(guid_);
    std::vector<InterfaceCandidate> found;
    for (size_t member = 0; member < paths.size() && member < static_cast<size_t>(kMaxDevices); ++member) {
        const std::string& path = paths[member];
        if (!FitsDeviceRecord(path)) {
            continue;
        }
        // Only an interface that opens is registered.
        DeviceHandle probe = port_.Open(path.c_str(), true);
        if (probe == nullptr) {
            continue;
        }
        port_.Close(probe);
        found.push_back({ParseInterfaceId(path, kVendorIdColumn), ParseInterfaceId(path, kProductIdColumn), path});
    }
    return table_.Register(found, view_);
}

bool CFx3Api::IsRowInUse(int32_t row) const { return row >= 0 && row < kMaxDevices && row < table_.RecordCount(); }

int32_t CFx3Api::IsDevicePresent(int32_t row) {
    DeviceHandle handle = nullptr;
    if (!OpenDevicePath(&handle, row, false)) {
        return 0;
    }
    CloseDeviceHandle(&handle);
    return 1;
}

int32_t CFx3Api::OpenDevicePath(DeviceHandle* handle, int32_t row, bool overlapped) {
    if (handle == nullptr) {
        return 0;
    }
    *handle = nullptr;
    if (!IsRowInUse(row)) {
        return 0;
    }
    const DeviceRecord record = table_.Record(row);
    *handle = port_.Open(record.devicePath, overlapped);
    return *handle != nullptr ? 1 : 0;
}

int32_t CFx3Api::CloseDeviceHandle(DeviceHandle* handle) {
    if (handle == nullptr || *handle == nullptr) {
        return 0;
    }
    port_.Close(*handle);
    *handle = nullptr;
    return 1;
}

int32_t CFx3Api::SendControlTransfer(DeviceHandle handle, uint8_t* block, uint32_t blockLength,
                                     uint32_t* bytesReturned) {
    if (handle == nullptr || block == nullptr) {
        return 0;
    }
    const IoResult result =
        port_.IoControl(handle, fx3_ioctl::kControlTransfer, block, blockLength, block, blockLength, nullptr);
    if (!result.ok) {
        return 0;
    }
    if (bytesReturned != nullptr) {
        *bytesReturned = result.bytes;
    }
    return 1;
}

int32_t CFx3Api::SendBufferedTransfer(DeviceHandle handle, uint8_t* block, uint32_t blockLength,
                                      uint32_t* bytesReturned) {
    if (handle == nullptr || block == nullptr) {
        return 0;
    }
    Event done(EventReset::Auto, false);
    if (!done.IsValid()) {
        return 0;
    }
    Overlapped overlapped(done);
    IoResult result =
        port_.IoControl(handle, fx3_ioctl::kBufferedTransfer, block, blockLength, block, blockLength, &overlapped);
    if (!result.ok && result.error == win32_error::kSuccess) {
        result.ok = true;
    } else if (!result.ok && result.error == win32_error::kIoPending) {
        if (done.Wait(kBufferedTransferWaitMs) == WaitResult::Signalled) {
            result = port_.GetOverlappedResult(handle, overlapped, false);
        } else {
            // The block is the controller's transfer buffer and the event lives on this stack:
            // the request must have completed before either goes.
            AbortEndpoint(handle, kFrameEndpoint);
            if (done.Wait(kAbortGraceMs) != WaitResult::Signalled) {
                port_.CancelIo(handle, &overlapped);
                done.Wait(platform::kWaitInfinite);
            }
            result.ok = false;
        }
    }
    if (!result.ok) {
        return 0;
    }
    if (bytesReturned != nullptr) {
        *bytesReturned = result.bytes;
    }
    return 1;
}

std::unique_ptr<DirectRequest> CFx3Api::BeginDirectTransfer(DeviceHandle handle, uint8_t* data, uint32_t length,
                                                            uint8_t endpoint, Overlapped& overlapped) {
    if (handle == nullptr) {
        return nullptr;
    }
    auto request = std::make_unique<DirectRequest>();
    EncodeDirectHeader(endpoint, request->header);
    request->overlapped = &overlapped;
    request->start = port_.IoControl(handle, fx3_ioctl::kDirectTransfer, request->header, kTransferHeaderBytes, data,
                                     length, &overlapped);
    if (!request->start.ok) {
        lastError_ = request->start.error;
    }
    return request;
}

bool CFx3Api::WaitDirectTransfer(const DirectRequest& request, uint32_t milliseconds) {
    if (request.start.ok) {
        return true;
    }
    if (!request.Outstanding() || request.overlapped == nullptr) {
        return false;
    }
    return request.overlapped->event->Wait(milliseconds) == WaitResult::Signalled;
}

int32_t CFx3Api::FinishDirectTransfer(DeviceHandle handle, std::unique_ptr<DirectRequest> request, uint32_t* bytes) {
    if (request == nullptr || request->overlapped == nullptr) {
        return 0;
    }
    const IoResult result = port_.GetOverlappedResult(handle, *request->overlapped, false);
    if (!result.ok) {
        return 0;
    }
    if (bytes != nullptr) {
        *bytes = result.bytes;
    }
    const TransferHeader header = DecodeTransferHeader(request->header);
    return header.ntStatus == 0 && header.usbdStatus == 0 ? 1 : 0;
}

void CFx3Api::CancelDirectTransfer(DeviceHandle handle, uint8_t endpoint, const DirectRequest& request) {
    if (!request.Outstanding() || request.overlapped == nullptr) {
        return;  // a request that never started has nothing in flight to wait for
    }
    Event& done = *request.overlapped->event;
    AbortEndpoint(handle, endpoint);
    if (done.Wait(kAbortGraceMs) == WaitResult::Signalled) {
        return;
    }
    AbortEndpoint(handle, endpoint);
    port_.CancelIo(handle, request.overlapped);
    done.Wait(platform::kWaitInfinite);
}

int32_t CFx3Api::AbortEndpoint(DeviceHandle handle, uint8_t endpoint) {
    if (handle == nullptr) {
        return 0;
    }
    Event done(EventReset::Auto, false);
    if (!done.IsValid()) {
        return 0;
    }
    Overlapped overlapped(done);
    uint8_t address = endpoint;
    IoResult result = port_.IoControl(handle, fx3_ioctl::kAbortPipe, &address, 1, nullptr, 0, &overlapped);
    if (!result.ok && result.error == win32_error::kIoPending) {
        done.Wait(platform::kWaitInfinite);
        result = port_.GetOverlappedResult(handle, overlapped, false);
    }
    return result.ok ? 1 : 0;
}

int32_t CFx3Api::GetDeviceSpeed(uint32_t* speed) {
    if (speed == nullptr) {
        return 0;
    }
    DeviceHandle handle = nullptr;
    if (!OpenDevicePath(&handle, deviceRow_, false)) {
        return 0;
    }
    uint8_t in[4] = {};
    uint8_t out[4] = {};
    const IoResult result = port_.IoControl(handle, fx3_ioctl::kDeviceSpeed, in, 4, out, 4, nullptr);
    if (result.ok) {
        *speed = GetLe32(out);
    }
    CloseDeviceHandle(&handle);
    return 1;
}

int32_t CFx3Api::ResetParentPort() {
    DeviceHandle handle = nullptr;
    if (!OpenDevicePath(&handle, deviceRow_, false)) {
        return 0;
    }
    const IoResult result = port_.IoControl(handle, fx3_ioctl::kResetParentPort, nullptr, 0, nullptr, 0, nullptr);
    CloseDeviceHandle(&handle);
    return result.ok ? 1 : 0;
}

int32_t CFx3Api::ResetPipe(uint8_t endpoint) {
    DeviceHandle handle = nullptr;
    if (!OpenDevicePath(&handle, deviceRow_, false)) {
        return 0;
    }
    uint8_t address = endpoint;
    const IoResult result = port_.IoControl(handle, fx3_ioctl::kResetPipe, &address, 1, nullptr, 0, nullptr);
    CloseDeviceHandle(&handle);
    return result.ok ? 1 : 0;
}

int32_t CFx3Api::GetModelName(int32_t row, char* text, size_t capacity) {
    if (!IsDevicePresent(row)) {
        return 0;
    }
    const DeviceRecord record = table_.Record(row);
    return FormatModelName(record.productId, record.deviceNumber, text, capacity) ? 1 : 0;
}

DeviceRecord CFx3Api::GetTableRecord(int32_t row) const { return table_.Record(row); }

int32_t CFx3Api::GetRecordCount() const { return table_.RecordCount(); }

int32_t CFx3Api::GetAttachCount() const { return table_.AttachCount(); }

}  // namespace ovilux::usb
