// SimCamera.h - one simulated M03 camera as the FX3 driver sees it: control transfers on
// endpoint 0 answered by the firmware, reads on the streaming endpoint fed by the frame engine,
// pipe and port requests, faults on demand, and an unplug that fails everything in flight.
// Thread-safe: driver requests, the test's controls and the camera's own timer thread meet
// under one lock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/DriverPort.h"
#include "sim/AuxDevice.h"
#include "sim/BulkStream.h"
#include "sim/Firmware.h"
#include "sim/Fpga.h"
#include "sim/FrameEngine.h"
#include "sim/ImageSensor.h"
#include "sim/PendingRequest.h"
#include "sim/Scene.h"
#include "sim/SceneOptions.h"
#include "sim/Srom.h"
#include "sim/StreamCommands.h"
#include "sim/WordRegisterSensor.h"

namespace ovilux::sim {

class CFrameRender;

class CSimCamera final : private CStreamCommands {
public:
    CSimCamera(uint16_t productId, int32_t port, std::string path, SimSpeed speed);
    ~CSimCamera() override;
    CSimCamera(const CSimCamera&) = delete;
    CSimCamera& operator=(const CSimCamera&) = delete;

    uint16_t ProductId() const { return productId_; }
    int32_t Port() const { return port_; }
    const std::string& Path() const { return path_; }
    // The bulk endpoint its frames come from.
    uint8_t StreamEndpoint() const { return directSensor_ != nullptr ? kDirectStreamEndpoint : kStreamEndpoint; }

    // Driver requests. A control transfer: block in, reply block out (they may be the same).
    platform::IoResult ControlTransfer(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength);
    // A read from the streaming endpoint; with wait the call returns when it has ended,
    // otherwise a request that cannot finish at once reports kIoPending and runs on.
    platform::IoResult Read(const std::shared_ptr<CPendingRequest>& request, bool wait);
    // Ends the requests of a handle (all, or the one given) as aborted; true when any was found.
    bool Cancel(uint64_t handle, const CPendingRequest* request);
    void AbortPipe();
    void ResetPipe();
    void ResetPort();
    // Unplugs the camera: every request in flight and every later one fails as on a lost device.
    void Unplug();
    bool Unplugged() const;

    // Controls of the simulation.
    bool Trigger();
    void SetSpeed(SimSpeed speed);
    // What the camera looks at (null: the built-in chart), and which imperfections it shows;
    // frames produced from now on follow.
    void SetScene(std::shared_ptr<const CScene> scene);
    void SetSceneOptions(const SceneOptions& options);
    void DropHeaders(uint32_t count);
    void MisreportPayload(int32_t deltaBytes, uint32_t frames);
    void Stall(uint32_t milliseconds);
    void SetSilent(uint8_t busAddress, bool silent);
    void SetFailSromWrites(bool fail);
    uint16_t SensorRegister(uint8_t address);
    uint8_t FpgaRegister(uint8_t address);
    uint8_t SromByte(uint32_t address);
    uint32_t FramesProduced();
    // Frames whose header went over the cable. Those the FPGA's queue pushed out and those a
    // dropped-header fault lost are produced but never sent.
    uint32_t FramesSent();
    // The CPU time the camera's simulation has used since it was plugged in, on whichever thread
    // ran it (answering requests, rendering and copying frames out, its timer): what a real
    // camera spends on its own hardware, apart from the host's.
    uint64_t CpuNs() const { return cpuNs_.load(); }

private:
    void ResetStream(SimClock::time_point now) override;
    void PrepareRead(SimClock::time_point now) override;

    // Under the lock: catch up with time, end expired requests, feed the pending reads.
    void Progress(SimClock::time_point now);
    uint32_t Pull(uint8_t* destination, uint32_t length, SimClock::time_point now);
    void BeginNextFrame(const CFrameRecord& frame);
    // Puts the product's own image sensor on the bus and sizes the FPGA's frame for its array.
    void BuildProduct();
    // The FX3-direct camera: no FPGA on the bus; the firmware frames the sensor's window.
    void BuildDirectProduct(uint8_t busAddress, uint32_t width, uint32_t height);
    // Under the lock: the FX3-direct camera's frames follow its sensor's window and the transfer
    // width last requested.
    void FrameDirectWindow();
    // The frame the FPGA forms: its size and sample width (1 eight bits, 2 sixteen).
    void SetFrameFormat(uint32_t width, uint32_t height, uint8_t pixelWidth);
    std::shared_ptr<CFrameRender> RenderFor(const CFrameSettings& settings);
    void FinishAll(RequestEnd end);
    SimClock::time_point NextWake(SimClock::time_point now) const;
    void EnsureTimer();
    void TimerLoop();

    const uint16_t productId_;
    const int32_t port_;
    const std::string path_;
    const SimClock::time_point pluggedIn_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::thread timer_;
    bool unplugged_ = false;

    CImageSensor sensor_;
    CFpga fpga_;
    CAuxDevice aux_;
    CSrom srom_;
    CFirmware firmware_;
    CFrameEngine engine_;
    CBulkStream stream_;
    uint32_t framesSent_ = 0;
    std::atomic<uint64_t> cpuNs_{0};
    std::shared_ptr<const CScene> scene_;  // null: the built-in chart, made when first rendered
    SceneOptions sceneOptions_;
    std::unique_ptr<CTwoWireDevice> productSensor_;  // the image sensor of a product other than the M03
    CWordRegisterSensor* directSensor_ = nullptr;     // productSensor_ when the camera is FX3-direct
    std::shared_ptr<CFrameRender> render_;
    std::deque<std::shared_ptr<CPendingRequest>> pending_;

    // Faults on demand.
    uint32_t headersToDrop_ = 0;
    int32_t payloadDelta_ = 0;
    uint32_t misreportedFrames_ = 0;
    SimClock::time_point stalledUntil_{};
};

}  // namespace ovilux::sim
