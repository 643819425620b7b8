// WindowProbeWin32.cpp - the preview windows through User32, their pixels read back with GDI.
#include <windows.h>

#include "support/WindowProbe.h"

namespace ovilux::test {

namespace {

struct Search {
    std::vector<WindowId> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM context) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    if (process == GetCurrentProcessId() && std::string(name).rfind("VideoRenderer_", 0) == 0) {
        reinterpret_cast<Search*>(context)->found.push_back(reinterpret_cast<WindowId>(window));
    }
    return TRUE;
}

constexpr char kParentClass[] = "OviluxTestParent";

}  // namespace

bool DisplayReady() {
    // Under Wine real windows need an X display; Windows itself always has a screen.
    const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return !wine || GetEnvironmentVariableA("DISPLAY", nullptr, 0) != 0;
}

int32_t ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int32_t ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

std::vector<WindowId> PreviewWindows(WindowId parent) {
    Search search;
    if (parent == 0) {
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    } else {
        EnumChildWindows(reinterpret_cast<HWND>(parent), Collect, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

WindowFacts FactsOf(WindowId id) {
    HWND window = reinterpret_cast<HWND>(id);
    WindowFacts facts;
    char text[256] = {};
    GetWindowTextA(window, text, sizeof(text));
    facts.title = text;
    GetClassNameA(window, text, sizeof(text));
    facts.className = text;
    RECT client{};
    GetClientRect(window, &client);
    facts.clientWidth = client.right;
    facts.clientHeight = client.bottom;
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    if (HWND parent = GetParent(window); parent != nullptr && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0) {
        ScreenToClient(parent, &origin);
    }
    facts.x = origin.x;
    facts.y = origin.y;
    facts.style = static_cast<uint32_t>(GetWindowLongA(window, GWL_STYLE));
    facts.id = GetDlgCtrlID(window);
    return facts;
}

WindowPixels ReadClient(WindowId id, int32_t width, int32_t height) {
    WindowPixels pixels;
    HWND window = reinterpret_cast<HWND>(id);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory != nullptr && section != nullptr) {
        HGDIOBJ old = SelectObject(memory, section);
        if (BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY)) {
            GdiFlush();
            const auto* words = static_cast<const uint32_t*>(bits);
            pixels.width = width;
            pixels.height = height;
            pixels.rgb.assign(words, words + static_cast<size_t>(width) * height);
            for (uint32_t& c : pixels.rgb) {
                c &= 0xFFFFFF;
            }
        }
        SelectObject(memory, old);
    }
    if (section != nullptr) {
        DeleteObject(section);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
    ReleaseDC(window, screen);
    return pixels;
}

WindowId MakeParentWindow(int32_t width, int32_t height) {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = kParentClass;
        return RegisterClassExA(&wc) != 0;
    }();
    if (!registered) {
        return 0;
    }
    HWND window = CreateWindowExA(0, kParentClass, "Ovilux test parent", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return reinterpret_cast<WindowId>(window);
}

void DestroyParentWindow(WindowId window) { DestroyWindow(reinterpret_cast<HWND>(window)); }

}  // namespace ovilux::test
