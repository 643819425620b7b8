// OviluxSrcTest.cpp - oviluxsrc on the simulated camera: every format negotiated and its picture
// compared with the still scene, the buffers' offsets, times and losses, property changes while
// playing, and an unplug mid-stream.
#include <gst/app/gstappsink.h>
#include <gst/check/gstharness.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "GstCamera.h"
#include "OviluxSim.h"
#include "support/Patience.h"

namespace ovilux::test {
namespace {

constexpr const char* kSource = "oviluxsrc factory-settings=true window=640x480+96+48";

struct Format {
    const char* caps;
    int32_t bits;
};

// The picture in a buffer of the caps' size, laid out as the caps say.
DeliveredImage ImageOf(const GstMapInfo& map, const GstCaps* caps, int32_t bits) {
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    DeliveredImage image;
    gst_structure_get_int(s, "width", &image.width);
    gst_structure_get_int(s, "height", &image.height);
    image.bitsPerPixel = bits;
    image.stride = (image.width * bits / 8 + 3) & ~3;
    image.pixels = map.data;
    return image;
}

// oviluxsrc in a harness whose sink takes caps, playing; the element's messages go to a bus of
// the test's, since a harness has none.
struct Harness {
    Harness(const std::string& source, const char* caps) : h(gst_harness_new_parse(source.c_str())), bus(gst_bus_new()) {
        gst_element_set_bus(h->element, bus);
        gst_harness_set_sink_caps_str(h, caps);
        gst_harness_play(h);
    }
    ~Harness() {
        gst_harness_teardown(h);
        gst_object_unref(bus);
    }
    // The next buffer; null, with the element's error said, when it posted one or none came.
    GstBuffer* Pull() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PatienceMs(20000));
        while (std::chrono::steady_clock::now() < deadline) {
            if (GstBuffer* buffer = gst_harness_try_pull(h)) {
                return buffer;
            }
            if (GstMessage* message = gst_bus_timed_pop_filtered(bus, 20 * GST_MSECOND, GST_MESSAGE_ERROR)) {
                GError* error = nullptr;
                gchar* debug = nullptr;
                gst_message_parse_error(message, &error, &debug);
                ADD_FAILURE() << error->message << " (" << (debug != nullptr ? debug : "") << ")";
                g_error_free(error);
                g_free(debug);
                gst_message_unref(message);
                return nullptr;
            }
        }
        ADD_FAILURE() << "no buffer in time";
        return nullptr;
    }
    GstCaps* Caps() { return gst_pad_get_current_caps(h->sinkpad); }
    GstHarness* h;
    GstBus* bus;
};

TEST(OviluxSrc, EveryFormatNegotiatesAndShowsTheScene) {
    StillCamera camera;
    const Format formats[] = {{"video/x-raw,format=BGR", 24},       {"video/x-raw,format=BGRx", 32},
                              {"video/x-raw,format=GRAY8", 8},      {"video/x-raw,format=GRAY16_LE", 16},
                              {"video/x-bayer,format=rggb", 8}};
    for (const Format& format : formats) {
        SCOPED_TRACE(format.caps);
        Harness h(kSource, format.caps);
        GstBuffer* buffer = h.Pull();
        ASSERT_NE(buffer, nullptr);
        GstCaps* caps = h.Caps();
        ASSERT_NE(caps, nullptr);
        GstCaps* asked = gst_caps_from_string(format.caps);
        EXPECT_TRUE(gst_caps_is_subset(caps, asked)) << gst_caps_to_string(caps);
        const GstStructure* s = gst_caps_get_structure(caps, 0);
        gint num = 0, den = 0;
        EXPECT_TRUE(gst_structure_get_fraction(s, "framerate", &num, &den));
        EXPECT_GT(num, 0) << "the camera's frame rate";
        GstMapInfo map;
        ASSERT_TRUE(gst_buffer_map(buffer, &map, GST_MAP_READ));
        const DeliveredImage image = ImageOf(map, caps, format.bits);
        EXPECT_EQ(image.width, 640);
        EXPECT_EQ(image.height, 480);
        ASSERT_EQ(map.size, static_cast<size_t>(image.stride) * 480);
        const PictureMatch match = ComparePicture(image, camera.Picture(), {96, 48, 1});
        EXPECT_GT(match.compared, 0);
        EXPECT_EQ(match.mismatched, 0) << match.firstMismatch;
        if (format.bits == 32) {
            EXPECT_EQ(map.data[3] | map.data[7] | map.data[4 * 639 + 3], 0) << "the fourth byte is 0";
        }
        gst_buffer_unmap(buffer, &map);
        gst_buffer_unref(buffer);
        gst_caps_unref(asked);
        gst_caps_unref(caps);
    }
}

