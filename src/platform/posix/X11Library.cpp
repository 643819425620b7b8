// X11Library.cpp - libX11 and libXext loaded on demand, and an error handler for our own
// connections.
#include "platform/posix/X11Library.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace ovilux::platform::x11 {

namespace {

template <typename F>
bool Resolve(void* library, const char* name, F& function) {
    function = library != nullptr ? reinterpret_cast<F>(dlsym(library, name)) : nullptr;
    return function != nullptr;
}

// The libraries stay loaded for the life of the process: Xlib keeps state of its own (and
// may have been loaded by the application too), and unloading it under that would be unsafe.
X11Api* Load() {
    static X11Api api{};
    void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (x11 == nullptr) {
        return nullptr;
    }
    const bool complete =
        Resolve(x11, "XOpenDisplay", api.OpenDisplay) && Resolve(x11, "XCloseDisplay", api.CloseDisplay) &&
        Resolve(x11, "XSetErrorHandler", api.SetErrorHandler) &&
        Resolve(x11, "XSetIOErrorHandler", api.SetIOErrorHandler) && Resolve(x11, "XSync", api.Sync) &&
        Resolve(x11, "XCreateWindow", api.CreateWindow) && Resolve(x11, "XDestroyWindow", api.DestroyWindow) &&
        Resolve(x11, "XMapWindow", api.MapWindow) && Resolve(x11, "XStoreName", api.StoreName) &&
        Resolve(x11, "XSetClassHint", api.SetClassHint) && Resolve(x11, "XInternAtom", api.InternAtom) &&
        Resolve(x11, "XSetWMProtocols", api.SetWMProtocols) &&
        Resolve(x11, "XGetWindowAttributes", api.GetWindowAttributes) && Resolve(x11, "XCreateGC", api.CreateGC) &&
        Resolve(x11, "XFreeGC", api.FreeGC) && Resolve(x11, "XInitImage", api.InitImage) &&
        Resolve(x11, "XPutImage", api.PutImage);
    if (!complete) {
        return nullptr;
    }
    Resolve(x11, "XSetIOErrorExitHandler", api.SetIOErrorExitHandler);
    void* xext = dlopen("libXext.so.6", RTLD_NOW | RTLD_LOCAL);
    const bool shm = Resolve(xext, "XShmQueryExtension", api.ShmQueryExtension) &&
                     Resolve(xext, "XShmAttach", api.ShmAttach) && Resolve(xext, "XShmDetach", api.ShmDetach) &&
                     Resolve(xext, "XShmPutImage", api.ShmPutImage);
    if (!shm) {
        api.ShmQueryExtension = nullptr;
    }
    return &api;
}

struct ErrorState {
    std::mutex mutex;
    // Our connections and the first error code each has seen since it was last taken.
    std::map<Display*, int> connections;
    std::set<Display*> lost;
    // Lost connections and their client-side objects, kept rather than freed (see CloseConnection).
    std::vector<void*> abandoned;
    XErrorHandler previous = nullptr;
    XIOErrorHandler previousIo = nullptr;
    bool installed = false;
};

// Never destroyed: Xlib may call the handlers while the process exits, after static objects
// are gone, and what a lost connection leaves must stay reachable to the end.
ErrorState& Errors() {
    static ErrorState* state = new ErrorState;
    return *state;
}

int OnError(Display* display, XErrorEvent* event) {
    ErrorState& state = Errors();
    XErrorHandler previous = nullptr;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        auto it = state.connections.find(display);
        if (it != state.connections.end()) {
            if (it->second == 0) {
                it->second = event->error_code;
            }
            return 0;
        }
        previous = state.previous;
    }
    return previous != nullptr ? previous(display, event) : 0;
}

// A broken connection of ours is left marked broken (its calls fail from then on): Xlib's own
// handlers would end the process. Others' connections go to the handler that was there.
int OnIoError(Display* display) {
    ErrorState& state = Errors();
    XIOErrorHandler previous = nullptr;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (state.connections.count(display) != 0) {
            state.lost.insert(display);
            return 0;
        }
        previous = state.previousIo;
    }
    return previous != nullptr ? previous(display) : 0;
}

void KeepProcessOnLostConnection(Display*, void*) {}

}  // namespace

const X11Api* Api() {
    static const X11Api* api = Load();
    return api;
}

Display* OpenConnection() {
    const X11Api* api = Api();
    if (api == nullptr) {
        return nullptr;
    }
    // Opened outside the lock: the error handler takes it.
    Display* display = api->OpenDisplay(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    if (api->SetIOErrorExitHandler != nullptr) {
        api->SetIOErrorExitHandler(display, KeepProcessOnLostConnection, nullptr);
    }
    ErrorState& state = Errors();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.installed) {
        state.previous = api->SetErrorHandler(OnError);
        state.previousIo = api->SetIOErrorHandler(OnIoError);
        state.installed = true;
    }
    state.connections[display] = 0;
    return display;
}

void CloseConnection(Display* display) {
    const X11Api* api = Api();
    if (api == nullptr || display == nullptr) {
        return;
    }
    // A lost connection is kept, not closed: closing it would go through Xlib's state for it.
    const bool lost = IsLost(display);
    if (!lost) {
        api->CloseDisplay(display);
    }
    ErrorState& state = Errors();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.connections.erase(display);
    state.lost.erase(display);
    if (lost) {
        state.abandoned.push_back(display);
    }
}

void KeepAfterLoss(void* object) {
    ErrorState& state = Errors();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.abandoned.push_back(object);
}

bool IsLost(Display* display) {
    ErrorState& state = Errors();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.lost.count(display) != 0;
}

int SyncAndTakeError(Display* display) {
    if (IsLost(display)) {
        return -1;
    }
    Api()->Sync(display, False);
    if (IsLost(display)) {
        return -1;
    }
    ErrorState& state = Errors();
    std::lock_guard<std::mutex> lock(state.mutex);
    int& error = state.connections[display];
    const int code = error;
    error = 0;
    return code;
}

}  // namespace ovilux::platform::x11
