// ovilux settings end to end: reset, show, export, import into another camera, and an import
// refused for one wrong line without changing anything.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tools/ToolRunner.h"

using ovilux::test::RunBesideMe;
using ovilux::test::TemporaryPath;
using ovilux::test::ToolRun;

namespace {

// The tool's output with Windows' console line ends made plain.
ToolRun Settings(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "settings");
    ToolRun run = RunBesideMe("ovilux", arguments);
    std::erase(run.output, '\r');
    return run;
}

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(SettingsCommand, ResetsShowsExportsAndImportsOrRefusesWholeFiles) {
    ASSERT_EQ(Settings({"reset", "-d", "2"}).exitCode, 0);
    ToolRun run = Settings({"show", "-d", "2"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("[Camera_02\\Size_00]\nBuf=dword:4\nEH=dword:2560\n"), std::string::npos) << run.output;

    const std::string file = TemporaryPath("camera2.ini");
    ASSERT_EQ(Settings({"export", file, "-d", "2"}).exitCode, 0);
    std::string text = ReadText(file);
    const size_t color = text.find("Color=dword:2");
    ASSERT_NE(color, std::string::npos) << text;
    text.replace(color, 13, "Color=dword:3");
    std::ofstream(file, std::ios::binary) << text;
    ASSERT_EQ(Settings({"import", file, "-d", "3"}).exitCode, 0);
    const std::string imported = Settings({"show", "-d", "3"}).output;
    EXPECT_NE(imported.find("[Camera_03]\nClock=dword:0\nColor=dword:3\n"), std::string::npos) << imported;

    std::ofstream(file, std::ios::binary) << "[Camera_00]\nColor=dword:1\nColour=dword:1\n";
    run = Settings({"import", file, "-d", "3"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("line 3"), std::string::npos) << run.output;
    EXPECT_EQ(Settings({"show", "-d", "3"}).output, imported);

    for (const std::vector<std::string>& wrong : {std::vector<std::string>{}, {"export"}, {"show", "extra"}, {"show", "-d", "32"}}) {
        EXPECT_EQ(Settings(wrong).exitCode, 2);
    }
}

}  // namespace

namespace {

ToolRun Tool(std::vector<std::string> arguments) {
    ToolRun run = RunBesideMe("ovilux", arguments);
    std::erase(run.output, '\r');
    return run;
}

// The line of info's kept settings that names the setting.
std::string KeptLine(const std::string& info, const std::string& name) {
    const size_t kept = info.find("kept settings");
    const size_t at = kept == std::string::npos ? kept : info.find(" " + name + " ", kept);
    if (at == std::string::npos) {
        return "";
    }
    const size_t start = info.rfind('\n', at) + 1;
    return info.substr(start, info.find('\n', at) - start);
}

TEST(SettingsCommand, InfoShowsWhatAnEarlierRunKeptAndDefaultsOrAResetStartAfresh) {
    ASSERT_EQ(Tool({"settings", "reset", "--all"}).exitCode, 0);
    const std::string picture = TemporaryPath("kept.bmp");
    ASSERT_EQ(Tool({"--simulate", "snap", "-o", picture, "--window", "640x480", "--gain", "40", "--mirror-h"}).exitCode, 0);

    ToolRun info = Tool({"--simulate", "info"});
    ASSERT_EQ(info.exitCode, 0) << info.output;
    EXPECT_EQ(KeptLine(info.output, "global gain").rfind("  * global gain", 0), 0u) << info.output;
    EXPECT_NE(KeptLine(info.output, "global gain").find("40   (factory 16)"), std::string::npos) << info.output;
    EXPECT_NE(KeptLine(info.output, "mirror horizontal").find("* mirror horizontal   1   (factory 0)"), std::string::npos)
        << info.output;
    EXPECT_EQ(KeptLine(info.output, "gamma").rfind("    gamma", 0), 0u) << "unchanged values carry no mark";
    for (const char* name : {"window", "subsample", "colour mode", "exposure", "colour gain blue", "auto iris", "brightness",
                             "bayer gain red", "bayer mode", "gray mode", "gray gain G1", "gray offset B"}) {
        EXPECT_NE(KeptLine(info.output, name), "") << name << " is shown";
    }

    const std::string stored = Tool({"settings", "show"}).output;
    ToolRun factory = Tool({"--simulate", "--defaults", "info"});
    ASSERT_EQ(factory.exitCode, 0) << factory.output;
    EXPECT_EQ(factory.output.find("  * "), std::string::npos) << "a run on the factory settings: " << factory.output;
    ASSERT_EQ(Tool({"--simulate", "--defaults", "snap", "-o", picture, "--gain", "20"}).exitCode, 0);
    EXPECT_EQ(Tool({"settings", "show"}).output, stored) << "runs on the factory settings store nothing";

    ASSERT_EQ(Tool({"settings", "reset", "--all"}).exitCode, 0);
    info = Tool({"--simulate", "info"});
    EXPECT_EQ(info.output.find("  * "), std::string::npos) << "after a reset: " << info.output;
    EXPECT_EQ(Tool({"settings", "show", "--all"}).exitCode, 2) << "--all goes with reset only";
}

}  // namespace
