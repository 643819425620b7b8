// The transport over the libusb driver port, through the real libusb and usbfs requests that
// umockdev hands to simulated cameras: enumeration into the device table, registers, the SROM,
// frames, and the ends a request can meet (cancelled, aborted, closed under it, unplugged).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/DriverPort.h"
#include "platform/Event.h"
#include "usbfs/EmulatedUsbBus.h"
#include "platform/posix/LibusbDriverPort.h"
#include "sim/SimCamera.h"
#include "usb/DeviceTableLayout.h"
#include "usb/OviCy3Cam.h"
#include "usb/TransferLayout.h"
#include "usb/TransportTestSupport.h"
#include "support/Patience.h"

using namespace ovilux;
using namespace ovilux::usb;
using platform::DeviceHandle;
using platform::Event;
using platform::EventReset;
using platform::IoResult;
using platform::Overlapped;
using platform::WaitResult;
namespace win32_error = platform::win32_error;
namespace fx3_ioctl = platform::fx3_ioctl;

namespace {

constexpr uint8_t kSensorBus = 0x90;

// What the port says on the debug channel is part of what these suites check.
const bool kDebugOutputOn = setenv("OVILUX_DEBUG", "1", 1) == 0;

class LibusbTransport : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::EmulatedUsbBus::Preloaded()) << "run under umockdev's preload"; }
    void TearDown() override {
        cam.reset();
        for (int port : plugged) {
            bus.Unplug(port);
        }
    }
    std::shared_ptr<sim::CSimCamera> Plug(uint16_t productId, int port) {
        std::shared_ptr<sim::CSimCamera> camera = bus.Plug(productId, port);
        if (camera != nullptr) {
            plugged.push_back(port);
        }
        return camera;
    }
    // libusb learns of devices from udev's events, on its own thread.
    std::vector<std::string> WaitForCameras(size_t count) {
        std::vector<std::string> paths;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(test::PatienceMs(5000));
        while ((paths = port.EnumerateInterfaces(platform::kFx3DriverGuid)).size() != count &&
               std::chrono::steady_clock::now() < deadline) {
            Event(EventReset::Manual, false).Wait(10);
        }
        return paths;
    }
    std::shared_ptr<sim::CSimCamera> OpenCamera(int portNumber, uint32_t capabilities = test::kKernelCapabilities) {
        std::shared_ptr<sim::CSimCamera> camera = Plug(0x3030, portNumber);
        EXPECT_NE(camera, nullptr);
        bus.SetCapabilities(portNumber, capabilities);
        EXPECT_EQ(WaitForCameras(1).size(), 1u);
        cam = std::make_unique<COviCy3Cam>(port, nullptr, tableName.c_str());
        EXPECT_EQ(cam->EnumerateDevices(), 1);
        EXPECT_TRUE(cam->SelectDevice(0));
        EXPECT_TRUE(cam->InitializeTransferBuffer());
        return camera;
    }
    bool SensorWrite(uint8_t reg, uint16_t value) {
        const uint8_t data[3] = {reg, static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
        return cam->I2cWrite(kSensorBus, data, 3, 3000) != 0;
    }
    bool SetWindow(uint16_t width, uint16_t height) {
        return SensorWrite(0x01, 52) && SensorWrite(0x02, 16) && SensorWrite(0x03, height + 1) &&
               SensorWrite(0x04, width + 1) && SensorWrite(0x22, 0) && SensorWrite(0x23, 0) &&
               cam->FpgaWrite(68, static_cast<uint8_t>(width)) && cam->FpgaWrite(69, static_cast<uint8_t>(width >> 8)) &&
               cam->FpgaWrite(64, static_cast<uint8_t>(height)) &&
               cam->FpgaWrite(65, static_cast<uint8_t>(height >> 8));
    }

    void UnplugAll() {
        cam.reset();
        for (int p : plugged) {
            bus.Unplug(p);
        }
        plugged.clear();
        WaitForCameras(0);
    }
    // A frame of the window set, header and payload, read whole.
    bool ReadWholeFrame(FrameDescriptor& descriptor) {
        return cam->ReadFrameHeader(&descriptor, 0) && FramePayloadCount(descriptor.header) == kFrameBytes &&
               cam->ReadFramePayload(&descriptor, 3000) && descriptor.receivedBytes == kFrameBytes;
    }
    static constexpr uint32_t kFrameBytes = 1024u * 768u;  // one 512 KiB chunk and the rest

    test::EmulatedUsbBus& bus = test::EmulatedUsbBus::Instance();
    platform::LibusbDriverPort& port = platform::LibusbDriverPort::Instance();
    std::vector<int> plugged;
    std::string tableName = test::UniqueTableName("usbfs");
    std::unique_ptr<COviCy3Cam> cam;
};

}  // namespace

