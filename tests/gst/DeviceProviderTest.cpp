// DeviceProviderTest.cpp - the device monitor lists the simulated cameras as Video/Source
// devices, tells of one plugged in and one unplugged, and makes a source on the camera listed.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <string>

#include "GstCamera.h"
#include "OviluxSim.h"
#include "support/Patience.h"

namespace ovilux::test {
namespace {

std::string NameOf(GstDevice* device) {
    gchar* name = gst_device_get_display_name(device);
    std::string text = name != nullptr ? name : "";
    g_free(name);
    return text;
}

// The device of the next message of the type within the patience, its name, or "". Device
// messages are extended types, which a bus filter cannot tell apart: other kinds are skipped.
std::string NextDevice(GstBus* bus, GstMessageType type) {
    while (GstMessage* message = gst_bus_timed_pop_filtered(bus, PatienceMs(10000) * GST_MSECOND, type)) {
        GstDevice* device = nullptr;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_ADDED && type == GST_MESSAGE_DEVICE_ADDED) {
            gst_message_parse_device_added(message, &device);
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_REMOVED && type == GST_MESSAGE_DEVICE_REMOVED) {
            gst_message_parse_device_removed(message, &device);
        }
        gst_message_unref(message);
        if (device != nullptr) {
            const std::string name = NameOf(device);
            gst_object_unref(device);
            return name;
        }
    }
    return "";
}

TEST(OviluxDeviceProvider, ListsCamerasAndFollowsTheirArrivalAndRemoval) {
    StillCamera camera;
    const std::string name = CameraName(0);
    ASSERT_FALSE(name.empty());
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    ASSERT_TRUE(gst_device_monitor_start(monitor));
    GList* devices = gst_device_monitor_get_devices(monitor);
    GstDevice* listed = nullptr;
    for (GList* item = devices; item != nullptr; item = item->next) {
        if (NameOf(GST_DEVICE(item->data)) == name) {
            listed = GST_DEVICE(gst_object_ref(item->data));
        }
    }
    g_list_free_full(devices, gst_object_unref);
    ASSERT_NE(listed, nullptr) << "the camera is not listed";
    EXPECT_TRUE(gst_device_has_classes(listed, "Video/Source"));
    GstElement* source = gst_device_create_element(listed, nullptr);
    ASSERT_NE(source, nullptr);
    gchar* chosen = nullptr;
    g_object_get(source, "camera", &chosen, nullptr);
    EXPECT_EQ(name, chosen != nullptr ? chosen : "");
    g_free(chosen);
    gst_object_unref(source);
    gst_object_unref(listed);

    GstBus* bus = gst_device_monitor_get_bus(monitor);
    const int32_t second = OviluxSim_Attach(0x3030, OVILUX_SIM_ANY_PORT);
    ASSERT_GE(second, 0);
    // The bus may still tell of the first camera, listed when monitoring began.
    std::string added = NextDevice(bus, GST_MESSAGE_DEVICE_ADDED);
    if (added == name) {
        added = NextDevice(bus, GST_MESSAGE_DEVICE_ADDED);
    }
    EXPECT_FALSE(added.empty());
    EXPECT_NE(added, name);
    OviluxSim_Detach(second);
    EXPECT_EQ(NextDevice(bus, GST_MESSAGE_DEVICE_REMOVED), added);
    gst_object_unref(bus);
    gst_device_monitor_stop(monitor);
    gst_object_unref(monitor);
}

}  // namespace
}  // namespace ovilux::test
