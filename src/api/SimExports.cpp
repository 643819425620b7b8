// SimExports.cpp - the OviluxSim_ functions over the simulated bus, and the environment switch
// that plugs simulated cameras in when the library loads.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "OviluxSim.h"
#include "session/SessionProduct.h"
#include "sim/ScenePictureFile.h"
#include "sim/SimCamera.h"
#include "sim/SimulatedBus.h"

namespace sim = ovilux::sim;

namespace {

std::shared_ptr<sim::CSimCamera> CameraOn(int32_t port) { return sim::CSimulatedBus::Instance().Camera(port); }

// Runs action on the camera of port; 0 when there is none.
template <typename Action>
int32_t WithCamera(int32_t port, Action action) {
    const std::shared_ptr<sim::CSimCamera> camera = CameraOn(port);
    if (camera == nullptr) {
        return 0;
    }
    return action(*camera);
}

// Reads one of the camera's frame counts into *count; 0 for a null count or no camera.
int32_t ReadFrameTally(int32_t port, uint32_t* count, uint32_t (sim::CSimCamera::*tally)()) {
    if (count == nullptr) {
        return 0;
    }
    return WithCamera(port, [count, tally](sim::CSimCamera& camera) {
        *count = (camera.*tally)();
        return 1;
    });
}

const bool g_environmentApplied = [] {
    const char* simulate = std::getenv("OVILUX_SIMULATE");
    const char* speed = std::getenv("OVILUX_SIM_SPEED");
    const char* scene = std::getenv("OVILUX_SIM_SCENE");
    if ((simulate != nullptr || speed != nullptr || scene != nullptr) &&
        !sim::CSimulatedBus::Instance().ApplyEnvironment(simulate, speed, scene)) {
        // A tester who named a picture must not mistake the chart for it.
        std::fprintf(stderr, "OVILUX_SIM_SCENE: cannot read \"%s\" as a BMP or PNG picture; showing the chart\n", scene);
    }
    return true;
}();

}  // namespace

extern "C" int32_t OviluxSim_Attach(uint32_t productId, int32_t port) {
    if (productId > 0xFFFF) {
        return -1;
    }
    return sim::CSimulatedBus::Instance().Attach(static_cast<uint16_t>(productId), port);
}

extern "C" int32_t OviluxSim_SetSessionProduct(uint32_t productId) {
    if (productId > 0xFFFF) {
        return 0;
    }
    ovilux::session::ChooseSessionProduct(static_cast<int32_t>(productId));
    return 1;
}

extern "C" int32_t OviluxSim_Detach(int32_t port) { return sim::CSimulatedBus::Instance().Detach(port) ? 1 : 0; }

extern "C" int32_t OviluxSim_List(OviluxSimCamera* cameras, int32_t capacity) {
    if (capacity < 0 || (cameras == nullptr && capacity > 0)) {
        return -1;
    }
    const std::vector<sim::CSimCameraInfo> attached = sim::CSimulatedBus::Instance().List();
    for (int32_t i = 0; i < capacity && i < static_cast<int32_t>(attached.size()); ++i) {
        cameras[i] = OviluxSimCamera{};
        cameras[i].port = attached[i].port;
        cameras[i].vendorId = attached[i].vendorId;
        cameras[i].productId = attached[i].productId;
        std::strncpy(cameras[i].path, attached[i].path.c_str(), OVILUX_SIM_PATH_SIZE - 1);
    }
    return static_cast<int32_t>(attached.size());
}

extern "C" int32_t OviluxSim_Trigger(int32_t port) {
    return WithCamera(port, [](sim::CSimCamera& camera) { return camera.Trigger() ? 1 : 0; });
}

extern "C" int32_t OviluxSim_SetSpeed(int32_t speed) {
    if (speed != OVILUX_SIM_SPEED_FAST && speed != OVILUX_SIM_SPEED_REALTIME) {
        return 0;
    }
    sim::CSimulatedBus::Instance().SetSpeed(speed == OVILUX_SIM_SPEED_FAST ? sim::SimSpeed::Fast
                                                                            : sim::SimSpeed::Realtime);
    return 1;
}

extern "C" int32_t OviluxSim_GetSpeed(void) {
    return sim::CSimulatedBus::Instance().Speed() == sim::SimSpeed::Fast ? OVILUX_SIM_SPEED_FAST
                                                                         : OVILUX_SIM_SPEED_REALTIME;
}

extern "C" int32_t OviluxSim_DropHeaders(int32_t port, uint32_t count) {
    return WithCamera(port, [count](sim::CSimCamera& camera) {
        camera.DropHeaders(count);
        return 1;
    });
}

extern "C" int32_t OviluxSim_MisreportPayload(int32_t port, int32_t deltaBytes, uint32_t frames) {
    return WithCamera(port, [deltaBytes, frames](sim::CSimCamera& camera) {
        camera.MisreportPayload(deltaBytes, frames);
        return 1;
    });
}

