// OutputFile.cpp - the temporary file and its replacement of the target.
#include "image/files/OutputFile.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#include "image/files/AnsiPath.h"
#include "image/files/ImageFileFormat.h"

namespace ovilux::image {

namespace fs = std::filesystem;

namespace {

// Attempts at finding a temporary name nobody uses before giving up.
constexpr int kTemporaryNameAttempts = 16;

uint64_t NextTemporaryNumber() {
    static std::atomic<uint64_t> counter{[] {
        uint64_t seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        try {
            std::random_device device;
            seed ^= (uint64_t{device()} << 32) | device();
        } catch (...) {
            // The clock alone still separates this process's names from other processes' mostly;
            // an existing name is skipped anyway.
        }
        return seed;
    }()};
    return counter.fetch_add(0x9E3779B97F4A7C15ull);
}

// A name in the target's own folder, so that the final rename never crosses file systems.
fs::path TemporaryBeside(const fs::path& file) {
    char name[40];
    std::snprintf(name, sizeof(name), ".ovilux-%016llx.tmp", static_cast<unsigned long long>(NextTemporaryNumber()));
    return file.parent_path() / name;
}

bool HasWritePermission(fs::perms permissions) {
    return (permissions & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) != fs::perms::none;
}

}  // namespace

COutputFile::~COutputFile() { Discard(); }

bool COutputFile::Open(const char* fileName) {
    Discard();
    if (fileName == nullptr || fileName[0] == '\0') {
        return false;
    }
    target = PathOfAnsiName(fileName);
    if (target.empty() || !target.has_filename()) {
        return false;
    }
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        // Saving through a link writes the file it points to, as opening it would; the link stays.
        target = fs::weakly_canonical(target, error);
        if (error) {
            return false;
        }
    }
    const fs::file_status existing = fs::status(target, error);
    if (fs::exists(existing)) {
        // A read-only file is refused, as opening it for writing would be, even for a user
        // whom the system would let replace it; folders and devices are never replaced by a file.
        if (!fs::is_regular_file(existing) || !HasWritePermission(existing.permissions())) {
            return false;
        }
    }
    for (int attempt = 0; attempt < kTemporaryNameAttempts && !open; ++attempt) {
        temporary = TemporaryBeside(target);
        if (fs::exists(fs::symlink_status(temporary, error))) {
            continue;
        }
        stream.open(temporary, std::ios::out | std::ios::binary | std::ios::trunc);
        open = stream.is_open();
        if (!open) {
            return false;  // the folder is missing or takes no new file
        }
    }
    if (open && !buffer) {
        buffer = std::make_unique_for_overwrite<char[]>(kOutputFileBufferBytes);
    }
    buffered = 0;
    position = 0;
    size = 0;
    failed = !open;
    return open;
}

bool COutputFile::Write(const void* data, size_t count) {
    if (!open || failed || (data == nullptr && count != 0)) {
        failed = true;
        return false;
    }
    if (count > kOutputFileBufferBytes - buffered && !Drain()) {
        return false;
    }
    if (count >= kOutputFileBufferBytes) {
        stream.write(static_cast<const char*>(data), static_cast<std::streamsize>(count));
        if (!stream) {
            failed = true;
            return false;
        }
    } else if (count > 0) {
        std::memcpy(buffer.get() + buffered, data, count);
        buffered += count;
    }
    position += count;
    size = std::max(size, position);
    return true;
}

bool COutputFile::Seek(uint64_t newPosition) {
    if (!open || failed || newPosition > static_cast<uint64_t>(INT64_MAX) || !Drain()) {
        failed = true;
        return false;
    }
    stream.seekp(static_cast<std::streamoff>(newPosition));
    if (!stream) {
        failed = true;
        return false;
    }
    position = newPosition;
    return true;
}

bool COutputFile::Drain() {
    if (buffered > 0) {
        stream.write(buffer.get(), static_cast<std::streamsize>(buffered));
        buffered = 0;
        if (!stream) {
            failed = true;
            return false;
        }
    }
    return true;
}

bool COutputFile::Commit() {
    if (!open || failed || !Drain()) {
        Discard();
        return false;
    }
    stream.flush();
    const bool written = static_cast<bool>(stream);
    stream.close();
    if (!written || stream.fail()) {
        Discard();
        return false;
    }
    std::error_code error;
    const fs::file_status existing = fs::status(target, error);
    if (fs::exists(existing)) {
        fs::permissions(temporary, existing.permissions(), error);
    }
    fs::rename(temporary, target, error);
    if (error) {
        Discard();
        return false;
    }
    open = false;
    return true;
}

void COutputFile::Discard() {
    if (stream.is_open()) {
        stream.close();
    }
    if (open) {
        std::error_code error;
        fs::remove(temporary, error);
    }
    stream.clear();
    buffered = 0;
    open = false;
    failed = false;
}

}  // namespace ovilux::image
