// The device table across processes: rows another process added survive this one's detach,
// and a process that dies, even while it holds the table's lock, leaves a usable table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/SharedMemory.h"
#include "support/ChildProcess.h"
#include "usb/ByteOrder.h"
#include "usb/DeviceTableLayout.h"
#include "usb/Fx3Api.h"
#include "usb/TransportTestSupport.h"

using namespace ovilux;
using namespace ovilux::usb;
using test::InterfacePath;
using test::RecordingDriverPort;
using test::RegisterChildRole;
using test::RunChild;

namespace {

std::string CameraPath(const std::string& instance) { return InterfacePath(0x04B4, 0x3030, instance); }

// Child: adds its camera to the table and detaches as usual; exits with the record count.
const bool kAddRole = RegisterChildRole("table-add", [](const std::vector<std::string>& args) {
    RecordingDriverPort port;
    port.SetInterfaces({CameraPath(args.at(1))});
    CFx3Api api(port, nullptr, args.at(0).c_str());
    return static_cast<int>(api.EnumerateDevices());
});

// Child: attaches and reports the record count, or the attach count it sees with "attach".
const bool kCountRole = RegisterChildRole("table-count", [](const std::vector<std::string>& args) {
    RecordingDriverPort port;
    CFx3Api api(port, nullptr, args.at(0).c_str());
    return static_cast<int>(args.size() > 1 && args[1] == "attach" ? api.GetAttachCount() : api.GetRecordCount());
});

// Child: adds its camera, then dies without detaching.
const bool kCrashRole = RegisterChildRole("table-crash", [](const std::vector<std::string>& args) -> int {
    RecordingDriverPort port;
    port.SetInterfaces({CameraPath(args.at(1))});
    auto* api = new CFx3Api(port, nullptr, args.at(0).c_str());
    api->EnumerateDevices();
    std::_Exit(7);
});

// Child: takes the table's lock, writes a row without counting it, and dies holding the lock.
const bool kDieLockedRole = RegisterChildRole("table-die-locked", [](const std::vector<std::string>& args) {
    const std::string name = args.at(0);
    platform::InterProcessMutex lock((name + kDeviceTableLockSuffix).c_str());
    platform::SharedMemory view;
    if (!lock.Lock(1000) || view.Open(name.c_str(), kDeviceTableBytes) == platform::SharedMemory::OpenResult::Failed) {
        return 1;
    }
    uint8_t* table = static_cast<uint8_t*>(view.Data());
    const int32_t count = static_cast<int32_t>(GetLe32(table + kRecordCountOffset));
    uint8_t* row = table + kRecordsOffset + static_cast<size_t>(count) * kDeviceRecordBytes;
    PutLe16(row + 2, 0x3030);
    std::memset(row + 8, 'z', kDevicePathBytes);  // not even terminated
    std::_Exit(7);
});

#ifndef _WIN32
// Child (run with OVILUX_DEBUG=1): finds a row past the record count that a dead writer
// filled, enumerates over it and checks the debug line that notes it, in code page 932.
const bool kDebugLineRole = RegisterChildRole("table-debug-line", [](const std::vector<std::string>& args) {
    RecordingDriverPort port;
    port.SetInterfaces({CameraPath("debug")});
    CFx3Api api(port, nullptr, args.at(0).c_str());
    platform::SharedMemory view;
    if (view.Open(args.at(0).c_str(), kDeviceTableBytes) == platform::SharedMemory::OpenResult::Failed) {
        return 1;
    }
    PutLe16(static_cast<uint8_t*>(view.Data()) + kRecordsOffset + 2, 0x3030);  // row 0, count still 0
    ::testing::internal::CaptureStderr();
    const int32_t count = api.EnumerateDevices();
    const std::string printed = ::testing::internal::GetCapturedStderr();
    const std::string expected =
        "\x82\xb1\x82\xb1\x82\xc9\x82\xcd\x93\xfc\x82\xc1\x82\xc4\x82\xb1\x82\xc8\x82\xa2\x82\xcd\x82\xb8\r\n";
    if (count != 1 || api.GetTableRecord(0).deviceNumber != 0) {
        return 2;
    }
    return printed == expected ? 0 : 3;
});
#endif

class DeviceTableProcesses : public ::testing::Test {
protected:
    std::unique_ptr<CFx3Api> Attach() { return std::make_unique<CFx3Api>(port, nullptr, name.c_str()); }