extern "C" int32_t OviluxSim_Stall(int32_t port, uint32_t milliseconds) {
    return WithCamera(port, [milliseconds](sim::CSimCamera& camera) {
        camera.Stall(milliseconds);
        return 1;
    });
}

extern "C" int32_t OviluxSim_SilenceBusAddress(int32_t port, uint32_t busAddress, int32_t silent) {
    if (busAddress > 0xFF) {
        return 0;
    }
    return WithCamera(port, [busAddress, silent](sim::CSimCamera& camera) {
        camera.SetSilent(static_cast<uint8_t>(busAddress), silent != 0);
        return 1;
    });
}

extern "C" int32_t OviluxSim_FailSromWrites(int32_t port, int32_t fail) {
    return WithCamera(port, [fail](sim::CSimCamera& camera) {
        camera.SetFailSromWrites(fail != 0);
        return 1;
    });
}

extern "C" int32_t OviluxSim_PeekSensorRegister(int32_t port, uint32_t address, uint16_t* value) {
    if (value == nullptr || address > 0xFF) {
        return 0;
    }
    return WithCamera(port, [address, value](sim::CSimCamera& camera) {
        *value = camera.SensorRegister(static_cast<uint8_t>(address));
        return 1;
    });
}

extern "C" int32_t OviluxSim_PeekFpgaRegister(int32_t port, uint32_t address, uint8_t* value) {
    if (value == nullptr || address > 0xFF) {
        return 0;
    }
    return WithCamera(port, [address, value](sim::CSimCamera& camera) {
        *value = camera.FpgaRegister(static_cast<uint8_t>(address));
        return 1;
    });
}

extern "C" int32_t OviluxSim_PeekSrom(int32_t port, uint32_t address, uint8_t* value) {
    if (value == nullptr || address >= sim::kSromSize) {
        return 0;
    }
    return WithCamera(port, [address, value](sim::CSimCamera& camera) {
        *value = camera.SromByte(address);
        return 1;
    });
}

extern "C" int32_t OviluxSim_GetFrameCount(int32_t port, uint32_t* count) {
    return ReadFrameTally(port, count, &sim::CSimCamera::FramesProduced);
}

extern "C" int32_t OviluxSim_GetFramesSent(int32_t port, uint32_t* count) {
    return ReadFrameTally(port, count, &sim::CSimCamera::FramesSent);
}

extern "C" int32_t OviluxSim_GetCpuTime(int32_t port, uint64_t* nanoseconds) {
    if (nanoseconds == nullptr) {
        return 0;
    }
    return WithCamera(port, [nanoseconds](sim::CSimCamera& camera) {
        *nanoseconds = camera.CpuNs();
        return 1;
    });
}

extern "C" int32_t OviluxSim_SetSceneOptions(int32_t port, uint32_t options) {
    if ((options & ~uint32_t{OVILUX_SIM_NO_NOISE | OVILUX_SIM_NO_MOTION | OVILUX_SIM_NO_DEFECTS |
                             OVILUX_SIM_FIXED_LEVELS}) != 0) {
        return 0;
    }
    sim::SceneOptions scene;
    scene.noise = (options & OVILUX_SIM_NO_NOISE) == 0;
    scene.motion = (options & OVILUX_SIM_NO_MOTION) == 0;
    scene.defects = (options & OVILUX_SIM_NO_DEFECTS) == 0;
    scene.fixedLevels = (options & OVILUX_SIM_FIXED_LEVELS) != 0;
    return WithCamera(port, [&scene](sim::CSimCamera& camera) {
        camera.SetSceneOptions(scene);
        return 1;
    });
}

extern "C" int32_t OviluxSim_ShowPicture(int32_t port, const void* pixels, int32_t width, int32_t height,
                                         int32_t stride, int32_t bitsPerPixel) {
    std::shared_ptr<const sim::CScene> scene;  // null pixels: the built-in chart
    if (pixels != nullptr) {
        const int32_t channels = bitsPerPixel == 8 ? 1 : bitsPerPixel == 24 ? 3 : 0;
        if (channels == 0 || width <= 0 || height <= 0 || stride / channels < width) {
            return 0;
        }
        scene = sim::CScene::FromPicture({static_cast<const uint8_t*>(pixels), width, height, stride, channels});
    }
    return WithCamera(port, [&scene](sim::CSimCamera& camera) {
        camera.SetScene(scene);
        return 1;
    });
}

extern "C" int32_t OviluxSim_ShowPictureFile(int32_t port, const char* path) {
    if (CameraOn(port) == nullptr) {
        return 0;
    }
    const std::shared_ptr<const sim::CScene> scene = sim::LoadScenePicture(path);
    if (scene == nullptr) {
        return 0;
    }
    return WithCamera(port, [&scene](sim::CSimCamera& camera) {
        camera.SetScene(scene);
        return 1;
    });
}
