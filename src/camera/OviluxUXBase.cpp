// OviluxUXBase.cpp - the camera device object's lifecycle: controller, opening a camera by
// device number, initialisation, the device table, buffers, window, pixel width and trigger.
#include "camera/OviluxUXBase.h"

#include <cstring>
#include <new>

#include "camera/ProductIds.h"
#include "camera/sensors/SensorFactory.h"
#include "platform/Clock.h"
#include "usb/OviCy3Cam.h"

namespace ovilux::camera {

namespace {

constexpr int32_t kMaxDevices = 32;
constexpr uint16_t kUserByteAddress = 0x1080;
constexpr uint32_t kTimeoutMs = 3000;
constexpr uint8_t kIdentificationAddress = 0x20;
constexpr uint8_t kIdentificationReadAddress = 0x21;
constexpr int32_t kBufferMargin = 128;  // rows and columns beyond the window a buffer keeps room for
constexpr uint32_t kBufferGranule = 8192;
constexpr int kReadyStatePolls = 40;
constexpr uint32_t kReadyStatePollMs = 500;
constexpr uint32_t kLatchWaitMs = 5000;

// FPGA registers.
constexpr uint8_t kFrameCount = 8;
constexpr uint8_t kTriggerEnable = 36;
constexpr uint8_t kTriggerStrobe = 48;
constexpr uint8_t kPixelWidth = 60;
constexpr uint8_t kConverterPixelWidth = 61;
constexpr uint8_t kFrameHeightLow = 64;
constexpr uint8_t kFrameHeightHigh = 65;
constexpr uint8_t kFrameWidthLow = 68;
constexpr uint8_t kFrameWidthHigh = 69;
constexpr uint8_t kTransferReset = 104;
constexpr uint8_t kAutoIris = 144;
constexpr uint8_t kAutoIrisBit = 209;
constexpr uint8_t kAutoIrisOn = 15;
constexpr uint8_t kAutoIrisOff = 8;
constexpr int32_t kAutoIrisLevels = 8;

}  // namespace

COviluxUXBase::COviluxUXBase() = default;

COviluxUXBase::~COviluxUXBase() { Close(); }

COviluxUXSimpleSdk::~COviluxUXSimpleSdk() = default;


platform::DriverPort& COviluxUXBase::PortInUse() const {
    return driverPort_ != nullptr ? *driverPort_ : platform::ActiveDriverPort();
}

int32_t COviluxUXBase::CreateController(void* /*notificationWindow*/, const platform::InterfaceGuid* guid) {
    Close();
    try {
        controller_ = std::make_unique<usb::COviCy3Cam>(PortInUse(), guid, nullptr);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int32_t COviluxUXBase::InitializeDevice() {
    if (!controller_ || !controller_->InitializeTransferBuffer()) {
        return 0;
    }
    uint8_t info[sizeof(DeviceInfoRecord)];
    std::memcpy(info, &deviceInfo_, sizeof(info));
    controller_->GetDeviceInfo(info);
    std::memcpy(&deviceInfo_, info, sizeof(info));
    if (!sensor_) {
        return 0;
    }
    if (productId_ == product::kFx3Direct) {
        sensor_->SetModeWord(0x10000);
    } else if (productId_ == product::k3140) {
        controller_->FpgaWrite(56, 0);
        controller_->FpgaWrite(62, 3);
        controller_->FpgaWrite(56, 1);
    } else if (productId_ == product::kTextHead) {
        if (!sensor_->Probe()) {
            sensor_->SecondaryInit();
        }
    } else if (productId_ == product::k31E0) {
        uint8_t r16 = 0;
        uint8_t r19 = 0;
        controller_->FpgaRead(16, &r16);
        controller_->FpgaRead(19, &r19);
        if (r16 != 0 || r19 > 25) {
            for (int i = 0; i < kReadyStatePolls; ++i) {
                uint8_t state = 0;
                if (controller_->GetReadyState(&state) && state == 1) {
                    break;
                }
                platform::SleepMs(kReadyStatePollMs);
            }
        }
    }
    if (!sensor_->Probe()) {
        return 0;
    }
    return sensor_->Initialize();
}

int32_t COviluxUXBase::Close() {
    StopTransfer();
    if (controller_ && sensor_ && product::IsOneOf(productId_, product::k3090, product::k30B0, product::k30C0)) {
        sensor_->WriteRegister(0, 3);
        sensor_->WriteRegister(0x8000, 3);
        controller_->FpgaWrite(37, 0);
        for (uint8_t reg : {36, 31, 35, 34, 32, 33, 224}) {
            platform::SleepMs(1);
            controller_->FpgaWrite(reg, 0);
        }
    }
    if (controller_) {
        controller_->CloseStream();
    }
    sensor_.reset();  // the model holds the controller's interface; it goes first
    controller_.reset();
    deviceInfo_ = DeviceInfoRecord{};
    FreeBuffers();
    frameBytes_ = 0;
    timeoutFlag_ = 0;
    return 1;
}

void COviluxUXBase::FreeBuffers() {
    rawBuffer_.clear();
    rawBuffer_.shrink_to_fit();
    for (RingBuffer& slot : ring_) {
        std::lock_guard<std::mutex> hold(slot.lock);
        slot.bytes.clear();
        slot.bytes.shrink_to_fit();
    }
    buffersDirty_ = 1;
}

int32_t COviluxUXBase::GetDeviceInfo(DeviceInfoRecord* out) {
    if (out == nullptr || !controller_) {
        return 0;
    }
    uint8_t info[sizeof(DeviceInfoRecord)];
    std::memcpy(info, out, sizeof(info));
    const int32_t result = controller_->GetDeviceInfo(info);
    std::memcpy(out, info, sizeof(info));
    return result;
}

int32_t COviluxUXBase::GetControllerInfo(DeviceInfoRecord* out) {
    if (out == nullptr || !controller_) {
        return 0;
    }
    uint8_t info[sizeof(DeviceInfoRecord)];
    std::memcpy(info, out, sizeof(info));
    const int32_t result = controller_->GetControllerInfo(info);
    std::memcpy(out, info, sizeof(info));
    return result;
}

int32_t COviluxUXBase::GetSensorInfo(SensorParameters* out) { return ToSensor(&CSensorBase::CopyInfo, out); }

int32_t COviluxUXBase::Reopen(int32_t deviceNumber) {
    StopTransfer();
    return OpenDevice(deviceNumber) ? 0 : -1;
}

int32_t COviluxUXBase::ReadIdentificationWord(uint16_t* word) {
    const uint8_t address[2] = {0, 0};
    uint8_t bytes[2] = {0, 0};
    if (!controller_->I2cWrite(kIdentificationAddress, address, 2, kTimeoutMs) ||
        !controller_->I2cRead(kIdentificationReadAddress, bytes, 2, kTimeoutMs)) {
        return 0;
    }
    *word = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    return 1;
}

int32_t COviluxUXBase::OpenDevice(int32_t deviceNumber) {
    if (!controller_ || productId_ == product::kNone || controller_->EnumerateDevices() == 0 ||
        !IsDeviceNumberValid(deviceNumber)) {
        return 0;
    }
    int32_t row = -1;
    for (int32_t r = 0; r < kMaxDevices && row < 0; ++r) {
        if (GetTableProduct(r) == productId_ && GetTableNumber(r) == deviceNumber) {
            row = r;
        }
    }
    if (!controller_->SelectDevice(row)) {
        return 0;
    }
    sensor_.reset();
    uint16_t identification = 0;
    if (NeedsIdentificationWord(productId_) && !ReadIdentificationWord(&identification)) {
        return 0;
    }
    sensor_ = CreateSensorModel(productId_, identification, controller_.get());
    if (!sensor_) {
        return 0;  // no sensor model for this product in this library
    }
    deviceNumber_ = deviceNumber;
    buffersDirty_ = 1;
    return InitializeDevice();
}

int32_t COviluxUXBase::IsDeviceNumberValid(int32_t deviceNumber) {
    if (!controller_) {
        return 0;
    }
    const int32_t count = controller_->GetRecordCount();
    for (int32_t row = 0; row < count; ++row) {
        const usb::DeviceRecord record = controller_->GetTableRecord(row);
        if (record.productId == productId_ && record.deviceNumber == deviceNumber) {
            return controller_->IsDevicePresent(row) ? 1 : 0;
        }
    }
    return 0;
}

int32_t COviluxUXBase::CountDevices(int32_t productId) {
    if (!controller_) {
        return 0;
    }
    const int32_t count = controller_->EnumerateDevices();
    if (productId == 0) {
        return count;
    }
    int32_t present = 0;
    for (int32_t row = 0; row < count && row < kMaxDevices; ++row) {
        if (controller_->GetTableRecord(row).productId == productId && controller_->IsDevicePresent(row)) {
            ++present;
        }
    }
    return present;
}

int32_t COviluxUXBase::GetDeviceName(int32_t row, char* text, int32_t capacity) {
    if (!controller_ || text == nullptr || capacity <= 0) {
        return 0;
    }
    return controller_->GetModelName(row, text, static_cast<size_t>(capacity));
}

int32_t COviluxUXBase::SetProductId(int32_t productId) {
    productId_ = productId;
    return 1;
}

int32_t COviluxUXBase::GetProductId() { return productId_; }

int32_t COviluxUXBase::GetTableVendor(int32_t row) {
    return (controller_ && row >= 0 && row < kMaxDevices) ? controller_->GetTableRecord(row).vendorId : 0;
}

int32_t COviluxUXBase::GetTableProduct(int32_t row) {
    return (controller_ && row >= 0 && row < kMaxDevices) ? controller_->GetTableRecord(row).productId : 0;
}

int32_t COviluxUXBase::GetTableNumber(int32_t row) {
    return (controller_ && row >= 0 && row < kMaxDevices) ? controller_->GetTableRecord(row).deviceNumber : -1;
}

int32_t COviluxUXBase::IsFx3Direct() { return productId_ == product::kFx3Direct ? 1 : 0; }
int32_t COviluxUXBase::GetDeviceNumber() { return deviceNumber_; }
int32_t COviluxUXBase::GetMaxDevices() { return kMaxDevices; }

int32_t COviluxUXBase::AllocateFrameBuffers() {
    if (!sensor_) {
        return 0;
    }
    int32_t x = 0, width = 0, y = 0, height = 0, subsample = 0;
    if (!sensor_->GetWindow(&x, &width, &y, &height, &subsample) || width <= 0 || height <= 0) {
        return 0;
    }
    const int32_t tripled = productId_ == product::kConverterHead ? 3 : 1;
    const uint64_t padded = static_cast<uint64_t>(height + kBufferMargin) * static_cast<uint64_t>(width + kBufferMargin) * 2;
    const size_t bufferBytes = static_cast<size_t>((padded + kBufferGranule - 1) & ~uint64_t{kBufferGranule - 1}) * tripled;
    try {
        rawBuffer_.assign(bufferBytes, 0);
        for (RingBuffer& slot : ring_) {
            std::lock_guard<std::mutex> hold(slot.lock);
            slot.bytes.assign(bufferBytes, 0);
        }
    } catch (const std::bad_alloc&) {
        FreeBuffers();
        return 0;
    }
    frameWidth_ = width;
    frameHeight_ = height;
    frameBytes_ = width * height * TransferSampleBytes() * tripled;

    if (controller_ && productId_ != product::kFx3Direct) {
        const bool alternateSizeRegisters = product::IsOneOf(productId_, product::k31E0, product::k32D0);
        const uint8_t widthLow = alternateSizeRegisters ? 156 : kFrameWidthLow;
        const uint8_t widthHigh = alternateSizeRegisters ? 157 : kFrameWidthHigh;
        const uint8_t heightLow = alternateSizeRegisters ? 154 : kFrameHeightLow;
        const uint8_t heightHigh = alternateSizeRegisters ? 155 : kFrameHeightHigh;
        controller_->FpgaWrite(widthLow, static_cast<uint8_t>(width & 0xFF));
        controller_->FpgaWrite(widthHigh, static_cast<uint8_t>((width >> 8) & 0xFF));
        controller_->FpgaWrite(heightLow, static_cast<uint8_t>(height & 0xFF));
        controller_->FpgaWrite(heightHigh, static_cast<uint8_t>((height >> 8) & 0xFF));

        auto writeTiming = [this](uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
            controller_->FpgaWrite(72, a);
            controller_->FpgaWrite(73, b);
            controller_->FpgaWrite(76, c);
            controller_->FpgaWrite(77, d);
        };
        if (productId_ == product::k3100) {
            writeTiming(11, 0, 0, 0);
            controller_->FpgaWrite(kTransferReset, 0);
        } else if (product::IsOneOf(productId_, product::kConverterHead, product::k31E0, product::k32D0)) {
            writeTiming(20, 0, 136, 0);
        } else if (productId_ == product::k32B0) {
            writeTiming(39, 0, 79, 0);
            sensor_->ResetPulse();
        } else if (productId_ == product::k32C0) {
            writeTiming(10, 0, 32, 0);
        } else if (productId_ == product::k30B0) {
            controller_->FpgaWrite(kFrameHeightLow, 192);
            platform::SleepMs(1);
        } else if (productId_ == product::k30C0) {
            controller_->FpgaWrite(kFrameHeightLow, 34);
            platform::SleepMs(1);
            sensor_->ResetPulse();
        } else if (productId_ == product::kM01) {
            platform::SleepMs(200);
        } else if (product::WindowSetsLineTiming(productId_)) {
            // These FPGAs start each row and frame at the window's origin, in output pixels.
            const int32_t column = x >> subsample;
            const int32_t row = y >> subsample;
            writeTiming(static_cast<uint8_t>(column & 0xFF), static_cast<uint8_t>((column >> 8) & 0xFF),
                        static_cast<uint8_t>(row & 0xFF), static_cast<uint8_t>((row >> 8) & 0xFF));
        }
    }
    buffersDirty_ = 0;
    return 1;
}

bool COviluxUXBase::AlwaysSends16Bits() const { return productId_ == product::kTextHead; }

int32_t COviluxUXBase::SetPixelWidth(int32_t mode) {
    if (!controller_) {
        return 0;
    }
    if (sensor_ && product::SensorSetsPixelWidth(productId_)) {
        sensor_->SetPixelWidth(mode);
    }
    const bool wide = mode != 0 || AlwaysSends16Bits();
    int32_t result = 0;
    if (productId_ == product::kFx3Direct) {
        result = controller_->SetTransferWidth(wide ? 1 : 0);
    } else if (productId_ == product::kConverterHead) {
        result = controller_->FpgaWrite(kConverterPixelWidth, static_cast<uint8_t>(mode));
    } else if (product::IsOneOf(productId_, product::k31E0, product::k32D0)) {
        result = controller_->FpgaWrite(0xA3, wide ? 2 : 1);
    } else {
        result = controller_->FpgaWrite(kPixelWidth, wide ? 2 : 1);
    }
    if (mode != pixelWidthMode_) {
        pixelWidthMode_ = mode;
        buffersDirty_ = 1;  // reallocated by the next start, never under a running transfer
    }
    return result;
}

int32_t COviluxUXBase::SetCaptureWindow(int32_t x, int32_t y, int32_t width, int32_t height, int32_t subsample) {
    if (!sensor_) {
        return 0;
    }
    // The sensor keeps its window's output size, which is the requested size only without
    // sub-sampling: a sub-sampled window is always programmed, or a request that happened to
    // equal the old output size would keep the old window.
    int32_t cx = 0, cw = 0, cy = 0, ch = 0, cs = 0;
    if (subsample == 0 && sensor_->GetWindow(&cx, &cw, &cy, &ch, &cs) && cx == x && cy == y && cw == width &&
        ch == height && cs == subsample) {
        return 1;
    }
    if (!sensor_->SetWindow(x, width, y, height, subsample)) {
        return 0;
    }
    buffersDirty_ = 1;
    return 1;
}

int32_t COviluxUXBase::GetCaptureWindow(int32_t* x, int32_t* y, int32_t* width, int32_t* height, int32_t* subsample) {
    return ToSensor(&CSensorBase::GetWindow, x, width, y, height, subsample);
}

int32_t COviluxUXBase::ReadFrameCount() {
    if (!controller_) {
        return 0;
    }
    uint8_t count = 0;
    const int32_t result = controller_->FpgaRead(kFrameCount, &count);
    lastFpgaFrameCount_ = count;
    return result;
}

int32_t COviluxUXBase::SetTriggerMode(int32_t mode, int32_t force) {
    if (mode == triggerMode_ && force == 0) {
        return 1;
    }
    if (!controller_ || !sensor_) {
        return 0;
    }
    StopTransfer();
    OpenFrameEvent();
    int32_t result = 1;
    if (product::IsOneOf(productId_, product::kM03, product::k3050)) {
        controller_->FpgaWrite(kTriggerEnable, mode != 0 ? 1 : 0);
        result = sensor_->SetTriggerMode(mode);
        if (mode != 0) {
            ArmTriggeredCapture(kLatchWaitMs);
        }
    } else if (product::IsOneOf(productId_, product::k30F0, product::k3100)) {
        sensor_->SetTriggerMode(1);
        controller_->FpgaWrite(kTriggerStrobe, 0);
        result = mode != 0 ? controller_->FpgaWrite(kTriggerStrobe, 1) : sensor_->SetTriggerMode(0);
    } else if (product::IsOneOf(productId_, product::k3150, product::k3170)) {
        mode &= 0x83;
        result = controller_->FpgaWrite(kTriggerEnable, static_cast<uint8_t>(mode));
    } else if (productId_ >= product::k3260 && productId_ <= product::k3290) {
        if (mode == 0) {
            result = sensor_->SetTriggerMode(0);
        } else {
            StartTransfer(2);
            result = sensor_->SetTriggerMode(mode);
            WaitFrame(60000);
        }
    } else {
        result = sensor_->SetTriggerMode(mode);
        if (mode == 1) {
            ReadFrameCount();
        }
    }
    triggerMode_ = mode;
    return result;
}

void COviluxUXBase::ArmTriggeredCapture(uint32_t latchWaitMs) {
    lastFpgaFrameCount_ = 0;
    if (!StartTransfer(3)) {
        return;
    }
    if (threadEnd_ && threadEnd_->Wait(latchWaitMs) == platform::WaitResult::Signalled) {
        StartTransfer(2);
    }
}

int32_t COviluxUXBase::GetTriggerMode(int32_t* mode) { return ToSensor(&CSensorBase::GetTriggerMode, mode); }

int32_t COviluxUXBase::SromWrite(uint16_t address, uint8_t value) {
    return controller_ ? controller_->SromWrite(address, value) : 0;
}

int32_t COviluxUXBase::SromRead(uint16_t address, uint8_t* value) {
    return (controller_ && value != nullptr) ? controller_->SromRead(address, value) : 0;
}

int32_t COviluxUXBase::WriteUserByte(uint8_t value) { return SromWrite(kUserByteAddress, value); }
int32_t COviluxUXBase::ReadUserByte(uint8_t* value) { return SromRead(kUserByteAddress, value); }

int32_t COviluxUXBase::WriteFpgaRegister(uint8_t address, uint8_t value) {
    if (!controller_ || productId_ == product::kFx3Direct) {
        return 0;
    }
    return controller_->FpgaWrite(address, value);
}

int32_t COviluxUXBase::ReadFpgaRegister(uint8_t address, int32_t* ok) {
    uint8_t value = 0;
    const int32_t result = (controller_ && productId_ != product::kFx3Direct) ? controller_->FpgaRead(address, &value) : 0;
    if (ok != nullptr) {
        *ok = result ? 1 : 0;
    }
    return result ? value : 0;
}

int32_t COviluxUXBase::SetClockMode(int32_t mode) {
    if (!controller_ || !sensor_) {
        return 0;
    }
    if (mode == 2 && productId_ != product::kFx3Direct) {
        uint32_t speed = 0;
        if (controller_->GetDeviceSpeed(&speed) && speed != 4) {
            mode = 0;  // the high clock needs SuperSpeed
        }
    }
    return sensor_->SetClockMode(mode);
}

int32_t COviluxUXBase::IsAutoIrisSupported() {
    if (product::IsOneOf(productId_, product::k3150, product::k3170, product::k31E0, product::k3220)) {
        return 1;
    }
    if (productId_ == product::k3260 && sensor_) {
        return (sensor_->CachedIdentification() & 0x8000) != 0 ? 1 : 0;
    }
    return 0;
}

int32_t COviluxUXBase::GetAutoIris() {
    if (!controller_ || !IsAutoIrisSupported()) {
        return 0;
    }
    uint8_t value = 0;
    if (productId_ == product::k3260) {
        return controller_->FpgaRead(kAutoIrisBit, &value) && (value & 1) != 0 ? 1 : 0;
    }
    if (productId_ == product::k31E0) {
        const int32_t level = sensor_ ? sensor_->GetAutoIrisLevel() : 0;
        return level >= 1 && level <= kAutoIrisLevels ? 1 : 0;
    }
    return controller_->FpgaRead(kAutoIris, &value) && value == kAutoIrisOn ? 1 : 0;
}

int32_t COviluxUXBase::SetAutoIris(int32_t on) {
    if (!controller_ || !IsAutoIrisSupported()) {
        return 0;
    }
    if (GetAutoIris() == (on != 0 ? 1 : 0)) {
        return 1;
    }
    if (productId_ == product::k3260) {
        uint8_t value = 0;
        controller_->FpgaRead(kAutoIrisBit, &value);
        value = on != 0 ? (value | 1) : (value & ~1);
        return controller_->FpgaWrite(kAutoIrisBit, value);
    }
    if (productId_ == product::k31E0) {
        if (!sensor_) {
            return 0;
        }
        if (on == 0) {
            return sensor_->SetAutoIrisLevel(0);
        }
        // The head's level is the one the user kept in the camera; a byte that is no level
        // (a fresh camera reads 0xFF) is replaced by the lowest level and kept.
        uint8_t level = 0;
        if (!ReadUserByte(&level) || level < 1 || level > kAutoIrisLevels) {
            level = 1;
            WriteUserByte(level);
        }
        return sensor_->SetAutoIrisLevel(level);
    }
    return controller_->FpgaWrite(kAutoIris, on != 0 ? kAutoIrisOn : kAutoIrisOff);
}

int32_t COviluxUXBase::ReceiveText(char* buffer, int32_t length) {
    return productId_ == product::kTextHead ? ToSensor(&CSensorBase::ReceiveText, buffer, length) : 0;
}

int32_t COviluxUXBase::SendText(const char* text, int32_t length) {
    return productId_ == product::kTextHead ? ToSensor(&CSensorBase::SendText, text, length) : 0;
}

}  // namespace ovilux::camera
