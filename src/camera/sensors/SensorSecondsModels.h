// SensorSecondsModels.h - the family models that also speak exposure in seconds: S23, S29, S30,
// S31, S32, S35 and S36 (S14 and S33 have files of their own). Each keeps the exposure and its
// seconds (exposure / 10000) together.
#pragma once

#include "camera/sensors/FamilyModel.h"

namespace ovilux::camera {

// Models whose heads take the exposure as a time (scaled to the head's unit) rather than as
// shutter lines; the head's own exposure register map is not the library's, so the time is
// kept in the parameter block, clamped to the model's limits.
class CTimedExposureModel : public CSensorFamilyModel {
public:
    using CSensorFamilyModel::CSensorFamilyModel;
    int32_t ConvertExposure(int32_t exposure) override;
};

// 2048 x 2048; the head runs its own automatic exposure at a level the device hands it.
class CSensorS23 : public CTimedExposureModel {
public:
    CSensorS23(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t GetAutoIrisLevel() override;
    int32_t SetAutoIrisLevel(int32_t level) override;

    static constexpr int32_t kMaxAutoIrisLevel = 8;

private:
    int32_t autoIrisLevel_ = 0;
};

// Its head takes microseconds; the exposure is stored back from the seconds they make.
class CSensorS31 : public CTimedExposureModel {
public:
    CSensorS31(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;
};

class CSensorS32 : public CTimedExposureModel {
public:
    CSensorS32(usb::CControllerBase* controller, uint8_t busAddress);
};

class CSensorS35 : public CTimedExposureModel {
public:
    CSensorS35(usb::CControllerBase* controller, uint8_t busAddress);
};

class CSensorS36 : public CTimedExposureModel {
public:
    CSensorS36(usb::CControllerBase* controller, uint8_t busAddress);
};

// 1280 x 1024: lines from the exposure in 10 ns units with a row time that differs when the
// window is shorter than the array.
class CSensorS29 : public CSensorFamilyModel {
public:
    CSensorS29(usb::CControllerBase* controller, uint8_t busAddress);
    int32_t ConvertExposure(int32_t exposure) override;

protected:
    CSensorS29(usb::CControllerBase* controller, uint8_t busAddress, const ModelDescription& description);
    virtual double RowTime() const;
};

// 640 x 512: the S29 rule with the partial-window row time always.
class CSensorS30 : public CSensorS29 {
public:
    CSensorS30(usb::CControllerBase* controller, uint8_t busAddress);

protected:
    double RowTime() const override;
};

}  // namespace ovilux::camera
