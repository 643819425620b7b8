// Picture files of any content shown to a simulated camera (BMP or PNG, told apart by their
// content): each is taken or refused, never read beyond its bytes, and a refused one leaves the
// camera able to take the next.
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

constexpr uint8_t kGrayPixel = 0x80;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ovilux::fuzz::FuzzInputFile input(".pic");
    static const Camera camera;
    const char* name = input.Write(data, size);
    if (name == nullptr) {
        return 0;
    }
    if (OviluxSim_ShowPictureFile(camera.port, name) == 0 &&
        OviluxSim_ShowPicture(camera.port, &kGrayPixel, 1, 1, 4, 8) != 1) {
        std::abort();  // a refused file broke the camera's scene
    }
    return 0;
}
