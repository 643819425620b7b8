// The ovilux tool's messages for people: help by -h, the ranges and window rules beside a refused
// setting, a wrong OVILUX_SIMULATE, the transports this build has, current values in info, and
// live view stopped by a signal still stopping the camera and printing its summary.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#endif

#include "tools/ToolRunner.h"
#include "support/Patience.h"

using ovilux::test::RunBesideMe;
using ovilux::test::TemporaryPath;
using ovilux::test::ToolRun;

namespace {

// Sets an environment variable for the programs run while it exists.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* before = std::getenv(name)) {
            before_ = before;
        }
        Set(value);
    }
    ~ScopedEnvironment() { Set(before_ ? before_->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void Set(const char* value) {
#ifdef _WIN32
        _putenv_s(name_, value != nullptr ? value : "");
#else
        if (value != nullptr) {
            setenv(name_, value, 1);
        } else {
            unsetenv(name_);
        }
#endif
    }
    const char* name_;
    std::optional<std::string> before_;
};

}  // namespace

TEST(ToolMessages, SayWhatWasWrongAndWhatIsAccepted) {
    const std::string file = TemporaryPath("refused.png");
    const std::string unwritable = TemporaryPath("no-such-folder") + "/snap.png";
    struct Case {
        const char* simulateVariable;  // OVILUX_SIMULATE, or null
        std::vector<std::string> arguments;
        int exitCode;
        std::vector<std::string> said;
    };
    const std::vector<Case> cases = {
        {nullptr, {"-h"}, 0, {"usage: ovilux", "live"}},
        {nullptr, {"--simulate", "snap", "-o", file, "--gain", "64"}, 1, {"code 9", "global gain from 0 to 63"}},
        {nullptr, {"--simulate", "snap", "-o", file, "--exposure-us", "3000000"}, 1, {"code 9", "an exposure from 100 to "}},
        {nullptr, {"--simulate", "snap", "-o", file, "--window", "328x480"}, 1, {"code 7", "a multiple of 16"}},
        {nullptr, {"--simulate", "snap", "-o", file, "--window", "640x480+1+0"}, 1, {"origin even"}},
        // A writer's failure carries no code: none of an earlier call is shown as its own.
        {nullptr, {"--simulate", "snap", "-o", unwritable}, 1, {"Ovilux_SaveImage failed: no code recorded"}},
        {"zz", {"list"}, 2, {"OVILUX_SIMULATE=zz", "3030"}},
        {"3030,1234", {"list"}, 2, {"OVILUX_SIMULATE=3030,1234"}},
        {"3030", {"list"}, 0, {"1 camera found", "the simulated camera"}},
        {nullptr, {"list"}, 1, {"no camera found", "this build reaches"}},
        {nullptr, {"--simulate", "info"}, 0, {"0 to 63; now ", "us; now ", "at (0, 0), subsample 0"}},
        // What a new user tries.
        {nullptr, {"help", "live"}, 0, {"usage: ovilux", "live [-d N | -d N,N,... | --all]", "--window", "--exposure-us", "--json"}},
        {nullptr, {"help", "film"}, 2, {"no help for \"film\""}},
        {nullptr, {"--simulate", "record", "-o", TemporaryPath("film.mp4")}, 2, {"name the output FILE.avi"}},
        {nullptr, {"--simulate", "record", "-o", unwritable + ".avi", "--seconds", "1"}, 1, {"Ovilux_Record failed: code 12"}},
        {nullptr, {"--simulate=3150", "list"}, 2, {"this build serves product", "not 3150"}},
        {"3150", {"list"}, 2, {"OVILUX_SIMULATE=3150: this build serves product"}},
        {nullptr, {"--simulate", "live", "--exposure-us", "50"}, 1, {"code 9", "an exposure from 100 to "}},
        {nullptr, {"--simulate", "live", "--gain", "64"}, 1, {"global gain from 0 to 63"}},
        {nullptr, {"--simulate", "record", "-o", TemporaryPath("small.avi"), "--window", "300x480"}, 1,
         {"at least 320 x 8 pixels; this one is 300 x 480"}},
        {nullptr, {"--simulate", "live", "--window", "640x480+2560+0"}, 1, {"inside the 2592 x 1944 sensor"}},
        // The refused windows above were put back: the stored one still takes pictures.
        {nullptr, {"--simulate", "snap", "-o", file}, 0, {}},
        // --seconds 0 is the shortest run of both.
        {nullptr, {"--simulate", "live", "--window", "640x480", "--subsample", "2", "--exposure-us", "20000", "--gain",
                   "10", "--bits", "8", "--seconds", "0"},
         0, {"live view: 1 frames of 160 x 120 at 8 bits"}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ScopedEnvironment> simulate;
        if (c.simulateVariable != nullptr) {
            simulate = std::make_unique<ScopedEnvironment>("OVILUX_SIMULATE", c.simulateVariable);
        }
        const ToolRun run = RunBesideMe("ovilux", c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.back() << ": " << run.output;
        for (const std::string& words : c.said) {
            EXPECT_NE(run.output.find(words), std::string::npos) << "\"" << words << "\" in: " << run.output;
        }
    }
    std::remove(file.c_str());
}

#ifndef _WIN32
// Without a display the preview window cannot be made, and the tool says that is why.
TEST(ToolMessages, PreviewWithoutADisplaySaysSo) {
    const ScopedEnvironment noDisplay("DISPLAY", "");
    const ToolRun run = RunBesideMe("ovilux", {"--simulate", "live", "--preview", "--seconds", "1", "--bits", "8"});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("code 4"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("--preview needs a display, and DISPLAY is not set"), std::string::npos) << run.output;
}

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

TEST(ToolMessages, LiveViewStopsOnASignalWithItsSummary) {
    for (const int signal : {SIGINT, SIGTERM}) {
        const std::string output = TemporaryPath("live-" + std::to_string(signal) + ".txt");
        const std::string program = ovilux::test::ProgramBesideMe("ovilux");
        std::vector<std::string> words = {program, "--simulate", "live", "--seconds", "60", "--bits", "8"};
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        setenv("OVILUX_SIM_SPEED", "fast", 1);
        pid_t child = 0;
        ASSERT_EQ(posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        // Signal once the first progress line shows live view running (a line a second: not a terminal).
        const auto patience = std::chrono::milliseconds(ovilux::test::PatienceMs(30000));
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (ReadText(output).find("fps") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(child, signal);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        const std::string text = ReadText(output);
        std::remove(output.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal instead of stopping: " << text;
        EXPECT_EQ(WEXITSTATUS(status), 0) << text;
        EXPECT_NE(text.find("live view stopped on request"), std::string::npos) << text;
        EXPECT_NE(text.find("live view: "), std::string::npos) << "the summary: " << text;
        EXPECT_EQ(text.find('\r'), std::string::npos) << "no carriage returns into a file: " << text;
    }
}
#endif
