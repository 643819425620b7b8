// Sessions of the library on cameras it reaches through libusb, whose usbfs requests umockdev
// hands to simulated cameras: the exports' registers, SROM and snapshots, a camera unplugged
// during live view, the device-change messages, and the camera plugged in again and selected.
#include <gtest/gtest.h>
#include <dirent.h>
#include <grp.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "OviluxSdk.h"
#include "sim/SimCamera.h"
#include "tools/ToolRunner.h"
#include "usbfs/EmulatedUsbBus.h"
#include "support/Patience.h"

namespace ovilux::test {
namespace {

using Clock = std::chrono::steady_clock;

struct Message {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// The first message on window that matches, within timeoutMs; the others are dropped.
template <typename Match>
bool AwaitMessage(OVILUX_HWND window, uint32_t timeoutMs, Match match, Message* found = nullptr) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Message m;
    while (Clock::now() < deadline) {
        if (OviluxWnd_GetMessage(window, 50, &m.message, &m.wParam, &m.lParam) == 1 && match(m)) {
            if (found != nullptr) {
                *found = m;
            }
            return true;
        }
    }
    return false;
}

// A device-change message of the given kind naming a path with the product's digits.
auto DeviceChange(uintptr_t kind, const char* productDigits) {
    return [kind, productDigits](const Message& m) {
        if (m.message != OVILUX_WM_DEVICECHANGE || m.wParam != kind || m.lParam == 0) {
            return false;
        }
        const auto* record = reinterpret_cast<const OviluxDeviceBroadcast*>(m.lParam);
        return record->deviceType == 5 && std::strstr(record->name, productDigits) != nullptr &&
               record->size == 28 + std::strlen(record->name) + 1;
    };
}

class LibusbSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(EmulatedUsbBus::Preloaded()) << "run under umockdev's preload";
        unsetenv("OVILUX_SIMULATE");  // the cameras come through libusb, not the simulated bus
        bus.Plug(0x3030, 1);
        notify_ = OviluxWnd_CreateMessageWindow();
        ASSERT_NE(notify_, nullptr);
        handle_ = Ovilux_Initialize(notify_);
        ASSERT_NE(handle_, 0u);
        // libusb hears of a camera on its own thread; a session made before that selects it now.
        const auto deadline = Clock::now() + std::chrono::milliseconds(PatienceMs(5000));
        char names[10 * 256];
        Message ignored;
        while (Ovilux_EnumDevice(handle_, names) != 1 && Clock::now() < deadline) {
            OviluxWnd_GetMessage(notify_, 20, &ignored.message, &ignored.wParam, &ignored.lParam);
        }
        ASSERT_STREQ(names, "OviluxM03-UX_01")
            << "no camera: the device table is shared by every process of this user, and programs "
               "running beside this one may have filled its 32 rows";
        ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, DeviceNumber()), 1);
        ASSERT_EQ(Ovilux_SetColorMode(handle_, 8), 1);
    }
    // The camera's number in the device table, which every process of this user shares: rows
    // that other programs' cameras left come before it.
    int32_t DeviceNumber() {
        char name[64];
        for (int32_t number = 0; number < 32; ++number) {
            if (Ovilux_GetDeviceName(handle_, number, name, sizeof(name)) == 1) {
                return number;
            }
        }
        return -1;
    }
    void TearDown() override {
        if (handle_ != 0) {
            Ovilux_Release(handle_);
        }
        if (notify_ != nullptr) {
            OviluxWnd_DestroyWindow(notify_);
        }
        bus.Unplug(1);
    }
    int32_t Snap() { return Ovilux_SnapShot(handle_, picture_.data(), static_cast<int32_t>(picture_.size()), 1); }

    EmulatedUsbBus& bus = EmulatedUsbBus::Instance();
    OVILUX_HWND notify_ = nullptr;
    uint32_t handle_ = 0;
    std::vector<uint8_t> picture_ = std::vector<uint8_t>(2592u * 1944u);
};

}  // namespace

