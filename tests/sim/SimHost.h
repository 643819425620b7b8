// SimHost.h - the library's side of the cable, for tests and benchmarks of the simulated camera:
// driver request blocks built byte by byte and sent through the driver port, as the library
// sends them. Uses nothing of the library above the platform layer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/DriverPort.h"
#include "platform/Event.h"

namespace ovilux::simtest {

constexpr uint32_t kHeaderSize = 38;
constexpr uint32_t kControlBlockSize = 102;
constexpr uint32_t kControlDataSize = 64;
constexpr uint32_t kFrameHeaderSize = 64;
constexpr uint8_t kStreamEndpoint = 0x81;
constexpr uint8_t kHostToDevice = 0x40;
constexpr uint8_t kDeviceToHost = 0xC0;
constexpr uint8_t kHostToEndpoint = 0x42;

inline uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// The 102-byte control block: header fields at their offsets, 64 data bytes.
std::vector<uint8_t> ControlBlock(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                                  const std::vector<uint8_t>& data = {});

struct ControlReply {
    platform::IoResult result;
    std::vector<uint8_t> block;  // the block as the driver returned it
    const uint8_t* Data() const { return block.data() + kHeaderSize; }
    uint32_t NtStatus() const { return Le32(block.data() + 14); }
    uint32_t UsbdStatus() const { return Le32(block.data() + 18); }
};

// One overlapped direct read from the streaming endpoint into a caller's buffer.
class DirectRead {
public:
    DirectRead();
    // Starts the read; timeout is the header's timeout field (0: none).
    platform::IoResult Begin(platform::DriverPort& port, platform::DeviceHandle handle, uint8_t* data, uint32_t length,
                             uint32_t timeout = 0);
    bool WaitDone(uint32_t milliseconds);
    platform::IoResult Collect(platform::DriverPort& port, platform::DeviceHandle handle, bool wait);
    uint32_t NtStatus() const { return Le32(header_ + 14); }
    uint32_t UsbdStatus() const { return Le32(header_ + 18); }
    platform::Overlapped& Overlapped() { return overlapped_; }

private:
    platform::Event event_;
    platform::Overlapped overlapped_;
    uint8_t header_[kHeaderSize] = {};
    bool startedDone_ = false;
};

class SimHost {
public:
    explicit SimHost(platform::DriverPort& port) : port_(port) {}
    ~SimHost();
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    // Opens a control handle (not overlapped) and a streaming handle (overlapped) on path.
    bool Open(const std::string& path);
    platform::DriverPort& Port() { return port_; }
    platform::DeviceHandle ControlHandle() const { return control_; }
    platform::DeviceHandle StreamHandle() const { return stream_; }

    ControlReply Control(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                         const std::vector<uint8_t>& data = {});
    bool I2cWrite(uint8_t busAddress, const std::vector<uint8_t>& data);
    std::optional<std::vector<uint8_t>> I2cRead(uint8_t busAddress, uint16_t count);
    bool FpgaWrite(uint8_t reg, uint8_t value);
    std::optional<uint8_t> FpgaRead(uint8_t reg);
    bool SensorWrite(uint8_t address, uint16_t value);
    std::optional<uint16_t> SensorRead(uint8_t address);
    bool SromWrite(uint16_t address, uint8_t value);
    std::optional<uint8_t> SromRead(uint16_t address);
    bool PrepareRead();
    bool ResetStream();

    // The window as the M03 sensor model programs it (full-resolution coordinates, subsample
    // 0 to 2), with the FPGA's frame size; mirror bits as given.
    bool SetWindow(uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t subsample);
    bool SetMirror(bool rows, bool columns, uint32_t y);
    bool SetPixelWidth16(bool sixteen);
    // Runs the sensor's PLL at the 96 MHz pixel clock the library assumes.
    bool StartPll();

    // Reads length bytes from the stream, waiting at most milliseconds; aborts on time-out.
    bool ReadStream(uint8_t* data, uint32_t length, uint32_t milliseconds);
    // Prepares a read, then reads one frame's header and announced payload.
    bool ReadFrame(std::vector<uint8_t>& header, std::vector<uint8_t>& payload, uint32_t milliseconds = 5000);
    bool AbortPipe();

private:
    platform::DriverPort& port_;
    platform::DeviceHandle control_ = nullptr;
    platform::DeviceHandle stream_ = nullptr;
};

}  // namespace ovilux::simtest
