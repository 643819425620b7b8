// SensorFactory.h - which sensor model serves which USB product id, at which two-wire address
// and with which variant code.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "camera/sensors/SensorBase.h"

namespace ovilux::camera {

// The identification word of product 0x3020 that selects its second sensor model.
constexpr uint16_t kSensorS02Identification = 302;

struct SensorModelRow {
    int32_t productId;
    int32_t modelNumber;  // n of CSensorSnn
    uint8_t busAddress;
    int32_t variant;      // 0: the model takes no variant code
};

// The row of a product id; every unlisted id is served by model S01 at 0x20.
SensorModelRow FindSensorModelRow(int32_t productId);

// True for product ids whose model depends on the sensor's identification word.
bool NeedsIdentificationWord(int32_t productId);

// Creates the sensor model for the product id (the identification word only matters where
// NeedsIdentificationWord says so) and hands it its variant code.
std::unique_ptr<CSensorBase> CreateSensorModel(int32_t productId, uint16_t identificationWord,
                                               usb::CControllerBase* controller);

}  // namespace ovilux::camera