TEST_F(LibusbTransport, CamerasEnumerateAsDriverPathsIntoTheTable) {
    ASSERT_TRUE(port.Available());
    ASSERT_NE(Plug(0x3030, 3), nullptr);
    ASSERT_NE(Plug(0x30F0, 2), nullptr);
    const std::vector<std::string> paths = WaitForCameras(2);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0], "\\\\?\\usb#vid_04b4&pid_30f0#b001p2#{328184c5-93e6-49b7-94b8-2ada13aabb39}");
    EXPECT_EQ(paths[1], "\\\\?\\usb#vid_04b4&pid_3030#b001p3#{328184c5-93e6-49b7-94b8-2ada13aabb39}");
    EXPECT_TRUE(port.EnumerateInterfaces(platform::InterfaceGuid{}).empty()) << "another interface class";

    cam = std::make_unique<COviCy3Cam>(port, nullptr, tableName.c_str());
    ASSERT_EQ(cam->EnumerateDevices(), 2);
    EXPECT_EQ(cam->EnumerateDevices(), 2) << "enumerating twice adds no row";
    EXPECT_EQ(cam->GetTableRecord(0).productId, 0x30F0);
    EXPECT_EQ(cam->GetTableRecord(1).productId, 0x3030);
    EXPECT_EQ(cam->GetTableRecord(1).vendorId, 0x04B4);
    char name[32] = {};
    ASSERT_TRUE(cam->GetModelName(1, name, sizeof(name)));
    EXPECT_STREQ(name, "Ovilux-M03-UX_00");

    // The camera on port 3 is unplugged: its row stays and reports absent.
    bus.Unplug(3);
    plugged.pop_back();
    plugged.erase(plugged.begin());
    ASSERT_EQ(WaitForCameras(1).size(), 1u);
    EXPECT_FALSE(cam->IsDevicePresent(1));
    EXPECT_TRUE(cam->IsDevicePresent(0));
    bus.Unplug(2);
}

TEST_F(LibusbTransport, RegistersSensorAndSromTravelAsControlTransfers) {
    const std::shared_ptr<sim::CSimCamera> camera = OpenCamera(1);
    ASSERT_NE(camera, nullptr);
    ASSERT_TRUE(cam->FpgaWrite(7, 0x5A));
    EXPECT_EQ(camera->FpgaRegister(7), 0x5A);
    uint8_t value = 0;
    ASSERT_TRUE(cam->FpgaRead(7, &value));
    EXPECT_EQ(value, 0x5A);
    const uint8_t chipVersion = 0x00;
    uint8_t bytes[2] = {};
    ASSERT_TRUE(cam->I2cWrite(kSensorBus, &chipVersion, 1, 3000));
    ASSERT_TRUE(cam->I2cRead(kSensorBus, bytes, 2, 3000));
    EXPECT_EQ((bytes[0] << 8) | bytes[1], 0x1801);
    ASSERT_TRUE(SensorWrite(0x35, 0x0020));
    EXPECT_EQ(camera->SensorRegister(0x35), 0x0020);
    ASSERT_TRUE(cam->SromWrite(0x1080, 0x42));
    EXPECT_EQ(camera->SromByte(0x1080), 0x42);
    value = 0;
    ASSERT_TRUE(cam->SromRead(0x1080, &value));
    EXPECT_EQ(value, 0x42);
    uint8_t info[64] = {};
    ASSERT_TRUE(cam->GetDeviceInfo(info));
    EXPECT_EQ(info[24] | (info[25] << 8), 0x1100);
    uint32_t speed = 0;
    ASSERT_TRUE(cam->GetDeviceSpeed(&speed));
    EXPECT_EQ(speed, kSuperSpeedCode);
    camera->SetSilent(0x40, true);
    EXPECT_FALSE(cam->FpgaRead(7, &value)) << "a stalled request fails";
    camera->SetSilent(0x40, false);
    EXPECT_TRUE(cam->FpgaRead(7, &value)) << "and the next one passes";
}

