// Several cameras at once, each streamed by a session of its own at the sensor's timing: every
// camera's pictures are exactly its own scene and none of its frames is lost while the others
// stream, in one process, in two processes side by side, and while one of them is unplugged and
// plugged in again and again.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

#include "OviluxSim.h"
#include "api/CameraStream.h"
#include "support/ChildProcess.h"
#include "support/Patience.h"

namespace ovilux::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint64_t kFramesEach = 10;
constexpr uint64_t kFramesAfterReplug = 3;
constexpr uint32_t kFramesLimitMs = 20000;
constexpr uint32_t kCameraLostLimitMs = 10000;
constexpr auto kReplugPeriod = std::chrono::seconds(2);
constexpr int kReplugRounds = 3;
constexpr int kAttempts = 3;

// Block sizes that give each camera a picture of its own, all wide enough to keep pixels of a
// quarter-size frame clear of the blocks' edges.
int32_t BlockOf(int32_t port) { return 96 + 16 * port; }

using Streams = std::vector<std::unique_ptr<CameraStream>>;

const std::vector<int32_t> kRigPorts = {0, 1, 2, 3};

// Plugs in the rig's cameras and opens a session on each camera of ports; the problems when that
// failed.
std::vector<std::string> OpenRig(const std::vector<int32_t>& ports, Streams& streams, std::vector<int32_t>& numbers) {
    if (OviluxSim_SetSpeed(OVILUX_SIM_SPEED_REALTIME) != 1) {
        return {"the simulated cameras would not keep the sensor's timing"};
    }
    numbers = AttachNumbered(kRigPorts);
    if (numbers.size() != kRigPorts.size()) {
        return {"the cameras could not be plugged in"};
    }
    for (int32_t port : ports) {
        streams.push_back(std::make_unique<CameraStream>(port, BlockOf(port)));
        if (!streams.back()->Open(numbers[static_cast<size_t>(port)], RigExposureMicroseconds())) {
            return streams.back()->PictureProblems();
        }
    }
    return {};
}

std::string Lines(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& problem : problems) {
        text += problem + "\n";
    }
    return text;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& from) {
    to.insert(to.end(), from.begin(), from.end());
}

// The cameras' pictures differ from each other, so that a frame of one delivered by another's
// session could not pass for its own.
void CheckPicturesDiffer(const Streams& streams, std::vector<std::string>& problems) {
    for (size_t i = 0; i < streams.size(); ++i) {
        for (size_t j = i + 1; j < streams.size(); ++j) {
            if (streams[i]->Reference() == streams[j]->Reference()) {
                problems.push_back("cameras " + std::to_string(streams[i]->Port()) + " and " +
                                   std::to_string(streams[j]->Port()) + " delivered the same picture");
            }
        }
    }
}

void UnplugRig() {
    for (int32_t port : kRigPorts) {
        OviluxSim_Detach(port);  // a camera unplugged already fails here, harmlessly
    }
}

// Streams the rig's cameras on ports all at once until each has delivered kFramesEach frames.
std::vector<std::string> StreamTogether(const std::vector<int32_t>& ports) {
    Streams streams;
    std::vector<int32_t> numbers;
    std::vector<std::string> problems = OpenRig(ports, streams, numbers);
    if (problems.empty()) {
        for (const auto& stream : streams) {
            stream->Start();
        }
        for (const auto& stream : streams) {
            if (!stream->AwaitFrames(kFramesEach, kFramesLimitMs)) {
                problems.push_back("camera " + std::to_string(stream->Port()) + " delivered only " +
                                   std::to_string(stream->Messages()) + " frames in time");
            }
        }
        for (const auto& stream : streams) {
            stream->Stop();
        }
        for (const auto& stream : streams) {
            Append(problems, stream->SteadyProblems());
        }
        CheckPicturesDiffer(streams, problems);
    }
    streams.clear();
    UnplugRig();
    return problems;
}

// Runs a scenario until it shows no problem, at most kAttempts times: again only when the process
// was stalled as a whole for longer than a frame takes (the machine's neighbours starved it, and no
// library streams through that). Problems while the process ran freely are the library's.
std::vector<std::string> Attempt(const std::function<std::vector<std::string>()>& scenario) {
    std::vector<std::string> problems;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        const StallWatch watch;
        problems = scenario();
        const uint32_t stallMs = watch.LongestStallMs();
        if (problems.empty() || stallMs * 1000 < static_cast<uint32_t>(RigExposureMicroseconds())) {
            return problems;
        }
        problems.push_back("attempt " + std::to_string(attempt) + ": the whole process stalled for " +
                           std::to_string(stallMs) + " ms");
        std::fputs(Lines(problems).c_str(), stderr);
    }
    return problems;
}

