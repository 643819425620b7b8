// The controller's vendor requests and register paths, byte for byte, against the recording port.
#include <cstring>
#include <vector>

#include "usb/ControllerFixture.h"

using namespace ovilux;
using namespace ovilux::usb;
using test::ControlCall;
using test::ControlCalls;
using test::RecordedCall;
using test::ScriptedReply;
namespace ioctl = platform::fx3_ioctl;

namespace {

std::vector<uint8_t> Data(std::initializer_list<uint8_t> bytes) {
    std::vector<uint8_t> data(bytes);
    data.resize(64, 0);
    return data;
}

void ExpectCall(const ControlCall& call, uint8_t type, uint8_t request, uint16_t value, uint16_t index,
                std::initializer_list<uint8_t> data) {
    EXPECT_EQ(call.requestType, type);
    EXPECT_EQ(call.request, request);
    EXPECT_EQ(call.value, value);
    EXPECT_EQ(call.index, index);
    EXPECT_EQ(call.data, Data(data));
}

class ControllerRequests : public test::ControllerFixture {};

}  // namespace

TEST_F(ControllerRequests, EachRequestOpensItsOwnPlainHandleAndClosesIt) {
    ASSERT_TRUE(cam->SetTransferWidth(1));
    const std::vector<RecordedCall> calls = port.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, RecordedCall::Kind::Open);
    EXPECT_EQ(calls[0].path, path);
    EXPECT_FALSE(calls[0].overlapped);
    EXPECT_EQ(calls[1].kind, RecordedCall::Kind::IoControl);
    EXPECT_EQ(calls[1].code, ioctl::kControlTransfer);
    EXPECT_EQ(calls[1].handle, calls[0].handle);
    EXPECT_EQ(calls[2].kind, RecordedCall::Kind::Close);
    EXPECT_EQ(calls[2].handle, calls[0].handle);
    ExpectCall(ControlCalls(port)[0], 0x40, 0x3C, 0, 0, {1});
}

TEST_F(ControllerRequests, I2cCountsAboveSixtyFourSendNothing) {
    std::vector<uint8_t> data(65);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i + 1);
    }
    EXPECT_FALSE(cam->I2cWrite(0x20, data.data(), 65, 3000));
    EXPECT_FALSE(cam->I2cRead(0x20, data.data(), 65, 3000));
    EXPECT_FALSE(cam->I2cWrite(0x20, nullptr, 2, 3000));
    EXPECT_FALSE(cam->I2cRead(0x20, nullptr, 2, 3000));
    EXPECT_TRUE(port.Calls().empty());

    ASSERT_TRUE(cam->I2cWrite(0x20, data.data(), 64, 3000));
    const auto calls = ControlCalls(port);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].requestType, 0x40);
    EXPECT_EQ(calls[0].request, 0x30);
    EXPECT_EQ(calls[0].value, 64);
    EXPECT_EQ(calls[0].index, 0x20);
    EXPECT_EQ(calls[0].data, std::vector<uint8_t>(data.begin(), data.begin() + 64));
}

TEST_F(ControllerRequests, I2cReadSetsTheReadFlagAndCopiesOnlyAFullReply) {
    uint8_t out[3] = {9, 9, 9};
    port.Script(ioctl::kControlTransfer, ControlReply({0xA1, 0xA2, 0xA3}));
    ASSERT_TRUE(cam->I2cRead(0x20, out, 3, 3000));
    ExpectCall(ControlCalls(port)[0], 0xC0, 0x31, 3, 0x21, {});
    EXPECT_EQ(out[0], 0xA1);
    EXPECT_EQ(out[2], 0xA3);

    uint8_t kept[3] = {9, 9, 9};
    port.Script(ioctl::kControlTransfer, ControlReply({0xB1, 0xB2, 0xB3}, 38 + 2));
    EXPECT_TRUE(cam->I2cRead(0x21, kept, 3, 3000)) << "a short reply still succeeds";
    EXPECT_EQ(kept[0], 9) << "but copies nothing";
    EXPECT_EQ(ControlCalls(port)[1].index, 0x21);

    port.Script(ioctl::kControlTransfer, ScriptedReply::Failing());
    EXPECT_FALSE(cam->I2cRead(0x20, kept, 3, 3000));
}