    RecordingDriverPort port;
    std::string name = test::UniqueTableName("proc");
};

}  // namespace

TEST_F(DeviceTableProcesses, SecondProcessSeesTheRowsAndTheAttachCount) {
    ASSERT_TRUE(kAddRole && kCountRole);
    auto api = Attach();
    port.SetInterfaces({CameraPath("1")});
    ASSERT_EQ(api->EnumerateDevices(), 1);
    EXPECT_EQ(RunChild("table-count", {name}), 1);
    EXPECT_EQ(RunChild("table-count", {name, "attach"}), 2);
    EXPECT_EQ(api->GetAttachCount(), 1) << "the child detached";
}

TEST_F(DeviceTableProcesses, DetachKeepsRowsAnotherProcessAdded) {
    auto first = Attach();
    auto second = Attach();
    EXPECT_EQ(RunChild("table-add", {name, "child"}), 1);
    first.reset();  // detaching must not write this process's older copy over the child's row
    EXPECT_EQ(RunChild("table-count", {name}), 1);

    port.SetInterfaces({CameraPath("parent")});
    ASSERT_EQ(second->EnumerateDevices(), 2);
    EXPECT_STREQ(second->GetTableRecord(0).devicePath, CameraPath("child").c_str());
    EXPECT_EQ(second->GetTableRecord(1).deviceNumber, 1) << "numbered after the other process's camera";
    EXPECT_FALSE(second->IsDevicePresent(0)) << "the child's camera is not on this process's bus";
    EXPECT_TRUE(second->IsDevicePresent(1));
    EXPECT_EQ(RunChild("table-add", {name, "parent"}), 2) << "a known path adds no row";
    EXPECT_EQ(RunChild("table-add", {name, "third"}), 3);
}

TEST_F(DeviceTableProcesses, ProcessThatDiesWithoutDetachingLeavesAUsableTable) {
    ASSERT_TRUE(kCrashRole);
    {
        auto api = Attach();
        EXPECT_EQ(RunChild("table-crash", {name, "crashed"}), 7);
        port.SetInterfaces({CameraPath("parent")});
        EXPECT_EQ(api->EnumerateDevices(), 2);
        EXPECT_EQ(RunChild("table-add", {name, "later"}), 3);
    }
    // Once no live process holds it, the table starts afresh, whatever the dead one counted.
    auto fresh = Attach();
    EXPECT_EQ(fresh->GetRecordCount(), 0);
    EXPECT_EQ(fresh->GetAttachCount(), 1);
}

TEST_F(DeviceTableProcesses, ProcessThatDiesHoldingTheLockNeitherBlocksNorCorrupts) {
    ASSERT_TRUE(kDieLockedRole);
    auto api = Attach();
    port.SetInterfaces({CameraPath("a")});
    ASSERT_EQ(api->EnumerateDevices(), 1);
    EXPECT_EQ(RunChild("table-die-locked", {name}), 7);
    port.SetInterfaces({CameraPath("a"), CameraPath("b")});
    EXPECT_EQ(api->EnumerateDevices(), 2);
    EXPECT_STREQ(api->GetTableRecord(1).devicePath, CameraPath("b").c_str()) << "the half-written row is replaced";
    EXPECT_EQ(api->GetTableRecord(1).deviceNumber, 1);
    EXPECT_EQ(RunChild("table-count", {name}), 2) << "the shared table was written, so the lock was had";
}

#ifndef _WIN32
TEST_F(DeviceTableProcesses, RowFilledPastTheCountIsReplacedWithADebugLine) {
    ASSERT_TRUE(kDebugLineRole);
    ASSERT_EQ(setenv("OVILUX_DEBUG", "1", 1), 0);
    const int result = RunChild("table-debug-line", {name});
    unsetenv("OVILUX_DEBUG");
    EXPECT_EQ(result, 0) << "2: the row was not replaced; 3: the debug line was not the expected one";
}
#endif
