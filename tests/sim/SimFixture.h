// SimFixture.h - a simulated camera plugged into the bus for one test, with the host's handles
// open on it.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/DriverPort.h"
#include "sim/SimCamera.h"
#include "sim/SimHost.h"
#include "sim/SimulatedBus.h"

namespace ovilux::simtest {

class SimCameraTest : public ::testing::Test {
protected:
    virtual sim::SimSpeed Speed() const { return sim::SimSpeed::Fast; }

    void SetUp() override {
        bus_.SetSpeed(Speed());
        port_ = bus_.Attach(0x3030, OVILUX_ANY_PORT);
        ASSERT_GE(port_, 0);
        camera_ = bus_.Camera(port_);
        host_ = std::make_unique<SimHost>(platform::ActiveDriverPort());
        ASSERT_TRUE(host_->Open(camera_->Path()));
    }

    void TearDown() override {
        host_.reset();
        camera_.reset();
        bus_.Detach(port_);
    }

    // Another camera with its own host, for comparing frames.
    int32_t AttachSecond(std::unique_ptr<SimHost>& host) {
        const int32_t port = bus_.Attach(0x3030, OVILUX_ANY_PORT);
        host = std::make_unique<SimHost>(platform::ActiveDriverPort());
        if (port < 0 || !host->Open(bus_.Camera(port)->Path())) {
            return -1;
        }
        return port;
    }

    static constexpr int32_t OVILUX_ANY_PORT = -1;
    sim::CSimulatedBus& bus_ = sim::CSimulatedBus::Instance();
    int32_t port_ = -1;
    std::shared_ptr<sim::CSimCamera> camera_;
    std::unique_ptr<SimHost> host_;
};

}  // namespace ovilux::simtest
