// The driver's request blocks and the frame header, byte for byte.
#include <gtest/gtest.h>

#include <vector>

#include "usb/TransferLayout.h"

using namespace ovilux::usb;

namespace {

std::vector<uint8_t> Bytes(const uint8_t* data, size_t count) { return std::vector<uint8_t>(data, data + count); }

}  // namespace

TEST(TransferLayout, ControlBlockCarriesTheWholeBlockLengthAndTheFixedFields) {
    const uint8_t data[3] = {0x6C, 0x00, 0x01};
    ControlBlock block;
    block.fill(0xEE);
    ASSERT_TRUE(BuildControlBlock(0x40, 0x30, 0x0003, 0x0040, data, 3, block));
    const std::vector<uint8_t> expected = {
        0x40, 0x30,              // request type, request
        0x03, 0x00,              // value
        0x40, 0x00,              // index
        0x66, 0x00,              // length: the whole 102-byte block
        0xB8, 0x0B, 0x00, 0x00,  // timeout 3000
        0x00,                    // reserved
        0x00,                    // endpoint 0
        0, 0, 0, 0,              // NT status
        0, 0, 0, 0,              // USBD status
        0, 0, 0, 0,              // isochronous packet offset
        0, 0, 0, 0,              // isochronous packet length
        0x26, 0x00, 0x00, 0x00,  // buffer offset 38
        0x40, 0x00, 0x00, 0x00,  // buffer length 64
    };
    EXPECT_EQ(Bytes(block.data(), 38), expected);
    EXPECT_EQ(block[38], 0x6C);
    EXPECT_EQ(block[39], 0x00);
    EXPECT_EQ(block[40], 0x01);
    for (size_t i = 41; i < block.size(); ++i) {
        ASSERT_EQ(block[i], 0) << "data byte " << i - 38;
    }
}

TEST(TransferLayout, ControlBlockTakesAtMostSixtyFourDataBytes) {
    std::vector<uint8_t> data(65, 0xA5);
    ControlBlock block;
    block.fill(0x11);
    EXPECT_FALSE(BuildControlBlock(0x40, 0x30, 65, 0x40, data.data(), 65, block));
    EXPECT_EQ(block[0], 0x11) << "a refused block is left alone";
    EXPECT_FALSE(BuildControlBlock(0x40, 0x30, 1, 0x40, nullptr, 1, block));
    ASSERT_TRUE(BuildControlBlock(0x40, 0x30, 64, 0x40, data.data(), 64, block));
    EXPECT_EQ(block[38 + 63], 0xA5);
    ASSERT_TRUE(BuildControlBlock(0xC0, 0xB0, 0, 0, nullptr, 0, block));
    EXPECT_EQ(block[0], 0xC0);
    EXPECT_EQ(block[1], 0xB0);
}

TEST(TransferLayout, HeaderFieldsRoundTripAtTheirOffsets) {
    TransferHeader header;
    header.requestType = 0xC0;
    header.request = 0xD1;
    header.value = 0x1234;
    header.index = 0x8005;
    header.length = 102;
    header.timeout = 0x01020304;
    header.endpoint = 0x81;
    header.ntStatus = 0xC0000001;
    header.usbdStatus = 0x80000300;
    header.isoPacketOffset = 7;
    header.isoPacketLength = 9;
    header.bufferOffset = 38;
    header.bufferLength = 0x4000000;
    uint8_t raw[38];
    EncodeTransferHeader(header, raw);
    EXPECT_EQ(raw[2], 0x34);
    EXPECT_EQ(raw[3], 0x12);
    EXPECT_EQ(raw[4], 0x05);
    EXPECT_EQ(raw[5], 0x80);
    EXPECT_EQ(raw[8], 0x04);
    EXPECT_EQ(raw[11], 0x01);
    EXPECT_EQ(raw[12], 0x00);
    EXPECT_EQ(raw[13], 0x81);
    EXPECT_EQ(raw[14], 0x01);
    EXPECT_EQ(raw[17], 0xC0);
    EXPECT_EQ(raw[21], 0x80);
    EXPECT_EQ(raw[22], 7);
    EXPECT_EQ(raw[26], 9);
    EXPECT_EQ(raw[30], 38);
    EXPECT_EQ(raw[37], 0x04);
    const TransferHeader back = DecodeTransferHeader(raw);
    EXPECT_EQ(back.value, 0x1234);
    EXPECT_EQ(back.index, 0x8005);
    EXPECT_EQ(back.timeout, 0x01020304u);
    EXPECT_EQ(back.ntStatus, 0xC0000001u);
    EXPECT_EQ(back.usbdStatus, 0x80000300u);
    EXPECT_EQ(back.bufferLength, 0x4000000u);
}

TEST(TransferLayout, BulkAndDirectHeadersAreZeroButTheirFields) {
    uint8_t buffered[38];
    EncodeBufferedHeader(0x81, 0x00123456, buffered);
    std::vector<uint8_t> expected(38, 0);
    expected[13] = 0x81;
    expected[30] = 38;
    expected[34] = 0x56;
    expected[35] = 0x34;
    expected[36] = 0x12;
    EXPECT_EQ(Bytes(buffered, 38), expected);

    uint8_t direct[38];
    EncodeDirectHeader(0x83, direct);
    std::vector<uint8_t> directExpected(38, 0);
    directExpected[13] = 0x83;
    EXPECT_EQ(Bytes(direct, 38), directExpected);
}

TEST(TransferLayout, ReplyDataLengthDropsTheHeaderOnlyWhenThereIsOne) {
    EXPECT_EQ(ControlReplyDataLength(102), 64u);
    EXPECT_EQ(ControlReplyDataLength(38), 0u);
    EXPECT_EQ(ControlReplyDataLength(40), 2u);
    EXPECT_EQ(ControlReplyDataLength(37), 37u);
    EXPECT_EQ(ControlReplyDataLength(0), 0u);
}

TEST(TransferLayout, FrameHeaderGivesPayloadCountAndFrameCount) {
    uint8_t header[64] = {};
    header[16] = 0x01;
    header[17] = 0x00;
    header[18] = 0x08;
    header[19] = 0x00;
    header[32] = 0xFE;
    header[35] = 0x7F;
    EXPECT_EQ(FramePayloadCount(header), 0x80001u);
    EXPECT_EQ(FrameHeaderCount(header), 0x7F0000FEu);
}
