// Firmware.h - the FX3 firmware's vendor requests on endpoint 0: the two-wire bridge routed by
// bus address, transfer width, sensor words, information blocks, stream commands, ready state
// and timing registers. Unknown requests, wrong directions and unanswered devices stall.
#pragma once

#include <array>
#include <cstdint>
#include <map>

#include "sim/SimConstants.h"

namespace ovilux::sim {

class CTransferHeader;
class CTwoWireDevice;
class CStreamCommands;

struct CControlReply {
    bool ok = false;
    uint32_t dataBytes = 0;  // data bytes sent or returned
};

class CFirmware {
public:

    CFirmware(uint16_t productId, uint32_t serialNumber, CStreamCommands& stream);

    // Puts a device on the two-wire bus at its (write) address.
    void AttachDevice(uint8_t busAddress, CTwoWireDevice& device);
    // A silent device acknowledges nothing, as if it were gone from the bus.
    void SetSilent(uint8_t busAddress, bool silent);
    // Where the sensor-word requests go: the M03's sensor (8-bit register addresses) unless the
    // camera's image sensor is another, with addresses of addressBytes.
    void RouteSensorWords(uint8_t busAddress, uint32_t addressBytes);
    // The sample width the last transfer-width request chose: 0 eight bits, 1 sixteen.
    uint8_t TransferWidth() const { return transferWidth_; }

    // One vendor request: request carries its fields, dataIn the data stage sent (dataInLength
    // bytes), reply the capacity for returned data.
    CControlReply Handle(const CTransferHeader& request, const uint8_t* dataIn, uint32_t dataInLength, uint8_t* reply,
                         uint32_t replyCapacity, SimClock::time_point now);

private:
    CControlReply BridgeWrite(const CTransferHeader& request, const uint8_t* data, uint32_t length,
                              SimClock::time_point now);
    CControlReply BridgeRead(const CTransferHeader& request, uint8_t* reply, uint32_t capacity,
                             SimClock::time_point now);
    CControlReply SensorWordWrite(const uint8_t* data, uint32_t length, SimClock::time_point now);
    CControlReply SensorWordRead(uint16_t address, uint8_t* reply, uint32_t capacity, SimClock::time_point now);
    CControlReply InfoBlock(bool device, uint8_t* reply, uint32_t capacity) const;
    CTwoWireDevice* Device(uint8_t busAddress) const;

    const uint16_t productId_;
    const uint32_t serialNumber_;
    CStreamCommands& stream_;
    std::array<CTwoWireDevice*, 128> devices_{};
    std::array<bool, 128> silent_{};
    uint8_t transferWidth_ = 0;
    uint8_t sensorWordDevice_ = kSensorBusAddress;
    uint32_t sensorWordAddressBytes_ = 1;
    std::map<uint16_t, uint32_t> timingRegisters_;
};

}  // namespace ovilux::sim