TEST_F(LibusbTransport, FramesArriveWithTheSizesTheirHeadersAnnounce) {
    const std::shared_ptr<sim::CSimCamera> camera = OpenCamera(1);
    ASSERT_NE(camera, nullptr);
    ASSERT_TRUE(SetWindow(1024, 768));
    std::vector<uint8_t> raw(2592 * 1944 * 2);
    FrameDescriptor descriptor{};
    descriptor.buffer = raw.data();
    descriptor.capacity = static_cast<uint32_t>(raw.size());
    ASSERT_TRUE(cam->OpenStream());
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0)) << frame;
        EXPECT_EQ(FramePayloadCount(descriptor.header), 1024u * 768) << frame;
        ASSERT_TRUE(cam->ReadFramePayload(&descriptor, 3000)) << frame;
    }
    EXPECT_NE(std::count(raw.begin(), raw.begin() + 1024 * 768, 0), 1024 * 768) << "the scene arrived";
    cam->CloseStream();
}

// Every way a bulk read can end before its data: each signals the caller's event, reports the
// Windows error the transport expects and leaves a failing status in the header.
TEST_F(LibusbTransport, ReadsEndCancelledAbortedClosedOrUnpluggedWithoutHanging) {
    enum class End { Cancel, CancelAll, Abort, Close, Unplug };
    struct Case {
        const char* name;
        End end;
        uint32_t error;
    };
    for (const Case& c : {Case{"cancel one", End::Cancel, win32_error::kOperationAborted},
                          Case{"cancel all", End::CancelAll, win32_error::kOperationAborted},
                          Case{"abort pipe", End::Abort, win32_error::kOperationAborted},
                          Case{"close the handle", End::Close, win32_error::kOperationAborted},
                          Case{"unplug", End::Unplug, win32_error::kDeviceNotConnected}}) {
        ASSERT_NE(Plug(0x3030, 4), nullptr) << c.name;
        const std::vector<std::string> paths = WaitForCameras(1);
        ASSERT_EQ(paths.size(), 1u) << c.name;
        DeviceHandle handle = port.Open(paths[0].c_str(), true);
        ASSERT_NE(handle, nullptr) << c.name;
        // Two reads in flight; the camera streams nothing, so neither can finish by itself.
        std::vector<uint8_t> data(2 * 65536);
        uint8_t headers[2][kTransferHeaderBytes] = {};
        Event done0(EventReset::Manual, false);
        Event done1(EventReset::Manual, false);
        Overlapped overlapped[2] = {Overlapped(done0), Overlapped(done1)};
        for (int i = 0; i < 2; ++i) {
            EncodeDirectHeader(kFrameEndpoint, headers[i]);
            const IoResult start = port.IoControl(handle, fx3_ioctl::kDirectTransfer, headers[i], kTransferHeaderBytes,
                                                  data.data() + i * 65536, 65536, &overlapped[i]);
            ASSERT_FALSE(start.ok) << c.name;
            ASSERT_EQ(start.error, win32_error::kIoPending) << c.name;
        }
        EXPECT_EQ(port.GetOverlappedResult(handle, overlapped[0], false).error, win32_error::kIoIncomplete) << c.name;
        uint8_t endpoint = kFrameEndpoint;
        switch (c.end) {
            case End::Cancel:
                EXPECT_TRUE(port.CancelIo(handle, &overlapped[0])) << c.name;
                EXPECT_TRUE(port.CancelIo(handle, &overlapped[1])) << c.name;
                break;
            case End::CancelAll:
                EXPECT_TRUE(port.CancelIo(handle, nullptr)) << c.name;
                break;
            case End::Abort:
                EXPECT_TRUE(port.IoControl(handle, fx3_ioctl::kAbortPipe, &endpoint, 1, nullptr, 0, nullptr).ok);
                break;
            case End::Close:
                break;
            case End::Unplug:
                bus.Unplug(4);
                break;
        }
        if (c.end == End::Close) {
            const DeviceHandle closing = handle;
            handle = nullptr;
            EXPECT_TRUE(port.Close(closing)) << c.name;
            EXPECT_EQ(done0.Wait(0), WaitResult::Signalled) << c.name << ": reaped before Close returned";
            EXPECT_EQ(done1.Wait(0), WaitResult::Signalled) << c.name;
        }
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(overlapped[i].event->Wait(5000), WaitResult::Signalled) << c.name << " " << i;
            if (handle != nullptr) {
                const IoResult result = port.GetOverlappedResult(handle, overlapped[i], true);
                EXPECT_FALSE(result.ok) << c.name;
                EXPECT_EQ(result.error, c.error) << c.name;
            }
            EXPECT_NE(DecodeTransferHeader(headers[i]).ntStatus, 0u) << c.name;
        }
        if (c.end == End::Unplug) {
            uint8_t block[kControlBlockBytes] = {};
            EXPECT_EQ(port.IoControl(handle, fx3_ioctl::kControlTransfer, block, sizeof(block), block, sizeof(block),
                                     nullptr)
                          .error,
                      win32_error::kDeviceNotConnected)
                << "a request after the unplug";
            plugged.clear();
            WaitForCameras(0);
        } else {
            bus.Unplug(4);
            plugged.clear();
            WaitForCameras(0);
        }
        if (handle != nullptr) {
            EXPECT_TRUE(port.Close(handle)) << c.name;
        }
    }
}

