// The controller's frame reads and direct transfers: chunking, header retries with their
// reset pulses, and requests that outlast their wait being ended before their memory goes.
#include <cstring>
#include <vector>

#include "platform/Clock.h"
#include "usb/ControllerFixture.h"
#include "usb/TransferLayout.h"

using namespace ovilux;
using namespace ovilux::usb;
using test::ControlCall;
using test::ControlCalls;
using test::RecordedCall;
using test::ScriptedReply;
namespace ioctl = platform::fx3_ioctl;

namespace {

class ControllerFrames : public test::ControllerFixture {
protected:
    void SetUp() override {
        ControllerFixture::SetUp();
        ASSERT_TRUE(cam->InitializeTransferBuffer());
        port.ClearCalls();
        std::memset(&descriptor, 0, sizeof(descriptor));
        raw.assign(0x180000, 0);
        descriptor.buffer = raw.data();
        descriptor.capacity = static_cast<uint32_t>(raw.size());
    }
    void Announce(uint32_t payload) {
        descriptor.header[16] = static_cast<uint8_t>(payload);
        descriptor.header[17] = static_cast<uint8_t>(payload >> 8);
        descriptor.header[18] = static_cast<uint8_t>(payload >> 16);
        descriptor.header[19] = static_cast<uint8_t>(payload >> 24);
    }
    std::vector<uint32_t> DirectLengths(uint8_t endpoint) const {
        std::vector<uint32_t> lengths;
        for (const RecordedCall& call : port.IoCalls(ioctl::kDirectTransfer)) {
            EXPECT_EQ(call.in.size(), 38u);
            EXPECT_EQ(call.in[13], endpoint);
            lengths.push_back(call.outLength);
        }
        return lengths;
    }
    int CountCalls(RecordedCall::Kind kind) const {
        int count = 0;
        for (const RecordedCall& call : port.Calls()) {
            count += call.kind == kind ? 1 : 0;
        }
        return count;
    }
    static ScriptedReply Stalled() {
        ScriptedReply reply;
        reply.usbdStatus = 0xC0000004;
        return reply;
    }
    static ScriptedReply Hanging(ScriptedReply::Completion how) {
        ScriptedReply reply;
        reply.completion = how;
        return reply;
    }

    FrameDescriptor descriptor;
    std::vector<uint8_t> raw;
};

bool IsPrepareRead(const ControlCall& call) { return call.requestType == 0x42 && call.request == 0xC2; }

bool IsResetWrite(const ControlCall& call, uint8_t value) {
    return call.requestType == 0x40 && call.request == 0x30 && call.index == 0x40 && call.value == 3 &&
           call.data[0] == 108 && call.data[1] == 0 && call.data[2] == value;
}

}  // namespace

TEST_F(ControllerFrames, PayloadOfExactlyOneChunkIsOneTransfer) {
    Announce(0x80000);
    ASSERT_TRUE(cam->ReadFramePayload(&descriptor, 3000));
    EXPECT_EQ(DirectLengths(0x81), std::vector<uint32_t>{0x80000});
    EXPECT_EQ(cam->StreamHandle(), nullptr) << "a stream the call opened is closed again";
}

TEST_F(ControllerFrames, OneByteMoreIsAChunkAndAOneByteTransfer) {
    Announce(0x80001);
    ScriptedReply first;
    first.data.assign(0x80000, 0x11);
    ScriptedReply last;
    last.data = {0x22};
    port.Script(ioctl::kDirectTransfer, first);
    port.Script(ioctl::kDirectTransfer, last);
    ASSERT_TRUE(cam->OpenStream());
    ASSERT_TRUE(cam->ReadFramePayload(&descriptor, 3000));
    EXPECT_EQ(DirectLengths(0x81), (std::vector<uint32_t>{0x80000, 1}));
    EXPECT_EQ(raw[0x7FFFF], 0x11);
    EXPECT_EQ(raw[0x80000], 0x22) << "the remainder lands after the chunk";
    EXPECT_EQ(raw[0x80001], 0);
    EXPECT_NE(cam->StreamHandle(), nullptr) << "a stream that was open stays open";
    for (const RecordedCall& call : port.IoCalls(ioctl::kDirectTransfer)) {
        EXPECT_EQ(call.handle, cam->StreamHandle());
    }
    cam->CloseStream();
}

