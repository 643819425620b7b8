// Mask files of any content, loaded into a session without a camera: every file that is not a
// whole mask file is refused with code 14 (inputs stay far below a whole file's 30 MB; files that
// load are the unit tests' part).
#include <cstdlib>
#include <cstring>

#include "FuzzInputFile.h"
#include "OviluxSdk.h"

namespace {

constexpr size_t kMaskFileBytes = 30233128;
constexpr uint8_t kHeader[40] = {'T', 'E', 'S', 'M', 'O', 'R', ' ', 'M', 'A', 'S', 'K', '1', '0', '0', '0', 0,
                                 0x20, 0x0A, 0, 0, 0x98, 0x07, 0, 0, 0x00, 0xE3, 0x4C, 0, 0x00, 0xE3, 0x4C, 0,
                                 0x00, 0xC6, 0x99, 0, 0x00, 0xC6, 0x99, 0};

// One session for the whole run, released when the run ends as an application would.
struct Session {
    Session() : handle(Ovilux_Initialize(nullptr)) {
        if (handle == 0) {
            std::abort();  // no session: nothing would be fuzzed
        }
    }
    ~Session() { Ovilux_Release(handle); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    const uint32_t handle;
};

void Load(const Session& session, const char* name, bool whole) {
    if (name == nullptr) {
        return;
    }
    const int32_t loaded = Ovilux_LoadMaskFile(session.handle, name);
    const int32_t code = Ovilux_GetLastError(session.handle);
    if (loaded != (whole ? 1 : 0) || code != (whole ? 0 : 14)) {
        std::abort();
    }
    while (Ovilux_GetLastError(session.handle) != 0) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ovilux::fuzz::FuzzInputFile input(".dat");
    static const Session session;
    const bool header = size >= sizeof(kHeader) && std::memcmp(data, kHeader, sizeof(kHeader)) == 0;
    Load(session, input.Write(data, size), header && size >= kMaskFileBytes);
    return 0;
}
