// SensorLineUnitModels.h - the family models whose exposure is already counted in shutter
// lines: S07, S12 and the line-scan models S17, S18, S19 and S27.
#pragma once

#include "camera/sensors/FamilyModel.h"

namespace ovilux::camera {

// Shutter lines within the model's exposure limits; they are its shutter limits too.
class CLineUnitModel : public CSensorFamilyModel {
public:
    using CSensorFamilyModel::CSensorFamilyModel;
    int32_t ConvertExposure(int32_t exposure) override;
};

// 1600 x 1200 on FPGA registers only; it has no initialisation, so opening it fails.
class CSensorS07 : public CLineUnitModel {
public:
    CSensorS07(usb::CControllerBase* controller, uint8_t busAddress);
};

// 4800 x 3520 with mirror H only; the sensor needs time after every register write.
class CSensorS12 : public CLineUnitModel {
public:
    CSensorS12(usb::CControllerBase* controller, uint8_t busAddress);
};

class CSensorS17 : public CLineUnitModel {
public:
    CSensorS17(usb::CControllerBase* controller, uint8_t busAddress);
};

class CSensorS18 : public CLineUnitModel {
public:
    CSensorS18(usb::CControllerBase* controller, uint8_t busAddress);
};

class CSensorS19 : public CLineUnitModel {
public:
    CSensorS19(usb::CControllerBase* controller, uint8_t busAddress);
};

class CSensorS27 : public CLineUnitModel {
public:
    CSensorS27(usb::CControllerBase* controller, uint8_t busAddress);
};

}  // namespace ovilux::camera
