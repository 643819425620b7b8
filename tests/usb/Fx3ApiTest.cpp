// CFx3Api against the recording driver port: enumeration and the device table's rules, the
// handles it opens, and the driver requests it sends.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/Clock.h"
#include "platform/Event.h"
#include "usb/Fx3Api.h"
#include "usb/TransportTestSupport.h"

using namespace ovilux;
using namespace ovilux::usb;
using platform::DeviceHandle;
using test::InterfacePath;
using test::RecordedCall;
using test::RecordingDriverPort;
using test::ScriptedReply;
namespace ioctl = platform::fx3_ioctl;

namespace {

constexpr uint16_t kVendor = 0x04B4;

class Fx3ApiTest : public ::testing::Test {
protected:
    std::unique_ptr<CFx3Api> MakeApi() {
        return std::make_unique<CFx3Api>(port, nullptr, tableName.c_str());
    }
    int CountOpens() const {
        int opens = 0;
        for (const RecordedCall& call : port.Calls()) {
            opens += call.kind == RecordedCall::Kind::Open ? 1 : 0;
        }
        return opens;
    }

    RecordingDriverPort port;
    std::string tableName = test::UniqueTableName("api");
    const std::string first = InterfacePath(kVendor, 0x3030, "6&1111&0&1");
    const std::string second = InterfacePath(kVendor, 0x3030, "6&2222&0&2");
};

}  // namespace

TEST_F(Fx3ApiTest, FirstAttachStartsEmptyAndTheProcessCopyIsShared) {
    auto api = MakeApi();
    EXPECT_EQ(api->GetAttachCount(), 1);
    EXPECT_EQ(api->GetRecordCount(), 0);
    for (int row = 0; row < kMaxDevices; ++row) {
        const DeviceRecord record = api->GetTableRecord(row);
        ASSERT_EQ(record.productId, 0);
        ASSERT_EQ(record.deviceNumber, -1);
        ASSERT_EQ(record.devicePath[0], '\0');
    }
    EXPECT_EQ(api->LastError(), 0u);
    EXPECT_EQ(api->DeviceRow(), 0);
    EXPECT_EQ(std::memcmp(api->Guid().bytes, kDefaultInterfaceGuid.bytes, 16), 0);

    port.SetInterfaces({first});
    EXPECT_EQ(api->EnumerateDevices(), 1);
    {
        auto other = MakeApi();
        EXPECT_EQ(other->GetAttachCount(), 2);
        EXPECT_EQ(other->GetRecordCount(), 1) << "a second object sees the rows at once";
    }
    EXPECT_EQ(api->GetAttachCount(), 1);
}

TEST_F(Fx3ApiTest, EnumerationUsesTheObjectsGuidAndRegistersOnlyWhatOpens) {
    const platform::InterfaceGuid custom = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
    CFx3Api api(port, &custom, tableName.c_str());
    const std::string locked = InterfacePath(kVendor, 0x3030, "6&dead&0&3");
    port.SetInterfaces({locked, first});
    port.SetUnopenable(locked);
    EXPECT_EQ(api.EnumerateDevices(), 1);
    EXPECT_EQ(std::memcmp(port.lastGuid.bytes, custom.bytes, 16), 0);
    const DeviceRecord record = api.GetTableRecord(0);
    EXPECT_STREQ(record.devicePath, first.c_str());
    EXPECT_EQ(record.vendorId, kVendor);
    EXPECT_EQ(record.productId, 0x3030);
    EXPECT_EQ(record.deviceNumber, 0);
    // The probe opens overlapped and closes at once.
    for (const RecordedCall& call : port.Calls()) {
        if (call.kind == RecordedCall::Kind::Open) {
            EXPECT_TRUE(call.overlapped);
        }
    }
    EXPECT_EQ(port.OpenHandles(), 0);
    // Once it opens, it is added with the next number of its model.
    port.SetUnopenable(locked, false);
    EXPECT_EQ(api.EnumerateDevices(), 2);
    EXPECT_EQ(api.GetTableRecord(1).deviceNumber, 1);
}

