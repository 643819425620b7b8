// PreviewWindow.cpp - the preview as an X11 window. The window is made and destroyed on one
// connection (the application's thread); painting goes over a second connection of its own,
// used only by the painting thread, since Xlib connections are not to be shared between
// threads unguarded. The picture is painted by the GDI stand-in into a 32-bit image laid out
// as the X server's 24-bit TrueColor pixels, in memory shared with the server (MIT-SHM) where
// it offers that, and put on the window with one request.
#include "platform/PreviewWindow.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <vector>

#include "platform/posix/GdiExternalPixels.h"
#include "platform/posix/X11Library.h"

namespace ovilux::platform {

namespace {

// Handles standing for X11 windows carry this bit; message-window handles are small counters.
constexpr uintptr_t kX11HandleTag = uintptr_t{1} << 62;
// X servers give resource ids below 2^29.
constexpr unsigned long kLargestX11Id = 0x1FFFFFFF;

class X11PreviewWindow final : public PreviewWindow {
public:
    ~X11PreviewWindow() override {
        ReleaseImage();
        if (gc_ != nullptr) {
            if (x11::IsLost(paint_)) {
                x11::KeepAfterLoss(gc_);
            } else {
                x11::Api()->FreeGC(paint_, gc_);
            }
        }
        x11::CloseConnection(paint_);
        if (window_ != 0 && !x11::IsLost(control_)) {
            x11::Api()->DestroyWindow(control_, window_);
            x11::SyncAndTakeError(control_);
        }
        x11::CloseConnection(control_);
    }

    bool Create(const std::string& className, const PreviewPlacement& placement) {
        control_ = x11::OpenConnection();
        paint_ = x11::OpenConnection();
        if (control_ == nullptr || paint_ == nullptr || !HasTrueColour24()) {
            return false;
        }
        const x11::X11Api& api = *x11::Api();
        const int screen = DefaultScreen(control_);
        ::Window parent = RootWindow(control_, screen);
        int x = 0, y = 0, width = placement.clientWidth, height = placement.clientHeight;
        if (placement.parent != nullptr) {
            unsigned long given = 0;
            XWindowAttributes attributes{};
            if (!X11WindowOf(placement.parent, &given) ||
                !api.GetWindowAttributes(control_, given, &attributes) || x11::SyncAndTakeError(control_) != 0) {
                return false;
            }
            parent = given;
            x = placement.x;
            y = placement.y;
            width = placement.width;
            height = placement.height;
        } else {
            x = (DisplayWidth(control_, screen) - width) / 2;
            y = (DisplayHeight(control_, screen) - height) / 2;
            x = x < 0 ? 0 : x;
            y = y < 0 ? 0 : y;
        }
        // X has no empty windows: an empty client area is a 1 x 1 window that is never painted.
        emptyClient_ = width <= 0 || height <= 0;
        XSetWindowAttributes attributes{};
        attributes.background_pixel = BlackPixel(control_, screen);
        window_ = api.CreateWindow(control_, parent, x, y, emptyClient_ ? 1u : static_cast<unsigned>(width),
                                   emptyClient_ ? 1u : static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                   CopyFromParent, CWBackPixel, &attributes);
        api.StoreName(control_, window_, placement.parent != nullptr ? kChildWindowTitle : kTopLevelWindowTitle);
        std::vector<char> name(className.begin(), className.end());
        name.push_back('\0');
        char classText[] = "Ovilux";
        XClassHint hint{name.data(), classText};
        api.SetClassHint(control_, window_, &hint);
        if (placement.parent == nullptr) {
            // A window manager's close button then sends a message this window ignores, rather
            // than cutting our connection to the server.
            Atom deleteWindow = api.InternAtom(control_, "WM_DELETE_WINDOW", False);
            api.SetWMProtocols(control_, window_, &deleteWindow, 1);
        }
        api.MapWindow(control_, window_);
        if (x11::SyncAndTakeError(control_) != 0) {
            return false;
        }
        useShm_ = api.ShmQueryExtension != nullptr && api.ShmQueryExtension(paint_);
        return true;
    }

    DcHandle BeginPaint(int32_t* clientWidth, int32_t* clientHeight) override {
        XWindowAttributes attributes{};
        if (emptyClient_ || x11::IsLost(paint_) || !x11::Api()->GetWindowAttributes(paint_, window_, &attributes)) {
            x11::SyncAndTakeError(paint_);
            return nullptr;
        }
        if (attributes.map_state != IsViewable || attributes.width <= 0 || attributes.height <= 0 ||
            !FitImage(attributes.width, attributes.height)) {
            return nullptr;
        }
        *clientWidth = attributes.width;
        *clientHeight = attributes.height;
        return dc_;
    }

    void EndPaint() override {
        if (dc_ == nullptr || x11::IsLost(paint_)) {
            return;
        }
        const x11::X11Api& api = *x11::Api();
        if (gc_ == nullptr) {
            gc_ = api.CreateGC(paint_, window_, 0, nullptr);
        }
        const unsigned width = static_cast<unsigned>(image_.width), height = static_cast<unsigned>(image_.height);
        if (shmAttached_) {
            api.ShmPutImage(paint_, window_, gc_, &image_, 0, 0, 0, 0, width, height, False);
        } else {
            api.PutImage(paint_, window_, gc_, &image_, 0, 0, 0, 0, width, height);
        }
        // Waiting for the server also keeps the next frame from being painted into shared
        // memory the server is still reading.
        if (x11::SyncAndTakeError(paint_) != 0 && shmAttached_) {
            ReleaseImage();
            useShm_ = false;  // the server would not read our memory: plain requests from now on
        }
    }

private:
    // The server's default visual must take our 32-bit blue, green, red, unused pixels as they are.
    bool HasTrueColour24() const {
        const int screen = DefaultScreen(paint_);
        const Visual* visual = DefaultVisual(paint_, screen);
        return DefaultDepth(paint_, screen) == 24 && visual->c_class == TrueColor && visual->red_mask == 0xFF0000 &&
               visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;
    }

