// SimulatedBus.cpp - ports, paths and handles of the simulated bus, and request routing.
#include "sim/SimulatedBus.h"

#include "sim/ProductDescription.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/DeviceNotification.h"
#include "sim/ByteOrder.h"
#include "sim/PendingRequest.h"
#include "sim/ScenePictureFile.h"
#include "sim/SimCamera.h"
#include "sim/TransferHeader.h"

namespace ovilux::sim {

namespace {

constexpr uint64_t kHandleStep = 4;  // handle values look like the system's: multiples of four
constexpr size_t kMaxProductIdDigits = 4;

platform::IoResult Failure(uint32_t error) {
    platform::IoResult result;
    result.error = error;
    return result;
}

platform::IoResult Success(uint32_t bytes) {
    platform::IoResult result;
    result.ok = true;
    result.bytes = bytes;
    return result;
}

bool SamePath(const std::string& a, const char* b) {
    const size_t length = std::strlen(b);
    if (a.size() != length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

CSimulatedBus& CSimulatedBus::Instance() {
    // Never destroyed: requests and timer threads may still run while the process exits.
    static CSimulatedBus* const bus = new CSimulatedBus();
    return *bus;
}

int32_t CSimulatedBus::Attach(uint16_t productId, int32_t port) {
    if (!FindProduct(productId)) {
        return -1;
    }
    std::string attachedPath;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (port < 0) {
            const auto free = std::find(ports_.begin(), ports_.end(), nullptr);
            if (free == ports_.end()) {
                return -1;
            }
            port = static_cast<int32_t>(free - ports_.begin());
        } else if (port >= kPortCount || ports_[port] != nullptr) {
            return -1;
        }
        char path[260];
        std::snprintf(path, sizeof(path), kPathFormat, kVendorId, productId, static_cast<unsigned>(port + 1));
        ports_[port] = std::make_shared<CSimCamera>(productId, port, path, speed_);
        ports_[port]->SetScene(attachScene_);
        ports_[port]->SetSceneOptions(attachOptions_);
        attachedPath = ports_[port]->Path();
    }
    platform::InstallSimulatedDriverPort(this);
    platform::PostDeviceChange(true, platform::kFx3DriverGuid, attachedPath);
    return port;
}

bool CSimulatedBus::Detach(int32_t port) {
    std::shared_ptr<CSimCamera> camera;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (port < 0 || port >= kPortCount || ports_[port] == nullptr) {
            return false;
        }
        camera = std::move(ports_[port]);
    }
    camera->Unplug();
    platform::PostDeviceChange(false, platform::kFx3DriverGuid, camera->Path());
    return true;
}

std::vector<CSimCameraInfo> CSimulatedBus::List() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<CSimCameraInfo> cameras;
    for (const std::shared_ptr<CSimCamera>& camera : ports_) {
        if (camera != nullptr) {
            cameras.push_back({camera->Port(), kVendorId, camera->ProductId(), camera->Path()});
        }
    }
    return cameras;
}

std::shared_ptr<CSimCamera> CSimulatedBus::Camera(int32_t port) {
    std::lock_guard<std::mutex> lock(mutex_);
    return port >= 0 && port < kPortCount ? ports_[port] : nullptr;
}

void CSimulatedBus::SetSpeed(SimSpeed speed) {
    std::array<std::shared_ptr<CSimCamera>, kPortCount> cameras;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        speed_ = speed;
        cameras = ports_;
    }
    for (const std::shared_ptr<CSimCamera>& camera : cameras) {
        if (camera != nullptr) {
            camera->SetSpeed(speed);
        }
    }
}

SimSpeed CSimulatedBus::Speed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return speed_;
}

int32_t CSimulatedBus::ParseProductId(const std::string& text) {
    std::string digits = Trimmed(text);
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits = digits.substr(2);
    }
    if (digits.empty() || digits.size() > kMaxProductIdDigits ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
        return -1;
    }
    return static_cast<int32_t>(std::stoul(digits, nullptr, 16));
}

void CSimulatedBus::SetAttachScene(std::shared_ptr<const CScene> scene, const SceneOptions& options) {
    std::lock_guard<std::mutex> lock(mutex_);
    attachScene_ = std::move(scene);
    attachOptions_ = options;
}

