// SimulatedCameraFixture.h - a camera device object opened on a simulated M03 in fast mode; other
// products of the family can be opened beside it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "camera/OviluxUXBase.h"
#include "sim/SimCamera.h"
#include "sim/SimulatedBus.h"

namespace ovilux::test {

class SimulatedCameraFixture : public ::testing::Test {
protected:
    static constexpr int32_t kM03 = 0x3030;

    void SetUp() override {
        bus().SetSpeed(sim::SimSpeed::Fast);
        port = bus().Attach(kM03, -1);
        ASSERT_GE(port, 0);
        device = Open(0);
        ASSERT_NE(device, nullptr);
    }

    void TearDown() override {
        device.reset();
        for (int32_t p : ports) {
            bus().Detach(p);
        }
        bus().Detach(port);
    }

    static sim::CSimulatedBus& bus() { return sim::CSimulatedBus::Instance(); }
    std::shared_ptr<sim::CSimCamera> camera() { return bus().Camera(port); }

    // A device object opened on the index-th camera of a product present on this process's bus. The device
    // table is shared with other test processes, so device numbers are found, not assumed.
    std::unique_ptr<camera::COviluxUXSimpleSdk> Open(int32_t index, int32_t productId = kM03) {
        auto opened = std::make_unique<camera::COviluxUXSimpleSdk>();
        opened->SetDriverPort(&bus());
        opened->CreateController(nullptr, nullptr);
        opened->SetProductId(productId);
        opened->CountDevices(productId);
        for (int32_t number = 0; number < 32; ++number) {
            if (opened->IsDeviceNumberValid(number) && index-- == 0) {
                return opened->OpenDevice(number) ? std::move(opened) : nullptr;
            }
        }
        return nullptr;
    }

    // The frame the device hands out now, in stored row order.
    std::vector<uint8_t> NextFrame(camera::COviluxUXBase& from, size_t bytes) {
        std::vector<uint8_t> frame(bytes);
        EXPECT_EQ(from.GetNextFrame(frame.data(), static_cast<int32_t>(bytes), 0, 0, 1), 0);
        return frame;
    }

    int32_t port = -1;
    std::vector<int32_t> ports;  // further cameras a test attached
    std::unique_ptr<camera::COviluxUXSimpleSdk> device;
};

}  // namespace ovilux::test
