// GstCamera.cpp - the GStreamer tests' shared setup.
#include "GstCamera.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "OviluxDeviceProvider.h"
#include "OviluxSim.h"
#include "OviluxSrc.h"
#include "support/Patience.h"

namespace ovilux::test {

void StartGstreamer() {
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        GST_ELEMENT_REGISTER(oviluxsrc, nullptr);
        GST_DEVICE_PROVIDER_REGISTER(oviluxdeviceprovider, nullptr);
    });
}

StillCamera::StillCamera(bool fast) : picture_(MakeBlockPicture()) {
    StartGstreamer();
    OviluxSim_SetSpeed(fast ? OVILUX_SIM_SPEED_FAST : OVILUX_SIM_SPEED_REALTIME);
    port_ = OviluxSim_Attach(0x3030, OVILUX_SIM_ANY_PORT);
    EXPECT_GE(port_, 0);
    EXPECT_TRUE(OviluxSim_SetSceneOptions(port_, OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS | OVILUX_SIM_FIXED_LEVELS));
    EXPECT_TRUE(OviluxSim_ShowPicture(port_, picture_.pixels.data(), picture_.width, picture_.height,
                                      picture_.width * 3, 24));
}

StillCamera::~StillCamera() { Unplug(); }

void StillCamera::Unplug() {
    if (port_ >= 0) {
        OviluxSim_Detach(port_);
        port_ = -1;
    }
}

std::string CameraName(int32_t index) {
    const uint32_t handle = Ovilux_Initialize(nullptr);
    std::vector<char> names(OVILUX_ENUM_SLOTS * OVILUX_ENUM_NAME_CHARS);
    const int32_t count = Ovilux_EnumDevice(handle, names.data());
    Ovilux_Release(handle);
    return index < count ? std::string(&names[static_cast<size_t>(index) * OVILUX_ENUM_NAME_CHARS]) : "";
}

GstMessage* WaitMessage(GstElement* pipeline, GstMessageType types, uint32_t ms) {
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, PatienceMs(ms) * GST_MSECOND, types);
    gst_object_unref(bus);
    return message;
}

GstElement* Pipeline(const std::string& text) {
    StartGstreamer();
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(text.c_str(), &error);
    EXPECT_EQ(error, nullptr) << text << ": " << (error != nullptr ? error->message : "");
    if (error != nullptr) {
        g_error_free(error);
    }
    return pipeline;
}

bool RunToEnd(GstElement* pipeline, uint32_t ms, std::string* failure) {
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstMessage* message =
        WaitMessage(pipeline, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR), ms);
    bool ended = message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message == nullptr) {
        *failure = "no end of stream in time";
    } else if (!ended) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        *failure = std::string(error->message) + " (" + (debug != nullptr ? debug : "") + ")";
        g_error_free(error);
        g_free(debug);
    }
    if (message != nullptr) {
        gst_message_unref(message);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    return ended;
}

}  // namespace ovilux::test