TEST_F(ControllerRequests, FpgaReadWritesTheRegisterThenReadsTwoBytes) {
    port.Script(ioctl::kControlTransfer, ControlReply({}));
    port.Script(ioctl::kControlTransfer, ControlReply({0x11, 0x5A}));
    uint8_t value = 0;
    ASSERT_TRUE(cam->FpgaRead(7, &value));
    EXPECT_EQ(value, 0x5A) << "the second byte";
    const auto calls = ControlCalls(port);
    ASSERT_EQ(calls.size(), 2u);
    ExpectCall(calls[0], 0x40, 0x30, 1, 0x40, {7});
    ExpectCall(calls[1], 0xC0, 0x31, 2, 0x41, {});
    EXPECT_FALSE(cam->FpgaRead(7, nullptr));

    port.ClearCalls();
    port.Script(ioctl::kControlTransfer, ScriptedReply::Failing());
    value = 0x33;
    EXPECT_FALSE(cam->FpgaRead(8, &value));
    EXPECT_EQ(value, 0x33);
    EXPECT_EQ(ControlCalls(port).size(), 1u) << "no read after a failed write";
}

TEST_F(ControllerRequests, FpgaWriteSendsRegisterZeroValue) {
    ASSERT_TRUE(cam->FpgaWrite(108, 1));
    ExpectCall(ControlCalls(port)[0], 0x40, 0x30, 3, 0x40, {108, 0, 1});
    port.Script(ioctl::kControlTransfer, ScriptedReply::Failing());
    EXPECT_FALSE(cam->FpgaWrite(108, 0));
}

TEST_F(ControllerRequests, ReadRegisterWordJoinsRegisters10And11) {
    port.Script(ioctl::kControlTransfer, ControlReply({}));
    port.Script(ioctl::kControlTransfer, ControlReply({0, 0x2E}));
    port.Script(ioctl::kControlTransfer, ControlReply({}));
    port.Script(ioctl::kControlTransfer, ControlReply({0, 0x01}));
    uint16_t word = 0;
    ASSERT_TRUE(cam->ReadRegisterWord(&word));
    EXPECT_EQ(word, 0x012E);
    const auto calls = ControlCalls(port);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].data[0], 0x10);
    EXPECT_EQ(calls[2].data[0], 0x11);
    // Failed reads still report success, with the unread bytes as 0.
    port.Script(ioctl::kControlTransfer, ScriptedReply::Failing());
    port.Script(ioctl::kControlTransfer, ControlReply({}));
    port.Script(ioctl::kControlTransfer, ControlReply({0, 0x07}));
    EXPECT_TRUE(cam->ReadRegisterWord(&word));
    EXPECT_EQ(word, 0x0700);
    EXPECT_FALSE(cam->ReadRegisterWord(nullptr));
}

TEST_F(ControllerRequests, AuxiliaryRegistersUseBus5A) {
    ASSERT_TRUE(cam->AuxWrite(0x12, 0x34));
    port.Script(ioctl::kControlTransfer, ControlReply({}));
    port.Script(ioctl::kControlTransfer, ControlReply({0x77}));
    uint8_t value = 0;
    ASSERT_TRUE(cam->AuxRead(0x12, &value));
    EXPECT_EQ(value, 0x77);
    const auto calls = ControlCalls(port);
    ASSERT_EQ(calls.size(), 3u);
    ExpectCall(calls[0], 0x40, 0x30, 2, 0x5A, {0x12, 0x34});
    ExpectCall(calls[1], 0x40, 0x30, 1, 0x5A, {0x12});
    ExpectCall(calls[2], 0xC0, 0x31, 1, 0x5B, {});
    port.Script(ioctl::kControlTransfer, ScriptedReply::Failing());
    value = 5;
    EXPECT_FALSE(cam->AuxRead(0x12, &value));
    EXPECT_EQ(value, 5);
}

