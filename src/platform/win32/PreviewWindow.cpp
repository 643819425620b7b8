// PreviewWindow.cpp - the preview as a real User32 window painted through its device context.
#include "platform/PreviewWindow.h"

#include <windows.h>

namespace ovilux::platform {

namespace {

constexpr DWORD kChildStyle = 0x52000000;     // child, visible, clip children
constexpr DWORD kTopLevelStyle = 0x16CF0000;  // overlapped window, visible, clip siblings and children

class Win32PreviewWindow final : public PreviewWindow {
public:
    Win32PreviewWindow(std::string className, HINSTANCE instance)
        : className_(std::move(className)), instance_(instance) {}

    ~Win32PreviewWindow() override {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
        if (window_ != nullptr) {
            // Only the creating thread may destroy a window; from any other thread the window is
            // asked to close, which its own thread does when it next handles its messages.
            if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId()) {
                DestroyWindow(window_);
            } else {
                PostMessageA(window_, WM_CLOSE, 0, 0);
            }
        }
        // Fails, harmlessly, while a window of the class still exists.
        UnregisterClassA(className_.c_str(), instance_);
    }

    bool Create(const PreviewPlacement& placement) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = instance_;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = className_.c_str();
        if (RegisterClassExA(&wc) == 0) {
            return false;
        }
        HWND parent = static_cast<HWND>(placement.parent);
        if (parent != nullptr) {
            window_ = CreateWindowExA(0, className_.c_str(), kChildWindowTitle, kChildStyle, placement.x, placement.y,
                                      placement.width, placement.height, parent,
                                      reinterpret_cast<HMENU>(static_cast<intptr_t>(kChildWindowId)), instance_,
                                      nullptr);
        } else {
            RECT outer{0, 0, placement.clientWidth, placement.clientHeight};
            if (!AdjustWindowRectEx(&outer, kTopLevelStyle, FALSE, 0)) {
                return false;
            }
            const int width = outer.right - outer.left;
            const int height = outer.bottom - outer.top;
            const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
            const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
            window_ = CreateWindowExA(0, className_.c_str(), kTopLevelWindowTitle, kTopLevelStyle, x < 0 ? 0 : x,
                                      y < 0 ? 0 : y, width, height, nullptr, nullptr, instance_, nullptr);
        }
        if (window_ == nullptr) {
            return false;
        }
        SetFocus(window_);
        ShowWindow(window_, SW_SHOW);
        if (!UpdateWindow(window_)) {
            return false;
        }
        dc_ = GetDC(window_);
        return dc_ != nullptr;
    }

    DcHandle BeginPaint(int32_t* clientWidth, int32_t* clientHeight) override {
        RECT client{};
        if (dc_ == nullptr || !IsWindowVisible(window_) || !GetClientRect(window_, &client) || client.right <= 0 ||
            client.bottom <= 0) {
            return nullptr;
        }
        *clientWidth = client.right;
        *clientHeight = client.bottom;
        return dc_;
    }

    void EndPaint() override { GdiFlush(); }

private:
    std::string className_;
    HINSTANCE instance_;
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

}  // namespace

std::unique_ptr<PreviewWindow> CreatePreviewWindow(const std::string& className, const PreviewPlacement& placement) {
    auto window = std::make_unique<Win32PreviewWindow>(className, GetModuleHandleA(nullptr));
    if (!window->Create(placement)) {
        return nullptr;
    }
    return window;
}

}  // namespace ovilux::platform