// A child process streaming the rig's cameras on the ports its arguments name. Every process sees
// the whole rig, as processes on one host see the same cameras.
const bool kStreamRole = RegisterChildRole("many-cameras-stream", [](const std::vector<std::string>& args) {
    std::vector<int32_t> ports;
    for (const std::string& arg : args) {
        ports.push_back(std::stoi(arg));
    }
    const std::vector<std::string> problems = Attempt([&] { return StreamTogether(ports); });
    std::fputs(Lines(problems).c_str(), stderr);
    return problems.empty() ? 0 : 1;
});

// One camera is unplugged and plugged in again every two seconds while the others stream: the
// others must lose nothing, and after each replug the session selects the camera again and its
// live view resumes with the camera's own picture.
std::vector<std::string> ReplugBesideStreams() {
    Streams streams;
    std::vector<int32_t> numbers;
    std::vector<std::string> problems = OpenRig(kRigPorts, streams, numbers);
    if (!problems.empty()) {
        streams.clear();
        UnplugRig();
        return problems;
    }
    for (size_t i = 0; problems.empty() && i < streams.size(); ++i) {
        if (!streams[i]->Start()) {
            problems = streams[i]->PictureProblems();
        }
    }
    CameraStream& replugged = *streams.back();
    const int32_t port = replugged.Port();
    for (int round = 0; problems.empty() && round <= kReplugRounds; ++round) {
        const std::string when = "round " + std::to_string(round) + ": ";
        const auto plugged = Clock::now();
        if (!replugged.AwaitFrames(kFramesAfterReplug, kFramesLimitMs)) {
            problems.push_back(when + "the replugged camera's live view did not resume");
            break;
        }
        if (round == kReplugRounds) {
            break;
        }
        std::this_thread::sleep_until(plugged + kReplugPeriod);
        const auto unplugged = Clock::now();
        if (OviluxSim_Detach(port) != 1 || !replugged.AwaitCameraLost(kCameraLostLimitMs)) {
            problems.push_back(when + "the unplug was not reported as the camera lost");
            break;
        }
        std::this_thread::sleep_until(unplugged + kReplugPeriod);
        if (OviluxSim_Attach(0x3030, port) != port || !replugged.ShowPicture() ||
            !replugged.Reselect(numbers[static_cast<size_t>(port)]) || !replugged.Start()) {
            problems.push_back(when + "the camera plugged in again could not be streamed");
            Append(problems, replugged.PictureProblems());
            break;
        }
    }
    for (const auto& stream : streams) {
        if (problems.empty() && !stream->AwaitFrames(kFramesEach, kFramesLimitMs)) {
            problems.push_back("camera " + std::to_string(stream->Port()) + " stopped delivering");
        }
        stream->Stop();
    }
    for (size_t i = 0; i + 1 < streams.size(); ++i) {
        Append(problems, streams[i]->SteadyProblems());
    }
    Append(problems, replugged.PictureProblems());
    CheckPicturesDiffer(streams, problems);
    streams.clear();
    UnplugRig();
    return problems;
}

TEST(ManyCameras, FourCamerasInOneProcessEachDeliverTheirOwnPicturesAndLoseNothing) {
    const std::vector<std::string> problems = Attempt([] { return StreamTogether(kRigPorts); });
    EXPECT_TRUE(problems.empty()) << Lines(problems);
}

TEST(ManyCameras, TwoProcessesOfTwoCamerasEachStreamSideBySide) {
    int results[2] = {-1, -1};
    std::thread first([&] { results[0] = RunChild("many-cameras-stream", {"0", "1"}, PatienceMs(200000)); });
    std::thread second([&] { results[1] = RunChild("many-cameras-stream", {"2", "3"}, PatienceMs(200000)); });
    first.join();
    second.join();
    EXPECT_EQ(results[0], 0) << "the first process (its problems are on its standard error)";
    EXPECT_EQ(results[1], 0) << "the second process";
}

TEST(ManyCameras, OneCameraRepluggedAgainAndAgainCostsTheOthersNothing) {
    const std::vector<std::string> problems = Attempt(ReplugBesideStreams);
    EXPECT_TRUE(problems.empty()) << Lines(problems);
}

}  // namespace
}  // namespace ovilux::test
