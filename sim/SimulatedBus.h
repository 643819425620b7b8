// SimulatedBus.h - the simulated USB bus behind the driver port: cameras attached by product id
// on numbered ports, their interface paths, handles opened on them, and the driver requests
// routed to them. One bus per process, never destroyed, installed as the library's driver port
// by the first attach. Thread-safe.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/DriverPort.h"
#include "sim/Scene.h"
#include "sim/SceneOptions.h"
#include "sim/SimConstants.h"

namespace ovilux::sim {

class CSimCamera;

struct CSimCameraInfo {
    int32_t port = -1;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string path;
};

class CSimulatedBus final : public platform::DriverPort {
public:
    static CSimulatedBus& Instance();

    // Plugs a camera of productId into port (any free port when port is negative); returns the
    // port, or -1 for an unknown product, a port out of range or taken, or no free port.
    int32_t Attach(uint16_t productId, int32_t port);
    // Unplugs the camera on port; false when there is none.
    bool Detach(int32_t port);
    std::vector<CSimCameraInfo> List();
    // The camera on port, null when there is none.
    std::shared_ptr<CSimCamera> Camera(int32_t port);
    void SetSpeed(SimSpeed speed);
    SimSpeed Speed();
    // What cameras plugged in from now on look at: a scene (null: the built-in chart) and its
    // options.
    void SetAttachScene(std::shared_ptr<const CScene> scene, const SceneOptions& options);
    // The environment's switches: simulate lists hex product ids separated by commas (each is
    // attached, and the bus installed); speed is "fast" or "realtime"; scene names a picture
    // file every camera plugged in shows exactly (no noise, motion or defects). Any may be
    // null; false when the picture file
    // cannot be read (the cameras then show the chart).
    bool ApplyEnvironment(const char* simulate, const char* speed, const char* scene);
    // Parses one product id as the environment writes it; -1 when it is not one.
    static int32_t ParseProductId(const std::string& text);

    std::vector<std::string> EnumerateInterfaces(const platform::InterfaceGuid& guid) override;
    platform::DeviceHandle Open(const char* path, bool overlapped) override;
    bool Close(platform::DeviceHandle handle) override;
    platform::IoResult IoControl(platform::DeviceHandle handle, uint32_t code, void* in, uint32_t inLength, void* out,
                                 uint32_t outLength, platform::Overlapped* overlapped) override;
    platform::IoResult GetOverlappedResult(platform::DeviceHandle handle, platform::Overlapped& overlapped,
                                           bool wait) override;
    bool CancelIo(platform::DeviceHandle handle, platform::Overlapped* overlapped) override;
    bool PacesFrames() override { return Speed() == SimSpeed::Realtime; }

private:
    struct Handle {
        uint64_t id;
        std::shared_ptr<CSimCamera> camera;
        bool overlapped;
    };

    CSimulatedBus() = default;
    std::shared_ptr<Handle> FindHandle(platform::DeviceHandle handle);
    platform::IoResult BulkRead(const Handle& handle, uint32_t code, uint8_t* in, uint32_t inLength, uint8_t* out,
                                uint32_t outLength, platform::Overlapped* overlapped);

    std::mutex mutex_;
    std::array<std::shared_ptr<CSimCamera>, kPortCount> ports_;
    std::map<uint64_t, std::shared_ptr<Handle>> handles_;
    uint64_t nextHandle_ = 4;
    SimSpeed speed_ = SimSpeed::Realtime;
    std::shared_ptr<const CScene> attachScene_;
    SceneOptions attachOptions_;
};

}  // namespace ovilux::sim