TEST_F(LibusbTransport, HostileRequestsAreRefused) {
    ASSERT_NE(Plug(0x3030, 5), nullptr);
    const std::vector<std::string> paths = WaitForCameras(1);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(port.Open(nullptr, false), nullptr);
    EXPECT_EQ(port.Open("\\\\?\\usb#vid_04b4&pid_3030#b009p9#{328184c5-93e6-49b7-94b8-2ada13aabb39}", false),
              nullptr);
    EXPECT_FALSE(port.Close(reinterpret_cast<DeviceHandle>(uintptr_t{0x1234})));
    uint8_t block[kControlBlockBytes] = {};
    EXPECT_EQ(port.IoControl(nullptr, fx3_ioctl::kControlTransfer, block, sizeof(block), block, sizeof(block), nullptr)
                  .error,
              win32_error::kInvalidHandle);
    DeviceHandle handle = port.Open(paths[0].c_str(), false);
    ASSERT_NE(handle, nullptr);
    ControlBlock control{};
    ASSERT_TRUE(BuildControlBlock(request_type::kVendorIn, vendor_request::kGetDeviceInfo, 0, 0, nullptr, 0, control));
    struct Case {
        const char* name;
        uint32_t code;
        void* in;
        uint32_t inLength;
        void* out;
        uint32_t outLength;
    };
    ControlBlock badOffset = control;
    badOffset[transfer_header_offset::kBufferOffset] = 0;
    ControlBlock tooLong = control;
    tooLong[transfer_header_offset::kBufferLength + 1] = 0x10;  // 4160 data bytes in a 102-byte block
    for (const Case& c : {Case{"null block", fx3_ioctl::kControlTransfer, nullptr, 102, control.data(), 102},
                          Case{"short block", fx3_ioctl::kControlTransfer, control.data(), 20, control.data(), 20},
                          Case{"data offset", fx3_ioctl::kControlTransfer, badOffset.data(), 102, badOffset.data(), 102},
                          Case{"data past the block", fx3_ioctl::kControlTransfer, tooLong.data(), 102, tooLong.data(),
                               102},
                          Case{"direct without header", fx3_ioctl::kDirectTransfer, nullptr, 0, control.data(), 64},
                          Case{"direct, null data", fx3_ioctl::kDirectTransfer, control.data(), 38, nullptr, 64},
                          Case{"abort, no endpoint", fx3_ioctl::kAbortPipe, nullptr, 0, nullptr, 0},
                          Case{"speed, no room", fx3_ioctl::kDeviceSpeed, control.data(), 4, control.data(), 2},
                          Case{"unknown code", 0x220000, control.data(), 102, control.data(), 102}}) {
        const IoResult result = port.IoControl(handle, c.code, c.in, c.inLength, c.out, c.outLength, nullptr);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_EQ(result.error, win32_error::kInvalidParameter) << c.name;
    }
    const IoResult good = port.IoControl(handle, fx3_ioctl::kControlTransfer, control.data(), kControlBlockBytes,
                                         control.data(), kControlBlockBytes, nullptr);
    EXPECT_TRUE(good.ok) << "the port still answers";
    EXPECT_EQ(good.bytes, kTransferHeaderBytes + 64);
    EXPECT_TRUE(port.Close(handle));
    EXPECT_FALSE(port.Close(handle)) << "closed twice";
}

