// OviluxUXBase.h - the camera device object: the one object through which a session reaches a
// camera. It owns the USB controller, the sensor model and the frame ring that the transfer
// thread fills, and forwards every sensor-dependent setting to the sensor model.
//
// Threads: the session calls the operations. While streaming, one transfer thread runs
// TransferLoop, one consumer thread (the session's live-view worker) may call WaitFrame,
// GetNextFrame and CopyFrame, and application threads may call the setters (gains, exposure,
// mirror, registers) at the same time. Start, stop, open, close and format changes
// (SetCaptureWindow, SetPixelWidth, AllocateFrameBuffers) must not overlap the consumer. Register
// traffic is serialised by the controller's register lock and the sensor model's own lock. Each
// ring buffer has a lock held only while a frame is copied into or out of it, so a consumer
// never reads a half-written frame.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "camera/StreamAccount.h"
#include "camera/sensors/SensorBase.h"
#include "platform/DriverPort.h"
#include "platform/Event.h"
#include "platform/Thread.h"

namespace ovilux::usb {
class COviCy3Cam;
struct FrameDescriptor;
}

namespace ovilux::camera {

// The controller's 64-byte device or controller information block.
struct DeviceInfoRecord {
    uint64_t words[8];
};

constexpr int32_t kRingBuffers = 4;

// A frame in the ring: the camera's number for it (the arrival count for cameras that send no
// header), when its last byte arrived (platform::MonotonicNs), and its place in the ring's order.
struct RingFrameInfo {
    uint32_t number = 0;
    uint64_t arrivalNs = 0;
    uint64_t sequence = 0;
};

class COviluxUXBase {
public:
    COviluxUXBase();
    virtual ~COviluxUXBase();
    COviluxUXBase(const COviluxUXBase&) = delete;
    COviluxUXBase& operator=(const COviluxUXBase&) = delete;

