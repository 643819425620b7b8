// OviluxUXBaseStreaming.cpp - the camera device object's streaming: the transfer thread and
// its loops, the frame ring, waiting for frames and copying them out.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "camera/OviluxUXBase.h"
#include "camera/ProductIds.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "usb/OviCy3Cam.h"
#include "usb/TransferLayout.h"

namespace ovilux::camera {

namespace {

constexpr uint32_t kThreadJoinMs = 3000;
constexpr int32_t kLoopGiveUpFailures = 5;
constexpr int32_t kDirectGiveUpFailures = 10;
constexpr uint32_t kDirectGiveUpMs = 10000;
constexpr uint32_t kGrabChunkTimeoutMs = 3000;
constexpr int32_t kLongExposureThreshold = 50000;  // 0.1 ms units: 5 s
constexpr int32_t kDefaultTransferTimeoutMs = 5000;
// How long the loop waits for a consumer that takes nothing: such a consumer still finds a frame
// no older than one of the sensor's own frame times.
constexpr uint32_t kUnclaimedFrameHoldMs = 70;
constexpr uint8_t kFrameCountRegister = 8;
constexpr uint8_t kTransferResetRegister = 104;
constexpr uint16_t kPipeResetFirmware = 0x10FF;
constexpr size_t kFirmwareVersionOffset = 24;
constexpr int32_t kLastRowSubModels = 7;  // the head sub-models up to this one repeat their last row

int32_t NextRingIndex(int32_t index) { return index + 1 >= kRingBuffers ? 0 : index + 1; }
int32_t PreviousRingIndex(int32_t index) { return index == 0 ? kRingBuffers - 1 : index - 1; }

void ReportIncompleteFrame(const usb::FrameDescriptor& descriptor) {
    char line[128];
    std::snprintf(line, sizeof(line), "ovilux: frame %u lost: %u of %u payload bytes came\n",
                  static_cast<unsigned>(descriptor.frameCount), static_cast<unsigned>(descriptor.receivedBytes),
                  static_cast<unsigned>(usb::FramePayloadCount(descriptor.header)));
    platform::DebugOutput(line);
}

}  // namespace

int32_t COviluxUXBase::SetTransferTimeout(int32_t milliseconds) {
    transferTimeout_ = milliseconds;
    return 1;
}

int32_t COviluxUXBase::SetRealExposure(int32_t exposure) {
    transferTimeout_ = exposure <= kLongExposureThreshold ? kDefaultTransferTimeoutMs : exposure / 5;
    if (productId_ == product::kPendingExposure) {
        // This camera takes exposure changes only between frames: the transfer thread applies
        // it. It is held within the model's limits, as the model will take it.
        int32_t minimum = 0;
        int32_t maximum = 0;
        if (!sensor_ || !sensor_->GetRealExposureMin(&minimum) || !sensor_->GetRealExposureMax(&maximum)) {
            return 0;
        }
        pendingExposure_ = std::clamp(exposure, minimum, maximum);
        pendingExposureFlag_ = 1;
        return 1;
    }
    return ToSensor(&CSensorBase::SetRealExposure, exposure);
}

int32_t COviluxUXBase::GetRealExposure(int32_t* value) {
    // An exposure waiting for the next frame is the one the camera is about to take: a caller
    // reading back must not get (and write again) the one it replaces.
    if (productId_ == product::kPendingExposure && pendingExposureFlag_ != 0 && value != nullptr && sensor_) {
        *value = pendingExposure_;
        return 1;
    }
    return ToSensor(&CSensorBase::GetRealExposure, value);
}

int32_t COviluxUXBase::SetExposureSeconds(double seconds) {
    if (seconds > 2.0) {
        transferTimeout_ = static_cast<int32_t>((seconds + 1.0) * 1000.0);
    }
    return ToSensor(&CSensorBase::SetExposureSeconds, seconds);
}

void COviluxUXBase::OpenFrameEvent() {
    if (!frameEventOpen_.exchange(true)) {
        frameEvent_.Reset();
    }
}

int32_t COviluxUXBase::SetCaptureMode(int32_t mode) {
    if (!controller_) {
        return 0;
    }
    if (mode != captureMode_) {
        StopTransfer();
        OpenFrameEvent();
        if (mode == 2) {
            writeIndex_ = readIndex_.load();  // nothing already in the ring counts as new
            ReadFrameCount();
        }
    }
    captureMode_ = mode;
    return 1;
}

void COviluxUXBase::JoinTransferThread() {
    // Never let the thread outlive what it uses: after the bounded wait, wait for good.
    if (!transferThread_.Join(kThreadJoinMs)) {
        transferThread_.Join(platform::kWaitInfinite);
    }
}

int32_t COviluxUXBase::StartTransfer(int32_t captureMode) {
    if (running_) {
        StopTransfer();
    }
    OpenFrameEvent();
    if (!SetCaptureMode(captureMode)) {
        return 0;
    }
    const bool formatChanged = buffersDirty_ != 0;
    if (formatChanged && !AllocateFrameBuffers()) {
        return 0;
    }
    JoinTransferThread();  // a loop that ended by itself may still be returning
    account_.Settle(timeoutFlag_ != 0);
    // Frames the camera queued before the window or sample width changed have the old size:
    // drop them here rather than have the loop read and refuse each one.
    if (formatChanged && controller_ && productId_ != product::kFx3Direct) {
        controller_->ResetStream();
    }
    // A fresh start owes its consumer no frame: drop a signal left by the last transfer, and
    // count nothing already in the ring as new. Frames nobody took would otherwise leave the
    // write index one short of the read index, and a single frame would bring it level: a
    // frame that arrived but reads as none.
    frameEvent_.Reset();
    readIndex_ = writeIndex_.load();
    claimedFrames_ = ringedFrames_.load();
    // Nor does it owe a loss: the last loop's give-up is news of that transfer, and a wait
    // before the new loop has run must not report it.
    timeoutFlag_ = 0;
    threadEnd_ = std::make_unique<platform::Event>(platform::EventReset::Auto, false);
    running_ = 1;
    const bool direct = productId_ == product::kFx3Direct;
    const platform::ThreadPriority priority =
        PortInUse().PacesFrames() ? platform::ThreadPriority::TimeCritical : platform::ThreadPriority::Normal;
    if (!transferThread_.Start([this, direct] { direct ? TransferLoopDirect() : TransferLoop(); }, priority)) {
        running_ = 0;
        return 0;
    }
    if (sensor_) {
        sensor_->OnTransferStarted();
    }
    return 1;
}

int32_t COviluxUXBase::StopTransfer() {
    if (sensor_) {
        sensor_->OnTransferStopping();
    }
    // The thread itself, not the end event, tells when the loop is over: whoever started a
    // loop may already have taken the event's one signal (SetTriggerMode's latch does).
    running_ = 0;
    frameClaimed_.Set();  // a loop holding for its consumer ends now
    JoinTransferThread();
    account_.Settle(timeoutFlag_ != 0);
    platform::SleepMs(1);
    threadEnd_.reset();
    frameEventOpen_ = false;
    frameEvent_.Set();  // wakes a consumer still waiting for a frame
    ResetTransfer();
    platform::SleepMs(5);
    captureMode_ = 0;
    return 1;
}

int32_t COviluxUXBase::ResetTransfer() {
    if (!controller_) {
        return 0;
    }
    if (productId_ == product::kFx3Direct) {
        return controller_->ResetParentPort();
    }
    uint16_t firmware = 0;
    std::memcpy(&firmware, reinterpret_cast<const uint8_t*>(&deviceInfo_) + kFirmwareVersionOffset, sizeof(firmware));
    if (firmware > kPipeResetFirmware) {
        controller_->ResetPipe(usb::kFrameEndpoint);
    }
    if (productId_ != product::k30C0 && sensor_) {
        sensor_->ResetPulse();
    }
    controller_->FpgaWrite(kTransferResetRegister, 2);
    if (productId_ == product::k3150) {
        platform::SleepMs(100);
    }
    return controller_->ResetStream();
}

bool COviluxUXBase::AnnouncesFrameSize(const usb::FrameDescriptor& descriptor) const {
    return usb::FramePayloadCount(descriptor.header) == static_cast<uint32_t>(frameBytes_);
}

void COviluxUXBase::MoveRawToRing(int32_t index, const RingFrameInfo& info, usb::FrameDescriptor& descriptor) {
    RingBuffer& slot = ring_[static_cast<size_t>(index)];
    std::lock_guard<std::mutex> hold(slot.lock);
    // Every slot and the raw buffer are made the same size together, so the frame changes
    // places with the slot's old bytes, which the next frame is read into.
    slot.bytes.swap(rawBuffer_);
    slot.info = info;
    descriptor.buffer = rawBuffer_.data();
}

void COviluxUXBase::RingFrame(uint32_t number, usb::FrameDescriptor& descriptor) {
    const uint64_t arrival = platform::MonotonicNs();
    const int32_t index = writeIndex_;
    MoveRawToRing(index, RingFrameInfo{number, arrival, account_.Ringed()}, descriptor);
    writeIndex_ = NextRingIndex(index);
    ringedFrames_.fetch_add(1);
    frameEvent_.Set();
}

int32_t COviluxUXBase::EndTransferLoop(bool signalFrame) {
    if (controller_) {
        controller_->CloseStream();
    }
    running_ = 0;  // cleared before the end is signalled, so a waiter woken by it sees it
    if (threadEnd_) {
        threadEnd_->Set();
    }
    if (signalFrame) {
        frameEvent_.Set();
    }
    return 1;
}

void COviluxUXBase::HoldUntilClaimed() {
    // A camera that makes each frame as it is read loses nothing by waiting, and frames read
    // faster than they are taken would only be overwritten, at the cost of the processor time
    // the consumer converts with. A signal left from a claim made while the last frame was being
    // read wakes the wait early, hence the loop.
    const uint32_t start = platform::TimeGetTime();
    while (running_ && ringedFrames_ != claimedFrames_) {
        const uint32_t elapsed = platform::ElapsedMs(start, platform::TimeGetTime());
        if (elapsed >= kUnclaimedFrameHoldMs ||
            frameClaimed_.Wait(kUnclaimedFrameHoldMs - elapsed) != platform::WaitResult::Signalled) {
            return;
        }
    }
}

int32_t COviluxUXBase::TransferLoop() {
    if (!controller_ || rawBuffer_.empty()) {
        EndTransferLoop(timeoutFlag_ != 0);
        return 0;
    }
    usb::FrameDescriptor descriptor{};
    descriptor.buffer = rawBuffer_.data();
    descriptor.capacity = static_cast<uint32_t>(rawBuffer_.size());
    timeoutFlag_ = 0;
    int32_t failures = 0;
    const int32_t mode = captureMode_;
    account_.BeginRun();
    if (!controller_->OpenStream()) {
        return EndTransferLoop(false);
    }
    while (running_) {
        if (mode == 0 && !PortInUse().PacesFrames()) {
            HoldUntilClaimed();
        }
        const uint32_t timeout = static_cast<uint32_t>(transferTimeout_.load());
        if (pendingExposureFlag_.exchange(0) != 0 && sensor_) {
            sensor_->SetRealExposure(pendingExposure_);
        }
        if (mode == 2) {
            uint8_t count = 0;
            if (!controller_->FpgaRead(kFrameCountRegister, &count)) {
                count = 0;
            }
            if (count == lastFpgaFrameCount_) {
                platform::SleepMs(1);
                continue;
            }
            lastFpgaFrameCount_ = count;
        }
        bool ok = controller_->ReadFrameHeader(&descriptor, timeout) != 0;
        if (ok) {
            if (mode != 2) {
                lastFpgaFrameCount_ = static_cast<uint8_t>(descriptor.frameCount);
            }
            if (mode == 3) {
                break;
            }
            account_.Numbered(descriptor.frameCount);
            ok = controller_->ReadFramePayload(&descriptor, timeout) != 0;
            if (!ok) {
                account_.Incomplete();
                ReportIncompleteFrame(descriptor);
            }
        }
        if (ok && !AnnouncesFrameSize(descriptor)) {
            // Read to keep the stream in step, but never delivered: rows of another width
            // would shear the picture. It counts as a failed frame for the give-up rule.
            account_.WrongSize();
            if (++failures >= kLoopGiveUpFailures) {
                timeoutFlag_ = 1;
                frameEvent_.Set();
                break;
            }
            continue;
        }
        if (ok) {
            failures = 0;
            timeoutFlag_ = 0;
            RingFrame(descriptor.frameCount, descriptor);
            if (mode == 1 || mode == 2) {
                break;
            }
            continue;
        }
        controller_->CloseStream();
        const bool giveUpAtOnce = productId_ == product::k3190 && mode == 2;
        if (giveUpAtOnce || ++failures >= kLoopGiveUpFailures) {
            timeoutFlag_ = 1;
            frameEvent_.Set();
            break;
        }
        if (product::ResetsPipeOnRetry(productId_)) {
            controller_->ResetPipe(usb::kFrameEndpoint);
        }
        if (sensor_) {
            sensor_->ResetPulse();
        }
        controller_->OpenStream();
    }
    return EndTransferLoop(timeoutFlag_ != 0);
}

int32_t COviluxUXBase::TransferLoopDirect() {
    if (!controller_ || rawBuffer_.empty()) {
        EndTransferLoop(false);
        return 0;
    }
    usb::FrameDescriptor descriptor{};
    descriptor.buffer = rawBuffer_.data();
    descriptor.capacity = static_cast<uint32_t>(rawBuffer_.size());
    descriptor.expectedBytes = static_cast<uint32_t>(frameBytes_);
    controller_->ResetStream();
    timeoutFlag_ = 0;
    int32_t failures = 0;
    uint32_t start = platform::TimeGetTime();
    uint32_t arrivals = 0;  // this camera numbers no frames: they are numbered as they come
    if (controller_->OpenStream()) {
        while (running_) {
            if (controller_->ReadFrameDirect(&descriptor, 0)) {
                failures = 0;
                start = platform::TimeGetTime();
                timeoutFlag_ = 0;
                RingFrame(++arrivals, descriptor);
                if (captureMode_ == 1) {
                    break;
                }
                continue;
            }
            if (platform::ElapsedMs(start, platform::TimeGetTime()) >= kDirectGiveUpMs ||
                failures == kDirectGiveUpFailures) {
                timeoutFlag_ = 1;
                break;
            }
            ++failures;
            controller_->ResetParentPort();
            controller_->ResetStream();
            controller_->ResetPipe(usb::kFrameEndpoint);
        }
    }
    return EndTransferLoop(false);
}

int32_t COviluxUXBase::GrabOneFrame() {
    if (!controller_) {
        return 2;
    }
    if (buffersDirty_) {
        AllocateFrameBuffers();
    }
    if (rawBuffer_.empty()) {
        return 2;
    }
    usb::FrameDescriptor descriptor{};
    descriptor.buffer = rawBuffer_.data();
    descriptor.capacity = static_cast<uint32_t>(rawBuffer_.size());
    descriptor.expectedBytes = static_cast<uint32_t>(frameBytes_);
    const bool direct = productId_ == product::kFx3Direct;
    if (direct) {
        controller_->ResetStream();
    }
    timeoutFlag_ = 0;
    int32_t failures = 0;
    const uint32_t start = platform::TimeGetTime();
    if (controller_->OpenStream()) {
        for (;;) {
            const bool ok = direct ? controller_->ReadFrameDirect(&descriptor, 0) != 0
                                   : controller_->ReadFrameHeader(&descriptor, 0) != 0 &&
                                         controller_->ReadFramePayload(&descriptor, kGrabChunkTimeoutMs) != 0 &&
                                         AnnouncesFrameSize(descriptor);
            if (ok) {
                timeoutFlag_ = 0;
                MoveRawToRing(0, RingFrameInfo{0, platform::MonotonicNs(), 0}, descriptor);
                break;
            }
            if (platform::ElapsedMs(start, platform::TimeGetTime()) >= kDirectGiveUpMs ||
                failures == kDirectGiveUpFailures) {
                timeoutFlag_ = 1;
                break;
            }
            ++failures;
            if (direct) {
                controller_->ResetParentPort();
            }
        }
    }
    controller_->CloseStream();
    if (threadEnd_) {
        threadEnd_->Set();
    }
    running_ = 0;
    return 0;
}

int32_t COviluxUXBase::WaitFrame(uint32_t milliseconds) {
    if (timeoutFlag_) {
        return 1;
    }
    if (!frameEventOpen_ || frameEvent_.Wait(milliseconds) != platform::WaitResult::Signalled ||
        !frameEventOpen_) {
        return 2;
    }
    if (timeoutFlag_) {
        return 1;  // the loop gave up while we waited
    }
    return writeIndex_ != readIndex_ ? 3 : 2;
}

int32_t COviluxUXBase::CopyFrame(uint8_t* destination, int32_t size, int32_t grab, int32_t flip) {
    return CopyRingSlot(grab ? 0 : PreviousRingIndex(writeIndex_), destination, size, flip);
}

int32_t COviluxUXBase::CopyRingSlot(int32_t index, uint8_t* destination, int32_t size, int32_t flip,
                                    RingFrameInfo* frame) {
    if (destination == nullptr || frameBytes_ <= 0 || frameHeight_ <= 0) {
        return 0;
    }
    // A camera that always transfers 16-bit samples hands 8-bit ones when 8 were asked for.
    const size_t sourceSampleBytes = TransferSampleBytes();
    const size_t sampleBytes = pixelWidthMode_ != 0 ? 2 : 1;
    const size_t sourceRowBytes = static_cast<size_t>(frameBytes_ / frameHeight_);
    const size_t rowBytes = sourceRowBytes / sourceSampleBytes * sampleBytes;
    if (static_cast<size_t>(size) < rowBytes * static_cast<size_t>(frameHeight_)) {
        return 0;
    }
    RingBuffer& slot = ring_[static_cast<size_t>(index)];
    std::lock_guard<std::mutex> hold(slot.lock);
    if (slot.bytes.size() < static_cast<size_t>(frameBytes_)) {
        return 0;
    }
    if (frame != nullptr) {
        *frame = slot.info;
    }
    if (productId_ == product::k31E0) {
        return CopyHeadFrame(slot.bytes.data(), destination, rowBytes);
    }
    int32_t orientation = 0;
    SensorParameters info{};
    if (sensor_ && sensor_->CopyInfo(&info)) {
        orientation = info.orientation;
    }
    const int32_t straight = (orientation == 3 || orientation == 4) ? 0 : 1;
    const bool reverseSamples = orientation == 2 || orientation == 4;
    const size_t rows = static_cast<size_t>(frameHeight_);
    const size_t samples = rowBytes / sampleBytes;
    for (size_t row = 0; row < rows; ++row) {
        const size_t sourceRow = flip == straight ? row : rows - 1 - row;
        const uint8_t* from = slot.bytes.data() + sourceRow * sourceRowBytes;
        uint8_t* to = destination + row * rowBytes;
        if (!reverseSamples && sourceSampleBytes == sampleBytes) {
            std::memcpy(to, from, rowBytes);
            continue;
        }
        for (size_t s = 0; s < samples; ++s) {
            const uint8_t* sample = from + (reverseSamples ? samples - 1 - s : s) * sourceSampleBytes;
            if (sourceSampleBytes == sampleBytes) {
                std::memcpy(to + s * sampleBytes, sample, sampleBytes);
            } else {
                // 12 bits in a little-endian word; an 8-bit sample is its bits 11 to 4.
                to[s] = static_cast<uint8_t>(((sample[1] << 8) | sample[0]) >> 4);
            }
        }
    }
    return 1;
}

int32_t COviluxUXBase::CopyHeadFrame(const uint8_t* source, uint8_t* destination, size_t rowBytes) {
    // The head orders its rows itself. Its earlier sub-models send a last row that is not
    // picture, so that row repeats the one before it.
    const size_t rows = static_cast<size_t>(frameHeight_);
    std::memcpy(destination, source, rows * rowBytes);
    if (sensor_ && sensor_->Variant() <= kLastRowSubModels && rows >= 2) {
        std::memcpy(destination + (rows - 1) * rowBytes, destination + (rows - 2) * rowBytes, rowBytes);
    }
    return 1;
}

int32_t COviluxUXBase::GetNextFrame(uint8_t* destination, int32_t size, int32_t, int32_t, int32_t flip) {
    const int32_t taken = writeIndex_;
    // The next frame goes to another slot, so it may be read while this one is copied. Counted
    // after the place is read: a frame ringed in between lets one more be read, never none.
    claimedFrames_ = ringedFrames_.load();
    frameClaimed_.Set();
    RingFrameInfo info;
    if (!CopyRingSlot(PreviousRingIndex(taken), destination, size, flip, &info)) {
        return 1;  // nothing copied: the caller must not use the destination
    }
    readIndex_ = taken;
    account_.Taken(info.sequence);
    takenFrame_ = info;
    return 0;
}

int32_t COviluxUXBase::GetGrabbedFrame(uint8_t* destination, int32_t size, int32_t, int32_t, int32_t flip) {
    if (destination == nullptr) {
        return -2;
    }
    return CopyRingSlot(0, destination, size, flip) ? 0 : 1;
}

}  // namespace ovilux::camera