// A chunk that comes short, overflows or is a lone zero-length packet loses its frame: the read
// fails, says how much came, and the next frame arrives whole, through the one-URB path and
// through the 16 KiB URBs libusb splits a read into where usbfs has no scatter-gather.
TEST_F(LibusbTransport, ChunksEndingShortOverflowingOrEmptyLoseTheirFrameAndTheStreamStaysInStep) {
    struct Case {
        const char* name;
        test::BulkFault fault;
        uint32_t capabilities;
        uint32_t skip;  // bulk URBs before the faulty one: the header's, then the chunk's
    };
    const uint32_t split = test::kCapabilitiesWithoutScatterGather;
    for (const Case& c : {Case{"short", test::BulkFault::Short, test::kKernelCapabilities, 1},
                          Case{"overflow", test::BulkFault::Overflow, test::kKernelCapabilities, 1},
                          Case{"zero-length", test::BulkFault::ZeroLength, test::kKernelCapabilities, 1},
                          Case{"short, split", test::BulkFault::Short, split, 1 + 5},
                          Case{"overflow, split", test::BulkFault::Overflow, split, 1 + 31},
                          Case{"remainder short, split", test::BulkFault::Short, split, 1 + 32 + 3}}) {
        ASSERT_NE(OpenCamera(6, c.capabilities), nullptr) << c.name;
        ASSERT_TRUE(SetWindow(1024, 768)) << c.name;
        std::vector<uint8_t> raw(kFrameBytes);
        FrameDescriptor descriptor{};
        descriptor.buffer = raw.data();
        descriptor.capacity = static_cast<uint32_t>(raw.size());
        ASSERT_TRUE(cam->OpenStream()) << c.name;
        ASSERT_TRUE(ReadWholeFrame(descriptor)) << c.name << ": a frame before the fault";

        bus.FaultBulkReads(6, c.fault, 1, c.skip);
        ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0)) << c.name;
        EXPECT_FALSE(cam->ReadFramePayload(&descriptor, 3000)) << c.name << ": a cut frame is never whole";
        EXPECT_LT(descriptor.receivedBytes, kFrameBytes) << c.name;

        for (int frame = 0; frame < 2; ++frame) {
            ASSERT_TRUE(ReadWholeFrame(descriptor)) << c.name << ": frame " << frame << " after the fault";
        }
        UnplugAll();
    }
}

