// WindowProbe.h - looking at the library's preview windows from outside, as a user's screen
// shows them: finding them, reading their names, places and client pixels, and making a
// parent window for them. X11 on Linux (an Xvfb of our own when DISPLAY names no server),
// User32 and GDI on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OviluxSdk.h"

namespace ovilux::test {

// An HWND or an X11 window id.
using WindowId = uintptr_t;

struct WindowFacts {
    std::string title;
    std::string className;
    int32_t x = 0;  // the client area's place: in the parent for a child, on the screen otherwise
    int32_t y = 0;
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    uint32_t style = 0;  // Windows only
    int32_t id = 0;      // Windows only: the control identifier
};

// Client pixels as 0x00RRGGBB, top row first.
struct WindowPixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> rgb;

    uint32_t At(int32_t x, int32_t y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// True when windows can be shown: a display to show them on (under Wine: DISPLAY is set).
bool DisplayReady();
int32_t ScreenWidth();
int32_t ScreenHeight();

// This process's windows whose class name starts "VideoRenderer_": the top-level ones when
// parent is 0, else the children of parent.
std::vector<WindowId> PreviewWindows(WindowId parent = 0);
WindowFacts FactsOf(WindowId window);
WindowPixels ReadClient(WindowId window, int32_t width, int32_t height);

// A plain top-level window of the test, at the screen's origin, for the preview to sit in.
WindowId MakeParentWindow(int32_t width, int32_t height);
// The window as the library takes a parent (programs that use it link the library).
inline OVILUX_HWND AsLibraryHandle(WindowId window) {
#if defined(_WIN32)
    return reinterpret_cast<OVILUX_HWND>(window);
#else
    return OviluxWnd_FromX11Window(static_cast<unsigned long>(window));
#endif
}
void DestroyParentWindow(WindowId window);

#if !defined(_WIN32)
// An Xvfb of the caller's own, apart from the display the others use: its DISPLAY name and
// process id (0 when it could not start). The caller stops it.
struct OwnDisplay {
    std::string name;
    int pid = 0;
};
OwnDisplay StartOwnDisplay();
#endif

// Saves pixels as a PNG file with the library's own writer; 1 when written.
int32_t SaveScreenshot(const std::string& path, const WindowPixels& pixels);

}  // namespace ovilux::test