TEST_F(ControllerFrames, PayloadBiggerThanTheBufferFailsUnread) {
    Announce(static_cast<uint32_t>(raw.size()) + 1);
    EXPECT_FALSE(cam->ReadFramePayload(&descriptor, 3000));
    EXPECT_TRUE(port.IoCalls(ioctl::kDirectTransfer).empty());
    EXPECT_EQ(cam->StreamHandle(), nullptr);
    Announce(0);
    EXPECT_TRUE(cam->ReadFramePayload(&descriptor, 3000)) << "an empty payload reads nothing";
    EXPECT_TRUE(port.IoCalls(ioctl::kDirectTransfer).empty());
    EXPECT_FALSE(cam->ReadFramePayload(nullptr, 3000));
    descriptor.buffer = nullptr;
    Announce(10);
    EXPECT_FALSE(cam->ReadFramePayload(&descriptor, 3000));
}

TEST_F(ControllerFrames, FirstFailingChunkFailsThePayload) {
    Announce(3 * 0x80000);
    port.Script(ioctl::kDirectTransfer, ScriptedReply{});
    port.Script(ioctl::kDirectTransfer, Stalled());
    EXPECT_FALSE(cam->ReadFramePayload(&descriptor, 3000));
    EXPECT_EQ(DirectLengths(0x81).size(), 2u);
}

// A chunk that ends short cuts the frame off: the buffer past it holds the last frame's bytes,
// so the payload fails there, says how much came, and reads no further chunk.
TEST_F(ControllerFrames, AShortChunkFailsThePayloadWhereItEnds) {
    Announce(0x80000 + 10);
    ScriptedReply shortChunk;
    shortChunk.bytes = 100;
    port.Script(ioctl::kDirectTransfer, shortChunk);
    EXPECT_FALSE(cam->ReadFramePayload(&descriptor, 3000));
    EXPECT_EQ(DirectLengths(0x81).size(), 1u);
    EXPECT_EQ(descriptor.receivedBytes, 100u);

    ScriptedReply shortRemainder;
    shortRemainder.bytes = 9;
    port.Script(ioctl::kDirectTransfer, ScriptedReply{});
    port.Script(ioctl::kDirectTransfer, shortRemainder);
    EXPECT_FALSE(cam->ReadFramePayload(&descriptor, 3000)) << "the last, partial chunk counts as well";
    EXPECT_EQ(descriptor.receivedBytes, 0x80000u + 9);
    EXPECT_TRUE(cam->ReadFramePayload(&descriptor, 3000)) << "whole chunks read whole";
    EXPECT_EQ(descriptor.receivedBytes, 0x80000u + 10);
}

// A header read that comes short is no header; a zero-length packet before it (the end of the
// last transfer) is read past without a reset of the camera's frame logic.
TEST_F(ControllerFrames, AHeaderIsReadWholeAndAZeroLengthPacketBeforeItIsSkipped) {
    ScriptedReply empty;
    empty.bytes = 0;
    ScriptedReply header;
    header.data.assign(64, 0);
    header.data[16] = 0x40;  // a payload of 64 bytes
    header.data[32] = 7;     // frame 7
    port.Script(ioctl::kDirectTransfer, empty);
    port.Script(ioctl::kDirectTransfer, header);
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(descriptor.frameCount, 7u);
    EXPECT_EQ(DirectLengths(0x81).size(), 2u);
    const auto resets = [this] {
        int count = 0;
        for (const ControlCall& call : ControlCalls(port)) {
            count += IsResetWrite(call, 1) ? 1 : 0;
        }
        return count;
    };
    EXPECT_EQ(resets(), 0) << "no reset for a zero-length packet";

    ScriptedReply half;
    half.bytes = 32;
    port.Script(ioctl::kDirectTransfer, half);
    port.Script(ioctl::kDirectTransfer, header);
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(resets(), 1) << "half a header is a missed header";
}