TEST_F(LibusbSession, RegistersSromAndSnapshotsGoThroughLibusb) {
    int32_t ok = 0;
    ASSERT_EQ(Ovilux_Fpga_WriteRegister(handle_, 7, 0x3C), 1);
    EXPECT_EQ(Ovilux_Fpga_ReadRegister(handle_, 7, &ok), 0x3C);
    EXPECT_EQ(ok, 1);
    ASSERT_EQ(Ovilux_WriteSromID(handle_, 0x0F0, 0x5B), 1);
    EXPECT_EQ(Ovilux_ReadSromID(handle_, 0x0F0, &ok), 0x5B);
    EXPECT_EQ(ok, 1);
    ASSERT_EQ(Snap(), 1);
    const int32_t width = Ovilux_Width(handle_);
    const int32_t height = Ovilux_Height(handle_);
    ASSERT_GT(width * height, 0);
    const auto frameEnd = picture_.begin() + static_cast<ptrdiff_t>(((width + 3) & ~3) * height);
    const auto [darkest, brightest] = std::minmax_element(picture_.begin(), frameEnd);
    EXPECT_LT(*darkest + 100, *brightest) << "the camera's chart, not an empty frame";
}

TEST_F(LibusbSession, UnpluggedDuringLiveViewEndsWithCodeThirteenAndComesBack) {
    OVILUX_HWND frames = OviluxWnd_CreateMessageWindow();
    ASSERT_NE(frames, nullptr);
    ASSERT_EQ(Ovilux_CallBackPreview(handle_, frames, nullptr, 0, 1), 1);
    ASSERT_TRUE(AwaitMessage(frames, 10000, [](const Message& m) { return m.message == OVILUX_WM_FRAME && m.wParam != 0; }))
        << "live view delivers frames";
    bus.Unplug(1);
    EXPECT_TRUE(AwaitMessage(frames, 10000, [](const Message& m) {
        return m.message == OVILUX_WM_FRAME && m.wParam == 0 && m.lParam == OVILUX_CODE_CAMERA_LOST;
    }));
    EXPECT_TRUE(AwaitMessage(notify_, 5000, DeviceChange(OVILUX_DEVICE_REMOVE_COMPLETE, "pid_3030")));
    const auto stopStart = Clock::now();
    EXPECT_EQ(Ovilux_StopPreview(handle_), 1);
    EXPECT_LT(Clock::now() - stopStart, std::chrono::seconds(2));
    OviluxWnd_DestroyWindow(frames);

    // Plugged into the same port again: announced, and selected again in the same session.
    ASSERT_NE(bus.Plug(0x3030, 1), nullptr);
    Message arrival;
    ASSERT_TRUE(AwaitMessage(notify_, 5000, DeviceChange(OVILUX_DEVICE_ARRIVAL, "pid_3030"), &arrival));
    EXPECT_NE(std::strstr(reinterpret_cast<const OviluxDeviceBroadcast*>(arrival.lParam)->name, "#b001p1#"), nullptr);
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, DeviceNumber()), 1);
    EXPECT_EQ(Snap(), 1);
}

