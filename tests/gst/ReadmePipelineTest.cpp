// ReadmePipelineTest.cpp - the README's GStreamer pipelines, as written there, on the simulated
// camera: the snapshot and the recording read back and compared with the scene, the display
// shown on an X server, and the stream received over the loopback and compared.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "GstCamera.h"
#include "support/Patience.h"
#include "support/WindowProbe.h"

namespace ovilux::test {
namespace {

// The gst-launch-1.0 lines of the README's GStreamer section, without the command and its -e.
std::vector<std::string> ReadmePipelines() {
    std::ifstream readme(OVILUX_SOURCE_DIR "/README.md");
    std::vector<std::string> pipelines;
    bool inSection = false;
    for (std::string line; std::getline(readme, line);) {
        if (line.rfind("## ", 0) == 0) {
            inSection = line == "## GStreamer";
        }
        const std::string command = "gst-launch-1.0 ";
        if (inSection && line.rfind(command, 0) == 0) {
            std::string pipeline = line.substr(command.size());
            if (pipeline.rfind("-e ", 0) == 0) {
                pipeline = pipeline.substr(3);
            }
            pipelines.push_back(pipeline);
        }
    }
    return pipelines;
}

// The README's pipeline holding every one of the words; fails the test when there is none.
std::string PipelineWith(const std::vector<std::string>& words) {
    for (const std::string& pipeline : ReadmePipelines()) {
        bool all = true;
        for (const std::string& word : words) {
            all = all && pipeline.find(word) != std::string::npos;
        }
        if (all) {
            return pipeline;
        }
    }
    ADD_FAILURE() << "the README has no pipeline with " << words.front();
    return "fakesrc num-buffers=0 ! fakesink";
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.rfind(from);
    EXPECT_NE(at, std::string::npos) << from << " in " << text;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// A camera's live pipeline ends after count frames, as Ctrl-C would end it.
void LimitFrames(GstElement* pipeline, int count) {
    GstIterator* sources = gst_bin_iterate_all_by_element_factory_name(GST_BIN(pipeline), "oviluxsrc");
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(sources, &item) == GST_ITERATOR_OK) {
        g_object_set(g_value_get_object(&item), "num-buffers", count, nullptr);
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(sources);
}

// The first picture of a pipeline ending in "appsink name=check", as BGR; pixels empty when none came.
struct Picture {
    std::vector<uint8_t> pixels;
    int32_t width = 0, height = 0;
};

Picture FirstPicture(GstElement* pipeline, uint32_t ms) {
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "check");
    Picture picture;
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), PatienceMs(ms) * GST_MSECOND);
    if (sample != nullptr) {
        const GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
        gst_structure_get_int(s, "width", &picture.width);
        gst_structure_get_int(s, "height", &picture.height);
        GstMapInfo map;
        gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ);
        picture.pixels.assign(map.data, map.data + map.size);
        gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
        gst_sample_unref(sample);
    }
    gst_object_unref(sink);
    return picture;
}

// The picture of a file, decoded by GStreamer's own decoders.
Picture Decoded(const std::string& decoding, uint32_t ms) {
    GstElement* pipeline =
        Pipeline("filesrc location=" + decoding + " ! videoconvert ! video/x-raw,format=BGR ! appsink name=check");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    Picture picture = FirstPicture(pipeline, ms);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return picture;
}

PictureMatch Compare(const Picture& picture, const StillCamera& camera, const Placement& where, Closeness close = {}) {
    DeliveredImage image{picture.pixels.data(), picture.width, picture.height, (picture.width * 3 + 3) & ~3, 24};
    return ComparePicture(image, camera.Picture(), where, close);
}

class ReadmePipeline : public testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/ovilux-gst-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        folder_ = folder;
        char* previous = getcwd(nullptr, 0);
        previous_ = previous;
        std::free(previous);
        ASSERT_EQ(chdir(folder_.c_str()), 0);
    }
    void TearDown() override {
        EXPECT_EQ(chdir(previous_.c_str()), 0);
        std::system(("rm -rf " + folder_).c_str());
    }
    std::string folder_, previous_;
};