TEST_F(ControllerFrames, ChunkThatOutlastsItsTimeoutIsAbortedAndWaitedFor) {
    Announce(64);
    port.Script(ioctl::kDirectTransfer, Hanging(ScriptedReply::Completion::Pending));
    ASSERT_TRUE(cam->OpenStream());
    const uint32_t start = platform::TimeGetTime();
    EXPECT_FALSE(cam->ReadFramePayload(&descriptor, 40));
    EXPECT_GE(platform::ElapsedMs(start, platform::TimeGetTime()), 35u);
    const auto aborts = port.IoCalls(ioctl::kAbortPipe);
    ASSERT_EQ(aborts.size(), 1u);
    EXPECT_EQ(aborts[0].in, std::vector<uint8_t>{0x81});
    EXPECT_EQ(aborts[0].handle, cam->StreamHandle());
    EXPECT_EQ(port.Outstanding(), 0);
    EXPECT_NE(cam->StreamHandle(), nullptr);
    cam->CloseStream();
}

TEST_F(ControllerFrames, HeaderIsReadAfterPrepareReadAndKeepsTheStreamOpen) {
    ScriptedReply header;
    header.data.assign(64, 0);
    header.data[16] = 0x01;
    header.data[18] = 0x08;  // 0x80001 bytes follow
    header.data[32] = 0x2A;
    header.data[33] = 0x01;
    port.Script(ioctl::kDirectTransfer, header);
    descriptor.header[0] = 0xEE;
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(descriptor.header[0], 0) << "the whole header is copied";
    EXPECT_EQ(FramePayloadCount(descriptor.header), 0x80001u);
    EXPECT_EQ(descriptor.frameCount, 0x12Au);
    EXPECT_NE(cam->StreamHandle(), nullptr);
    const auto controls = ControlCalls(port);
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_TRUE(IsPrepareRead(controls[0]));
    EXPECT_EQ(DirectLengths(0x81), std::vector<uint32_t>{64});
    // The first call of a stream opened it overlapped, before anything was sent.
    const auto calls = port.Calls();
    ASSERT_EQ(calls[0].kind, RecordedCall::Kind::Open);
    EXPECT_TRUE(calls[0].overlapped);
    cam->CloseStream();
    EXPECT_FALSE(cam->ReadFrameHeader(nullptr, 0));
}

TEST_F(ControllerFrames, ThirtyHeaderAttemptsEachWithItsResetPulse) {
    port.ScriptMany(ioctl::kDirectTransfer, Stalled(), 30);
    EXPECT_FALSE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(DirectLengths(0x81), std::vector<uint32_t>(30, 64));
    const auto controls = ControlCalls(port);
    ASSERT_EQ(controls.size(), 1u + 30 * 3);
    EXPECT_TRUE(IsPrepareRead(controls[0]));
    for (int attempt = 0; attempt < 30; ++attempt) {
        SCOPED_TRACE(attempt);
        EXPECT_TRUE(IsResetWrite(controls[1 + attempt * 3], 1));
        EXPECT_TRUE(IsResetWrite(controls[2 + attempt * 3], 0));
        EXPECT_TRUE(IsPrepareRead(controls[3 + attempt * 3]));
    }
    // Each pulse follows its attempt.
    const auto calls = port.Calls();
    int transfers = 0;
    int pulsesSeen = 0;
    for (const RecordedCall& call : calls) {
        if (call.kind != RecordedCall::Kind::IoControl) {
            continue;
        }
        if (call.code == ioctl::kDirectTransfer) {
            ASSERT_EQ(pulsesSeen, transfers) << "a transfer before the previous pulse";
            ++transfers;
        } else if (call.code == ioctl::kControlTransfer && IsResetWrite(test::DecodeControlCall(call), 0)) {
            ++pulsesSeen;
        }
    }
    EXPECT_EQ(cam->StreamHandle(), nullptr) << "the stream it opened is closed";
}

TEST_F(ControllerFrames, HeaderThatComesLateEndsTheRetries) {
    port.Script(ioctl::kDirectTransfer, Stalled());
    port.Script(ioctl::kDirectTransfer, Hanging(ScriptedReply::Completion::Pending));  // times out after 100 ms
    ASSERT_TRUE(cam->OpenStream());
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(DirectLengths(0x81).size(), 3u);
    EXPECT_EQ(port.IoCalls(ioctl::kAbortPipe).size(), 1u);
    EXPECT_EQ(ControlCalls(port).size(), 1u + 2 * 3);
    EXPECT_NE(cam->StreamHandle(), nullptr);
    cam->CloseStream();
}

