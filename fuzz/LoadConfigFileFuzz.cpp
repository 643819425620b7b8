// Configuration files of any content, loaded into a session without a camera.
#include <cstdlib>

#include "FuzzInputFile.h"
#include "OviluxSdk.h"

namespace {

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ovilux::fuzz::FuzzInputFile input(".cfg");
    static const Session session;
    const char* name = input.Write(data, size);
    if (name == nullptr) {
        return 0;
    }
    Ovilux_LoadConfigFileA(session.handle, name);
    while (Ovilux_GetLastError(session.handle) != 0) {
    }
    return 0;
}