TEST_F(ControllerRequests, TimingRegisterSplitsTheAddressTopBitIntoTheValue) {
    ASSERT_TRUE(cam->WriteTimingRegister(0x8005, 0xA1B2C3D4, 3000));
    ASSERT_TRUE(cam->WriteTimingRegister(0x0123, 7, 3000));
    port.Script(ioctl::kControlTransfer, ControlReply({0x34, 0x12, 0xFF}));
    int32_t value = -1;
    ASSERT_TRUE(cam->ReadTimingRegister(0x8005, &value, 3000));
    EXPECT_EQ(value, 0x1234);
    const auto calls = ControlCalls(port);
    ExpectCall(calls[0], 0x40, 0xD0, 1, 5, {0xD4, 0xC3, 0xB2, 0xA1});
    ExpectCall(calls[1], 0x40, 0xD0, 0, 0x123, {7, 0, 0, 0});
    ExpectCall(calls[2], 0xC0, 0xD1, 0, 0x8005, {});
    // A short reply zeroes the output and still succeeds.
    port.Script(ioctl::kControlTransfer, ControlReply({0x34, 0x12}, 38 + 63));
    value = -1;
    EXPECT_TRUE(cam->ReadTimingRegister(0x8005, &value, 3000));
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(cam->ReadTimingRegister(0x8005, nullptr, 3000));
}

TEST_F(ControllerRequests, SensorWordsTravelHighByteFirst) {
    ASSERT_TRUE(cam->WriteSensorWord(0x3012, 0xBEEF, 3000));
    port.Script(ioctl::kControlTransfer, ControlReply({0xEF, 0xBE}, 38 + 2));
    int32_t value = -1;
    ASSERT_TRUE(cam->ReadSensorWord(0x3012, &value, 3000));
    EXPECT_EQ(value, 0xBEEF) << "zero-extended";
    const auto calls = ControlCalls(port);
    ExpectCall(calls[0], 0x40, 0x3E, 0, 0, {0x30, 0x12, 0xBE, 0xEF});
    ExpectCall(calls[1], 0xC0, 0x3F, 0x3012, 0, {});
    port.Script(ioctl::kControlTransfer, ControlReply({}, 38));
    value = 99;
    EXPECT_TRUE(cam->ReadSensorWord(1, &value, 3000));
    EXPECT_EQ(value, 99) << "an empty reply leaves the output";
    EXPECT_FALSE(cam->ReadSensorWord(1, nullptr, 3000));
}

TEST_F(ControllerRequests, SromAddressBytesGoHighThenLow) {
    port.Script(ioctl::kControlTransfer, ControlReply({}));
    port.Script(ioctl::kControlTransfer, ControlReply({0x42}));
    uint8_t value = 0;
    ASSERT_TRUE(cam->SromRead(0x1080, &value));
    EXPECT_EQ(value, 0x42);
    ASSERT_TRUE(cam->SromWrite(0x1080, 0x99));
    const auto calls = ControlCalls(port);
    ASSERT_EQ(calls.size(), 3u);
    ExpectCall(calls[0], 0x40, 0x30, 2, 0xA2, {0x10, 0x80});
    ExpectCall(calls[1], 0xC0, 0x31, 1, 0xA3, {});
    ExpectCall(calls[2], 0x40, 0x30, 3, 0xA2, {0x10, 0x80, 0x99});
    port.Script(ioctl::kControlTransfer, ScriptedReply::Failing());
    EXPECT_FALSE(cam->SromWrite(0x1080, 1));
    EXPECT_FALSE(cam->SromRead(0x1080, nullptr));
}