// A header whose bytes come just as its wait runs out is the camera's frame all the same: kept,
// with no reset pulse and no second attempt that would read the next frame's header instead.
TEST_F(ControllerFrames, AHeaderThatLandsAsItsWaitEndsIsKept) {
    ScriptedReply header = Hanging(ScriptedReply::Completion::LandsAtAbort);
    header.data.assign(64, 0);
    header.data[16] = 0x40;
    header.data[32] = 9;
    port.Script(ioctl::kDirectTransfer, header);
    ASSERT_TRUE(cam->OpenStream());
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(descriptor.frameCount, 9u);
    EXPECT_EQ(FramePayloadCount(descriptor.header), 0x40u);
    EXPECT_EQ(DirectLengths(0x81).size(), 1u);
    EXPECT_EQ(port.IoCalls(ioctl::kAbortPipe).size(), 1u);
    EXPECT_EQ(ControlCalls(port).size(), 1u) << "only the read's preparation, no reset pulse";
    EXPECT_EQ(port.Outstanding(), 0);

    // A payload chunk that lands so is kept too; one that is really cut off still fails.
    Announce(64);
    ScriptedReply chunk = Hanging(ScriptedReply::Completion::LandsAtAbort);
    port.Script(ioctl::kDirectTransfer, chunk);
    EXPECT_TRUE(cam->ReadFramePayload(&descriptor, 40));
    EXPECT_EQ(descriptor.receivedBytes, 64u);
    port.Script(ioctl::kDirectTransfer, Hanging(ScriptedReply::Completion::Pending));
    EXPECT_FALSE(cam->ReadFramePayload(&descriptor, 40));
    cam->CloseStream();
}

TEST_F(ControllerFrames, FailedPrepareReadEndsTheHeaderRead) {
    port.Script(ioctl::kControlTransfer, ScriptedReply::Failing());
    EXPECT_FALSE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_TRUE(port.IoCalls(ioctl::kDirectTransfer).empty());
    EXPECT_EQ(cam->StreamHandle(), nullptr);

    // After an attempt: PrepareRead is the third control request (after the two pulse writes).
    port.ClearCalls();
    port.Script(ioctl::kDirectTransfer, Stalled());
    port.Script(ioctl::kControlTransfer, ScriptedReply{});
    port.Script(ioctl::kControlTransfer, ScriptedReply{});
    port.Script(ioctl::kControlTransfer, ScriptedReply{});
    port.Script(ioctl::kControlTransfer, ScriptedReply::Failing());
    ASSERT_TRUE(cam->OpenStream());
    EXPECT_FALSE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(DirectLengths(0x81).size(), 1u);
    EXPECT_NE(cam->StreamHandle(), nullptr) << "a stream that was open stays open";
    cam->CloseStream();

    port.SetUnopenable(path);
    EXPECT_FALSE(cam->ReadFrameHeader(&descriptor, 0)) << "no stream to open";
}

TEST_F(ControllerFrames, DirectFrameReadsExpectedBytesFromEndpoint83) {
    descriptor.expectedBytes = 5000;
    ASSERT_TRUE(cam->ReadFrameDirect(&descriptor, 0));
    EXPECT_EQ(DirectLengths(0x83), std::vector<uint32_t>{5000});
    const auto controls = ControlCalls(port);
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_TRUE(IsPrepareRead(controls[0]));
    EXPECT_EQ(port.IoCalls(ioctl::kControlTransfer)[0].handle, cam->StreamHandle());
    EXPECT_NE(cam->StreamHandle(), nullptr);

    ScriptedReply shortFrame;
    shortFrame.bytes = 4999;
    port.Script(ioctl::kDirectTransfer, shortFrame);
    EXPECT_FALSE(cam->ReadFrameDirect(&descriptor, 0)) << "a short frame fails";
    EXPECT_NE(cam->StreamHandle(), nullptr) << "but keeps the stream";

    port.Script(ioctl::kDirectTransfer, Stalled());
    cam->CloseStream();
    EXPECT_FALSE(cam->ReadFrameDirect(&descriptor, 0));
    EXPECT_EQ(cam->StreamHandle(), nullptr) << "a failed read closes the stream it opened";
}

TEST_F(ControllerFrames, DirectFrameLargerThanTheBufferIsRefused) {
    descriptor.expectedBytes = descriptor.capacity + 1;
    EXPECT_FALSE(cam->ReadFrameDirect(&descriptor, 0));
    EXPECT_TRUE(port.IoCalls(ioctl::kDirectTransfer).empty());
    EXPECT_EQ(cam->StreamHandle(), nullptr);
    EXPECT_FALSE(cam->ReadFrameDirect(nullptr, 0));
}

