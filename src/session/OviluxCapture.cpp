// OviluxCapture.cpp - capture states, preparation, the live-view worker and single frames.
#include "camera/OviluxUXBase.h"
#include "platform/Clock.h"
#include "session/Ovilux.h"

namespace ovilux::session {

namespace {

bool IsLiveViewState(int32_t state) { return state != state::kIdle && state != state::kPrepared; }

// Writes a field of the frame record only when it changes: the application may be reading the
// record of the previous message while the worker fills in the next frame.
template <typename T>
void Update(T& field, T value) {
    if (field != value) {
        field = value;
    }
}

}  // namespace

bool COvilux::SizeBuffers(int32_t mode, int32_t width, int32_t height) {
    const auto fit = [this, width, height](image::DibImage& image, uint16_t bits) {
        if (image.Bits() != nullptr && image.Width() == width && image.Height() == height &&
            image.BitsPerPixel() == bits) {
            return true;
        }
        images_.MarkHolding(image, false);  // a new image holds zeros, not a frame
        return image.Create(width, height, bits) != 0;
    };
    image::DibImage* result = images_.ResultOf(mode);
    return fit(images_.RawOf(mode), IsSixteenBitMode(mode) ? 16 : 8) &&
           (result == &images_.RawOf(mode) || fit(*result, static_cast<uint16_t>(kColourModeBits[mode])));
}

int32_t COvilux::Prepare() {
    if (!camera_->IsDeviceNumberValid(selectedDevice_)) {
        return code::kNotPresent;
    }
    // Each setting is read once, so that the buffers and the camera get the same format.
    const WindowValues window = StoredWindow();
    if (!IsWindowValid(window)) {
        return code::kBadWindow;
    }
    const int32_t subSample = subSample_;
    const int32_t mode = colourMode_;
    const int32_t width = window.EH >> subSample;
    const int32_t height = window.EV >> subSample;
    {
        platform::CriticalSectionLock images(imageLock_);
        if (!SizeBuffers(mode, width, height)) {
            prepared_ = PreparedFormat{};
            return code::kMemory;
        }
        prepared_ = PreparedFormat{mode, width, height, window.EHS, window.EVS,
                                   window.EH == SensorWidth() || window.EV == SensorHeight()};
    }
    camera_->SetPixelWidth(IsSixteenBitMode(mode) ? 1 : 0);
    if (!camera_->SetCaptureWindow(window.EHS, window.EVS, window.EH, window.EV, subSample)) {
        return code::kBadWindow;
    }
    PushCaptureSettings();
    cameraMirrorsH_ = camera_->IsMirrorHSupported() != 0;
    cameraMirrorsV_ = camera_->IsMirrorVSupported() != 0;
    return 0;
}

bool COvilux::SameFormatPrepared() {
    const WindowValues window = StoredWindow();
    const int32_t subSample = subSample_;
    platform::CriticalSectionLock images(imageLock_);
    return prepared_.colourMode == colourMode_ && prepared_.width == (window.EH >> subSample) &&
           prepared_.height == (window.EV >> subSample);
}

int32_t COvilux::StartPreview() {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    platform::CriticalSectionLock guard(captureLock_);
    const int32_t current = captureState_;
    if (IsLiveViewState(current)) {
        return 1;
    }
    if (current == state::kPrepared) {
        RecordError(code::kNoCamera);
        return 0;
    }
    const auto fail = [this](int32_t failure) {
        StopPreview();
        RecordError(failure);
        return 0;
    };
    if (const int32_t failure = Prepare()) {
        return fail(failure);
    }
    if (!camera_->StartTransfer(kContinuousTransfer)) {
        return fail(code::kRefused);
    }
    captureState_ = state::kLiveView;
    runFlag_ = run::kRun;
    stopRequested_.Reset();
    frameCounter_ = 0;
    lastRateTime_ = platform::TimeGetTime();
    if (!captureThread_.Start([this] { LiveViewWorker(); })) {
        return fail(code::kThread);
    }
    return 1;
}

int32_t COvilux::StopPreview() {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    platform::CriticalSectionLock guard(captureLock_);
    runFlag_ = run::kStop;
    stopRequested_.Set();
    // The worker goes first: it may be inside a frame wait or copy on the camera, and the
    // camera's stream must not be torn down under it.
    captureThread_.Join(platform::kWaitInfinite);
    if (captureState_.exchange(state::kIdle) != state::kIdle) {
        camera_->StopTransfer();
    }
    StopRecording();
    return 1;
}

const image::DibImage* COvilux::CurrentFrameImage(int32_t& failure) {
    image::DibImage* result = images_.ResultOf(colourMode_);
    if (result == nullptr) {
        failure = code::kNoCamera;
        return nullptr;
    }
    if (images_.Holds(*result)) {
        return result;
    }
    // A colour image made anew by a format change while the raw frame it converts stayed:
    // convert that frame again rather than refuse a picture the session holds.
    const image::DibImage& raw = images_.RawOf(colourMode_);
    if (images_.Holds(raw) && result->Bits() != nullptr && raw.Width() == result->Width() &&
        raw.Height() == result->Height() && ConvertFrame(images_, CurrentConversion(colourMode_))) {
        images_.MarkHolding(*result, true);
        return result;
    }
    failure = code::kNoCamera;  // nothing taken into this image yet
    return nullptr;
}

void COvilux::CountFrame() {
    ++frameCounter_;
    const uint32_t now = platform::TimeGetTime();
    const uint32_t elapsed = platform::ElapsedMs(lastRateTime_, now);
    if (elapsed > kRateIntervalMs) {
        Update(frameInfo_.frameRateX10, static_cast<int32_t>(int64_t{frameCounter_} * 10000 / elapsed));
        frameCounter_ = 0;
        lastRateTime_ = now;
    }
}

bool COvilux::DeliverTaken(void* buffer, int32_t size, int32_t rowOrder) {
    // The buffer's pixels and the last frame's number change under one hold of the lock that
    // OviluxStream_GetLastFrame reads under, so that a reader who compares the number before
    // and after reading the buffer never keeps a frame half written over by the next one.
    platform::CriticalSectionLock story(storyLock_);
    const bool copied = buffer == nullptr || size == 0 ||
                        DeliverTo(*images_.ResultOf(prepared_.colourMode), buffer, size, rowOrder);
    AccountFrame(copied);
    return copied;
}

void COvilux::PostFrameMessage(uintptr_t wParam, intptr_t lParam) {
    const platform::WindowHandle window = callbackWindow_.load();
    if (window != nullptr) {
        platform::PostWindowMessage(window, kFrameMessage, wParam, lParam);
    }
}

bool COvilux::DeliverTo(const image::DibImage& source, void* buffer, int32_t size, int32_t rowOrder) {
    if (CopyImageTo(source, buffer, size, rowOrder)) {
        return true;
    }
    PostFrameMessage(0, code::kMemory);
    RecordError(code::kMemory);
    return false;
}

void COvilux::LiveViewWorker() {
    while (runFlag_ != run::kStop) {
        stopRequested_.Wait(static_cast<uint32_t>(waitTime_.load()));
        if (runFlag_ != run::kRun) {
            continue;
        }
        // Short waits, so that a stalled camera holds up a stop by one slice at most.
        const int32_t waited = camera_->WaitFrame(kWorkerFrameSliceMs);
        if (waited == kWaitLost) {
            camera_->SettleLostStream();
            runFlag_ = run::kStop;
            PostFrameMessage(0, code::kCameraLost);
            RecordError(code::kCameraLost);
            break;
        }
        if (waited != kWaitFrameReady) {
            continue;
        }
        {
            platform::CriticalSectionLock images(imageLock_);
            if (!TakeFrame()) {
                PostFrameMessage(0, code::kNoFrame);
                RecordError(code::kNoFrame);
                continue;
            }
            Update(frameInfo_.width, prepared_.width);
            Update(frameInfo_.height, prepared_.height);
            Update(frameInfo_.bitsPerPixel, kColourModeBits[prepared_.colourMode]);
            Update(frameInfo_.buffer, destination_);
            CountFrame();
            frameSerial_.fetch_add(1);
            PaintPreview();
            if (!DeliverTaken(destination_, destinationSize_, rowOrder_)) {
                continue;
            }
        }
        if (runFlag_ == run::kRun) {
            PostFrameMessage(reinterpret_cast<uintptr_t>(&frameInfo_), 0);
        }
    }
}

int32_t COvilux::StartLiveView() {
    if (const int32_t failure = OpenPreviewWindow()) {
        RecordError(failure);
        return 0;
    }
    if (!StartPreview()) {
        Close();
        RecordError(code::kNoFrame);
        return 0;
    }
    return 1;
}

// Live view without delivery is callback live view with nowhere to deliver to.
int32_t COvilux::Preview() { return CallBackPreview(nullptr, nullptr, 0, 0); }

int32_t COvilux::CallBackPreview(platform::WindowHandle callbackWindow, void* buffer, int32_t size, int32_t rowOrder) {
    {
        platform::CriticalSectionLock images(imageLock_);
        destination_ = buffer;
        destinationSize_ = size;
        rowOrder_ = rowOrder;
        callbackWindow_ = callbackWindow;
    }
    return StartLiveView();
}

int32_t COvilux::Capture() {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    platform::CriticalSectionLock guard(captureLock_);
    const int32_t current = captureState_;
    if (IsLiveViewState(current)) {
        RecordError(code::kNoCamera);
        return 0;
    }
    if (current == state::kPrepared) {
        return 1;
    }
    if (const int32_t failure = Prepare()) {
        RecordError(failure);
        return 0;
    }
    captureState_ = state::kPrepared;
    return 1;
}

int32_t COvilux::SnapShot(void* buffer, int32_t size, int32_t rowOrder) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    platform::CriticalSectionLock guard(captureLock_);
    const int32_t current = captureState_;
    if (IsLiveViewState(current)) {
        RecordError(code::kNoCamera);
        return 0;
    }
    // A prepared capture whose format has changed since is prepared again, or the frame would
    // land in buffers of the old size.
    if (current != state::kPrepared || !SameFormatPrepared()) {
        if (const int32_t failure = Prepare()) {
            RecordError(failure);
            return 0;
        }
    }
    platform::CriticalSectionLock images(imageLock_);
    const bool keepStream = captureState_ == state::kPrepared;
    const auto fail = [this](int32_t failure) {
        camera_->StopTransfer();
        RecordError(failure);
        return 0;
    };
    if (!camera_->StartTransfer(kSingleFrameTransfer) || WaitForFrame(kFrameTimeoutMs) != kWaitFrameReady ||
        !TakeFrame()) {
        return fail(code::kNoFrame);
    }
    if (!DeliverTaken(buffer, size, rowOrder)) {
        return fail(code::kMemory);
    }
    if (!keepStream) {
        camera_->StopTransfer();
    }
    return 1;
}

