// Fx3DriverPort.cpp - the real FX3 driver, reached through SetupAPI and DeviceIoControl.
#include "platform/win32/Fx3DriverPort.h"

#include <windows.h>
#include <setupapi.h>

#include <cstring>

#include "platform/Event.h"

namespace ovilux::platform {

namespace {

static_assert(sizeof(OVERLAPPED) <= sizeof(Overlapped::native), "the OVERLAPPED must fit the port's record");

OVERLAPPED* NativeOverlapped(Overlapped& overlapped) { return reinterpret_cast<OVERLAPPED*>(overlapped.native); }

IoResult Failure(uint32_t error) {
    IoResult result;
    result.error = error;
    return result;
}

IoResult Outcome(BOOL succeeded, DWORD bytes) {
    IoResult result;
    result.ok = succeeded != FALSE;
    if (result.ok) {
        result.bytes = bytes;
    } else {
        result.error = GetLastError();
    }
    return result;
}

// The interface path of one member of the set; empty when the member cannot be read.
std::string InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        return {};
    }
    std::string buffer(required, '\0');
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr)) {
        return {};
    }
    return std::string(detail->DevicePath);
}

}  // namespace

std::vector<std::string> Fx3DriverPort::EnumerateInterfaces(const InterfaceGuid& guid) {
    GUID classGuid;
    std::memcpy(&classGuid, guid.bytes, sizeof(classGuid));
    std::vector<std::string> paths;
    HDEVINFO set = SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        return paths;
    }
    for (DWORD member = 0;; ++member) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof(data);
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &classGuid, member, &data)) {
            if (GetLastError() == ERROR_NO_MORE_ITEMS) {
                break;
            }
            continue;
        }
        std::string path = InterfacePath(set, data);
        if (!path.empty()) {
            paths.push_back(std::move(path));
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

DeviceHandle Fx3DriverPort::Open(const char* path, bool overlapped) {
    if (path == nullptr) {
        return nullptr;
    }
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

bool Fx3DriverPort::Close(DeviceHandle handle) { return handle != nullptr && CloseHandle(handle) != FALSE; }

IoResult Fx3DriverPort::IoControl(DeviceHandle handle, uint32_t code, void* in, uint32_t inLength, void* out,
                                  uint32_t outLength, Overlapped* overlapped) {
    if (handle == nullptr) {
        return Failure(win32_error::kInvalidHandle);
    }
    OVERLAPPED* native = nullptr;
    if (overlapped != nullptr) {
        native = NativeOverlapped(*overlapped);
        std::memset(native, 0, sizeof(OVERLAPPED));
        native->hEvent = overlapped->event != nullptr ? overlapped->event->NativeHandle() : nullptr;
    }
    DWORD bytes = 0;
    const BOOL succeeded = DeviceIoControl(handle, code, in, inLength, out, outLength, &bytes, native);
    return Outcome(succeeded, bytes);
}

IoResult Fx3DriverPort::GetOverlappedResult(DeviceHandle handle, Overlapped& overlapped, bool wait) {
    if (handle == nullptr) {
        return Failure(win32_error::kInvalidHandle);
    }
    DWORD bytes = 0;
    const BOOL succeeded = ::GetOverlappedResult(handle, NativeOverlapped(overlapped), &bytes, wait ? TRUE : FALSE);
    return Outcome(succeeded, bytes);
}

bool Fx3DriverPort::CancelIo(DeviceHandle handle, Overlapped* overlapped) {
    if (handle == nullptr) {
        return false;
    }
    return CancelIoEx(handle, overlapped != nullptr ? NativeOverlapped(*overlapped) : nullptr) != FALSE;
}

DriverPort& SystemDriverPort() {
    static Fx3DriverPort port;
    return port;
}

}  // namespace ovilux::platform