    virtual int32_t CreateController(void* notificationWindow, const platform::InterfaceGuid* guid);
    virtual int32_t InitializeDevice();
    virtual int32_t Close();
    virtual int32_t GetDeviceInfo(DeviceInfoRecord* out);
    virtual int32_t GetSensorInfo(SensorParameters* out);
    virtual int32_t GetControllerInfo(DeviceInfoRecord* out);
    virtual int32_t Reopen(int32_t deviceNumber);
    virtual int32_t OpenDevice(int32_t deviceNumber);
    virtual int32_t Unused9() { return 0; }
    virtual int32_t IsDeviceNumberValid(int32_t deviceNumber);
    virtual int32_t CountDevices(int32_t productId);
    virtual int32_t GetDeviceName(int32_t row, char* text, int32_t capacity);
    virtual int32_t SetProductId(int32_t productId);
    virtual int32_t GetProductId();
    virtual int32_t GetTableVendor(int32_t row);
    virtual int32_t GetTableProduct(int32_t row);
    virtual int32_t GetTableNumber(int32_t row);
    virtual int32_t IsFx3Direct();
    virtual int32_t GetDeviceNumber();
    virtual int32_t StartTransfer(int32_t captureMode);
    virtual int32_t StopTransfer();
    virtual int32_t CopyFrame(uint8_t* destination, int32_t size, int32_t grab, int32_t flip);
    virtual int32_t SetCaptureMode(int32_t mode);
    virtual int32_t ResetTransfer();
    virtual int32_t TransferLoop();
    virtual int32_t TransferLoopDirect();
    virtual int32_t AllocateFrameBuffers();
    virtual int32_t GetMaxDevices();
    virtual int32_t ReadFrameCount();
    virtual int32_t GrabOneFrame();
    virtual int32_t Unused31() { return -1; }
    // Copies frame buffer 0 (where GrabOneFrame leaves its frame); -2 for a null destination.
    virtual int32_t GetGrabbedFrame(uint8_t* destination, int32_t size, int32_t unused1, int32_t unused2,
                                    int32_t flip);
    virtual int32_t SetTransferTimeout(int32_t milliseconds);
    // 1: the transfer gave up; 2: no new frame within the time; 3: a new frame is ready.
    virtual int32_t WaitFrame(uint32_t milliseconds);
    // Copies the newest frame and marks it taken; 0 on success, non-zero on failure.
    virtual int32_t GetNextFrame(uint8_t* destination, int32_t size, int32_t unused1, int32_t unused2, int32_t flip);
    virtual int32_t Unused36() { return 0; }
    virtual int32_t SetPixelWidth(int32_t mode);
    virtual int32_t SetClockMode(int32_t mode);
    virtual int32_t GetClockMode(int32_t* mode);
    virtual int32_t SetCaptureWindow(int32_t x, int32_t y, int32_t width, int32_t height, int32_t subsample);
    virtual int32_t GetCaptureWindow(int32_t* x, int32_t* y, int32_t* width, int32_t* height, int32_t* subsample);
    virtual int32_t SetMirrorH(int32_t on);
    virtual int32_t SetMirrorV(int32_t on);
    virtual int32_t GetMirrorH();
    virtual int32_t GetMirrorV();
    virtual int32_t GetMirrorDefaultV();
    virtual int32_t GetMirrorDefaultH();
    virtual int32_t IsMirrorVSupported();
    virtual int32_t IsMirrorHSupported();
    virtual int32_t SetTriggerMode(int32_t mode, int32_t force);
    virtual int32_t GetTriggerMode(int32_t* mode);
    virtual int32_t SromWrite(uint16_t address, uint8_t value);
    virtual int32_t SromRead(uint16_t address, uint8_t* value);
    virtual int32_t IsWidthFree();
    virtual int32_t IsHeightFree();
    virtual int32_t GetMaxWidth();
    virtual int32_t GetMaxHeight();
    virtual int32_t GetDefaultWidth();
    virtual int32_t GetDefaultHeight();
    virtual int32_t GetDefaultX();
    virtual int32_t GetDefaultY();
    virtual int32_t SetGlobalGain(int32_t value);
    virtual int32_t GetGlobalGain(int32_t* value);
    virtual int32_t GetGlobalGainMin(int32_t* value);
    virtual int32_t GetGlobalGainMax(int32_t* value);
    virtual int32_t GetGlobalGainDefault(int32_t* value);
    virtual int32_t SetRealExposure(int32_t exposure);
    virtual int32_t GetRealExposure(int32_t* value);
    virtual int32_t GetRealExposureMin(int32_t* value);
    virtual int32_t GetRealExposureMax(int32_t* value);
    virtual int32_t GetRealExposureDefault(int32_t* value);
    virtual int32_t SetShutterLines(int32_t lines);
    virtual int32_t GetShutterLines(int32_t* lines);
    virtual int32_t GetShutterLinesMin(int32_t* value);
    virtual int32_t GetShutterLinesMax(int32_t* value);
    virtual int32_t GetShutterLinesDefault(int32_t* value);
    virtual int32_t IsExposureSecondsSupported();
    virtual int32_t SetExposureSeconds(double seconds);
    virtual int32_t GetExposureSeconds(double* value);
    virtual int32_t GetExposureSecondsMin(double* value);
    virtual int32_t GetExposureSecondsMax(double* value);
    virtual int32_t GetExposureSecondsDefault(double* value);
    virtual int32_t SetChannelGain(int32_t channel, int32_t value);
    virtual int32_t GetChannelGain(int32_t channel, int32_t* value);
    virtual int32_t GetChannelGainMin(int32_t channel, int32_t* value);
    virtual int32_t GetChannelGainMax(int32_t channel, int32_t* value);
    virtual int32_t GetChannelGainDefault(int32_t channel, int32_t* value);
    virtual int32_t SetChannelOffset(int32_t channel, int32_t value);
    virtual int32_t GetChannelOffset(int32_t channel, int32_t* value);
    virtual int32_t GetChannelOffsetMin(int32_t channel, int32_t* value);
    virtual int32_t GetChannelOffsetMax(int32_t channel, int32_t* value);
    virtual int32_t GetChannelOffsetDefault(int32_t channel, int32_t* value);
    virtual int32_t SetColorGainRed(int32_t value);
    virtual int32_t GetColorGainRed(int32_t* value);
    virtual int32_t SetColorGainGreen1(int32_t value);
    virtual int32_t GetColorGainGreen1(int32_t* value);
    virtual int32_t SetColorGainGreen2(int32_t value);
    virtual int32_t GetColorGainGreen2(int32_t* value);
    virtual int32_t SetColorGainBlue(int32_t value);
    virtual int32_t GetColorGainBlue(int32_t* value);
    virtual int32_t GetColorGainMin(int32_t* value);
    virtual int32_t GetColorGainMax(int32_t* value);
    virtual int32_t GetColorGainDefault(int32_t* value);
    virtual int32_t IsLevelSupported();
    virtual int32_t SetLevel(int32_t value);
    virtual int32_t GetLevel(int32_t* value);
    virtual int32_t GetLevelMin(int32_t* value);
    virtual int32_t GetLevelMax(int32_t* value);
    virtual int32_t GetLevelDefault(int32_t* value);
    virtual int32_t WriteSensorRegister(uint32_t address, uint32_t value);
    // The register's value; *ok (when given) tells whether the read succeeded.
    virtual int32_t ReadSensorRegister(uint32_t address, int32_t* ok);
    virtual int32_t WriteFpgaRegister(uint8_t address, uint8_t value);
    // The register's value; *ok (when given) tells whether the read succeeded.
    virtual int32_t ReadFpgaRegister(uint8_t address, int32_t* ok);
    virtual int32_t Unused114() { return 0; }
    virtual int32_t Unused115() { return 0; }
    virtual int32_t RestartSensor();
    virtual int32_t ResumeSensor();
    virtual int32_t SetSamplingRate(int32_t flag, int32_t* rate);
    virtual int32_t IsSwitch80Supported();
    virtual int32_t SetSwitch80(int32_t on);
    virtual int32_t GetSwitch80();
    virtual int32_t WriteUserByte(uint8_t value);
    virtual int32_t ReadUserByte(uint8_t* value);
    virtual int32_t IsAutoIrisSupported();
    virtual int32_t GetAutoIris();
    virtual int32_t SetAutoIris(int32_t on);
    virtual int32_t ReceiveText(char* buffer, int32_t length);
    virtual int32_t SendText(const char* text, int32_t length);
    virtual int32_t IsPeltierSupported();
    virtual int32_t GetPeltier();
    virtual int32_t SetPeltier(int32_t on);
    virtual int32_t IsTemperatureSupported();
    virtual int32_t GetTemperature(double* celsius);
    virtual int32_t IsSwitch82Supported();
    virtual int32_t GetSwitch82();
    virtual int32_t SetSwitch82(int32_t on);
    virtual int32_t IsOptionSupported();
    virtual int32_t GetOption();
    virtual int32_t SetOption(int32_t on);
    virtual int32_t ModelSpecific140();
    virtual int32_t ModelSpecific141();
    virtual int32_t ModelSpecific142();
    virtual int32_t ModelSpecific143();
    virtual int32_t ModelSpecific144();
    virtual int32_t IsNewRevision();
    virtual int32_t GetIdentification(int32_t* value);
    virtual int32_t IsModelSwitchSupported();
    virtual int32_t GetModelSwitch();
    virtual int32_t SetModelSwitch(int32_t on);
    virtual int32_t IsPresetSupported();
    virtual int32_t GetPreset();
    virtual int32_t SetPreset(int32_t on);
    virtual int32_t IsAnalogGainStepSupported();
    virtual int32_t GetAnalogGainStepMin(int32_t* value);
    virtual int32_t GetAnalogGainStepMax(int32_t* value);
    virtual int32_t GetAnalogGainStepDefault(int32_t* value);
    virtual int32_t GetAnalogGainStep(int32_t* value);
    virtual int32_t SetAnalogGainStep(int32_t step);
    virtual int32_t GetAnalogGainStepLabel(int32_t step, char* text, int32_t capacity);
    virtual int32_t ModelSpecific160();
    virtual int32_t ModelSpecific161();
    virtual int32_t ModelSpecific162();