TEST_F(ControllerRequests, InformationBlocksNeedAFullReply) {
    std::vector<uint8_t> info(64);
    for (size_t i = 0; i < info.size(); ++i) {
        info[i] = static_cast<uint8_t>(0x80 + i);
    }
    uint8_t record[64];
    std::memset(record, 0xEE, sizeof(record));
    port.Script(ioctl::kControlTransfer, ControlReply(std::vector<uint8_t>(info.begin(), info.begin() + 10), 38 + 10));
    EXPECT_TRUE(cam->GetDeviceInfo(record)) << "a short reply succeeds";
    EXPECT_EQ(record[0], 0xEE) << "and leaves the record unchanged";
    EXPECT_EQ(record[63], 0xEE);
    port.Script(ioctl::kControlTransfer, ControlReply(info));
    ASSERT_TRUE(cam->GetDeviceInfo(record));
    EXPECT_EQ(std::vector<uint8_t>(record, record + 64), info);
    port.Script(ioctl::kControlTransfer, ControlReply(std::vector<uint8_t>(64, 3)));
    ASSERT_TRUE(cam->GetControllerInfo(record));
    EXPECT_EQ(record[10], 3);
    const auto calls = ControlCalls(port);
    ExpectCall(calls[0], 0xC0, 0xB0, 0, 0, {});
    ExpectCall(calls[2], 0xC0, 0xB1, 0, 0, {});
    EXPECT_FALSE(cam->GetDeviceInfo(nullptr));
    EXPECT_FALSE(cam->GetControllerInfo(nullptr));
}

TEST_F(ControllerRequests, ReadyStateAndTransferWidthReplies) {
    uint8_t state = 7;
    port.Script(ioctl::kControlTransfer, ControlReply({1}, 38 + 1));
    EXPECT_TRUE(cam->GetReadyState(&state));
    EXPECT_EQ(state, 7) << "only a full reply counts";
    port.Script(ioctl::kControlTransfer, ControlReply({1}));
    EXPECT_TRUE(cam->GetReadyState(&state));
    EXPECT_EQ(state, 1);
    uint8_t width = 9;
    port.Script(ioctl::kControlTransfer, ControlReply({1}, 38 + 1));
    EXPECT_TRUE(cam->GetTransferWidth(&width));
    EXPECT_EQ(width, 1) << "any data will do";
    const auto calls = ControlCalls(port);
    ExpectCall(calls[0], 0xC0, 0xC3, 0, 0, {});
    ExpectCall(calls[2], 0xC0, 0x3D, 0, 0, {});
    EXPECT_FALSE(cam->GetReadyState(nullptr));
    EXPECT_FALSE(cam->GetTransferWidth(nullptr));
}

TEST_F(ControllerRequests, StreamCommandsAndPrepareRead) {
    ASSERT_TRUE(cam->ResetStream());
    ASSERT_TRUE(cam->SendEndpointCommand());
    EXPECT_FALSE(cam->PrepareRead(nullptr)) << "no handle given and no stream open";
    EXPECT_EQ(ControlCalls(port).size(), 2u);
    ASSERT_TRUE(cam->OpenStream());
    const int opens = port.OpenHandles();
    ASSERT_TRUE(cam->PrepareRead(nullptr));
    EXPECT_EQ(port.OpenHandles(), opens) << "PrepareRead opens no handle";
    const auto calls = ControlCalls(port);
    ExpectCall(calls[0], 0x40, 0xC0, 0, 0, {});
    ExpectCall(calls[1], 0x42, 0xCC, 0, 0, {});
    ExpectCall(calls[2], 0x42, 0xC2, 0, 0, {});
    EXPECT_EQ(port.IoCalls(ioctl::kControlTransfer)[2].handle, cam->StreamHandle());
    cam->CloseStream();
}

TEST_F(ControllerRequests, UnpluggedCameraFailsAtTheHandleOpen) {
    port.SetUnopenable(path);
    uint8_t value = 0;
    EXPECT_FALSE(cam->FpgaRead(7, &value));
    EXPECT_FALSE(cam->FpgaWrite(7, 1));
    EXPECT_FALSE(cam->SromWrite(0x1080, 1));
    EXPECT_FALSE(cam->ResetStream());
    EXPECT_FALSE(cam->OpenStream());
    EXPECT_TRUE(port.IoCalls(ioctl::kControlTransfer).empty());
    EXPECT_FALSE(cam->SelectDevice(0));
    EXPECT_FALSE(cam->SelectDevice(-1));
    EXPECT_FALSE(cam->SelectDevice(32));
}

