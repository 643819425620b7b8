// LongRunTest.cpp - oviluxsrc for half a minute at the camera's own timing: every frame read,
// none lost, no gap in the offsets. Not in the ThreadSanitizer build, whose slowdown would lose
// frames to the machine rather than to the source.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "GstCamera.h"

namespace ovilux::test {
namespace {

// The camera's own timing for half a minute, every frame read: no loss, no gap in the offsets.
// A 200 ms exposure gives each frame that long to pass through the library and the source, so
// that a loaded machine's scheduling pauses do not count as losses.
TEST(OviluxSrc, HalfAMinuteAtTheCamerasTimingLosesNothing) {
    StillCamera camera(false);
    GstElement* pipeline = Pipeline(std::string("oviluxsrc factory-settings=true window=640x480+96+48 exposure=200000") + " name=source ! video/x-bayer ! fakesink name=sink");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    struct Seen {
        uint64_t buffers = 0, gaps = 0, last = 0;
        GstClockTime firstTime = GST_CLOCK_TIME_NONE, lastTime = 0;
    } seen;
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            auto& s = *static_cast<Seen*>(data);
            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            if (s.buffers > 0 && GST_BUFFER_OFFSET(buffer) != s.last + 1) {
                ++s.gaps;
            }
            s.last = GST_BUFFER_OFFSET(buffer);
            s.lastTime = GST_BUFFER_PTS(buffer);
            if (s.buffers++ == 0) {
                s.firstTime = s.lastTime;
            }
            return GST_PAD_PROBE_OK;
        },
        &seen, nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    // Half a minute of the camera's frames as their own times tell it; an error ends it early.
    const auto start = std::chrono::steady_clock::now();
    GstMessage* error = nullptr;
    while (error == nullptr && std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
        error = WaitMessage(pipeline, GST_MESSAGE_ERROR, 200);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    EXPECT_EQ(error, nullptr);
    if (error != nullptr) {
        gst_message_unref(error);
    }
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "source");
    GstStructure* stats = nullptr;
    g_object_get(source, "stats", &stats, nullptr);
    guint64 lost = 1, delivered = 0;
    gst_structure_get_uint64(stats, "lost", &lost);
    gst_structure_get_uint64(stats, "delivered", &delivered);
    gchar* told = gst_structure_to_string(stats);
    EXPECT_EQ(lost, 0u) << told;
    g_free(told);
    EXPECT_GE(delivered, seen.buffers);
    EXPECT_GT(seen.buffers, 50u);
    EXPECT_EQ(seen.gaps, 0u);
    EXPECT_GT(seen.lastTime - seen.firstTime, 20 * GST_SECOND) << "presentation times span the run";
    gst_structure_free(stats);
    gst_object_unref(source);
    gst_object_unref(pad);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
}

}  // namespace
}  // namespace ovilux::test
