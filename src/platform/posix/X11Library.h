// X11Library.h - the few Xlib and MIT-SHM functions the preview window uses, resolved from
// libX11 and libXext when the first window is wanted, so that programs that never show one
// (and machines without X) never load them.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace ovilux::platform::x11 {

struct X11Api {
    decltype(&::XOpenDisplay) OpenDisplay;
    decltype(&::XCloseDisplay) CloseDisplay;
    decltype(&::XSetErrorHandler) SetErrorHandler;
    decltype(&::XSetIOErrorHandler) SetIOErrorHandler;
    decltype(&::XSync) Sync;
    decltype(&::XCreateWindow) CreateWindow;
    decltype(&::XDestroyWindow) DestroyWindow;
    decltype(&::XMapWindow) MapWindow;
    decltype(&::XStoreName) StoreName;
    decltype(&::XSetClassHint) SetClassHint;
    decltype(&::XInternAtom) InternAtom;
    decltype(&::XSetWMProtocols) SetWMProtocols;
    decltype(&::XGetWindowAttributes) GetWindowAttributes;
    decltype(&::XCreateGC) CreateGC;
    decltype(&::XFreeGC) FreeGC;
    decltype(&::XInitImage) InitImage;
    decltype(&::XPutImage) PutImage;
    // libX11 1.7 and later; null before.
    decltype(&::XSetIOErrorExitHandler) SetIOErrorExitHandler;
    // MIT-SHM, from libXext; null when that library is missing.
    decltype(&::XShmQueryExtension) ShmQueryExtension;
    decltype(&::XShmAttach) ShmAttach;
    decltype(&::XShmDetach) ShmDetach;
    decltype(&::XShmPutImage) ShmPutImage;
};

// The table, or null when libX11 cannot be loaded (it then is not tried again).
const X11Api* Api();

// A connection of our own to the display named by DISPLAY; null when there is none or the
// server refuses. X errors on our connections are recorded (see SyncAndTakeError) instead of
// ending the process, which is what Xlib does by default; errors on the application's own
// connections still go to the handler that was there before. A connection that is lost (the
// server went away) does not end the process either where libX11 lets us say so (1.7 and
// later): its calls then fail at once.
Display* OpenConnection();
void CloseConnection(Display* display);

// Waits until the server has handled every request sent on display and returns the code of
// the first error among them (0 when none), clearing it; -1 for a lost connection.
int SyncAndTakeError(Display* display);

// True once the connection has broken. Nothing more may be sent on it: Xlib's state for it is
// left as the failed call left it, and a further call can hang. Closing it only forgets it.
bool IsLost(Display* display);
// Keeps an object of a lost connection (a GC, say) that can no longer be freed through Xlib.
void KeepAfterLoss(void* object);

}  // namespace ovilux::platform::x11
