// Settings texts of any content imported into a scratch store: an import is either stored whole
// or refused naming a line with the store left exactly as it was, and whatever was stored exports
// as a text that imports again.
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzInputFile.h"
#include "OviluxSettings.h"

namespace {

std::string Export() {
    const int32_t size = OviluxSettings_Export(0, nullptr, 0);
    if (size < 0) {
        std::abort();
    }
    std::string text(static_cast<size_t>(size) + 1, '\0');
    if (OviluxSettings_Export(0, text.data(), size + 1) != size) {
        std::abort();
    }
    text.resize(static_cast<size_t>(size));
    return text;
}

// The store is a file of this process's own, in memory where the system allows.
struct ScratchStore {
    ScratchStore() : file(".sqlite3") { setenv("OVILUX_REGISTRY", file.Path(), 1); }
    ~ScratchStore() {
        for (const char* side : {"-wal", "-shm"}) {
            std::remove((std::string(file.Path()) + side).c_str());
        }
    }
    ovilux::fuzz::FuzzInputFile file;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchStore store;
    const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    const std::string before = Export();
    char message[512] = {};
    if (OviluxSettings_Import(0, text.c_str(), message, sizeof message) == 1) {
        const std::string stored = Export();
        if (OviluxSettings_Import(0, stored.c_str(), message, sizeof message) != 1 || Export() != stored) {
            std::abort();  // what was stored does not read back as itself
        }
    } else if (std::strncmp(message, "line ", 5) != 0 || Export() != before) {
        std::abort();  // a refusal must name the line and change nothing
    }
    return 0;
}