bool CSimulatedBus::ApplyEnvironment(const char* simulate, const char* speed, const char* scene) {
    bool sceneRead = true;
    if (scene != nullptr && *scene != '\0') {
        std::shared_ptr<const CScene> picture = LoadScenePicture(scene);
        sceneRead = picture != nullptr;
        // The tester's own picture, exactly: no noise, no motion, no defects over it.
        SceneOptions still;
        still.noise = still.motion = still.defects = !sceneRead;
        SetAttachScene(std::move(picture), still);
    }
    if (speed != nullptr) {
        std::string word = Trimmed(speed);
        std::transform(word.begin(), word.end(), word.begin(),
                       [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
        if (word == "fast") {
            SetSpeed(SimSpeed::Fast);
        } else if (word == "realtime") {
            SetSpeed(SimSpeed::Realtime);
        }
    }
    if (simulate == nullptr || *simulate == '\0') {
        return sceneRead;
    }
    // Asking for simulation keeps the library off the real driver even when no id is valid.
    platform::InstallSimulatedDriverPort(this);
    const std::string list(simulate);
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        const int32_t productId = ParseProductId(list.substr(start, comma - start));
        if (productId >= 0) {
            Attach(static_cast<uint16_t>(productId), -1);
        }
        start = comma + 1;
    }
    return sceneRead;
}

std::vector<std::string> CSimulatedBus::EnumerateInterfaces(const platform::InterfaceGuid& guid) {
    std::vector<std::string> paths;
    if (std::memcmp(guid.bytes, kFx3InterfaceGuid, sizeof(kFx3InterfaceGuid)) != 0) {
        return paths;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (const std::shared_ptr<CSimCamera>& camera : ports_) {
        if (camera != nullptr) {
            paths.push_back(camera->Path());
        }
    }
    return paths;
}

platform::DeviceHandle CSimulatedBus::Open(const char* path, bool overlapped) {
    if (path == nullptr) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    const auto camera = std::find_if(ports_.begin(), ports_.end(), [path](const std::shared_ptr<CSimCamera>& c) {
        return c != nullptr && SamePath(c->Path(), path);
    });
    if (camera == ports_.end()) {
        return nullptr;
    }
    const uint64_t id = nextHandle_;
    nextHandle_ += kHandleStep;
    handles_[id] = std::make_shared<Handle>(Handle{id, *camera, overlapped});
    return reinterpret_cast<platform::DeviceHandle>(static_cast<uintptr_t>(id));
}

bool CSimulatedBus::Close(platform::DeviceHandle handle) {
    std::shared_ptr<Handle> closed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = handles_.find(reinterpret_cast<uintptr_t>(handle));
        if (found == handles_.end()) {
            return false;
        }
        closed = std::move(found->second);
        handles_.erase(found);
    }
    // Closing a handle cancels what is still running on it.
    closed->camera->Cancel(closed->id, nullptr);
    return true;
}

std::shared_ptr<CSimulatedBus::Handle> CSimulatedBus::FindHandle(platform::DeviceHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = handles_.find(reinterpret_cast<uintptr_t>(handle));
    return found == handles_.end() ? nullptr : found->second;
}

platform::IoResult CSimulatedBus::IoControl(platform::DeviceHandle handle, uint32_t code, void* in, uint32_t inLength,
                                            void* out, uint32_t outLength, platform::Overlapped* overlapped) {
    const std::shared_ptr<Handle> opened = FindHandle(handle);
    if (opened == nullptr) {
        return Failure(platform::win32_error::kInvalidHandle);
    }
    CSimCamera& camera = *opened->camera;
    if (camera.Unplugged()) {
        return Failure(platform::win32_error::kDeviceNotConnected);
    }
    auto* input = static_cast<uint8_t*>(in);
    auto* output = static_cast<uint8_t*>(out);
    platform::IoResult result = Failure(platform::win32_error::kInvalidParameter);
    switch (code) {
        case platform::fx3_ioctl::kControlTransfer:
            result = camera.ControlTransfer(input, inLength, output, outLength);
            break;
        case platform::fx3_ioctl::kBufferedTransfer:
        case platform::fx3_ioctl::kDirectTransfer:
            return BulkRead(*opened, code, input, inLength, output, outLength, overlapped);
        case platform::fx3_ioctl::kResetPipe:
        case platform::fx3_ioctl::kAbortPipe:
            if (input == nullptr || inLength < 1 || input[0] != camera.StreamEndpoint()) {
                break;
            }
            if (code == platform::fx3_ioctl::kAbortPipe) {
                camera.AbortPipe();
            } else {
                camera.ResetPipe();
            }
            result = Success(0);
            break;
        case platform::fx3_ioctl::kResetParentPort:
            camera.ResetPort();
            result = Success(0);
            break;
        case platform::fx3_ioctl::kDeviceSpeed:
            if (output == nullptr || outLength < 4) {
                break;
            }
            StoreLe32(output, kSuperSpeedCode);
            result = Success(4);
            break;
        default:
            break;
    }
    if (overlapped != nullptr && result.ok) {
        // Finished at once: the completion is signalled and collected as for any request.
        auto record = std::make_shared<CPendingRequest>(opened->id, overlapped->event, nullptr, nullptr, 0,
                                                        result.bytes, std::nullopt);
        record->Finish(RequestEnd::Completed);
        overlapped->pending = record;
    }
    return result;
}

platform::IoResult CSimulatedBus::BulkRead(const Handle& handle, uint32_t code, uint8_t* in, uint32_t inLength,
                                           uint8_t* out, uint32_t outLength, platform::Overlapped* overlapped) {
    if (in == nullptr || inLength < kTransferHeaderSize) {
        return Failure(platform::win32_error::kInvalidParameter);
    }
    const CTransferHeader header = CTransferHeader::Parse(in);
    if (header.endpoint != handle.camera->StreamEndpoint()) {
        return Failure(platform::win32_error::kInvalidParameter);
    }
    std::optional<SimClock::time_point> deadline;
    if (header.timeout != 0) {
        deadline = SimClock::now() + std::chrono::milliseconds(header.timeout);
    }
    platform::Event* event = overlapped != nullptr ? overlapped->event : nullptr;
    std::shared_ptr<CPendingRequest> request;
    if (code == platform::fx3_ioctl::kBufferedTransfer) {
        // Through the driver's buffer: the data follows the header in the block, and the
        // block comes back with its status.
        if (out == nullptr || outLength < kTransferHeaderSize || header.bufferOffset != kTransferHeaderSize ||
            header.bufferLength > outLength - kTransferHeaderSize) {
            return Failure(platform::win32_error::kInvalidParameter);
        }
        if (out != in) {
            std::memmove(out, in, kTransferHeaderSize);
        }
        request = std::make_shared<CPendingRequest>(handle.id, event, out, out + kTransferHeaderSize,
                                                    header.bufferLength, kTransferHeaderSize, deadline);
    } else {
        // Direct: straight into the caller's buffer; the status goes into the caller's header.
        if (out == nullptr && outLength > 0) {
            return Failure(platform::win32_error::kInvalidParameter);
        }
        request = std::make_shared<CPendingRequest>(handle.id, event, in, out, outLength, 0, deadline);
    }
    if (overlapped != nullptr) {
        overlapped->pending = request;
    }
    return handle.camera->Read(request, overlapped == nullptr || !handle.overlapped);
}

platform::IoResult CSimulatedBus::GetOverlappedResult(platform::DeviceHandle handle, platform::Overlapped& overlapped,
                                                      bool wait) {
    const std::shared_ptr<Handle> opened = FindHandle(handle);
    if (opened == nullptr) {
        return Failure(platform::win32_error::kInvalidHandle);
    }
    const auto request = std::static_pointer_cast<CPendingRequest>(overlapped.pending);
    if (request == nullptr || request->Handle() != opened->id) {
        return Failure(platform::win32_error::kInvalidParameter);
    }
    return request->Result(wait);
}

bool CSimulatedBus::CancelIo(platform::DeviceHandle handle, platform::Overlapped* overlapped) {
    const std::shared_ptr<Handle> opened = FindHandle(handle);
    if (opened == nullptr) {
        return false;
    }
    std::shared_ptr<CPendingRequest> request;
    if (overlapped != nullptr) {
        request = std::static_pointer_cast<CPendingRequest>(overlapped->pending);
        if (request == nullptr || request->Handle() != opened->id) {
            return false;
        }
    }
    return opened->camera->Cancel(opened->id, request.get());
}

}  // namespace ovilux::sim
