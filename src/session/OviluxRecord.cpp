// OviluxRecord.cpp - recording live view into AVI files on a thread of its own.
//
// The live-view worker only counts its frames; the recording thread converts the newest one
// under the image lock, which is a copy in memory, and writes it after leaving the lock, so the
// worker never waits for the disk. A disk slower than the camera loses frames, never the file.
#include <algorithm>

#include "image/AviRows.h"
#include "image/files/AviPartName.h"
#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/TextCodec.h"
#include "session/Ovilux.h"
#include "session/SessionConstants.h"

namespace ovilux::session {

namespace {

// How often the recording thread looks for a new frame: well below the shortest frame time.
constexpr uint32_t kRecordPollMs = 2;
// Names longer than this, in the ANSI code page, cannot be recorded to.
constexpr int kRecordNameBytes = 1024;
// How long the library's unloading waits for a recording thread to finalise its file.
constexpr uint32_t kUnloadJoinMs = 5000;
// The rate a file finalised without its thread's measurement declares: 30 frames per second.
constexpr uint32_t kNominalRateX100 = 3000;

}  // namespace

int32_t COvilux::Record(const char* fileName, int32_t durationMs, int32_t showWindow) {
    if (fileName == nullptr || *fileName == '\0' || durationMs < 0) {
        RecordError(code::kBadArgument);
        return 0;
    }
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    // Held throughout: a stop or a close from another thread waits until the recorder is
    // opened or has failed, so nothing replaces or joins it halfway.
    platform::CriticalSectionLock guard(captureLock_);
    if (recording_ != 0) {
        RecordError(code::kNoCamera);
        return 0;
    }
    // A failure closes what the call opened, the preview window and live view included.
    const auto fail = [this](int32_t failure) {
        Close();
        avi_.reset();
        RecordError(failure);
        return 0;
    };
    if (const int32_t failure = showWindow != 0 ? OpenPreviewWindow() : 0) {
        return fail(failure);
    }
    recordThread_.Join(platform::kWaitInfinite);  // a recording that ended by itself
    {
        platform::CriticalSectionLock images(imageLock_);
        destination_ = nullptr;
        destinationSize_ = 0;
        callbackWindow_ = nullptr;
    }
    if (!StartPreview()) {
        return fail(code::kConversion);
    }
    int32_t width = 0;
    int32_t height = 0;
    {
        platform::CriticalSectionLock images(imageLock_);
        const image::DibImage* result = images_.ResultOf(prepared_.colourMode);
        width = result != nullptr ? result->Width() : 0;
        height = result != nullptr ? result->Height() : 0;
    }
    if (aviRows_.Create(width, height, 24) == 0) {
        return fail(code::kMemory);
    }
    avi_ = std::make_unique<image::CAviWriter>(recordFileLimit_);
    recordName_ = fileName;
    if (!avi_->Open(fileName, width, height)) {
        return fail(code::kConversion);
    }
    recording_ = 1;
    if (!recordThread_.Start([this, durationMs] { RecordingThread(static_cast<uint32_t>(durationMs)); })) {
        recording_ = 0;
        return fail(code::kThread);
    }
    OpenRecordings().Add(this);
    return 1;
}

int32_t COvilux::RecordW(const char16_t* fileName, int32_t durationMs, int32_t showWindow) {
    char name[kRecordNameBytes];
    if (fileName == nullptr || platform::WideToAnsi(fileName, name, kRecordNameBytes) == 0) {
        RecordError(code::kConversion);
        return 0;
    }
    return Record(name, durationMs, showWindow);
}

bool COvilux::FinishRecordFile(uint32_t partFrames, uint32_t spanMs) {
    if (avi_->Finalize(image::AviRateX100(partFrames, spanMs))) {
        return true;
    }
    RecordError(code::kConversion);
    return false;
}

void COvilux::RecordingThread(uint32_t durationMs) {
    uint32_t seen = frameSerial_.load();
    uint32_t start = 0;
    uint32_t partStart = 0;
    uint32_t last = 0;
    uint32_t part = 0;
    bool started = false;
    // Live view that ended by itself (the camera was lost) ends the recording too: its file is
    // finalised now rather than when the session closes.
    while (recording_ != 0 && runFlag_ != run::kStop) {
        platform::SleepMs(kRecordPollMs);
        const uint32_t serial = frameSerial_.load();
        if (serial == seen) {
            continue;
        }
        seen = serial;
        const uint32_t now = platform::TimeGetTime();
        bool converted = false;
        {
            platform::CriticalSectionLock images(imageLock_);
            const image::DibImage* result = images_.ResultOf(prepared_.colourMode);
            converted = result != nullptr && image::ToAviRows(*result, aviRows_);
        }
        if (!converted) {
            continue;  // capture is being prepared for another format
        }
        if (!started) {
            started = true;
            start = partStart = now;
        }
        if (avi_->IsFull()) {
            // Finalised before it would pass the size readers accept, then on in the next file.
            const bool finished = FinishRecordFile(avi_->FrameCount(), platform::ElapsedMs(partStart, last));
            const std::string next = image::AviPartName(recordName_, ++part);
            if (!finished || !avi_->Open(next.c_str(), aviRows_.Width(), aviRows_.Height())) {
                if (finished) {
                    RecordError(code::kConversion);
                }
                break;
            }
            partStart = now;
        }
        if (!avi_->AddFrame(aviRows_.Bits())) {
            break;  // the disk took no more: what it holds is finalised below
        }
        last = now;
        if (platform::ElapsedMs(start, now) > durationMs) {
            break;
        }
    }
    if (avi_->IsOpen()) {
        FinishRecordFile(avi_->FrameCount(), platform::ElapsedMs(partStart, last));
    }
    recording_ = 0;
}

void COvilux::StopRecording() {
    recording_ = 0;
    recordThread_.Join(platform::kWaitInfinite);
    OpenRecordings().Remove(this);
    avi_.reset();
}

void COvilux::FinishRecordingAtUnload() {
    recording_ = 0;
    if (!recordThread_.Join(kUnloadJoinMs) || !avi_ || !avi_->IsOpen()) {
        return;  // finalised by its thread, or a thread that cannot be waited for keeps it
    }
    // The system ended the recording thread before the library (Windows ends every other
    // thread of a process first): the frames it counted are whole, the end is written here
    // at the nominal rate, as the thread's own measurement went with it.
    avi_->Finalize(kNominalRateX100);
}

void CRecordingSessions::Add(COvilux* session) {
    platform::CriticalSectionLock guard(lock_);
    if (std::find(sessions_.begin(), sessions_.end(), session) == sessions_.end()) {
        sessions_.push_back(session);
    }
}

void CRecordingSessions::Remove(COvilux* session) {
    platform::CriticalSectionLock guard(lock_);
    sessions_.erase(std::remove(sessions_.begin(), sessions_.end(), session), sessions_.end());
}

void CRecordingSessions::FinishAll() {
    platform::CriticalSectionLock guard(lock_);
    for (COvilux* session : sessions_) {
        session->FinishRecordingAtUnload();
    }
    sessions_.clear();
}

CRecordingSessions& OpenRecordings() {
    // Never freed: a session may still be released from another library's or the
    // application's static destructors after this library's have run.
    static CRecordingSessions* const sessions = new CRecordingSessions;
    return *sessions;
}

namespace {

// Made when the library loads; its destructor runs as the library unloads.
struct FinishRecordingsAtUnload {
    ~FinishRecordingsAtUnload() { OpenRecordings().FinishAll(); }
} finishRecordingsAtUnload;

}  // namespace

}  // namespace ovilux::session