// The camera sends a zero-length packet where a header was awaited (the end of the last
// transfer): the header is read on, not made of nothing.
TEST_F(LibusbTransport, AZeroLengthPacketBeforeAHeaderIsSkipped) {
    ASSERT_NE(OpenCamera(6), nullptr);
    ASSERT_TRUE(SetWindow(1024, 768));
    std::vector<uint8_t> raw(kFrameBytes);
    FrameDescriptor descriptor{};
    descriptor.buffer = raw.data();
    descriptor.capacity = static_cast<uint32_t>(raw.size());
    ASSERT_TRUE(cam->OpenStream());
    bus.FaultBulkReads(6, test::BulkFault::ZeroLength, 1);
    EXPECT_TRUE(ReadWholeFrame(descriptor));
}

// usbfs refuses a transfer when the system's transfers in flight would pass its memory limit;
// the transfer fails with the system's own "no resources" and the debug channel names the limit.
TEST_F(LibusbTransport, ATransferRefusedForUsbfsMemoryNamesTheLimit) {
    ASSERT_TRUE(kDebugOutputOn);
    ASSERT_NE(OpenCamera(7), nullptr);
    ASSERT_TRUE(SetWindow(1024, 768));
    bus.WriteSysFile("module/usbcore/parameters/usbfs_memory_mb", "16\n");
    std::vector<uint8_t> raw(kFrameBytes);
    FrameDescriptor descriptor{};
    descriptor.buffer = raw.data();
    descriptor.capacity = static_cast<uint32_t>(raw.size());
    ASSERT_TRUE(cam->OpenStream());
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    bus.FaultBulkReads(7, test::BulkFault::NoMemory, 1);
    testing::internal::CaptureStderr();
    const bool read = cam->ReadFramePayload(&descriptor, 3000) != 0;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(read);
    EXPECT_EQ(cam->LastError(), win32_error::kNoSystemResources);
    EXPECT_NE(said.find("usbfs refused a 524288-byte transfer for lack of memory"), std::string::npos) << said;
    EXPECT_NE(said.find("16 MiB"), std::string::npos) << said;
    EXPECT_NE(said.find("/sys/module/usbcore/parameters/usbfs_memory_mb"), std::string::npos) << said;
    EXPECT_TRUE(ReadWholeFrame(descriptor)) << "the next frame, once memory is there again";
}

// The transfer path's own timeouts abort reads that race their completion on a streaming
// camera: each read ends once, whole or aborted, never half, and the stream goes on.
TEST_F(LibusbTransport, AbortsRacingCompletionsOnAStreamingCameraEndEachReadOnce) {
    ASSERT_NE(OpenCamera(8), nullptr);
    ASSERT_TRUE(SetWindow(64, 64));
    ASSERT_TRUE(cam->OpenStream());
    std::vector<uint8_t> data(64 + 64 * 64);
    int whole = 0;
    int aborted = 0;
    for (int round = 0; round < 300; ++round) {
        ASSERT_TRUE(cam->PrepareRead(nullptr)) << round;
        uint32_t bytes = 1;
        const uint32_t length = round % 2 == 0 ? 64u : static_cast<uint32_t>(data.size());
        if (cam->DirectTransfer(cam->StreamHandle(), data.data(), length, kFrameEndpoint, &bytes, round % 3)) {
            EXPECT_GT(bytes, 0u) << round;
            ++whole;
        } else {
            EXPECT_EQ(bytes, 0u) << round;
            ++aborted;
        }
    }
    EXPECT_EQ(whole + aborted, 300);
    std::vector<uint8_t> raw(64 * 64);
    FrameDescriptor descriptor{};
    descriptor.buffer = raw.data();
    descriptor.capacity = static_cast<uint32_t>(raw.size());
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0)) << "the stream after " << whole << " whole, " << aborted
                                                       << " aborted";
    EXPECT_EQ(FramePayloadCount(descriptor.header), 64u * 64u);
    EXPECT_TRUE(cam->ReadFramePayload(&descriptor, 3000));
}

