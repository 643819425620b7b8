// WineSessionKeeper.cpp - holds one Wine session open while the Windows tests run.
//
// Wine starts its server, its services and the desktop with the first program of a session and
// stops them when the last program ends. A test that starts while they stop can fail to connect
// ("Connection reset by peer") or to make a window. Run in the background for the whole test
// run, this program keeps the session up, as it always is on a Windows machine, and makes the
// desktop start here rather than inside a test. It prints "ready" once the desktop answers and
// then waits until it is stopped.
#include <windows.h>

#include <cstdio>

int main() {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    std::puts(window != nullptr ? "ready" : "no window could be made");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}
