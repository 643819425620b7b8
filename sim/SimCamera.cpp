// SimCamera.cpp - a simulated camera answering driver requests.
#include "sim/SimCamera.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <system_error>

#include "platform/Clock.h"
#include "sim/FrameRender.h"
#include "sim/ProductDescription.h"
#include "sim/Scene.h"
#include "sim/TextHead.h"
#include "sim/TransferHeader.h"
#include "sim/WordRegisterSensor.h"

namespace ovilux::sim {

namespace {

constexpr uint32_t kSerialBase = 0x4F560000;

platform::IoResult Failure(uint32_t error) {
    platform::IoResult result;
    result.error = error;
    return result;
}

// Adds the calling thread's CPU time while in scope to a camera's account.
class CpuMeter {
public:
    explicit CpuMeter(std::atomic<uint64_t>& account) : account_(account), start_(platform::ThreadCpuNs()) {}
    ~CpuMeter() { account_ += platform::ThreadCpuNs() - start_; }
    CpuMeter(const CpuMeter&) = delete;
    CpuMeter& operator=(const CpuMeter&) = delete;

private:
    std::atomic<uint64_t>& account_;
    const uint64_t start_;
};

}  // namespace

CSimCamera::CSimCamera(uint16_t productId, int32_t port, std::string path, SimSpeed speed)
    : productId_(productId),
      port_(port),
      path_(std::move(path)),
      pluggedIn_(SimClock::now()),
      firmware_(productId, kSerialBase + static_cast<uint32_t>(port), *this),
      engine_(sensor_, fpga_, speed, pluggedIn_) {
    firmware_.AttachDevice(kAuxBusAddress, aux_);
    firmware_.AttachDevice(kSromBusAddress, srom_);
    BuildProduct();
}

void CSimCamera::BuildProduct() {
    const std::optional<ProductDescription> product = FindProduct(productId_);
    if (product && product->fx3Direct) {
        BuildDirectProduct(product->busAddress, product->width, product->height);
        return;
    }
    firmware_.AttachDevice(kFpgaBusAddress, fpga_);
    if (!product || product->bus == SensorBus::Address8Value16) {
        firmware_.AttachDevice(kSensorBusAddress, sensor_);
        return;
    }
    // The frame timing and the scene's exposure still come from the M03 sensor model inside;
    // the bus shows the product's own sensor.
    switch (product->bus) {
        case SensorBus::Address16Value16:
            productSensor_ = std::make_unique<CWordRegisterSensor>(2, kProductSensorIdentification);
            break;
        case SensorBus::Address16Value8:
            productSensor_ = std::make_unique<CWordRegisterSensor>(1, kProductSensorIdentification);
            break;
        case SensorBus::TextHead:
            productSensor_ = std::make_unique<CTextHead>();
            break;
        case SensorBus::Address8Value16:
        case SensorBus::FpgaOnly:
            break;
    }
    if (productSensor_) {
        firmware_.AttachDevice(product->busAddress, *productSensor_);
    }
    if (product->ownFrameRegisters) {
        fpga_.SetFrameLayout({kFpgaOwnWidthLow, kFpgaOwnHeightLow, kFpgaOwnPixelWidth, false});
    } else if (product->heightTakenWithHighByte) {
        fpga_.SetFrameLayout({kFpgaWidthLow, kFpgaHeightLow, kFpgaPixelWidth, true});
    }
    SetFrameFormat(product->width, product->height, 1);
}

void CSimCamera::SetFrameFormat(uint32_t width, uint32_t height, uint8_t pixelWidth) {
    const CFpga::FrameLayout& layout = fpga_.Layout();
    const uint8_t heightBytes[] = {layout.heightLow, 0, static_cast<uint8_t>(height), 0,
                                   static_cast<uint8_t>(height >> 8)};
    const uint8_t widthBytes[] = {layout.widthLow, 0, static_cast<uint8_t>(width), 0, static_cast<uint8_t>(width >> 8)};
    const uint8_t pixelWidthBytes[] = {layout.pixelWidth, 0, pixelWidth};
    fpga_.Write(pixelWidthBytes, sizeof(pixelWidthBytes), pluggedIn_);
    fpga_.Write(heightBytes, sizeof(heightBytes), pluggedIn_);
    fpga_.Write(widthBytes, sizeof(widthBytes), pluggedIn_);
}

void CSimCamera::BuildDirectProduct(uint8_t busAddress, uint32_t width, uint32_t height) {
    // The FPGA object stays as the firmware's frame former, out of the bus's reach; the sensor
    // is reached through the bridge and the sensor-word requests alike.
    auto sensor = std::make_unique<CWordRegisterSensor>(2, kProductSensorIdentification);
    directSensor_ = sensor.get();
    productSensor_ = std::move(sensor);
    firmware_.AttachDevice(busAddress, *productSensor_);
    firmware_.RouteSensorWords(busAddress, 2);
    stream_.SendWithoutHeaders();
    // Power-on window: the whole array.
    const auto setRegister = [this](uint16_t address, uint32_t value) {
        const uint8_t bytes[4] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
                                  static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
        directSensor_->Write(bytes, sizeof(bytes), pluggedIn_);
    };
    setRegister(kDirectSensorFirstColumn, 0);
    setRegister(kDirectSensorFirstRow, 0);
    setRegister(kDirectSensorLastColumn, width - 1);
    setRegister(kDirectSensorLastRow, height - 1);
    FrameDirectWindow();
}

void CSimCamera::FrameDirectWindow() {
    const auto extent = [this](uint16_t first, uint16_t last) {
        const uint32_t from = directSensor_->Register(first);
        const uint32_t to = directSensor_->Register(last);
        return to >= from ? to - from + 1 : 0;
    };
    SetFrameFormat(extent(kDirectSensorFirstColumn, kDirectSensorLastColumn),
                   extent(kDirectSensorFirstRow, kDirectSensorLastRow), firmware_.TransferWidth() != 0 ? 2 : 1);
}

CSimCamera::~CSimCamera() { Unplug(); }

platform::IoResult CSimCamera::ControlTransfer(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength) {
    if (in == nullptr || out == nullptr || inLength < kTransferHeaderSize || outLength < kTransferHeaderSize) {
        return Failure(platform::win32_error::kInvalidParameter);
    }
    const CpuMeter meter(cpuNs_);
    const CTransferHeader request = CTransferHeader::Parse(in);
    if (request.endpoint != kControlEndpoint || request.bufferOffset != kTransferHeaderSize ||
        request.bufferLength > inLength - kTransferHeaderSize) {
        return Failure(platform::win32_error::kInvalidParameter);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (unplugged_) {
        return Failure(platform::win32_error::kDeviceNotConnected);
    }
    if (out != in) {
        std::memmove(out, in, std::min(inLength, outLength));
    }
    const SimClock::time_point now = SimClock::now();
    engine_.Advance(now);
    const uint32_t capacity = std::min(request.bufferLength, outLength - kTransferHeaderSize);
    const CControlReply reply = firmware_.Handle(request, in + kTransferHeaderSize, request.bufferLength,
                                                 out + kTransferHeaderSize, capacity, now);
    if (directSensor_ != nullptr) {
        FrameDirectWindow();
    }
    engine_.Reconcile(now);
    Progress(now);
    wake_.notify_all();
    if (!reply.ok) {
        CTransferHeader::WriteStatus(out, kNtUnsuccessful, kUsbdStall);
        return Failure(platform::win32_error::kGenFailure);
    }
    CTransferHeader::WriteStatus(out, kNtSuccess, kUsbdSuccess);
    platform::IoResult result;
    result.ok = true;
    result.bytes = kTransferHeaderSize + reply.dataBytes;
    return result;
}

platform::IoResult CSimCamera::Read(const std::shared_ptr<CPendingRequest>& request, bool wait) {
    {
        const CpuMeter meter(cpuNs_);
        std::lock_guard<std::mutex> lock(mutex_);
        if (unplugged_) {
            request->Finish(RequestEnd::DeviceGone);
        } else {
            const SimClock::time_point now = SimClock::now();
            if (pending_.empty()) {
                engine_.Advance(now);
                request->Add(Pull(request->Next(), request->Missing(), now));
            }
            if (request->Missing() == 0) {
                request->Finish(RequestEnd::Completed);
            } else {
                pending_.push_back(request);
                EnsureTimer();
                wake_.notify_all();
            }
        }
    }
    platform::IoResult result = request->Result(wait);
    if (!result.ok && result.error == platform::win32_error::kIoIncomplete) {
        result.error = platform::win32_error::kIoPending;
    }
    return result;
}

bool CSimCamera::Cancel(uint64_t handle, const CPendingRequest* request) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool found = false;
    for (auto it = pending_.begin(); it != pending_.end();) {
        if ((*it)->Handle() == handle && (request == nullptr || it->get() == request)) {
            (*it)->Finish(RequestEnd::Aborted);
            it = pending_.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found;
}

void CSimCamera::AbortPipe() {
    std::lock_guard<std::mutex> lock(mutex_);
    FinishAll(RequestEnd::Aborted);
}

void CSimCamera::ResetPipe() {
    std::lock_guard<std::mutex> lock(mutex_);
    stream_.Discard();
}

void CSimCamera::ResetPort() {
    std::lock_guard<std::mutex> lock(mutex_);
    FinishAll(RequestEnd::Aborted);
    ResetStream(SimClock::now());
}

void CSimCamera::Unplug() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        unplugged_ = true;
        FinishAll(RequestEnd::DeviceGone);
    }
    wake_.notify_all();
    if (timer_.joinable() && timer_.get_id() != std::this_thread::get_id()) {
        timer_.join();
    }
}

bool CSimCamera::Unplugged() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return unplugged_;
}

