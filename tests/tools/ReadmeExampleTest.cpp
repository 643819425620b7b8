// The C examples in the README are the programs in examples/ that the build compiles (and the
// package checks run): any edit to one that is not made to the other fails here. Run as a new
// user runs it, at the sensor's real timing, the first saves a picture of what the camera saw.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "image_files/FileReaders.h"
#include "support/PictureCheck.h"
#include "tools/ToolRunner.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

TEST(ReadmeExample, IsTheProgramThatIsBuiltAndRun) {
    const std::string readme = ReadFile(OVILUX_SOURCE_DIR "/README.md");
    ASSERT_FALSE(readme.empty());
    for (const std::string name : {"minimal", "live_view", "settings"}) {
        const std::string example = ReadFile(OVILUX_SOURCE_DIR "/examples/" + name + ".c");
        ASSERT_FALSE(example.empty()) << name;
        // The README's C block that starts with the program's own first line.
        const std::string opening = "```c\n/* " + name + ".c - ";
        const size_t start = readme.find(opening);
        ASSERT_NE(start, std::string::npos) << "the README lacks " << name << ".c";
        const size_t body = start + 5;
        const size_t end = readme.find("```", body);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(readme.substr(body, end - body), example) << name;
    }
}

TEST(ReadmeExample, SavesAPictureOfWhatTheCameraSawAtRealTiming) {
    using namespace ovilux::test;
    // A folder of its own: the example saves snapshot.png where it is started.
    const std::string folder = TemporaryPath("readme-example");
    std::filesystem::create_directories(folder);
    const std::string scenePath = TemporaryPath("readme-scene.bmp");
    const BlockPicture picture = MakeBlockPicture();
    ASSERT_TRUE(WriteBmp(scenePath, picture));
    const std::string saved = folder + "/snapshot.png";
    std::remove(saved.c_str());
    const ToolRun run = RunBesideMe(
        "minimal_example", {},
        {{"OVILUX_SIMULATE", "3030"}, {"OVILUX_SIM_SPEED", "realtime"}, {"OVILUX_SIM_SCENE", scenePath}}, folder);
    std::remove(scenePath.c_str());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("took a 2560 x 1920 picture"), std::string::npos) << run.output;
    ovilux::image::test::Decoded decoded;
    ovilux::image::test::PngInfo info;
    std::string error;
    ASSERT_TRUE(ovilux::image::test::ReadPng(saved, decoded, info, error)) << error;
    std::filesystem::remove_all(folder);
    ASSERT_EQ(decoded.channels, 3);
    std::vector<uint8_t> pixels(decoded.samples.size());
    for (size_t i = 0; i < pixels.size(); i += 3) {
        for (int c = 0; c < 3; ++c) {
            pixels[i + c] = static_cast<uint8_t>(decoded.samples[i + 2 - c]);  // red first in the file
        }
    }
    const PictureMatch match =
        ComparePicture({pixels.data(), decoded.width, decoded.height, decoded.width * 3, 24}, picture, {0, 0, 1});
    EXPECT_GT(match.compared, 2560 * 1920 / 4);
    EXPECT_EQ(match.mismatched, 0) << match.firstMismatch;
}
