// OviluxPreview.cpp - the session's preview window: made when live view starts with a
// placement, painted by the live-view worker after each conversion, removed by Close.
#include <atomic>
#include <cstdio>

#include "image/PreviewConversion.h"
#include "platform/Clock.h"
#include "session/Ovilux.h"

namespace ovilux::session {

namespace {

// "VideoRenderer_<session>_<number>". The number counts every window the process makes, on
// top of the clock, so that no two windows of one process (whose class names share one
// namespace on Windows) ever ask for the same class, whichever sessions make them and however
// fast; a random number from the C library would also disturb the application's own sequence.
std::string PreviewClassName(const void* session) {
    static std::atomic<uint32_t> made{0};
    const auto sessionBits = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(session));
    const uint32_t number = platform::TimeGetTime() + made.fetch_add(1);
    char name[64];
    std::snprintf(name, sizeof(name), "VideoRenderer_%08x_%08x", static_cast<unsigned>(sessionBits),
                  static_cast<unsigned>(number));
    return name;
}

}  // namespace

int32_t COvilux::OpenPreviewWindow() {
    if (!HasPreviewPlacement()) {
        return 0;
    }
    {
        platform::CriticalSectionLock images(imageLock_);
        if (previewWindow_) {
            return 0;  // live view started again: the window it has stays
        }
    }
    const WindowValues window = StoredWindow();
    const int32_t subSample = subSample_;
    const platform::PreviewPlacement placement{previewParent_.load(), previewX_,           previewY_,
                                               previewWidth_,          previewHeight_,      window.EH >> subSample,
                                               window.EV >> subSample};
    std::unique_ptr<platform::PreviewWindow> made = platform::CreatePreviewWindow(PreviewClassName(this), placement);
    if (!made) {
        return code::kWindow;
    }
    platform::CriticalSectionLock images(imageLock_);
    previewWindow_ = std::move(made);
    return 0;
}

void COvilux::PaintPreview() {
    if (!previewWindow_) {
        return;
    }
    int32_t clientWidth = 0, clientHeight = 0;
    const platform::DcHandle dc = previewWindow_->BeginPaint(&clientWidth, &clientHeight);
    if (dc == nullptr) {
        return;
    }
    const image::SessionImages images{&images_.raw8,  &images_.raw16, &images_.out24,
                                      &images_.out32, &images_.out48, &images_.out64};
    const image::DibImage* picture = image::PreparePreviewPicture(prepared_.colourMode, images);
    // Painting failures cost the frame its picture on screen, nothing else.
    if (picture != nullptr &&
        image::PaintPreviewPicture(dc, clientWidth, clientHeight, prepared_.colourMode, *picture, displayCopy_)) {
        previewWindow_->EndPaint();
    }
}

void COvilux::ClosePreviewWindow() {
    std::unique_ptr<platform::PreviewWindow> closing;
    {
        platform::CriticalSectionLock images(imageLock_);
        closing = std::move(previewWindow_);
        displayCopy_.Destroy();
    }
}

}  // namespace ovilux::session