bool CSimCamera::Trigger() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (unplugged_) {
        return false;
    }
    const SimClock::time_point now = SimClock::now();
    const bool started = engine_.Trigger(now);
    Progress(now);
    wake_.notify_all();
    return started;
}

void CSimCamera::SetSpeed(SimSpeed speed) {
    std::lock_guard<std::mutex> lock(mutex_);
    const SimClock::time_point now = SimClock::now();
    engine_.SetSpeed(speed, now);
    Progress(now);
    wake_.notify_all();
}

void CSimCamera::SetScene(std::shared_ptr<const CScene> scene) {
    std::lock_guard<std::mutex> lock(mutex_);
    scene_ = std::move(scene);
}

void CSimCamera::SetSceneOptions(const SceneOptions& options) {
    std::lock_guard<std::mutex> lock(mutex_);
    sceneOptions_ = options;
}

void CSimCamera::DropHeaders(uint32_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    headersToDrop_ = count;
}

void CSimCamera::MisreportPayload(int32_t deltaBytes, uint32_t frames) {
    std::lock_guard<std::mutex> lock(mutex_);
    payloadDelta_ = deltaBytes;
    misreportedFrames_ = frames;
}

void CSimCamera::Stall(uint32_t milliseconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    stalledUntil_ = SimClock::now() + std::chrono::milliseconds(milliseconds);
    wake_.notify_all();
}