TEST_F(Fx3ApiTest, EnumeratingTwiceAddsNothingAndSecondCameraIsNumberOne) {
    auto api = MakeApi();
    port.SetInterfaces({first, second});
    EXPECT_EQ(api->EnumerateDevices(), 2);
    EXPECT_EQ(api->EnumerateDevices(), 2);
    EXPECT_EQ(api->GetTableRecord(0).deviceNumber, 0);
    EXPECT_EQ(api->GetTableRecord(1).deviceNumber, 1);
    char name[32] = {};
    ASSERT_TRUE(api->GetModelName(1, name, sizeof(name)));
    EXPECT_STREQ(name, "Ovilux-M03-UX_01");
    ASSERT_TRUE(api->GetModelName(0, name, sizeof(name)));
    EXPECT_STREQ(name, "Ovilux-M03-UX_00");
}

TEST_F(Fx3ApiTest, ModelsAreNumberedApartAndVendorCountsForTheModel) {
    auto api = MakeApi();
    const std::string converter = InterfacePath(kVendor, 0x3130, "6&3333&0&1");
    const std::string otherVendor = InterfacePath(0x1234, 0x3030, "6&4444&0&1");
    const std::string unlisted = InterfacePath(kVendor, 0x3150, "6&5555&0&1");
    port.SetInterfaces({first, converter, otherVendor, unlisted});
    EXPECT_EQ(api->EnumerateDevices(), 4);
    EXPECT_EQ(api->GetTableRecord(1).deviceNumber, 0);
    EXPECT_EQ(api->GetTableRecord(2).deviceNumber, 0) << "same product, other vendor";
    char name[32];
    ASSERT_TRUE(api->GetModelName(1, name, sizeof(name)));
    EXPECT_STREQ(name, "OviCnv-UX_00");
    ASSERT_TRUE(api->GetModelName(2, name, sizeof(name)));
    EXPECT_STREQ(name, "Ovilux-M03-UX_00") << "the vendor takes no part in the name";
    std::strcpy(name, "kept");
    EXPECT_FALSE(api->GetModelName(3, name, sizeof(name)));
    EXPECT_STREQ(name, "kept");
    EXPECT_FALSE(api->GetModelName(4, name, sizeof(name)));
    EXPECT_FALSE(api->GetModelName(-1, name, sizeof(name)));
    EXPECT_FALSE(api->GetModelName(0, nullptr, 32));
}

TEST_F(Fx3ApiTest, MovedCameraGetsANewRowAndItsOldRowReportsAbsent) {
    auto api = MakeApi();
    port.SetInterfaces({first});
    ASSERT_EQ(api->EnumerateDevices(), 1);
    const std::string moved = InterfacePath(kVendor, 0x3030, "6&9999&0&4");
    port.SetInterfaces({moved});
    EXPECT_EQ(api->EnumerateDevices(), 2);
    EXPECT_EQ(api->GetTableRecord(1).deviceNumber, 1);
    EXPECT_STREQ(api->GetTableRecord(1).devicePath, moved.c_str());
    EXPECT_FALSE(api->IsDevicePresent(0));
    EXPECT_TRUE(api->IsDevicePresent(1));
    char name[32];
    EXPECT_FALSE(api->GetModelName(0, name, sizeof(name))) << "an absent row has no name";
}

TEST_F(Fx3ApiTest, PathsThatDoNotFitARecordAreSkippedNotCut) {
    auto api = MakeApi();
    std::string longest = InterfacePath(kVendor, 0x3030, "x");
    longest.insert(30, 259 - longest.size(), 'a');
    ASSERT_EQ(longest.size(), 259u);
    std::string tooLong = longest;
    tooLong.insert(30, 1, 'b');
    std::string embeddedNul = first;
    embeddedNul[40] = '\0';
    port.SetInterfaces({tooLong, std::string(2000, 'c'), embeddedNul, longest});
    EXPECT_EQ(api->EnumerateDevices(), 1);
    EXPECT_STREQ(api->GetTableRecord(0).devicePath, longest.c_str());
    EXPECT_EQ(CountOpens(), 1) << "a path that cannot be kept is not even probed";
}

