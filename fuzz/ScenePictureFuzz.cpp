// Picture files of any content shown to a simulated camera (BMP or PNG, told apart by their
// content): each is taken or refused, never read beyond its bytes (the sanitizers watch every
// read of the file's header, palette, rows and chunks).
#include <cstdlib>

#include "FuzzInputFile.h"
#include "OviluxSim.h"

namespace {

// One simulated camera for the whole run, unplugged when the run ends.
struct Camera {
    Camera() : port(OviluxSim_Attach(0x3030, OVILUX_SIM_ANY_PORT)) {
        if (port < 0) {
            std::abort();  // no camera: nothing would be fuzzed
        }
    }
    ~Camera() { OviluxSim_Detach(port); }
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;
    const int32_t port;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ovilux::fuzz::FuzzInputFile input(".pic");
    static const Camera camera;
    const char* name = input.Write(data, size);
    if (name == nullptr) {
        return 0;
    }
    const int32_t shown = OviluxSim_ShowPictureFile(camera.port, name);
    if (shown != 0 && shown != 1) {
        std::abort();
    }
    return 0;
}