// The tool, in a process of its own, reads the same emulated sysfs and usbfs: it sees the camera
// this session holds as in use by another process, and once it is released, opens and claims it
// and weighs usbfs's limit against what the attached cameras keep in flight.
TEST_F(LibusbSession, DoctorSeesTheCameraHeldOrReadyAndWeighsTheUsbfsLimitPerProduct) {
    bus.WriteSysFile("module/usbcore/parameters/usbfs_memory_mb", "16\n");
    const ToolRun held = RunBesideMe("ovilux", {"doctor"}, {{"OVILUX_SIMULATE", ""}});
    EXPECT_EQ(held.exitCode, 1) << held.output;
    EXPECT_NE(held.output.find("camera      04b4:3030 at /dev/bus/usb/001/"), std::string::npos) << held.output;
    EXPECT_NE(held.output.find("in use by another process"), std::string::npos) << held.output;
    // The library in another process finds no camera there, and says why.
    const ToolRun second = RunBesideMe("ovilux", {"snap", "-o", TemporaryPath("second.bmp")},
                                       {{"OVILUX_SIMULATE", ""}, {"OVILUX_DEBUG", "1"}});
    EXPECT_NE(second.exitCode, 0) << second.output;
    EXPECT_NE(second.output.find("cannot be opened: in use by another process"), std::string::npos) << second.output;

    Ovilux_Release(handle_);
    handle_ = 0;
    struct Case {
        std::vector<int> wholeFramePorts;  // ports with a camera of the FX3-direct product
        const char* limitMiB;
        int exitCode;
        const char* verdict;
    };
    for (const Case& c : {Case{{}, "16", 0, "1 camera streaming at once needs 0.5 MiB: enough"},
                          Case{{}, "4", 0, "needs 0.5 MiB: enough"}, Case{{}, "0", 0, "(0: none)"},
                          Case{{2, 3}, "16", 1, "3 cameras streaming at once need 19.7 MiB: TOO LOW"},
                          Case{{2, 3}, "32", 0, "need 19.7 MiB: enough"}}) {
        for (int port : c.wholeFramePorts) {
            ASSERT_NE(bus.Plug(0x3042, port), nullptr);
        }
        bus.WriteSysFile("module/usbcore/parameters/usbfs_memory_mb", std::string(c.limitMiB) + "\n");
        const ToolRun run = RunBesideMe("ovilux", {"doctor"}, {{"OVILUX_SIMULATE", ""}});
        for (int port : c.wholeFramePorts) {
            bus.Unplug(port);
        }
        EXPECT_EQ(run.exitCode, c.exitCode) << c.limitMiB << run.output;
        EXPECT_NE(run.output.find(c.verdict), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("this user may open it\n            opened and claimed: ready"), std::string::npos)
            << run.output;
        EXPECT_NE(run.output.find("04b4:3030 keeps up to 0.5 MiB in flight"), std::string::npos) << run.output;
    }
    bus.BindKernelDriver(1, "usbtest");
    const ToolRun bound = RunBesideMe("ovilux", {"doctor"}, {{"OVILUX_SIMULATE", ""}});
    bus.BindKernelDriver(1, "");
    EXPECT_EQ(bound.exitCode, 1) << bound.output;
    EXPECT_NE(bound.output.find("but a kernel driver holds its interface"), std::string::npos) << bound.output;
}

// A user without the rights to the device node (the suites run as root; the tool runs here as
// "nobody") is told so, with the rule for a desktop login and the rule for users without a seat.
TEST_F(LibusbSession, DoctorAsAnotherUserShowsBothWaysToAllowTheCamera) {
    bus.OpenToEveryone();
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const std::string tool = ProgramBesideMe("ovilux");
    // Everything the child needs is made before the fork: between fork and exec a child of a
    // threaded program may only make plain system calls.
    std::vector<std::string> variables = {"OVILUX_SIMULATE=", "HOME=/nonexistent",
                                          "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        if (variable.rfind("OVILUX_SIMULATE=", 0) != 0 && variable.rfind("HOME=", 0) != 0 &&
            variable.rfind("ASAN_OPTIONS=", 0) != 0) {
            variables.push_back(variable);
        }
    }
    std::vector<char*> environment;
    for (std::string& variable : variables) {
        environment.push_back(variable.data());
    }
    environment.push_back(nullptr);
    char* const arguments[] = {const_cast<char*>(tool.c_str()), const_cast<char*>("doctor"), nullptr};
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        dup2(pipeEnds[1], STDERR_FILENO);
        close(pipeEnds[0]);
        constexpr uid_t kNobody = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) {
            _exit(90);
        }
        execve(tool.c_str(), arguments, environment.data());
        _exit(91);
    }
    close(pipeEnds[1]);
    std::string output;
    char chunk[4096];
    for (ssize_t got; (got = read(pipeEnds[0], chunk, sizeof(chunk))) > 0;) {
        output.append(chunk, static_cast<size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << output;
    EXPECT_NE(output.find("04b4:3030 at /dev/bus/usb/001/"), std::string::npos) << output;
    EXPECT_NE(output.find("this user may NOT open it"), std::string::npos) << output;
    EXPECT_NE(output.find("ATTR{idProduct}==\"3030\", TAG+=\"uaccess\""), std::string::npos) << output;
    EXPECT_NE(output.find("ATTR{idProduct}==\"3030\", GROUP=\"video\", MODE=\"0660\""), std::string::npos) << output;
    EXPECT_NE(output.find("users without a seat"), std::string::npos) << output;
}

namespace {

struct Scheduling {
    int policy = SCHED_OTHER;
    int priority = 0;
    bool operator<(const Scheduling& other) const {
        const bool realTime = policy == SCHED_FIFO || policy == SCHED_RR;
        const bool otherRealTime = other.policy == SCHED_FIFO || other.policy == SCHED_RR;
        return realTime != otherRealTime ? otherRealTime : priority < other.priority;
    }
};

Scheduling SchedulingOf(pid_t thread) {
    Scheduling scheduling;
    scheduling.policy = sched_getscheduler(thread);
    sched_param param{};
    sched_getparam(thread, &param);
    scheduling.priority = param.sched_priority;
    return scheduling;
}

std::string ThreadName(const std::string& task) {
    std::ifstream file("/proc/self/task/" + task + "/comm");
    std::string name;
    std::getline(file, name);
    return name;
}

}  // namespace

// The transfer thread waits for every chunk on the thread that finishes libusb's transfers: that
// thread runs at the transfer thread's priority, never below it.
TEST_F(LibusbSession, TheThreadThatFinishesTransfersRunsAtTheTransferThreadsPriority) {
    OVILUX_HWND frames = OviluxWnd_CreateMessageWindow();
    ASSERT_NE(frames, nullptr);
    ASSERT_EQ(Ovilux_CallBackPreview(handle_, frames, nullptr, 0, 1), 1);
    ASSERT_TRUE(AwaitMessage(frames, 10000, [](const Message& m) { return m.message == OVILUX_WM_FRAME && m.wParam != 0; }));
    Scheduling highest;
    Scheduling events;
    bool found = false;
    DIR* tasks = opendir("/proc/self/task");
    ASSERT_NE(tasks, nullptr);
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        const Scheduling scheduling = SchedulingOf(static_cast<pid_t>(std::atoi(entry->d_name)));
        highest = std::max(highest, scheduling);
        if (ThreadName(entry->d_name) == "ovilux-usb") {
            events = scheduling;
            found = true;
        }
    }
    closedir(tasks);
    EXPECT_EQ(Ovilux_StopPreview(handle_), 1);
    OviluxWnd_DestroyWindow(frames);
    ASSERT_TRUE(found) << "libusb's event thread";
    EXPECT_EQ(events.policy, highest.policy);
    EXPECT_EQ(events.priority, highest.priority);
}