TEST_F(Fx3ApiTest, AtMostThirtyTwoInterfacesAndThirtyTwoRows) {
    auto api = MakeApi();
    std::vector<std::string> many;
    for (int i = 0; i < 40; ++i) {
        many.push_back(InterfacePath(kVendor, 0x3030, "7&" + std::to_string(i)));
    }
    port.SetInterfaces(many);
    EXPECT_EQ(api->EnumerateDevices(), 32);
    EXPECT_EQ(CountOpens(), 32) << "members from 32 on are not looked at";
    EXPECT_EQ(api->GetTableRecord(31).deviceNumber, 31);
    // A full table drops what comes later.
    port.SetInterfaces({InterfacePath(kVendor, 0x3030, "8&new")});
    EXPECT_EQ(api->EnumerateDevices(), 32);
    EXPECT_EQ(api->GetTableRecord(32).productId, 0) << "rows past 31 read empty";
    EXPECT_EQ(api->GetTableRecord(32).deviceNumber, -1);
}

TEST_F(Fx3ApiTest, OpenDevicePathRefusesRowsOutsideTheTable) {
    auto api = MakeApi();
    port.SetInterfaces({first});
    ASSERT_EQ(api->EnumerateDevices(), 1);
    port.ClearCalls();
    DeviceHandle handle = reinterpret_cast<DeviceHandle>(0x1);
    EXPECT_FALSE(api->OpenDevicePath(&handle, 32, false));
    EXPECT_EQ(handle, nullptr);
    EXPECT_FALSE(api->OpenDevicePath(&handle, 1, false));
    EXPECT_FALSE(api->OpenDevicePath(&handle, -1, false));
    EXPECT_FALSE(api->OpenDevicePath(nullptr, 0, false));
    EXPECT_TRUE(port.Calls().empty()) << "nothing reaches the driver";
    EXPECT_EQ(api->GetRecordCount(), 1);
    EXPECT_FALSE(api->IsDevicePresent(32));
    EXPECT_FALSE(api->IsDevicePresent(-5));

    ASSERT_TRUE(api->OpenDevicePath(&handle, 0, true));
    EXPECT_NE(handle, nullptr);
    EXPECT_TRUE(port.Calls().back().overlapped);
    EXPECT_TRUE(api->CloseDeviceHandle(&handle));
    EXPECT_EQ(handle, nullptr);
    EXPECT_FALSE(api->CloseDeviceHandle(&handle));
    EXPECT_FALSE(api->CloseDeviceHandle(nullptr));
    EXPECT_EQ(port.OpenHandles(), 0);
}

TEST_F(Fx3ApiTest, PortRequestsGoOnAFreshHandleOfTheDeviceRow) {
    auto api = MakeApi();
    uint32_t speed = 0;
    EXPECT_FALSE(api->GetDeviceSpeed(&speed)) << "no row to open";
    EXPECT_FALSE(api->ResetParentPort());
    EXPECT_FALSE(api->ResetPipe(0x81));
    port.SetInterfaces({first});
    ASSERT_EQ(api->EnumerateDevices(), 1);
    port.ClearCalls();

    EXPECT_FALSE(api->GetDeviceSpeed(nullptr));
    ASSERT_TRUE(api->GetDeviceSpeed(&speed));
    EXPECT_EQ(speed, kSuperSpeedCode);
    EXPECT_TRUE(api->ResetParentPort());
    EXPECT_TRUE(api->ResetPipe(0x81));
    const auto speedCalls = port.IoCalls(ioctl::kDeviceSpeed);
    ASSERT_EQ(speedCalls.size(), 1u);
    EXPECT_EQ(speedCalls[0].in, std::vector<uint8_t>(4, 0));
    EXPECT_EQ(speedCalls[0].outLength, 4u);
    EXPECT_FALSE(speedCalls[0].overlapped);
    const auto portCalls = port.IoCalls(ioctl::kResetParentPort);
    ASSERT_EQ(portCalls.size(), 1u);
    EXPECT_TRUE(portCalls[0].in.empty());
    const auto pipeCalls = port.IoCalls(ioctl::kResetPipe);
    ASSERT_EQ(pipeCalls.size(), 1u);
    EXPECT_EQ(pipeCalls[0].in, std::vector<uint8_t>{0x81});
    for (const RecordedCall& call : port.Calls()) {
        if (call.kind == RecordedCall::Kind::Open) {
            EXPECT_EQ(call.path, first);
            EXPECT_FALSE(call.overlapped);
        }
    }
    EXPECT_EQ(port.OpenHandles(), 0);

    // A failed speed query still counts once the handle opened, and leaves the code alone.
    speed = 77;
    port.Script(ioctl::kDeviceSpeed, ScriptedReply::Failing());
    EXPECT_TRUE(api->GetDeviceSpeed(&speed));
    EXPECT_EQ(speed, 77u);
    port.Script(ioctl::kResetPipe, ScriptedReply::Failing());
    EXPECT_FALSE(api->ResetPipe(0x81));
    port.Script(ioctl::kResetParentPort, ScriptedReply::Failing());
    EXPECT_FALSE(api->ResetParentPort());
}

