// PreviewWindow.h - the window live view is painted into: a child of an application's window
// or a top-level window of the picture's size. Real User32 windows on Windows, X11 windows
// elsewhere (libX11 is loaded only when the first such window is made).
//
// Threads: the window is made and destroyed on an application thread; one other thread (the
// live-view worker) paints it between BeginPaint and EndPaint, never at the same time as the
// window is destroyed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Gdi.h"
#include "platform/MessageWindow.h"

namespace ovilux::platform {

struct PreviewPlacement {
    // The application's window the preview becomes a child of; null for a top-level window.
    WindowHandle parent;
    // The child's place in its parent.
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    // The top-level window's client area (the picture's size), centred on the screen.
    int32_t clientWidth;
    int32_t clientHeight;
};

// The names a preview window carries, so that an application (or a test) can find it.
constexpr char kChildWindowTitle[] = "ActiveMovie Window";
constexpr char kTopLevelWindowTitle[] = "Active Window";
constexpr int32_t kChildWindowId = 6540;

class PreviewWindow {
public:
    virtual ~PreviewWindow() = default;

    // The device context of the client area and its size, when the window is shown with a
    // non-empty client area; null otherwise (nothing is to be painted then).
    virtual DcHandle BeginPaint(int32_t* clientWidth, int32_t* clientHeight) = 0;
    // Puts what was painted since BeginPaint on the screen and waits until the display has it.
    virtual void EndPaint() = 0;
};

// Registers a window class of that name and makes the window, shown, with its device context.
// Null when the class, the window, showing it or its device context failed, or there is no
// display to show it on.
std::unique_ptr<PreviewWindow> CreatePreviewWindow(const std::string& className, const PreviewPlacement& placement);

#if !defined(_WIN32)
// An application's X11 window (the id a toolkit gives for a widget) as a handle the preview can
// be a child of; null for 0 or a value that no X server gives as a window id.
WindowHandle WindowFromX11(unsigned long window);
// The X11 window a handle stands for; false for every other handle.
bool X11WindowOf(WindowHandle handle, unsigned long* window);
#endif

}  // namespace ovilux::platform