TEST_F(ControllerFrames, DirectTransferRefusesWhatItCannotDo) {
    ASSERT_TRUE(cam->OpenStream());
    uint32_t bytes = 5;
    EXPECT_FALSE(cam->DirectTransfer(nullptr, raw.data(), 64, 0x81, &bytes, 100));
    EXPECT_EQ(bytes, 0u);
    EXPECT_FALSE(cam->DirectTransfer(cam->StreamHandle(), raw.data(), kMaxTransferBytes + 1, 0x81, &bytes, 100));
    EXPECT_FALSE(cam->DirectTransfer(cam->StreamHandle(), nullptr, 64, 0x81, &bytes, 100));
    EXPECT_FALSE(cam->DirectTransferLong(cam->StreamHandle(), raw.data(), kMaxTransferBytes + 1, 0x83, &bytes));
    cam->Release();
    ASSERT_TRUE(cam->OpenStream());
    EXPECT_FALSE(cam->DirectTransfer(cam->StreamHandle(), raw.data(), 64, 0x81, &bytes, 100))
        << "no transfer buffer allocated";
    EXPECT_TRUE(port.IoCalls(ioctl::kDirectTransfer).empty());
    cam->CloseStream();
}

TEST_F(ControllerFrames, DirectTransferThatNeverStartedFailsAtOnce) {
    ASSERT_TRUE(cam->OpenStream());
    const ScriptedReply unplugged = ScriptedReply::Failing(platform::win32_error::kDeviceNotConnected);
    port.Script(ioctl::kDirectTransfer, unplugged);
    uint32_t bytes = 0;
    const uint32_t start = platform::TimeGetTime();
    EXPECT_FALSE(cam->DirectTransfer(cam->StreamHandle(), raw.data(), 64, 0x81, &bytes, 2000));
    EXPECT_LT(platform::ElapsedMs(start, platform::TimeGetTime()), 1000u) << "nothing in flight to wait for";
    EXPECT_EQ(cam->LastError(), platform::win32_error::kDeviceNotConnected);
    EXPECT_TRUE(port.IoCalls(ioctl::kAbortPipe).empty());
    cam->CloseStream();
}

TEST_F(ControllerFrames, DirectTransferDeafToAbortsIsAbortedTwiceThenCancelled) {
    ASSERT_TRUE(cam->OpenStream());
    port.Script(ioctl::kDirectTransfer, Hanging(ScriptedReply::Completion::Stuck));
    uint32_t bytes = 9;
    auto buffer = std::make_unique<uint8_t[]>(64);
    EXPECT_FALSE(cam->DirectTransfer(cam->StreamHandle(), buffer.get(), 64, 0x81, &bytes, 20));
    buffer.reset();
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(port.IoCalls(ioctl::kAbortPipe).size(), 2u);
    EXPECT_EQ(CountCalls(RecordedCall::Kind::CancelIo), 1);
    EXPECT_EQ(port.Outstanding(), 0);
    cam->CloseStream();
}

TEST_F(ControllerFrames, DirectTransferLongCancelsARequestThatOutlastsFiveSeconds) {
    ASSERT_TRUE(cam->OpenStream());
    port.Script(ioctl::kDirectTransfer, Hanging(ScriptedReply::Completion::Stuck));
    auto buffer = std::make_unique<uint8_t[]>(4096);
    uint32_t bytes = 9;
    const uint32_t start = platform::TimeGetTime();
    EXPECT_FALSE(cam->DirectTransferLong(cam->StreamHandle(), buffer.get(), 4096, 0x83, &bytes));
    EXPECT_GE(platform::ElapsedMs(start, platform::TimeGetTime()), kDirectTransferLongWaitMs - 50);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(port.Outstanding(), 0) << "completed before the buffer could go";
    buffer.reset();
    const auto aborts = port.IoCalls(ioctl::kAbortPipe);
    ASSERT_FALSE(aborts.empty());
    EXPECT_EQ(aborts[0].in, std::vector<uint8_t>{0x83}) << "its own endpoint";
    EXPECT_EQ(CountCalls(RecordedCall::Kind::CancelIo), 1);
    EXPECT_TRUE(IsPrepareRead(ControlCalls(port)[0]));
    cam->CloseStream();
}
