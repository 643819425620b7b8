// FuzzInputFile.h - for targets whose export reads a file: the input written to a file of this
// process's own, rewritten for each input.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace ovilux::fuzz {

class FuzzInputFile {
public:
    // In memory (/dev/shm) where the system has it: a million inputs on a disk are slow.
    explicit FuzzInputFile(const char* suffix)
        : path_(std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/ovilux-fuzz-" +
                std::to_string(getpid()) + suffix) {}
    ~FuzzInputFile() { std::remove(path_.c_str()); }
    FuzzInputFile(const FuzzInputFile&) = delete;
    FuzzInputFile& operator=(const FuzzInputFile&) = delete;

    // The file's name once it holds exactly the input; null when it could not be written.
    const char* Write(const uint8_t* data, size_t size) {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (file == nullptr) {
            return nullptr;
        }
        const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
        return std::fclose(file) == 0 && written ? path_.c_str() : nullptr;
    }

    const char* Path() const { return path_.c_str(); }

private:
    std::string path_;
};

}  // namespace ovilux::fuzz