    // The driver port the next CreateController talks through; null (the default) means the
    // port the library is using at that moment.
    void SetDriverPort(platform::DriverPort* port) { driverPort_ = port; }

    // The ring's state, for diagnostics: the slot the next frame goes to, the last one taken,
    // and whether the transfer gave up.
    int32_t RingWriteIndex() const { return writeIndex_; }
    int32_t RingReadIndex() const { return readIndex_; }
    bool TransferGaveUp() const { return timeoutFlag_ != 0; }
    bool IsStreaming() const { return running_ != 0; }
    // Frames lost on their way to the consumer since the object was made or the count reset;
    // while no transfer runs, frames left in the ring count too.
    StreamLosses Losses() const { return account_.Losses(); }
    void ResetLosses() { account_.Reset(); }
    // The consumer's: what GetNextFrame took last.
    RingFrameInfo TakenFrame() const { return takenFrame_; }
    // The consumer's, once WaitFrame said the camera was lost: the frames still in the ring
    // will never be taken.
    void SettleLostStream() { account_.Settle(true); }

private:
    // Calls a sensor-model operation; 0 when no model exists.
    template <typename Method, typename... Args>
    int32_t ToSensor(Method method, Args... args) {
        return sensor_ ? (sensor_.get()->*method)(args...) : 0;
    }