int32_t COvilux::WaitForFrame(uint32_t timeoutMs) {
    // A wake-up without a new frame (a signal left from the previous transfer) is no answer:
    // the wait goes on for the rest of the time.
    const uint32_t start = platform::TimeGetTime();
    for (;;) {
        const uint32_t elapsed = platform::ElapsedMs(start, platform::TimeGetTime());
        if (elapsed >= timeoutMs) {
            return 0;
        }
        const int32_t result = camera_->WaitFrame(timeoutMs - elapsed);
        if (result == kWaitFrameReady || result == kWaitLost) {
            return result;
        }
        platform::SleepMs(kFrameRetryMs);
    }
}

int32_t COvilux::GetImage(void* buffer, int32_t size, int32_t rowOrder) {
    platform::CriticalSectionLock images(imageLock_);
    image::DibImage* result = images_.ResultOf(colourMode_);
    if (result == nullptr) {
        RecordError(code::kNoCamera);
        return 0;
    }
    if (buffer == nullptr || result->Bits() == nullptr) {
        RecordError(code::kMemory);
        return 0;
    }
    int32_t failure = 0;
    const image::DibImage* frame = CurrentFrameImage(failure);
    if (frame == nullptr) {
        RecordError(failure);
        return 0;
    }
    if (!DeliverTo(*frame, buffer, size, rowOrder)) {
        RecordError(code::kMemory);
        return 0;
    }
    return 1;
}

}  // namespace ovilux::session