TEST_F(Fx3ApiTest, ControlTransferIsSynchronousAndReportsTheBytes) {
    auto api = MakeApi();
    port.SetInterfaces({first});
    api->EnumerateDevices();
    DeviceHandle handle = nullptr;
    ASSERT_TRUE(api->OpenDevicePath(&handle, 0, false));
    uint8_t block[102] = {0xC0, 0xB0};
    uint32_t bytes = 0;
    ScriptedReply reply;
    reply.bytes = 40;
    port.Script(ioctl::kControlTransfer, reply);
    ASSERT_TRUE(api->SendControlTransfer(handle, block, sizeof(block), &bytes));
    EXPECT_EQ(bytes, 40u);
    const auto calls = port.IoCalls(ioctl::kControlTransfer);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(calls[0].overlapped);
    EXPECT_EQ(calls[0].in.size(), 102u);
    EXPECT_EQ(calls[0].outLength, 102u);
    port.Script(ioctl::kControlTransfer, ScriptedReply::Failing());
    bytes = 5;
    EXPECT_FALSE(api->SendControlTransfer(handle, block, sizeof(block), &bytes));
    EXPECT_EQ(bytes, 5u);
    EXPECT_FALSE(api->SendControlTransfer(nullptr, block, sizeof(block), &bytes));
    EXPECT_FALSE(api->SendControlTransfer(handle, nullptr, sizeof(block), &bytes));
    api->CloseDeviceHandle(&handle);
}

TEST_F(Fx3ApiTest, BufferedTransferWaitsForItsCompletion) {
    auto api = MakeApi();
    port.SetInterfaces({first});
    api->EnumerateDevices();
    DeviceHandle handle = nullptr;
    ASSERT_TRUE(api->OpenDevicePath(&handle, 0, false));
    std::vector<uint8_t> block(38 + 16, 0);
    block[13] = 0x81;
    ScriptedReply later;
    later.completion = ScriptedReply::Completion::Later;
    later.delayMs = 20;
    later.bytes = 38 + 10;
    port.Script(ioctl::kBufferedTransfer, later);
    uint32_t bytes = 0;
    ASSERT_TRUE(api->SendBufferedTransfer(handle, block.data(), static_cast<uint32_t>(block.size()), &bytes));
    EXPECT_EQ(bytes, 48u);
    EXPECT_TRUE(port.IoCalls(ioctl::kAbortPipe).empty());

    port.Script(ioctl::kBufferedTransfer, ScriptedReply::Failing());
    EXPECT_FALSE(api->SendBufferedTransfer(handle, block.data(), static_cast<uint32_t>(block.size()), &bytes));
    EXPECT_FALSE(api->SendBufferedTransfer(nullptr, block.data(), static_cast<uint32_t>(block.size()), &bytes));
    api->CloseDeviceHandle(&handle);
}

TEST_F(Fx3ApiTest, TimedOutBufferedTransferAbortsPipe81AndFails) {
    auto api = MakeApi();
    port.SetInterfaces({first});
    api->EnumerateDevices();
    DeviceHandle handle = nullptr;
    ASSERT_TRUE(api->OpenDevicePath(&handle, 0, false));
    std::vector<uint8_t> block(38 + 16, 0);
    ScriptedReply hang;
    hang.completion = ScriptedReply::Completion::Pending;
    port.Script(ioctl::kBufferedTransfer, hang);
    uint32_t bytes = 123;
    const uint32_t start = platform::TimeGetTime();
    EXPECT_FALSE(api->SendBufferedTransfer(handle, block.data(), static_cast<uint32_t>(block.size()), &bytes));
    const uint32_t elapsed = platform::ElapsedMs(start, platform::TimeGetTime());
    EXPECT_GE(elapsed, kBufferedTransferWaitMs - 50);
    EXPECT_EQ(bytes, 123u);
    const auto aborts = port.IoCalls(ioctl::kAbortPipe);
    ASSERT_EQ(aborts.size(), 1u);
    EXPECT_EQ(aborts[0].in, std::vector<uint8_t>{0x81});
    EXPECT_EQ(aborts[0].handle, handle);
    EXPECT_TRUE(aborts[0].overlapped);
    EXPECT_EQ(port.Outstanding(), 0) << "the aborted request completed before the call returned";
    api->CloseDeviceHandle(&handle);
}

