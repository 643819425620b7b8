// DialogDriver.h - on Windows, a thread that finds the modal dialogs this process shows and
// hands each to a test's script (which drives its controls as a user's clicks and keys would),
// or cancels it, so that no dialog ever waits for a user in a test run.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

namespace ovilux::test {

// The first visible dialog box of this process, waiting up to timeoutMs; null when none came.
HWND WaitForDialog(unsigned timeoutMs);
// The child dialog (a property page) of a frame that holds the control id; null when none.
HWND PageWith(HWND frame, int controlId);
// What a user's click, typing and trackbar dragging send.
void Click(HWND dialog, int id);
void TypeInt(HWND dialog, int id, int value);
void DragBar(HWND dialog, int id, int position);
void ChooseItem(HWND dialog, int comboId, int index);

// While it lives, every dialog this process shows is given to the script (on the driver's own
// thread) and then cancelled if the script left it open; the default script does nothing.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> script = {});
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

private:
    std::function<void(HWND)> script_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace ovilux::test

#endif
