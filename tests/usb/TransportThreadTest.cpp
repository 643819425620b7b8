// The transport under threads: the register lock keeps each composite read's write-then-read
// pair together, the shared table copes with concurrent enumeration and lookups, and a direct
// transfer completed from another thread is collected.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "usb/ControllerFixture.h"

using namespace ovilux;
using namespace ovilux::usb;
using test::ControlCall;
using test::ControlCalls;
using test::InterfacePath;
using test::RecordingDriverPort;
using test::ScriptedReply;
namespace ioctl = platform::fx3_ioctl;

namespace {

class ThreadedController : public test::ControllerFixture {};

}  // namespace

TEST_F(ThreadedController, ReadPairsAreNeverSplitByOtherRegisterTraffic) {
    constexpr int kRounds = 150;
    constexpr int kSromRounds = 20;  // each waits out the memory's addressing time
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        for (int i = 0; i < kRounds; ++i) {
            uint8_t value = 0;
            cam->FpgaRead(8, &value);
        }
    });
    threads.emplace_back([&] {
        for (int i = 0; i < kRounds; ++i) {
            uint8_t value = 0;
            cam->AuxRead(3, &value);
        }
    });
    threads.emplace_back([&] {
        for (int i = 0; i < kSromRounds; ++i) {
            uint8_t value = 0;
            cam->SromRead(0x1080, &value);
        }
    });
    threads.emplace_back([&] {
        for (int i = 0; i < kRounds; ++i) {
            cam->FpgaWrite(36, static_cast<uint8_t>(i));
            cam->AuxWrite(4, static_cast<uint8_t>(i));
        }
    });
    for (std::thread& thread : threads) {
        thread.join();
    }
    const std::vector<ControlCall> calls = ControlCalls(port);
    ASSERT_EQ(calls.size(), static_cast<size_t>(2 * kRounds * 2 + 2 * kSromRounds + 2 * kRounds));
    // The address writes of reads: one register byte to the FPGA or auxiliary device, two
    // address bytes to the SROM. Each must be followed at once by the read of the same device.
    int pairs = 0;
    for (size_t i = 0; i < calls.size(); ++i) {
        const ControlCall& call = calls[i];
        const bool addressWrite = call.request == 0x30 && ((call.index == 0x40 && call.value == 1) ||
                                                           (call.index == 0x5A && call.value == 1) ||
                                                           (call.index == 0xA2 && call.value == 2));
        if (addressWrite) {
            ASSERT_LT(i + 1, calls.size());
            EXPECT_EQ(calls[i + 1].request, 0x31) << "at " << i;
            EXPECT_EQ(calls[i + 1].index, call.index + 1) << "at " << i;
            ++pairs;
        }
    }
    EXPECT_EQ(pairs, 2 * kRounds + kSromRounds);
}

TEST_F(ThreadedController, DirectTransferCompletedByTheDriverLaterIsCollected) {
    ASSERT_TRUE(cam->InitializeTransferBuffer());
    ASSERT_TRUE(cam->OpenStream());
    ScriptedReply later;
    later.completion = ScriptedReply::Completion::Later;
    later.delayMs = 30;
    later.data = {0xAB, 0xCD};
    port.Script(ioctl::kDirectTransfer, later);
    uint8_t data[64] = {};
    uint32_t bytes = 0;
    ASSERT_TRUE(cam->DirectTransfer(cam->StreamHandle(), data, 64, 0x81, &bytes, 2000));
    EXPECT_EQ(bytes, 64u);
    EXPECT_EQ(data[1], 0xCD);
    EXPECT_TRUE(port.IoCalls(ioctl::kAbortPipe).empty());

    // One that is later than its wait is aborted, and its late completion writes nothing.
    later.delayMs = 200;
    port.Script(ioctl::kDirectTransfer, later);
    auto buffer = std::make_unique<uint8_t[]>(64);
    EXPECT_FALSE(cam->DirectTransfer(cam->StreamHandle(), buffer.get(), 64, 0x81, &bytes, 20));
    buffer.reset();
    EXPECT_EQ(port.IoCalls(ioctl::kAbortPipe).size(), 1u);
    EXPECT_EQ(port.Outstanding(), 0);
    cam->CloseStream();
}

TEST(ThreadedDeviceTable, ConcurrentEnumerationsAndLookupsAgreeOnOneTable) {
    const std::string name = test::UniqueTableName("threads");
    RecordingDriverPort portA;
    RecordingDriverPort portB;
    std::vector<std::string> pathsA;
    std::vector<std::string> pathsB;
    for (int i = 0; i < 10; ++i) {
        const std::string number = std::to_string(i);
        pathsA.push_back(InterfacePath(0x04B4, 0x3030, std::string("A").append(number)));
        pathsB.push_back(InterfacePath(0x04B4, 0x3030, std::string("B").append(number)));
    }
    std::atomic<bool> stop{false};
    CFx3Api observer(portA, nullptr, name.c_str());
    std::thread reader([&] {
        while (!stop.load()) {
            for (int row = 0; row < kMaxDevices; ++row) {
                const DeviceRecord record = observer.GetTableRecord(row);
                ASSERT_LT(std::strlen(record.devicePath), kDevicePathBytes);
            }
        }
    });
    auto enumerate = [&](RecordingDriverPort& port, const std::vector<std::string>& paths) {
        CFx3Api api(port, nullptr, name.c_str());
        for (size_t i = 1; i <= paths.size(); ++i) {
            port.SetInterfaces(std::vector<std::string>(paths.begin(), paths.begin() + static_cast<long>(i)));
            api.EnumerateDevices();
        }
    };
    std::thread a([&] { enumerate(portA, pathsA); });
    std::thread b([&] { enumerate(portB, pathsB); });
    a.join();
    b.join();
    stop = true;
    reader.join();

    EXPECT_EQ(observer.GetRecordCount(), 20);
    std::set<std::string> seen;
    std::set<int32_t> numbers;
    for (int row = 0; row < 20; ++row) {
        const DeviceRecord record = observer.GetTableRecord(row);
        seen.insert(record.devicePath);
        numbers.insert(record.deviceNumber);
    }
    EXPECT_EQ(seen.size(), 20u) << "no row twice, none lost";
    EXPECT_EQ(numbers.size(), 20u) << "numbers 0..19, each once";
    EXPECT_EQ(*numbers.rbegin(), 19);
}