void CSimCamera::SetSilent(uint8_t busAddress, bool silent) {
    std::lock_guard<std::mutex> lock(mutex_);
    firmware_.SetSilent(busAddress, silent);
}

void CSimCamera::SetFailSromWrites(bool fail) {
    std::lock_guard<std::mutex> lock(mutex_);
    srom_.SetFailWrites(fail);
}

uint16_t CSimCamera::SensorRegister(uint8_t address) {
    std::lock_guard<std::mutex> lock(mutex_);
    return sensor_.Register(address);
}

uint8_t CSimCamera::FpgaRegister(uint8_t address) {
    std::lock_guard<std::mutex> lock(mutex_);
    engine_.Advance(SimClock::now());
    return fpga_.Register(address);
}

uint8_t CSimCamera::SromByte(uint32_t address) {
    std::lock_guard<std::mutex> lock(mutex_);
    return srom_.Byte(address);
}

uint32_t CSimCamera::FramesProduced() {
    std::lock_guard<std::mutex> lock(mutex_);
    engine_.Advance(SimClock::now());
    return engine_.FramesProduced();
}

uint32_t CSimCamera::FramesSent() {
    std::lock_guard<std::mutex> lock(mutex_);
    return framesSent_;
}

void CSimCamera::ResetStream(SimClock::time_point now) {
    stream_.Reset();
    engine_.DropAll(now);
}