TEST(OviluxSrc, MirrorsAndSubSamplingShapeTheCaps) {
    StillCamera camera;
    const struct {
        const char* properties;
        const char* bayer;
    } mirrors[] = {{"", "rggb"}, {"mirror-h=true", "grbg"}, {"mirror-v=true", "gbrg"},
                   {"mirror-h=true mirror-v=true", "bggr"}};
    for (const auto& mirror : mirrors) {
        SCOPED_TRACE(mirror.properties);
        Harness h(std::string(kSource) + " " + mirror.properties, "video/x-bayer");
        GstBuffer* buffer = h.Pull();
        ASSERT_NE(buffer, nullptr);
        GstCaps* caps = h.Caps();
        EXPECT_STREQ(gst_structure_get_string(gst_caps_get_structure(caps, 0), "format"), mirror.bayer);
        gst_caps_unref(caps);
        gst_buffer_unref(buffer);
    }
    // A half-size frame of a window twice its size, the scene sampled every other pixel pair.
    Harness h("oviluxsrc factory-settings=true window=1280x960+128+64 subsample=1", "video/x-raw,format=BGR");
    GstBuffer* buffer = h.Pull();
    ASSERT_NE(buffer, nullptr);
    GstCaps* caps = h.Caps();
    GstMapInfo map;
    ASSERT_TRUE(gst_buffer_map(buffer, &map, GST_MAP_READ));
    const DeliveredImage image = ImageOf(map, caps, 24);
    EXPECT_EQ(image.width, 640);
    EXPECT_EQ(image.height, 480);
    const PictureMatch match = ComparePicture(image, camera.Picture(), {128, 64, 2});
    EXPECT_GT(match.compared, 0);
    EXPECT_EQ(match.mismatched, 0) << match.firstMismatch;
    gst_buffer_unmap(buffer, &map);
    gst_buffer_unref(buffer);
    gst_caps_unref(caps);
}

// A pipeline ending in an appsink named "sink" that keeps every buffer.
struct SinkPipeline {
    explicit SinkPipeline(const std::string& text) : pipeline(Pipeline(text + " ! appsink name=sink sync=false")) {
        sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
        source = gst_bin_get_by_name(GST_BIN(pipeline), "source");
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
    }
    ~SinkPipeline() {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(source);
        gst_object_unref(sink);
        gst_object_unref(pipeline);
    }
    GstSample* Pull(uint32_t ms = 10000) {
        return gst_app_sink_try_pull_sample(GST_APP_SINK(sink), PatienceMs(ms) * GST_MSECOND);
    }
    guint64 Stat(const char* field) {
        GstStructure* stats = nullptr;
        g_object_get(source, "stats", &stats, nullptr);
        guint64 value = 0;
        gst_structure_get_uint64(stats, field, &value);
        gst_structure_free(stats);
        return value;
    }
    GstElement* pipeline;
    GstElement* sink;
    GstElement* source;
};

TEST(OviluxSrc, BuffersCarryFrameNumbersArrivalTimesAndTheirLosses) {
    StillCamera camera(false);
    SinkPipeline run(std::string(kSource) + " name=source ! video/x-bayer");
    GstBus* bus = gst_element_get_bus(run.pipeline);
    uint64_t previousOffset = 0;
    GstClockTime previousTime = 0;
    uint64_t headerTimeouts = 0;
    int pulled = 0;
    // Three headers go missing once the stream runs; every gap after is told, with its reasons,
    // by the message of the buffer that follows it.
    for (; pulled < 400 && headerTimeouts < 3; ++pulled) {
        if (pulled == 5) {
            ASSERT_TRUE(OviluxSim_DropHeaders(camera.Port(), 3));
        }
        GstSample* sample = run.Pull();
        ASSERT_NE(sample, nullptr) << "buffer " << pulled;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        const uint64_t offset = GST_BUFFER_OFFSET(buffer);
        EXPECT_EQ(GST_BUFFER_OFFSET_END(buffer), offset + 1);
        ASSERT_TRUE(GST_BUFFER_PTS_IS_VALID(buffer));
        if (pulled > 0) {
            EXPECT_GT(offset, previousOffset);
            EXPECT_GT(GST_BUFFER_PTS(buffer), previousTime) << "arrival times only grow";
            const uint64_t gap = offset - previousOffset - 1;
            EXPECT_EQ(GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DISCONT), gap > 0) << "frame " << offset;
            if (gap > 0) {
                GstMessage* told = nullptr;
                while ((told = gst_bus_pop_filtered(bus, GST_MESSAGE_ELEMENT)) != nullptr) {
                    const GstStructure* s = gst_message_get_structure(told);
                    guint frame = 0;
                    guint64 lost = 0, timeouts = 0;
                    if (gst_structure_has_name(s, "ovilux-frames-lost") && gst_structure_get_uint(s, "frame", &frame) &&
                        frame == offset) {
                        gst_structure_get_uint64(s, "lost", &lost);
                        gst_structure_get_uint64(s, "header-timeout", &timeouts);
                        EXPECT_EQ(lost, gap);
                        EXPECT_NE(gst_structure_get_string(s, "reason"), nullptr);
                        headerTimeouts += timeouts;
                        gst_message_unref(told);
                        break;
                    }
                    gst_message_unref(told);
                }
                EXPECT_NE(told, nullptr) << "no message told of the gap before frame " << offset;
            }
        }
        previousOffset = offset;
        previousTime = GST_BUFFER_PTS(buffer);
        gst_sample_unref(sample);
    }
    EXPECT_EQ(headerTimeouts, 3u);
    EXPECT_GE(run.Stat("delivered"), static_cast<guint64>(pulled));
    EXPECT_GE(run.Stat("lost-header-timeout"), 3u);
    gst_object_unref(bus);
}

