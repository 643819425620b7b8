// ControllerFixture.h - a controller on a recording port with one M03 camera selected.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "usb/OviCy3Cam.h"
#include "usb/TransportTestSupport.h"

namespace ovilux::test {

class ControllerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        port.SetInterfaces({path});
        cam = std::make_unique<usb::COviCy3Cam>(port, nullptr, tableName.c_str());
        ASSERT_EQ(cam->EnumerateDevices(), 1);
        ASSERT_TRUE(cam->SelectDevice(0));
        port.ClearCalls();
    }
    void TearDown() override {
        cam.reset();
        EXPECT_EQ(port.OpenHandles(), 0) << "every handle the controller opened was closed";
        EXPECT_EQ(port.Outstanding(), 0) << "no request outlives the controller";
    }
    // A reply to a control block whose data part is the given bytes.
    static ScriptedReply ControlReply(std::vector<uint8_t> data, int64_t bytes = 102) {
        ScriptedReply reply;
        reply.data = std::move(data);
        reply.bytes = bytes;
        return reply;
    }

    RecordingDriverPort port;
    std::string tableName = UniqueTableName("cam");
    std::string path = InterfacePath(0x04B4, 0x3030, "6&abcd&0&1");
    std::unique_ptr<usb::COviCy3Cam> cam;
};

}  // namespace ovilux::test
