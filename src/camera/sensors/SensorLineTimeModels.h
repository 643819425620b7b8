// SensorLineTimeModels.h - the family models whose exposure becomes shutter lines through a
// line time, as the M03's does: S01, S02, S05, S06, S13, S21, S22 and S25.
#pragma once

#include "camera/sensors/FamilyModel.h"

namespace ovilux::camera {

// 4608 x 3288 on a 16-bit register path; every product id nobody else serves.
class CSensorS01 : public CSensorFamilyModel {
public:
    CSensorS01(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

// The same camera when its sensor identifies itself as 302.
class CSensorS02 : public CSensorS01 {
public:
    using CSensorS01::CSensorS01;
};

class CSensorS05 : public CSensorFamilyModel {
public:
    CSensorS05(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

class CSensorS06 : public CSensorFamilyModel {
public:
    CSensorS06(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

class CSensorS13 : public CSensorFamilyModel {
public:
    CSensorS13(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

class CSensorS21 : public CSensorFamilyModel {
public:
    CSensorS21(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

class CSensorS22 : public CSensorFamilyModel {
public:
    CSensorS22(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

// Clamps its shutter to both limits and recomputes the exposure from the limit it met.
class CSensorS25 : public CSensorFamilyModel {
public:
    CSensorS25(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

}  // namespace ovilux::camera