TEST(OviluxSrc, SettingsChangedWhilePlayingReachTheNextFrames) {
    StillCamera camera;
    SinkPipeline run(std::string(kSource) + " name=source ! video/x-bayer");
    // The gain scales the picture once levels follow the camera's settings.
    ASSERT_TRUE(OviluxSim_SetSceneOptions(camera.Port(), OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS));
    const auto mean = [](GstSample* sample) {
        GstMapInfo map;
        gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ);
        double sum = 0;
        for (size_t i = 0; i < map.size; ++i) {
            sum += map.data[i];
        }
        gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
        gst_sample_unref(sample);
        return sum / static_cast<double>(map.size);
    };
    g_object_set(run.source, "gain", 8, nullptr);
    // Frames already under way keep the settings they were taken with: wait for the change.
    double dim = 0;
    for (int i = 0; i < 20; ++i) {
        dim = mean(run.Pull());
    }
    g_object_set(run.source, "gain", 32, nullptr);
    double bright = 0;
    for (int i = 0; i < 200 && bright < dim * 2; ++i) {
        bright = mean(run.Pull());
    }
    EXPECT_GT(bright, dim * 2) << "a gain four times as high";

    // A new window and a mirror: the caps follow, and the picture is the scene's there.
    ASSERT_TRUE(OviluxSim_SetSceneOptions(camera.Port(), OVILUX_SIM_STILL | OVILUX_SIM_NO_DEFECTS |
                                                             OVILUX_SIM_FIXED_LEVELS));
    g_object_set(run.source, "window", "320x240+192+96", nullptr);
    bool resized = false;
    for (int i = 0; i < 200 && !resized; ++i) {
        GstSample* sample = run.Pull();
        ASSERT_NE(sample, nullptr);
        GstCaps* caps = gst_sample_get_caps(sample);
        int width = 0;
        gst_structure_get_int(gst_caps_get_structure(caps, 0), "width", &width);
        resized = width == 320;
        if (resized) {
            GstMapInfo map;
            gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ);
            const PictureMatch match = ComparePicture(ImageOf(map, caps, 8), camera.Picture(), {192, 96, 1});
            EXPECT_GT(match.compared, 0);
            EXPECT_EQ(match.mismatched, 0) << match.firstMismatch;
            gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
        }
        gst_sample_unref(sample);
    }
    EXPECT_TRUE(resized);
    g_object_set(run.source, "mirror-h", TRUE, nullptr);
    bool mirrored = false;
    for (int i = 0; i < 200 && !mirrored; ++i) {
        GstSample* sample = run.Pull();
        ASSERT_NE(sample, nullptr);
        const char* format = gst_structure_get_string(gst_caps_get_structure(gst_sample_get_caps(sample), 0), "format");
        mirrored = format != nullptr && std::strcmp(format, "grbg") == 0;
        gst_sample_unref(sample);
    }
    EXPECT_TRUE(mirrored);
}

TEST(OviluxSrc, AnUnplugEndsTheStreamWithAnErrorNamingTheCamera) {
    StillCamera camera(false);
    SinkPipeline run(std::string(kSource) + " name=source");
    const std::string name = CameraName(0);
    ASSERT_FALSE(name.empty());
    GstSample* first = run.Pull();
    ASSERT_NE(first, nullptr);
    gst_sample_unref(first);
    camera.Unplug();
    GstMessage* message = WaitMessage(run.pipeline, GST_MESSAGE_ERROR, 1000);
    ASSERT_NE(message, nullptr) << "no error within a second of the unplug";
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    EXPECT_NE(std::string(error->message).find(name), std::string::npos) << error->message;
    g_error_free(error);
    gst_message_unref(message);
    EXPECT_EQ(gst_element_set_state(run.pipeline, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
}

}  // namespace
}  // namespace ovilux::test
