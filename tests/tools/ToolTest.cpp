// The ovilux tool end to end: each command's output and exit status on the simulated camera,
// snapshots read back and compared with the scene the camera saw, refused arguments, no camera.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <fstream>
#include <iterator>
#include <vector>

#include "image_files/FileReaders.h"
#include "support/Patience.h"
#include "support/PictureCheck.h"
#include "support/WindowProbe.h"
#include "tools/ToolRunner.h"

using ovilux::test::Environment;
using ovilux::test::RunBesideMe;
using ovilux::test::TemporaryPath;
using ovilux::test::ToolRun;

namespace {

ToolRun Tool(const std::vector<std::string>& arguments) { return RunBesideMe("ovilux", arguments); }

// A live view's length in whole seconds: seconds on an idle machine, longer on a loaded one, so
// that its first frame comes within it.
std::string LiveSeconds(uint32_t seconds) {
    return std::to_string((ovilux::test::PatienceMs(seconds * 1000) + 999) / 1000);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// A block picture written where the simulated camera can be told to look at it.
struct ScenePictureFile {
    explicit ScenePictureFile(const std::string& name)
        : path(TemporaryPath(name + "-scene.bmp")), picture(ovilux::test::MakeBlockPicture()) {
        EXPECT_TRUE(ovilux::test::WriteBmp(path, picture));
    }
    ~ScenePictureFile() { std::remove(path.c_str()); }

    std::string path;
    ovilux::test::BlockPicture picture;
};

// A saved 8-bit gray or RGB file of the default window (2560 x 1920 at the sensor's origin)
// compared with the picture the camera saw.
void ExpectPictureFile(const std::string& name, const ovilux::test::BlockPicture& picture,
                       const ovilux::test::Closeness& closeness) {
    SCOPED_TRACE(name);
    namespace files = ovilux::image::test;
    files::Decoded decoded;
    std::string error;
    bool read = false;
    if (name.substr(name.size() - 4) == ".png") {
        files::PngInfo info;
        read = files::ReadPng(name, decoded, info, error);
    } else {
        files::JpegInfo info;
        read = files::ReadJpeg(name, decoded, info, error);
    }
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(decoded.width, 2560);
    ASSERT_EQ(decoded.height, 1920);
    ASSERT_EQ(decoded.bitsPerSample, 8);
    // Into the library's own layout: blue, green, red.
    const int channels = decoded.channels;
    std::vector<uint8_t> pixels(decoded.samples.size());
    for (size_t i = 0; i < decoded.samples.size(); i += channels) {
        for (int c = 0; c < channels; ++c) {
            pixels[i + c] = static_cast<uint8_t>(decoded.samples[i + (channels == 1 ? 0 : 2 - c)]);
        }
    }
    const ovilux::test::PictureMatch match = ovilux::test::ComparePicture(
        {pixels.data(), decoded.width, decoded.height, decoded.width * channels, channels * 8}, picture, {0, 0, 1},
        closeness);
    EXPECT_GT(match.compared, 2560 * 1920 / 20);
    EXPECT_EQ(match.mismatched, 0) << match.firstMismatch;
}

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

}  // namespace

TEST(Tool, VersionAndHelp) {
    ToolRun run = Tool({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("0x00030520"), std::string::npos) << run.output;
    run = Tool({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("snap"), std::string::npos);
    run = Tool({"snap", "--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("--format bmp|raw|jpeg|jpeg70|jpeg20|png|tiff"), std::string::npos) << run.output;
}

TEST(Tool, ListsSimulatedCameras) {
    ToolRun run = Tool({"--simulate", "list"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("1 camera found"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("0  OviluxM03-UX_01"), std::string::npos);
    run = Tool({"list", "--simulate=3030,3030"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("1  OviluxM03-UX_02"), std::string::npos) << run.output;
}

TEST(Tool, WithoutACameraSaysSoAndSuggestsTheSimulation) {
    const ToolRun run = Tool({"list"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("no camera found"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("--simulate"), std::string::npos);
}

TEST(Tool, InfoShowsTheCamerasRanges) {
    const ToolRun run = Tool({"--simulate", "info", "-d", "0"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("2592 x 1944"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("global gain        0 to 63"), std::string::npos);
    // The longest exposure is the window's own: 32767 rows of the first run's 2560 x 1920 take 1.2 s.
    EXPECT_NE(run.output.find("exposure           100 to 1200000 us"), std::string::npos) << run.output;
    const ToolRun missing = Tool({"--simulate", "info", "-d", "3"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("there is no camera 3"), std::string::npos) << missing.output;
}

TEST(Tool, ReadsAndWritesRegisters) {
    ToolRun run = Tool({"--simulate", "reg", "sensor", "read", "0x00"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("= 0x1801"), std::string::npos) << "the sensor's chip version: " << run.output;
    run = Tool({"--simulate", "reg", "fpga", "write", "7", "0x5A"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("fpga register 0x07 := 0x005A"), std::string::npos) << run.output;
}

TEST(Tool, RefusesBadArgumentsBeforeTouchingTheCamera) {
    const std::vector<std::vector<std::string>> wrong = {
        {"bogus"},
        {"--simulate", "snap", "-o", "x.png", "--bits", "7"},
        {"--simulate", "snap", "--format", "gif", "-o", "x.gif"},
        {"--simulate", "snap", "-o", "x.unknown"},
        {"--simulate", "snap", "-o", "x.png", "--window", "640by480"},
        {"--simulate", "live", "--seconds", "soon"},
        {"--simulate", "live", "-d", "0,0"},
        {"--simulate", "live", "-d", "0,32"},
        {"--simulate", "live", "--all", "-d", "1"},
        {"--simulate", "live", "-d", "0,1", "--preview"},
        {"--simulate", "reg", "sensor", "read", "300"},
        {"--simulate", "reg", "fpga", "poke", "1"},
        {"--simulate=zz", "list"},
        {"list", "extra"},
    };
    for (const auto& arguments : wrong) {
        const ToolRun run = Tool(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.back() << ": " << run.output;
        EXPECT_NE(run.output.find("ovilux: "), std::string::npos) << "says what was wrong: " << run.output;
    }
}

TEST(Tool, SnapshotShowsTheSimulatedScene) {
    const std::string file = TemporaryPath("scene.bmp");
    const ToolRun run = Tool({"--simulate", "snap", "-o", file, "--subsample", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("saved"), std::string::npos);
    const std::vector<uint8_t> bmp = ReadBytes(file);
    std::remove(file.c_str());
    ASSERT_GE(bmp.size(), 54u);
    ASSERT_EQ(bmp[0], 'B');
    ASSERT_EQ(bmp[1], 'M');
    const uint32_t offset = Le32(bmp, 10);
    const uint32_t width = Le32(bmp, 18);
    const uint32_t height = Le32(bmp, 22);
    ASSERT_EQ(width, 640u);
    ASSERT_EQ(height, 480u);
    ASSERT_EQ(bmp[28], 24);
    const size_t stride = (width * 3 + 3) & ~3u;
    ASSERT_EQ(bmp.size(), offset + stride * height);
    double sum = 0;
    double squares = 0;
    size_t dominant[3] = {0, 0, 0};  // pixels where blue, green or red stands out clearly
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* pixel = &bmp[offset + y * stride + x * 3];
            for (int c = 0; c < 3; ++c) {
                sum += pixel[c];
                squares += static_cast<double>(pixel[c]) * pixel[c];
                if (pixel[c] > pixel[(c + 1) % 3] + 40 && pixel[c] > pixel[(c + 2) % 3] + 40) {
                    ++dominant[c];
                }
            }
        }
    }
    const double samples = 3.0 * width * height;
    const double mean = sum / samples;
    const double spread = std::sqrt(squares / samples - mean * mean);
    EXPECT_GT(mean, 20.0) << "a lit scene, not a black frame";
    EXPECT_LT(mean, 235.0) << "not a saturated frame";
    EXPECT_GT(spread, 10.0) << "patches and gradients, not a flat field";
    const size_t patch = width * height / 200;
    EXPECT_GT(dominant[0], patch) << "the blue patches";
    EXPECT_GT(dominant[1], patch) << "the green patches";
    EXPECT_GT(dominant[2], patch) << "the red patches";
}

// What a new user's first snapshot shows at the sensor's real timing: each saved picture is
// the scene the camera saw, pixel for pixel (JPEG within its compression's error).
TEST(Tool, SnapshotsAtRealTimingShowThePictureTheCameraSees) {
    const ScenePictureFile scene("numbered");
    const Environment realTiming = {{"OVILUX_SIM_SPEED", "realtime"}, {"OVILUX_SIM_SCENE", scene.path}};
    const std::string base = TemporaryPath("shot.png");
    const ToolRun run = RunBesideMe("ovilux", {"--simulate", "snap", "-o", base, "--count", "2"}, realTiming);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const char* suffix : {"_001.png", "_002.png"}) {
        const std::string name = base.substr(0, base.size() - 4) + suffix;
        ExpectPictureFile(name, scene.picture, {});
        std::remove(name.c_str());
    }
    const std::string jpeg = TemporaryPath("shot.jpg");
    ASSERT_EQ(RunBesideMe("ovilux", {"--simulate", "snap", "-o", jpeg, "--format", "jpeg70"}, realTiming).exitCode, 0);
    ExpectPictureFile(jpeg, scene.picture, {12, 16});
    std::remove(jpeg.c_str());
}

TEST(Tool, LiveViewShowsThePreviewWindowWhenAsked) {
    if (!ovilux::test::DisplayReady()) {
        GTEST_SKIP() << "no display could be started for the preview window";
    }
    const ToolRun run = Tool({"--simulate", "live", "--seconds", LiveSeconds(3), "--bits", "8", "--preview"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("of 2560 x 1920 at 8 bits"), std::string::npos) << run.output;
}

// The frames delivered and lost come from the library's counts, which never count fewer frames
// delivered than the tool received.
long long CountAfter(const std::string& text, const std::string& label) {
    const size_t at = text.rfind(label);
    return at == std::string::npos ? -1 : std::stoll(text.substr(at + label.size()));
}

TEST(Tool, LiveViewReportsFramesAndASummary) {
    const ToolRun run = Tool({"--simulate", "live", "--seconds", LiveSeconds(2), "--bits", "8"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("fps"), std::string::npos);
    EXPECT_NE(run.output.find("live view: "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("of 2560 x 1920 at 8 bits"), std::string::npos) << run.output;
    // Progress and summary say what was delivered and lost, the summary by reason.
    EXPECT_NE(run.output.find("s   delivered "), std::string::npos) << run.output;
    const long long frames = CountAfter(run.output, "live view: ");
    EXPECT_GE(CountAfter(run.output, "frames delivered "), frames) << run.output;
    for (const char* reason : {"header time-out ", "wrong size 0", "incomplete 0", "slow ", "camera lost 0",
                               "buffer too small 0"}) {
        EXPECT_NE(run.output.find(reason), std::string::npos) << reason << "\n" << run.output;
    }
}

TEST(Tool, LiveViewSummarisesInJsonForScripts) {
    // The shortest live view (up to its first frame), so that a loaded machine does not decide it.
    const ToolRun run = Tool({"--simulate", "live", "--seconds", "0", "--bits", "8", "--subsample", "2", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const size_t open = run.output.rfind("{\"frames\": ");
    ASSERT_NE(open, std::string::npos) << run.output;
    const std::string summary = run.output.substr(open);
    const long long frames = CountAfter(summary, "{\"frames\": ");
    EXPECT_EQ(frames, 1) << summary;
    EXPECT_GE(CountAfter(summary, "\"delivered\": "), frames) << summary;
    for (const char* key : {"\"header_timeout\": ", "\"wrong_size\": 0", "\"slow\": ", "\"camera_lost\": 0",
                            "\"buffer_too_small\": 0", "\"width\": 640"}) {
        EXPECT_NE(summary.find(key), std::string::npos) << key << "\n" << summary;
    }
    EXPECT_EQ(run.output.find("live view: "), std::string::npos) << "no text summary besides the JSON";
}

// Several cameras at once, each in its own session: the summary gives every camera's frames and
// counts, and the totals add them up; the shortest live view, up to every camera's first frame.
TEST(Tool, LiveViewOfSeveralCamerasReportsEachCamera) {
    // At the sensor's timing: in fast mode each camera's transfer would take every core it can get.
    const Environment realTiming = {{"OVILUX_SIM_SPEED", "realtime"}};
    const ToolRun json = RunBesideMe(
        "ovilux", {"--simulate=3030,3030,3030", "live", "-d", "2,0", "--seconds", "0", "--bits", "8", "--subsample", "2",
                   "--json"},
        realTiming);
    ASSERT_EQ(json.exitCode, 0) << json.output;
    const size_t open = json.output.rfind("{\"frames\": ");
    ASSERT_NE(open, std::string::npos) << json.output;
    const std::string summary = json.output.substr(open);
    const size_t second = summary.find("{\"device\": 0");
    const size_t first = summary.find("{\"device\": 2");
    ASSERT_NE(first, std::string::npos) << summary;
    ASSERT_NE(second, std::string::npos) << summary;
    EXPECT_LT(first, second) << "in the order asked for";
    EXPECT_EQ(summary.find("{\"device\": 1"), std::string::npos) << "only the cameras asked for";
    long long sum = 0;
    for (size_t at : {first, second}) {
        const std::string camera = summary.substr(at);
        const long long frames = CountAfter(camera.substr(0, camera.find("}}")), "\"frames\": ");
        EXPECT_GE(frames, 1) << camera;
        EXPECT_GE(CountAfter(camera.substr(0, camera.find("}}")), "\"delivered\": "), frames) << camera;
        EXPECT_NE(camera.find("\"width\": 640"), std::string::npos) << camera;
        sum += frames;
    }
    EXPECT_EQ(CountAfter(summary.substr(0, summary.find(",")), "{\"frames\": "), sum) << summary;

    const ToolRun text = RunBesideMe("ovilux", {"--simulate=3030,3030,3030", "live", "--all", "--seconds", "0",
                                                "--bits", "8", "--subsample", "2"},
                                     realTiming);
    ASSERT_EQ(text.exitCode, 0) << text.output;
    EXPECT_NE(text.output.find("live view: 3 cameras at 8 bits"), std::string::npos) << text.output;
    for (const char* camera : {"camera 0: ", "camera 1: ", "camera 2: "}) {
        const size_t at = text.output.find(camera);
        ASSERT_NE(at, std::string::npos) << camera << "\n" << text.output;
        EXPECT_NE(text.output.find("of 640 x 480", at), std::string::npos) << text.output;
        EXPECT_NE(text.output.find("frames delivered ", at), std::string::npos) << text.output;
    }
    EXPECT_NE(text.output.find("  all: "), std::string::npos) << text.output;

    // Beyond the ten names Ovilux_EnumDevice gives: every camera is listed and can be streamed.
    std::string twelve = "--simulate=3030";
    for (int i = 1; i < 12; ++i) {
        twelve += ",3030";
    }
    const ToolRun list = RunBesideMe("ovilux", {twelve, "list"});
    EXPECT_EQ(list.exitCode, 0) << list.output;
    EXPECT_NE(list.output.find("12 cameras found"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("  11  OviluxM03-UX_12"), std::string::npos) << list.output;
    const ToolRun eleventh = RunBesideMe("ovilux", {twelve, "live", "-d", "11", "--seconds", "0", "--bits", "8",
                                                    "--subsample", "2"},
                                        realTiming);
    EXPECT_EQ(eleventh.exitCode, 0) << eleventh.output;

    // A camera that is not there fails the whole run, naming it.
    const ToolRun missing = RunBesideMe("ovilux", {"--simulate=3030,3030", "live", "-d", "0,5", "--seconds", "0"});
    EXPECT_EQ(missing.exitCode, 1) << missing.output;
    EXPECT_NE(missing.output.find("there is no camera 5"), std::string::npos) << missing.output;
    const ToolRun help = Tool({"help", "live"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--all"), std::string::npos) << help.output;
    EXPECT_NE(help.output.find("-d N,N,..."), std::string::npos) << help.output;
}

TEST(Tool, RecordReportsTheFramesDeliveredAndLost) {
    const std::string file = TemporaryPath("counted.avi");
    const ToolRun run = Tool({"--simulate", "record", "-o", file, "--seconds", "1", "--bits", "8"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const long long recorded = CountAfter(run.output, "frames recorded: ");
    EXPECT_GT(recorded, 0) << run.output;
    EXPECT_GE(CountAfter(run.output, "frames delivered "), recorded) << run.output;
    EXPECT_NE(run.output.find("camera lost 0"), std::string::npos) << run.output;
    // Progress as live view gives it: a line with the counts (not a terminal).
    EXPECT_NE(run.output.find(" MB   delivered "), std::string::npos) << run.output;
}