TEST_F(ControllerRequests, StreamHandleIsOverlappedAndSelectionClosesItAndHoldsItsOwn) {
    ASSERT_TRUE(cam->OpenStream());
    const platform::DeviceHandle stream = cam->StreamHandle();
    ASSERT_NE(stream, nullptr);
    EXPECT_TRUE(port.Calls().back().overlapped);
    EXPECT_TRUE(cam->OpenStream());
    EXPECT_EQ(cam->StreamHandle(), stream) << "an open stream is kept";
    ASSERT_TRUE(cam->SelectDevice(0));
    EXPECT_EQ(cam->StreamHandle(), nullptr);
    EXPECT_EQ(port.OpenHandles(), 1) << "the selected camera's own handle, held until release";
    EXPECT_FALSE(cam->CloseStream());
    ASSERT_TRUE(cam->SelectDevice(0));
    EXPECT_EQ(port.OpenHandles(), 1) << "selecting again keeps one";
    cam->Release();
    EXPECT_EQ(port.OpenHandles(), 0);
}

TEST_F(ControllerRequests, BufferedTransferUsesTheSixtyFourMegabyteBlock) {
    uint8_t out[16] = {};
    uint32_t length = 77;
    ASSERT_TRUE(cam->OpenStream());
    EXPECT_FALSE(cam->BufferedTransfer(cam->StreamHandle(), out, 16, 0x81, &length)) << "no buffer yet";
    EXPECT_EQ(length, 0u);
    ASSERT_TRUE(cam->InitializeTransferBuffer());
    EXPECT_TRUE(cam->HasTransferBuffer());
    EXPECT_EQ(port.IoCalls(ioctl::kResetParentPort).size(), 1u);
    EXPECT_FALSE(cam->BufferedTransfer(cam->StreamHandle(), out, kMaxTransferBytes + 1, 0x81, &length));
    EXPECT_FALSE(cam->BufferedTransfer(nullptr, out, 16, 0x81, &length));

    ScriptedReply reply;
    reply.data = {0xD0, 0xD1, 0xD2, 0xD3, 0xD4};
    reply.bytes = 38 + 5;
    port.Script(ioctl::kBufferedTransfer, reply);
    ASSERT_TRUE(cam->BufferedTransfer(cam->StreamHandle(), out, 16, 0x81, &length));
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(out[4], 0xD4);
    EXPECT_EQ(out[5], 0);
    const auto calls = port.IoCalls(ioctl::kBufferedTransfer);
    ASSERT_EQ(calls.size(), 1u);
    std::vector<uint8_t> block(38 + 16, 0);
    block[13] = 0x81;
    block[30] = 38;
    block[34] = 16;
    EXPECT_EQ(calls[0].in, block);
    EXPECT_EQ(calls[0].outLength, 38u + 16u);
    // The whole 64 MiB fits.
    auto big = std::make_unique<uint8_t[]>(kMaxTransferBytes);
    ASSERT_TRUE(cam->BufferedTransfer(cam->StreamHandle(), big.get(), kMaxTransferBytes, 0x81, &length));
    EXPECT_EQ(length, kMaxTransferBytes);
    cam->Release();
    EXPECT_FALSE(cam->HasTransferBuffer());
    EXPECT_EQ(cam->StreamHandle(), nullptr);
}

TEST_F(ControllerRequests, AbortPipeAbortsEndpoint81OnTheStream) {
    EXPECT_TRUE(cam->AbortPipe()) << "always reports success";
    EXPECT_TRUE(port.IoCalls(ioctl::kAbortPipe).empty()) << "no stream, nothing sent";
    ASSERT_TRUE(cam->OpenStream());
    EXPECT_TRUE(cam->AbortPipe());
    const auto aborts = port.IoCalls(ioctl::kAbortPipe);
    ASSERT_EQ(aborts.size(), 1u);
    EXPECT_EQ(aborts[0].in, std::vector<uint8_t>{0x81});
    EXPECT_EQ(aborts[0].handle, cam->StreamHandle());
}
