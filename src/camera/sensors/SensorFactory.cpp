// SensorFactory.cpp - the product-id table of the sensor models.
#include "camera/sensors/SensorFactory.h"

#include <iterator>

#include "camera/sensors/SensorFrameEndModels.h"
#include "camera/sensors/SensorFpgaShutterModels.h"
#include "camera/sensors/SensorLineTimeModels.h"
#include "camera/sensors/SensorLineUnitModels.h"
#include "camera/sensors/SensorS03.h"
#include "camera/sensors/SensorS04.h"
#include "camera/sensors/SensorS11.h"
#include "camera/sensors/SensorS15.h"
#include "camera/sensors/SensorS26.h"
#include "camera/sensors/SensorS33.h"
#include "camera/sensors/SensorSecondsModels.h"
#include "camera/sensors/SensorVideoHeadModels.h"

namespace ovilux::camera {

namespace {

constexpr int32_t kIdentifiedProduct = 0x3020;

constexpr SensorModelRow kRows[] = {
    {0x3020, 1, 0x20, 0},   {0x3030, 3, 0x90, 0},   {0x3040, 4, 0x20, 0},   {0x3042, 4, 0x20, 0},
    {0x3050, 7, 0x00, 0},   {0x3090, 8, 0x00, 0},   {0x30B0, 9, 0x00, 0},   {0x30C0, 10, 0x00, 0},
    {0x30F0, 5, 0x48, 0},   {0x3100, 6, 0x48, 0},   {0x3110, 11, 0x48, 0},  {0x3120, 12, 0x48, 0},
    {0x3130, 15, 0x42, 0},  {0x3140, 13, 0x6C, 0},  {0x3150, 14, 0x6C, 0},  {0x3170, 16, 0x6C, 0},
    {0x3180, 26, 0x48, 0},  {0x3190, 18, 0x20, 0},  {0x31A0, 17, 0x20, 0},  {0x31B0, 21, 0x48, 59},
    {0x31B4, 22, 0x48, 0},  {0x31C0, 20, 0x48, 0},  {0x31C4, 20, 0x48, 0},  {0x31D0, 19, 0x20, 0},
    {0x31E0, 23, 0x6C, 0},  {0x31F0, 24, 0x48, 0},  {0x3200, 25, 0x48, 0},  {0x3210, 27, 0x20, 0},
    {0x3220, 28, 0x6C, 105}, {0x3260, 29, 0x48, 109}, {0x3270, 29, 0x48, 110}, {0x3280, 30, 0x48, 111},
    {0x3290, 30, 0x48, 112}, {0x32A0, 21, 0x48, 113}, {0x32B0, 31, 0x48, 61}, {0x32C0, 32, 0x48, 114},
    {0x32D0, 33, 0x6C, 0},  {0x32E0, 34, 0x48, 0},  {0x32F0, 35, 0x48, 0},  {0x3300, 36, 0x48, 0},
};

constexpr SensorModelRow kDefaultRow = {0, 1, 0x20, 0};

using Maker = std::unique_ptr<CSensorBase> (*)(usb::CControllerBase*, uint8_t);

template <typename Model>
std::unique_ptr<CSensorBase> Make(usb::CControllerBase* controller, uint8_t busAddress) {
    return std::make_unique<Model>(controller, busAddress);
}

// The model classes by their number: kMakers[n - 1] makes CSensorSnn.
constexpr Maker kMakers[] = {
    Make<CSensorS01>, Make<CSensorS02>, Make<CSensorS03>, Make<CSensorS04>, Make<CSensorS05>, Make<CSensorS06>,
    Make<CSensorS07>, Make<CSensorS08>, Make<CSensorS09>, Make<CSensorS10>, Make<CSensorS11>, Make<CSensorS12>,
    Make<CSensorS13>, Make<CSensorS14>, Make<CSensorS15>, Make<CSensorS16>, Make<CSensorS17>, Make<CSensorS18>,
    Make<CSensorS19>, Make<CSensorS20>, Make<CSensorS21>, Make<CSensorS22>, Make<CSensorS23>, Make<CSensorS24>,
    Make<CSensorS25>, Make<CSensorS26>, Make<CSensorS27>, Make<CSensorS28>, Make<CSensorS29>, Make<CSensorS30>,
    Make<CSensorS31>, Make<CSensorS32>, Make<CSensorS33>, Make<CSensorS34>, Make<CSensorS35>, Make<CSensorS36>,
};
static_assert(std::size(kMakers) == 36);

}  // namespace

SensorModelRow FindSensorModelRow(int32_t productId) {
    for (const SensorModelRow& row : kRows) {
        if (row.productId == productId) {
            return row;
        }
    }
    SensorModelRow row = kDefaultRow;
    row.productId = productId;
    return row;
}

bool NeedsIdentificationWord(int32_t productId) { return productId == kIdentifiedProduct; }

std::unique_ptr<CSensorBase> CreateSensorModel(int32_t productId, uint16_t identificationWord,
                                               usb::CControllerBase* controller) {
    SensorModelRow row = FindSensorModelRow(productId);
    if (NeedsIdentificationWord(productId) && identificationWord == kSensorS02Identification) {
        row.modelNumber = 2;
    }
    std::unique_ptr<CSensorBase> model = kMakers[row.modelNumber - 1](controller, row.busAddress);
    if (row.variant != 0) {
        model->SetVariant(row.variant);
    }
    return model;
}

}  // namespace ovilux::camera
