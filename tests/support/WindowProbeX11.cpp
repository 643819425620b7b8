// WindowProbeX11.cpp - the preview windows as the X server holds them. When DISPLAY names no
// server that answers, an Xvfb is started for this program and stopped when it exits.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/WindowProbe.h"

namespace ovilux::test {

// Xvfb on a free display number of its choosing (-displayfd), large enough for a full-size
// preview window.
OwnDisplay StartOwnDisplay() {
    int report[2];
    if (pipe(report) != 0) {
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        char fd[16];
        std::snprintf(fd, sizeof(fd), "%d", report[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd, "-screen", "0", "2816x2112x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(report[1]);
    if (child < 0) {
        close(report[0]);
        return {};
    }
    // The whole line: Xvfb dies of SIGPIPE if the pipe closes before its newline is written.
    char number[16] = {};
    size_t got = 0;
    while (got < sizeof(number) - 1 && read(report[0], number + got, 1) == 1 && number[got] != '\n') {
        ++got;
    }
    close(report[0]);
    if (got == 0) {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        return {};
    }
    return OwnDisplay{":" + std::to_string(std::atoi(number)), child};
}

namespace {

pid_t gXvfb = 0;

void StopXvfb() {
    if (gXvfb > 0) {
        kill(gXvfb, SIGTERM);
        waitpid(gXvfb, nullptr, 0);
        gXvfb = 0;
    }
}

// An Xvfb for this program, named by DISPLAY from then on, stopped when the program exits.
bool StartXvfb() {
    const OwnDisplay display = StartOwnDisplay();
    if (display.pid <= 0) {
        return false;
    }
    gXvfb = display.pid;
    std::atexit(StopXvfb);
    setenv("DISPLAY", display.name.c_str(), 1);
    return true;
}

Display* Connection() {
    static Display* display = [] {
        Display* opened = XOpenDisplay(nullptr);
        // Two servers starting at once may pick the same display number; one then tries again.
        for (int attempt = 0; opened == nullptr && attempt < 3; ++attempt) {
            if (StartXvfb()) {
                opened = XOpenDisplay(nullptr);
            }
        }
        return opened;
    }();
    return display;
}

std::string ClassNameOf(Window window) {
    XClassHint hint{};
    std::string name;
    if (XGetClassHint(Connection(), window, &hint) != 0) {
        name = hint.res_name != nullptr ? hint.res_name : "";
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    return name;
}

}  // namespace

bool DisplayReady() { return Connection() != nullptr; }
int32_t ScreenWidth() { return DisplayWidth(Connection(), DefaultScreen(Connection())); }
int32_t ScreenHeight() { return DisplayHeight(Connection(), DefaultScreen(Connection())); }

std::vector<WindowId> PreviewWindows(WindowId parent) {
    Display* display = Connection();
    XSync(display, False);
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    std::vector<WindowId> found;
    const Window under = parent != 0 ? parent : DefaultRootWindow(display);
    if (XQueryTree(display, under, &root, &up, &children, &count) == 0) {
        return found;
    }
    for (unsigned i = 0; i < count; ++i) {
        if (ClassNameOf(children[i]).rfind("VideoRenderer_", 0) == 0) {
            found.push_back(children[i]);
        }
    }
    XFree(children);
    return found;
}

WindowFacts FactsOf(WindowId window) {
    WindowFacts facts;
    Display* display = Connection();
    char* name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        facts.title = name;
        XFree(name);
    }
    facts.className = ClassNameOf(window);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    facts.x = attributes.x;
    facts.y = attributes.y;
    facts.clientWidth = attributes.width;
    facts.clientHeight = attributes.height;
    return facts;
}

WindowPixels ReadClient(WindowId window, int32_t width, int32_t height) {
    WindowPixels pixels;
    Display* display = Connection();
    XSync(display, False);
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (image == nullptr) {
        return pixels;
    }
    pixels.width = width;
    pixels.height = height;
    pixels.rgb.resize(static_cast<size_t>(width) * height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            pixels.rgb[static_cast<size_t>(y) * width + x] = static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
        }
    }
    XDestroyImage(image);
    return pixels;
}

WindowId MakeParentWindow(int32_t width, int32_t height) {
    Display* display = Connection();
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                              static_cast<unsigned>(height), 0, 0, WhitePixel(display, screen));
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

void DestroyParentWindow(WindowId window) {
    XDestroyWindow(Connection(), window);
    XSync(Connection(), False);
}

}  // namespace ovilux::test
