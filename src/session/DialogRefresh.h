// DialogRefresh.h - how an open property dialog hears of values the frame chain changed by
// itself (auto iris, white balance, gray gains), without the session knowing anything of windows.
#pragma once

#include <cstdint>

namespace ovilux::session {

// Called on the thread that converts frames (the live-view worker, or the application inside a
// snapshot), with the session's image lock held: an implementation must only note the value and
// return (post a message to its window), never wait for the dialog's thread.
class CDialogRefresh {
public:
    virtual ~CDialogRefresh() = default;
    // Auto iris sent the camera a new global gain (it also became every colour gain).
    virtual void GlobalGainChanged(int32_t value) = 0;
    // Auto iris sent the camera a new exposure value (0.1 ms units).
    virtual void ExposureChanged(int32_t value) = 0;
    // The white balance measured new Bayer gains, now kept in the session.
    virtual void BayerGainsChanged() = 0;
    // The automatic gray gain measured new gray gains, now kept in the session.
    virtual void GrayGainsChanged() = 0;
};

}  // namespace ovilux::session
