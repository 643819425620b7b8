// The camera head's text channel: line rules, sending, commands, debug mode, the converter's
// start-up, the head settings of S26 and the serial reset of the video-link heads.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "camera/RecordingBusController.h"
#include "camera/sensors/SensorFactory.h"
#include "camera/sensors/SensorS26.h"
#include "camera/sensors/TextChannel.h"
#include "platform/Clock.h"

namespace cam = ovilux::camera;
using ovilux::test::RecordingBusController;

namespace {

std::unique_ptr<cam::CSensorBase> Head(RecordingBusController& bus) { return cam::CreateSensorModel(0x3180, 0, &bus); }

}  // namespace

TEST(TextChannel, ReceiveTextFollowsTheLineRules) {
    struct Row {
        std::string arriving;
        int32_t length;
        int32_t result;
        std::string delivered;
    };
    const std::string long255(255, 'x');
    const Row rows[] = {
        {"OK\r", 16, 4, "OK\r\n"},
        {"OK\r", 2, 4, "OK"},  // the count stays, the copy stops at the caller's length
        {"\nOK\r", 16, 0, ""},
        {"\r", 16, 0, ""},
        {"AB\nCD", 16, 3, "AB\n"},
        {"AB", 16, 2, "AB"},  // the line ends where reading fails
        {"", 16, 0, ""},
        {long255 + "\r", 300, 257, long255 + "\r\n"},  // the longest line still fits its line feed
        {std::string(256, 'y') + "\r", 300, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arriving.substr(0, 8));
        RecordingBusController bus;
        auto head = Head(bus);
        bus.Reply(row.arriving);
        std::string buffer(static_cast<size_t>(row.length) + 1, '#');
        EXPECT_EQ(head->ReceiveText(buffer.data(), row.length), row.result);
        EXPECT_EQ(buffer.substr(0, row.delivered.size()), row.delivered);
        EXPECT_EQ(buffer[row.delivered.size()], '#') << "nothing beyond the delivered characters is written";
    }
    RecordingBusController bus;
    auto head = Head(bus);
    bus.Reply("OK\r");
    EXPECT_EQ(head->ReceiveText(nullptr, 16), 0);
    EXPECT_EQ(bus.replies.size(), 3u) << "without a buffer the reply stays unread";
}

TEST(TextChannel, SendTextStopsAtLengthNulOrFailure) {
    struct Row {
        const char* text;
        int32_t length;
        bool failing;
        int32_t result;
        std::string sent;
    };
    const Row rows[] = {
        {"abc", 2, false, 1, "ab"}, {"a\0c", 3, false, 1, "a"}, {"abc", 0, false, 0, ""}, {nullptr, 3, false, 0, ""},
        {"abc", 3, true, 0, ""},
    };
    for (const Row& row : rows) {
        RecordingBusController bus;
        bus.failWrites = row.failing;
        EXPECT_EQ(Head(bus)->SendText(row.text, row.length), row.result);
        EXPECT_EQ(bus.SentText(), row.sent);
    }
}

TEST(TextChannel, HeadSettingsAreClampedCommands) {
    RecordingBusController bus;
    auto head = Head(bus);
    ASSERT_EQ(head->SetGlobalGain(300), 1);
    ASSERT_EQ(head->SetShutterLines(2000000), 1);
    EXPECT_EQ(bus.SentText(), "g -v 255\ni -v 1000000\n");
    int32_t value = 0;
    EXPECT_EQ(head->GetGlobalGain(&value), 1);
    EXPECT_EQ(value, 255);
    EXPECT_EQ(head->GetShutterLines(&value), 1);
    EXPECT_EQ(value, 1000000);
    bus.failWrites = true;
    EXPECT_EQ(head->SetGlobalGain(7), 1) << "the command was built; the head's reply is not awaited";
    EXPECT_EQ(head->SetGlobalGain(-1), 0);
}

TEST(TextChannel, HeadFpgaWritesEnterDebugModeOnce) {
    RecordingBusController bus;
    ovilux::platform::CriticalSection lock;
    cam::CRegisterPath path(&bus, 0x48, cam::RegisterPathKind::Address16Value8, lock);
    cam::CTextChannel channel(path);
    const bool wasOff = cam::CTextChannel::DebugMode() == 0;
    EXPECT_EQ(channel.WriteHeadFpga(0x130, 0x1FF), 1);
    EXPECT_EQ(channel.WriteHeadFpga(0x3C, 1), 1);
    const std::string writes = "q -w x30 xff\nq -w x3c x01\n";
    EXPECT_EQ(bus.SentText(), wasOff ? "d -y 5820376\r\n" + writes : writes);
    EXPECT_EQ(cam::CTextChannel::DebugMode(), 1);

    RecordingBusController headBus;
    EXPECT_EQ(Head(headBus)->SetTriggerMode(1), 1);
    EXPECT_EQ(headBus.SentText(), "q -w x30 x01\nq -w x3c x00\nq -w x3c x01\n") << "debug mode is the process's";
}

TEST(TextChannel, SecondaryInitSelectsTheConverterAndStartsTheHead) {
    RecordingBusController bus;
    auto head = Head(bus);
    EXPECT_EQ(head->Probe(), 0);
    ASSERT_EQ(head->SecondaryInit(), 1);
    EXPECT_EQ(bus.SentText(), "n\r\nx -c\r\n");
    EXPECT_EQ(bus.fpga[60], 2);
    EXPECT_EQ(head->Probe(), 1);

    RecordingBusController deaf;
    deaf.onFpgaWrite = [&deaf](uint8_t reg, uint8_t) { deaf.fpga[reg] = 0; };
    EXPECT_EQ(Head(deaf)->SecondaryInit(), 0);
    EXPECT_EQ(deaf.fpgaWrites.size(), 10u) << "ten tries, then it gives up";
    EXPECT_EQ(deaf.SentText(), "");
}

TEST(TextChannel, SerialResetRunsInTheInitialisationOfTheVideoHeads) {
    for (int32_t product : {0x31C0, 0x31B0, 0x31B4, 0x31F0, 0x32E0, 0x32F0}) {
        RecordingBusController bus;
        bus.onFpgaWrite = [&bus](uint8_t reg, uint8_t value) {
            if (reg == 129 && value == 0) {
                bus.fpga[129] = 0x02;  // the video link reports ready after the pulse
            }
        };
        EXPECT_EQ(cam::CreateSensorModel(product, 0, &bus)->Initialize(), 1) << std::hex << product;
        EXPECT_EQ(bus.fpgaWrites, (std::vector<std::pair<uint8_t, uint8_t>>{{129, 1}, {129, 0}}));
    }
    RecordingBusController ready;
    ready.fpga[129] = 0x02;
    EXPECT_EQ(cam::CreateSensorModel(0x31C0, 0, &ready)->Initialize(), 1);
    EXPECT_TRUE(ready.fpgaWrites.empty()) << "a ready link needs no pulse";
}

TEST(TextChannel, SerialResetGivesUpAfterFiveSeconds) {
    RecordingBusController bus;
    auto model = cam::CreateSensorModel(0x32F0, 0, &bus);
    const uint32_t start = ovilux::platform::TimeGetTime();
    EXPECT_EQ(model->Initialize(), 0);
    const uint32_t elapsed = ovilux::platform::ElapsedMs(start, ovilux::platform::TimeGetTime());
    EXPECT_GE(elapsed, 5200u);
    EXPECT_LT(elapsed, 15000u);
}