// A frame whose chunk comes short during live view is never delivered: live view goes on, and
// none of the frames that reach the application holds the bytes that never came. Those bytes
// all carry one mark, so in a delivered picture they would show as rows of one repeated pattern
// (a flat patch through the sensor's colour filter), which the camera's noisy scene never has.
TEST_F(LibusbSession, AShortChunkDuringLiveViewLosesItsFrameOnly) {
    const size_t row = static_cast<size_t>((Ovilux_Width(handle_) + 3) & ~3);
    const size_t rows = static_cast<size_t>(Ovilux_Height(handle_));
    std::vector<uint8_t> delivered(row * rows);
    OVILUX_HWND frames = OviluxWnd_CreateMessageWindow();
    ASSERT_NE(frames, nullptr);
    ASSERT_EQ(Ovilux_CallBackPreview(handle_, frames, delivered.data(), static_cast<int32_t>(delivered.size()), 1), 1);
    const auto frame = [](const Message& m) { return m.message == OVILUX_WM_FRAME && m.wParam != 0; };
    ASSERT_TRUE(AwaitMessage(frames, 30000, frame));
    // Three reads after the next one end halfway, their rest marked as never written.
    bus.FaultBulkReads(1, BulkFault::Short, 3, 1);
    const auto patternedRows = [&] {
        size_t count = 0;
        const size_t width = static_cast<size_t>(Ovilux_Width(handle_));
        for (size_t y = 0; y < rows; ++y) {
            const uint8_t* line = delivered.data() + y * row;
            bool repeats = true;
            for (size_t x = 2; x < width && repeats; ++x) {
                repeats = line[x] == line[x - 2];
            }
            count += repeats ? 1 : 0;
        }
        return count;
    };
    int checked = 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(PatienceMs(60000));
    while (checked < 4 && Clock::now() < deadline) {
        if (AwaitMessage(frames, 5000, frame)) {
            EXPECT_EQ(patternedRows(), 0u) << "a delivered frame holds bytes that never came";
            ++checked;
        }
    }
    EXPECT_EQ(checked, 4) << "live view goes on after the lost frames";
    EXPECT_EQ(Ovilux_StopPreview(handle_), 1);
    OviluxWnd_DestroyWindow(frames);
}

}  // namespace ovilux::test