TEST_F(ReadmePipeline, SnapshotIsTheSceneExactly) {
    StillCamera camera;
    GstElement* pipeline = Pipeline(PipelineWith({"pngenc"}));
    std::string failure;
    EXPECT_TRUE(RunToEnd(pipeline, 60000, &failure)) << failure;
    gst_object_unref(pipeline);
    const Picture picture = Decoded("snapshot.png ! pngdec", 60000);
    ASSERT_EQ(picture.width, 2560);
    ASSERT_EQ(picture.height, 1920);
    const PictureMatch match = Compare(picture, camera, {0, 0, 1});
    EXPECT_GT(match.compared, 0);
    EXPECT_EQ(match.mismatched, 0) << match.firstMismatch;
}

TEST_F(ReadmePipeline, RecordingPlaysBackTheScene) {
    StillCamera camera;
    GstElement* pipeline = Pipeline(PipelineWith({"matroskamux"}));
    LimitFrames(pipeline, 5);
    std::string failure;
    EXPECT_TRUE(RunToEnd(pipeline, 120000, &failure)) << failure;
    gst_object_unref(pipeline);
    const Picture picture = Decoded("recording.mkv ! matroskademux ! vp8dec", 60000);
    ASSERT_EQ(picture.width, 1280);
    ASSERT_EQ(picture.height, 960);
    // VP8 keeps the blocks' colours near; the blocks' edges blur.
    const PictureMatch match = Compare(picture, camera, {0, 0, 2}, {24, 16});
    EXPECT_GT(match.compared, 0);
    EXPECT_LT(match.mismatched, match.compared / 100) << match.firstMismatch;
}

TEST_F(ReadmePipeline, DisplayShowsFramesOnTheXServer) {
    ASSERT_TRUE(DisplayReady()) << "no X server";
    StillCamera camera;
    // The automatic sink would take OpenGL where it is installed: on an X server without a GPU
    // that is Mesa's software renderer, slow under the sanitizers and unloaded with its memory
    // unfreed. The plain X11 sink shows the same frames.
    if (GstPluginFeature* gl = gst_registry_lookup_feature(gst_registry_get(), "glimagesink")) {
        gst_plugin_feature_set_rank(gl, GST_RANK_NONE);
        gst_object_unref(gl);
    }
    GstElement* pipeline = Pipeline(PipelineWith({"autovideosink", "oviluxsrc"}));
    LimitFrames(pipeline, 10);
    std::string failure;
    EXPECT_TRUE(RunToEnd(pipeline, 60000, &failure)) << failure;
    gst_object_unref(pipeline);
}

TEST_F(ReadmePipeline, StreamArrivesOverTheLoopback) {
    StillCamera camera;
    GstElement* receiver = Pipeline(
        Replaced(PipelineWith({"udpsrc"}), "autovideosink", "video/x-raw,format=BGR ! appsink name=check"));
    gst_element_set_state(receiver, GST_STATE_PLAYING);
    GstElement* sender = Pipeline(PipelineWith({"udpsink"}));
    LimitFrames(sender, 60);
    gst_element_set_state(sender, GST_STATE_PLAYING);
    const Picture picture = FirstPicture(receiver, 60000);
    gst_element_set_state(sender, GST_STATE_NULL);
    gst_element_set_state(receiver, GST_STATE_NULL);
    gst_object_unref(sender);
    gst_object_unref(receiver);
    ASSERT_EQ(picture.width, 640);
    ASSERT_EQ(picture.height, 480);
    const PictureMatch match = Compare(picture, camera, {0, 0, 1}, {24, 16});
    EXPECT_GT(match.compared, 0);
    EXPECT_LT(match.mismatched, match.compared / 100) << match.firstMismatch;
}

}  // namespace
}  // namespace ovilux::test
