// ExclusiveFile.cpp - Win32 files opened without sharing.
#include "platform/ExclusiveFile.h"

#include <windows.h>

namespace ovilux::platform {

namespace {

HANDLE Handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

bool MoveTo(HANDLE file, uint64_t position) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != 0;
}

}  // namespace

bool ExclusiveFile::Open(const std::filesystem::path& path) {
    Close();
    // Share mode 0: while it is open, no other handle to the file can be opened at all.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    return true;
}

bool ExclusiveFile::WriteAt(uint64_t position, const void* data, size_t size) {
    if (!IsOpen() || !MoveTo(Handle(handle_), position)) {
        return false;
    }
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (WriteFile(Handle(handle_), bytes, chunk, &written, nullptr) == 0 || written == 0) {
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

bool ExclusiveFile::Truncate(uint64_t size) {
    return IsOpen() && MoveTo(Handle(handle_), size) && SetEndOfFile(Handle(handle_)) != 0;
}

void ExclusiveFile::Close() {
    if (IsOpen()) {
        CloseHandle(Handle(handle_));
        handle_ = kNoHandle;
    }
}

}  // namespace ovilux::platform