void CSimCamera::PrepareRead(SimClock::time_point /*now*/) { stream_.Arm(); }

void CSimCamera::Progress(SimClock::time_point now) {
    engine_.Advance(now);
    for (auto it = pending_.begin(); it != pending_.end();) {
        const auto& deadline = (*it)->Deadline();
        if (deadline && *deadline <= now) {
            (*it)->Finish(RequestEnd::TimedOut);
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    while (!pending_.empty()) {
        const std::shared_ptr<CPendingRequest>& front = pending_.front();
        front->Add(Pull(front->Next(), front->Missing(), now));
        if (front->Missing() > 0) {
            break;
        }
        front->Finish(RequestEnd::Completed);
        pending_.pop_front();
    }
}

uint32_t CSimCamera::Pull(uint8_t* destination, uint32_t length, SimClock::time_point now) {
    uint32_t total = 0;
    while (total < length && now >= stalledUntil_) {
        if (!stream_.Sending()) {
            if (!stream_.Armed()) {
                break;
            }
            const std::optional<CFrameRecord> frame = engine_.Take(now);
            if (!frame) {
                break;
            }
            if (headersToDrop_ > 0) {
                // The frame is lost whole, header included; the arming went with it.
                --headersToDrop_;
                stream_.Reset();
                continue;
            }
            BeginNextFrame(*frame);
            ++framesSent_;
        }
        total += stream_.CopyOut(destination + total, length - total);
    }
    return total;
}

void CSimCamera::BeginNextFrame(const CFrameRecord& frame) {
    int64_t announced = frame.settings.FrameBytes();
    if (misreportedFrames_ > 0) {
        --misreportedFrames_;
        announced = std::clamp<int64_t>(announced + payloadDelta_, 0, std::numeric_limits<uint32_t>::max());
    }
    stream_.Begin(frame, RenderFor(frame.settings), static_cast<uint32_t>(announced), pluggedIn_);
}

std::shared_ptr<CFrameRender> CSimCamera::RenderFor(const CFrameSettings& settings) {
    std::shared_ptr<const CScene> scene = scene_ ? scene_ : CScene::Chart();
    if (!render_ || !render_->Draws(settings, scene.get(), sceneOptions_)) {
        render_ = CFrameRender::Shared(std::move(scene), settings, sceneOptions_);
    }
    return render_;
}

void CSimCamera::FinishAll(RequestEnd end) {
    for (const std::shared_ptr<CPendingRequest>& request : pending_) {
        request->Finish(end);
    }
    pending_.clear();
}

SimClock::time_point CSimCamera::NextWake(SimClock::time_point now) const {
    if (pending_.empty()) {
        return SimClock::time_point::max();
    }
    SimClock::time_point wake = engine_.NextFrameTime();
    if (stalledUntil_ > now) {
        wake = std::min(wake, stalledUntil_);
    }
    for (const std::shared_ptr<CPendingRequest>& request : pending_) {
        if (request->Deadline()) {
            wake = std::min(wake, *request->Deadline());
        }
    }
    return wake;
}

void CSimCamera::EnsureTimer() {
    if (timer_.joinable()) {
        return;
    }
    try {
        timer_ = std::thread([this] { TimerLoop(); });
    } catch (const std::system_error&) {
        // Without its timer the camera still answers; only timed events wait for the next request.
    }
}

void CSimCamera::TimerLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!unplugged_) {
        const SimClock::time_point now = SimClock::now();
        SimClock::time_point wake;
        {
            const CpuMeter meter(cpuNs_);
            Progress(now);
            wake = NextWake(now);
        }
        if (wake == SimClock::time_point::max()) {
            wake_.wait(lock);
        } else {
            wake_.wait_until(lock, wake);
        }
    }
}

}  // namespace ovilux::sim