    bool FitImage(int width, int height) {
        if (dc_ != nullptr && image_.width == width && image_.height == height) {
            return true;
        }
        ReleaseImage();
        const size_t bytes = static_cast<size_t>(width) * 4 * static_cast<size_t>(height);
        char* pixels = useShm_ ? AttachSharedMemory(bytes) : nullptr;
        if (pixels == nullptr) {
            heap_ = static_cast<char*>(std::calloc(bytes, 1));
            pixels = heap_;
        }
        if (pixels == nullptr) {
            return false;
        }
        image_ = XImage{};
        image_.width = width;
        image_.height = height;
        image_.format = ZPixmap;
        image_.data = pixels;
        image_.byte_order = LSBFirst;
        image_.bitmap_unit = 32;
        image_.bitmap_bit_order = LSBFirst;
        image_.bitmap_pad = 32;
        image_.depth = 24;
        image_.bytes_per_line = width * 4;
        image_.bits_per_pixel = 32;
        image_.red_mask = 0xFF0000;
        image_.green_mask = 0xFF00;
        image_.blue_mask = 0xFF;
        image_.obdata = shmAttached_ ? reinterpret_cast<char*>(&shm_) : nullptr;
        if (!x11::Api()->InitImage(&image_)) {
            ReleaseImage();
            return false;
        }
        // Top-down rows, as the X image has them.
        BitmapInfo info{};
        info.bmiHeader = BitmapInfoHeader{sizeof(BitmapInfoHeader), width, -height, 1, 32, kBiRgb, 0, 0, 0, 0, 0};
        section_ = CreateDibSectionOver(info, pixels);
        dc_ = section_ != nullptr ? CreateMemoryDc() : nullptr;
        if (dc_ == nullptr || SelectIntoDc(dc_, section_) == nullptr) {
            ReleaseImage();
            return false;
        }
        return true;
    }

    char* AttachSharedMemory(size_t bytes) {
        shm_ = XShmSegmentInfo{};
        shm_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (shm_.shmid < 0) {
            return nullptr;
        }
        void* address = shmat(shm_.shmid, nullptr, 0);
        // Marked for removal at once: it goes when the server and we have both let go of it,
        // even if this process dies.
        shmctl(shm_.shmid, IPC_RMID, nullptr);
        if (address == reinterpret_cast<void*>(-1)) {
            return nullptr;
        }
        shm_.shmaddr = static_cast<char*>(address);
        shm_.readOnly = True;
        x11::Api()->ShmAttach(paint_, &shm_);
        if (x11::SyncAndTakeError(paint_) != 0) {
            shmdt(shm_.shmaddr);
            useShm_ = false;
            return nullptr;
        }
        shmAttached_ = true;
        return shm_.shmaddr;
    }

    void ReleaseImage() {
        if (dc_ != nullptr) {
            DeleteMemoryDc(dc_);
            dc_ = nullptr;
        }
        if (section_ != nullptr) {
            DeleteDibSection(section_);
            section_ = nullptr;
        }
        if (shmAttached_) {
            if (!x11::IsLost(paint_)) {
                x11::Api()->ShmDetach(paint_, &shm_);
                x11::SyncAndTakeError(paint_);
            }
            shmdt(shm_.shmaddr);
            shmAttached_ = false;
        }
        std::free(heap_);
        heap_ = nullptr;
        image_ = XImage{};
    }

    Display* control_ = nullptr;
    Display* paint_ = nullptr;
    ::Window window_ = 0;
    bool emptyClient_ = false;
    // Painting side.
    GC gc_ = nullptr;
    bool useShm_ = false;
    bool shmAttached_ = false;
    XShmSegmentInfo shm_{};
    char* heap_ = nullptr;
    XImage image_{};
    BitmapHandle section_ = nullptr;
    DcHandle dc_ = nullptr;
};

}  // namespace

std::unique_ptr<PreviewWindow> CreatePreviewWindow(const std::string& className, const PreviewPlacement& placement) {
    auto window = std::make_unique<X11PreviewWindow>();
    if (!window->Create(className, placement)) {
        return nullptr;
    }
    return window;
}

WindowHandle WindowFromX11(unsigned long window) {
    if (window == 0 || window > kLargestX11Id) {
        return nullptr;
    }
    return reinterpret_cast<WindowHandle>(kX11HandleTag | window);
}

bool X11WindowOf(WindowHandle handle, unsigned long* window) {
    const auto value = reinterpret_cast<uintptr_t>(handle);
    if ((value & ~kX11HandleTag) == 0 || (value & ~kX11HandleTag) > kLargestX11Id || (value & kX11HandleTag) == 0) {
        return false;
    }
    *window = value & ~kX11HandleTag;
    return true;
}

}  // namespace ovilux::platform