// The selected camera stays claimed between requests, so no other process can take it from an
// idle session; a claim held elsewhere (or a kernel driver's) makes opening fail and say why.
TEST_F(LibusbTransport, TheSelectedCameraStaysClaimedAndAClaimHeldElsewhereIsSaid) {
    ASSERT_TRUE(kDebugOutputOn);
    ASSERT_NE(OpenCamera(9), nullptr);
    ASSERT_TRUE(cam->FpgaWrite(7, 1));
    EXPECT_TRUE(bus.Claimed(9)) << "between two requests of the selected camera";
    cam.reset();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(test::PatienceMs(5000));
    while (bus.Claimed(9) && std::chrono::steady_clock::now() < deadline) {
        Event(EventReset::Manual, false).Wait(10);
    }
    EXPECT_FALSE(bus.Claimed(9)) << "released with the controller";

    bus.BindKernelDriver(9, "usbtest");
    const std::vector<std::string> paths = WaitForCameras(1);
    ASSERT_EQ(paths.size(), 1u);
    testing::internal::CaptureStderr();
    const DeviceHandle refused = port.Open(paths[0].c_str(), false);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(refused, nullptr);
    EXPECT_NE(said.find("cannot be opened: in use by another process"), std::string::npos) << said;
    bus.BindKernelDriver(9, "");
    const DeviceHandle opened = port.Open(paths[0].c_str(), false);
    EXPECT_NE(opened, nullptr);
    EXPECT_TRUE(port.Close(opened));
}

// Once the camera is gone every request says so, and a port reset of the vanished device fails
// at once instead of waiting.
TEST_F(LibusbTransport, AVanishedDeviceRefusesItsResetAndEveryRequest) {
    ASSERT_NE(OpenCamera(10), nullptr);
    const std::vector<std::string> paths = WaitForCameras(1);
    ASSERT_EQ(paths.size(), 1u);
    const DeviceHandle handle = port.Open(paths[0].c_str(), false);
    ASSERT_NE(handle, nullptr);
    bus.Unplug(10);
    plugged.clear();
    const auto start = std::chrono::steady_clock::now();
    const IoResult reset = port.IoControl(handle, fx3_ioctl::kResetParentPort, nullptr, 0, nullptr, 0, nullptr);
    EXPECT_FALSE(reset.ok);
    EXPECT_EQ(reset.error, win32_error::kDeviceNotConnected);
    EXPECT_FALSE(cam->ResetParentPort());
    uint8_t value = 0;
    EXPECT_FALSE(cam->FpgaRead(7, &value));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(port.Close(handle));
}

// The kernel hands out device numbers 2 to 127 in turn and then again from the start; a number
// given again reaches the camera now behind it, so the suites can run again and again.
TEST_F(LibusbTransport, DeviceNumbersComeRoundAgain) {
    ASSERT_NE(Plug(0x3030, 11), nullptr);
    const int first = bus.DeviceNumber(11);
    int number = first;
    for (int plug = 0; plug < 130 && !(plug > 0 && number == first); ++plug) {
        // Each plug and unplug is heard before the next: udev's events queue no further.
        ASSERT_EQ(WaitForCameras(1).size(), 1u);
        bus.Unplug(11);
        plugged.clear();
        ASSERT_EQ(WaitForCameras(0).size(), 0u);
        ASSERT_NE(Plug(0x3030, 11), nullptr);
        number = bus.DeviceNumber(11);
        ASSERT_GE(number, 2);
        ASSERT_LE(number, 127);
    }
    EXPECT_EQ(number, first) << "the number came round";
    const std::vector<std::string> paths = WaitForCameras(1);
    ASSERT_EQ(paths.size(), 1u);
    cam = std::make_unique<COviCy3Cam>(port, nullptr, tableName.c_str());
    ASSERT_EQ(cam->EnumerateDevices(), 1);
    ASSERT_TRUE(cam->SelectDevice(0));
    EXPECT_TRUE(cam->FpgaWrite(7, 0x21));
    uint8_t value = 0;
    EXPECT_TRUE(cam->FpgaRead(7, &value));
    EXPECT_EQ(value, 0x21);
}