TEST_F(Fx3ApiTest, BufferedTransferThatIgnoresTheAbortIsCancelledBeforeItsMemoryGoes) {
    auto api = MakeApi();
    port.SetInterfaces({first});
    api->EnumerateDevices();
    DeviceHandle handle = nullptr;
    ASSERT_TRUE(api->OpenDevicePath(&handle, 0, false));
    auto block = std::make_unique<uint8_t[]>(38 + 16);
    ScriptedReply stuck;
    stuck.completion = ScriptedReply::Completion::Stuck;
    port.Script(ioctl::kBufferedTransfer, stuck);
    EXPECT_FALSE(api->SendBufferedTransfer(handle, block.get(), 38 + 16, nullptr));
    EXPECT_EQ(port.Outstanding(), 0);
    bool cancelled = false;
    for (const RecordedCall& call : port.Calls()) {
        cancelled = cancelled || call.kind == RecordedCall::Kind::CancelIo;
    }
    EXPECT_TRUE(cancelled);
    api->CloseDeviceHandle(&handle);
}

TEST_F(Fx3ApiTest, DirectTransferSendsItsHeaderAndReadsTheDriverStatus) {
    auto api = MakeApi();
    port.SetInterfaces({first});
    api->EnumerateDevices();
    DeviceHandle handle = nullptr;
    ASSERT_TRUE(api->OpenDevicePath(&handle, 0, true));
    uint8_t data[64] = {};
    platform::Event done(platform::EventReset::Auto, false);
    platform::Overlapped overlapped(done);
    EXPECT_EQ(api->BeginDirectTransfer(nullptr, data, 64, 0x81, overlapped), nullptr);

    ScriptedReply reply;
    reply.data = {1, 2, 3};
    port.Script(ioctl::kDirectTransfer, reply);
    auto request = api->BeginDirectTransfer(handle, data, 64, 0x81, overlapped);
    ASSERT_NE(request, nullptr);
    const auto calls = port.IoCalls(ioctl::kDirectTransfer);
    ASSERT_EQ(calls.size(), 1u);
    std::vector<uint8_t> header(38, 0);
    header[13] = 0x81;
    EXPECT_EQ(calls[0].in, header);
    EXPECT_EQ(calls[0].outLength, 64u);
    EXPECT_TRUE(calls[0].overlapped);
    ASSERT_TRUE(api->WaitDirectTransfer(*request, 0));
    uint32_t bytes = 0;
    EXPECT_TRUE(api->FinishDirectTransfer(handle, std::move(request), &bytes));
    EXPECT_EQ(bytes, 64u);
    EXPECT_EQ(data[2], 3);

    ScriptedReply stalled;
    stalled.usbdStatus = 0xC0000004;
    port.Script(ioctl::kDirectTransfer, stalled);
    request = api->BeginDirectTransfer(handle, data, 64, 0x81, overlapped);
    ASSERT_TRUE(api->WaitDirectTransfer(*request, 0));
    EXPECT_FALSE(api->FinishDirectTransfer(handle, std::move(request), &bytes)) << "a USBD error fails";
    ScriptedReply ntError;
    ntError.ntStatus = 0xC0000001;
    port.Script(ioctl::kDirectTransfer, ntError);
    request = api->BeginDirectTransfer(handle, data, 64, 0x81, overlapped);
    ASSERT_TRUE(api->WaitDirectTransfer(*request, 0));
    EXPECT_FALSE(api->FinishDirectTransfer(handle, std::move(request), &bytes)) << "an NT error fails";

    const ScriptedReply refused = ScriptedReply::Failing(platform::win32_error::kDeviceNotConnected);
    port.Script(ioctl::kDirectTransfer, refused);
    request = api->BeginDirectTransfer(handle, data, 64, 0x81, overlapped);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(api->LastError(), platform::win32_error::kDeviceNotConnected);
    EXPECT_FALSE(api->WaitDirectTransfer(*request, 1000)) << "a request that never started is never complete";
    api->CloseDeviceHandle(&handle);
}
