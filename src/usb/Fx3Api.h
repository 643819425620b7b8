// Fx3Api.h - the FX3 driver's requests and the shared device table: finding the cameras,
// opening their interface paths and sending control, buffered and direct transfers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/DriverPort.h"
#include "platform/SharedMemory.h"
#include "usb/DeviceTableLayout.h"
#include "usb/UsbConstants.h"

namespace ovilux::usb {

class DeviceTable;

// The device-interface class the cameras' driver registers.
constexpr platform::InterfaceGuid kDefaultInterfaceGuid = platform::kFx3DriverGuid;

// A direct transfer in flight: the header the driver writes its status into, which must
// outlive the request, and how the request started.
struct DirectRequest {
    uint8_t header[kTransferHeaderBytes] = {};
    platform::Overlapped* overlapped = nullptr;
    platform::IoResult start;
    // True when the request may still be running and so must be completed or cancelled
    // before its buffers go.
    bool Outstanding() const { return !start.ok && start.error == platform::win32_error::kIoPending; }
};

// Talks to the driver through a DriverPort. Attaches to the named device table on
// construction and detaches on destruction. Every operation reports failure by its result
// (0, or null) and never throws. The table and request operations may be called from any
// thread; one object's direct transfers and stream belong to one thread at a time.
class CFx3Api {
public:
    // guid null: the cameras' class. tableName null: the table every process shares.
    explicit CFx3Api(platform::DriverPort& port, const platform::InterfaceGuid* guid = nullptr,
                     const char* tableName = nullptr);
    virtual ~CFx3Api();
    CFx3Api(const CFx3Api&) = delete;
    CFx3Api& operator=(const CFx3Api&) = delete;

    // Adds the present interfaces of the object's class that have no row yet; the record count.
    int32_t EnumerateDevices();
    // The row is in use and its path opens.
    int32_t IsDevicePresent(int32_t row);
    // Opens a handle on the row's path; fails (handle null) for a row not in use or a path
    // that will not open.
    int32_t OpenDevicePath(platform::DeviceHandle* handle, int32_t row, bool overlapped);
    // Closes a non-null handle and nulls it; 0 when there was none.
    int32_t CloseDeviceHandle(platform::DeviceHandle* handle);

    // A control block on endpoint 0, synchronously; bytesReturned may be null.
    int32_t SendControlTransfer(platform::DeviceHandle handle, uint8_t* block, uint32_t blockLength,
                                uint32_t* bytesReturned);
    // A buffered bulk block, aborted on the frame endpoint and failed after 3000 ms.
    int32_t SendBufferedTransfer(platform::DeviceHandle handle, uint8_t* block, uint32_t blockLength,
                                 uint32_t* bytesReturned);

    // Starts a direct transfer into data; null only when handle is null. overlapped (and its
    // event) must outlive the request.
    std::unique_ptr<DirectRequest> BeginDirectTransfer(platform::DeviceHandle handle, uint8_t* data, uint32_t length,
                                                       uint8_t endpoint, platform::Overlapped& overlapped);
    // True when the started request has completed within milliseconds.
    bool WaitDirectTransfer(const DirectRequest& request, uint32_t milliseconds);
    // Collects a completed request: non-zero when the driver reports no error.
    int32_t FinishDirectTransfer(platform::DeviceHandle handle, std::unique_ptr<DirectRequest> request,
                                 uint32_t* bytes);
    // Ends a request that outlasted its wait: aborts its endpoint, and when that does not
    // complete it within a grace period, cancels it; returns once it has completed.
    void CancelDirectTransfer(platform::DeviceHandle handle, uint8_t endpoint, const DirectRequest& request);

    // Aborts the pending requests of an endpoint and waits for the abort to finish.
    int32_t AbortEndpoint(platform::DeviceHandle handle, uint8_t endpoint);

    // Requests on a fresh handle of deviceRow.
    int32_t GetDeviceSpeed(uint32_t* speed);
    int32_t ResetParentPort();
    int32_t ResetPipe(uint8_t endpoint);

    // The display name of a present row; fails, writing nothing, for unnamed products.
    int32_t GetModelName(int32_t row, char* text, size_t capacity);

    // The process copy of the table.
    DeviceRecord GetTableRecord(int32_t row) const;
    int32_t GetRecordCount() const;
    int32_t GetAttachCount() const;

    int32_t DeviceRow() const { return deviceRow_; }
    uint32_t LastError() const { return lastError_; }
    const platform::InterfaceGuid& Guid() const { return guid_; }

protected:
    platform::DriverPort& port_;
    // The table row that request handles are opened on.
    int32_t deviceRow_ = 0;

private:
    bool IsRowInUse(int32_t row) const;

    DeviceTable& table_;
    platform::SharedMemory view_;
    platform::InterfaceGuid guid_{};
    // The error with which the last direct transfer failed to start.
    uint32_t lastError_ = 0;
};

}  // namespace ovilux::usb