    // One ring slot: the frame bytes and the lock held while they are written or read.
    struct RingBuffer {
        std::vector<uint8_t> bytes;
        RingFrameInfo info;
        std::mutex lock;
    };

    void FreeBuffers();
    // The port given to this object, else the library's active one.
    platform::DriverPort& PortInUse() const;
    // Places a completed frame from the raw buffer into ring slot index without copying it: the
    // two exchange their bytes, and descriptor is pointed at the raw buffer's new bytes.
    void MoveRawToRing(int32_t index, const RingFrameInfo& info, usb::FrameDescriptor& descriptor);
    // Places a completed frame (the camera's number) into the next ring slot and signals it.
    void RingFrame(uint32_t number, usb::FrameDescriptor& descriptor);
    // Whether the frame just read announced exactly the bytes of the current window.
    bool AnnouncesFrameSize(const usb::FrameDescriptor& descriptor) const;
    // The end of every transfer loop: close the stream, signal the end, clear the running flag.
    int32_t EndTransferLoop(bool signalFrame);
    void JoinTransferThread();
    // Makes the frame event usable again, unsignalled, after StopTransfer closed it.
    void OpenFrameEvent();
    // Copies ring slot index out in the sensor's orientation; 0 when it does not fit.
    // With a camera that makes frames as they are read: waits until the newest frame is claimed.
    void HoldUntilClaimed();
    int32_t CopyRingSlot(int32_t index, uint8_t* destination, int32_t size, int32_t flip,
                         RingFrameInfo* frame = nullptr);
    // The frame copy of the head that orders its own rows.
    int32_t CopyHeadFrame(const uint8_t* source, uint8_t* destination, size_t rowBytes);
    // The camera-head converter transfers 16-bit samples whatever the session asks for.
    bool AlwaysSends16Bits() const;
    // Bytes per sample on the cable, as the frame ring holds them.
    int32_t TransferSampleBytes() const { return pixelWidthMode_ != 0 || AlwaysSends16Bits() ? 2 : 1; }
    // Starts capture mode 3 to latch the camera's frame count, then capture mode 2.
    void ArmTriggeredCapture(uint32_t latchWaitMs);
    SensorParameters SensorInfo() const;
    int32_t ReadIdentificationWord(uint16_t* word);

    platform::DriverPort* driverPort_ = nullptr;
    std::unique_ptr<usb::COviCy3Cam> controller_;
    DeviceInfoRecord deviceInfo_{};
    std::vector<uint8_t> rawBuffer_;
    std::atomic<int32_t> captureMode_{0};
    int32_t productId_ = -1;
    int32_t pixelWidthMode_ = 0;
    int32_t triggerMode_ = -1;
    std::array<RingBuffer, kRingBuffers> ring_;
    std::atomic<int32_t> writeIndex_{0};
    std::atomic<int32_t> readIndex_{3};
    // Frames put in the ring, and how many of them there were when a consumer last began to take
    // the newest (counts, not ring places, which repeat every few frames).
    std::atomic<uint64_t> ringedFrames_{0};
    std::atomic<uint64_t> claimedFrames_{0};
    platform::Event frameClaimed_{platform::EventReset::Auto, false};
    int32_t frameBytes_ = 0;
    int32_t frameWidth_ = 0;   // the window the ring was sized for
    int32_t frameHeight_ = 0;
    std::atomic<int32_t> timeoutFlag_{0};
    // Lives as long as the object: the session's worker may be waiting on it while streaming stops.
    platform::Event frameEvent_{platform::EventReset::Auto, false};
    // False from StopTransfer until the next start: a closed frame event answers no wait.
    std::atomic<bool> frameEventOpen_{false};
    int32_t buffersDirty_ = 1;
    std::unique_ptr<CSensorBase> sensor_;
    std::atomic<uint8_t> lastFpgaFrameCount_{0};
    int32_t deviceNumber_ = 0;
    std::atomic<int32_t> transferTimeout_{5000};
    std::atomic<int32_t> pendingExposureFlag_{0};
    std::atomic<int32_t> pendingExposure_{0};
    std::atomic<int32_t> running_{0};
    CStreamAccount account_;
    RingFrameInfo takenFrame_;
    platform::Thread transferThread_;
    // Each device object has its own end event: a shared one could release another camera's
    // StopTransfer while this thread still runs.
    std::unique_ptr<platform::Event> threadEnd_;
};

// The concrete device object the session creates.
class COviluxUXSimpleSdk : public COviluxUXBase {
public:
    COviluxUXSimpleSdk() = default;
    ~COviluxUXSimpleSdk() override;
};

}  // namespace ovilux::camera
