// SweepProgram.cpp - drawing, printing and reading sweep programs.
#include "api/sweep/SweepProgram.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <random>
#include <sstream>

namespace ovilux::test::sweep {

namespace {

constexpr const char* kNames[] = {"window", "subsample", "colour", "mirrorh",  "mirrorv", "filter",
                                  "exposure", "globalgain", "scene", "snap",   "live",    "record",
                                  "save",   "closereopen", "replug", "recordversus", "autoiris", "preview",
                                  "maskfile", "maskupdate", "configfile", "relaunch", "together"};
static_assert(sizeof(kNames) / sizeof(kNames[0]) == static_cast<size_t>(Op::kCount));

// The filter indices the model follows, each with its range.
struct FilterRange {
    int32_t index, minimum, maximum, neutral, weight;
};
// The switches that change what a step does (Bayer mode, gray mode, the gray-gain counter) are
// drawn more often than the values a step scales by.
constexpr FilterRange kFilters[] = {
    {1, -255, 255, 0, 1},   {2, -127, 127, 0, 1},   {3, -360, 360, 0, 1},   {4, -255, 255, 0, 1},
    {5, 0, 30, 0, 1},       {7, 0, 400, 100, 1},    {8, 0, 400, 100, 1},    {9, 0, 400, 100, 1},
    {11, 0, 200, 100, 1},   {12, 0, 3, 1, 2},       {19, 0, 2, 0, 5},       {20, 0, 255, 128, 1},
    {21, 0, 255, 128, 1},   {22, 0, 255, 128, 1},   {23, 0, 255, 128, 1},   {24, -255, 255, 0, 1},
    {25, -255, 255, 0, 1},  {26, -255, 255, 0, 1},  {27, -255, 255, 0, 1},  {28, 0, 1, 0, 4},
    {10, 0, 1, 0, 3},       {102, 0, 1, 0, 2},      {103, 0, 1, 0, 3},      {104, 0, 1, 0, 1},
    {105, 0, 1, 0, 1},      {106, 0, 255, 0, 1},
    // The camera's colour gains, a few values past its limits (0 to 63 on the M03).
    {14, -2, 70, 32, 1},    {15, -2, 70, 32, 1},    {16, -2, 70, 32, 1},    {17, -2, 70, 32, 1},
};

// How often each call is drawn, against the others.
struct Weight {
    Op op;
    int weight;
};
constexpr Weight kWeights[] = {
    {Op::kWindow, 3},  {Op::kSubSample, 2}, {Op::kColourMode, 6}, {Op::kMirrorH, 4}, {Op::kMirrorV, 4},
    {Op::kFilter, 16}, {Op::kExposure, 1},  {Op::kGlobalGain, 1}, {Op::kScene, 2},   {Op::kSnap, 12},
    {Op::kLiveView, 2}, {Op::kRecord, 1},   {Op::kSave, 1},       {Op::kCloseReopen, 1}, {Op::kReplug, 1},
    {Op::kRecordVersus, 1}, {Op::kAutoIris, 2},  {Op::kPreview, 1},    {Op::kMaskFile, 1},  {Op::kMaskUpdate, 1},
    {Op::kConfigFile, 1},   {Op::kRelaunch, 1},  {Op::kTogether, 3},
};

// The calls a group run at once draws from: none that reaches past its own camera's session or
// starts threads of its own.
constexpr Weight kTogetherWeights[] = {
    {Op::kWindow, 2},   {Op::kColourMode, 3}, {Op::kMirrorH, 2}, {Op::kMirrorV, 2}, {Op::kFilter, 6},
    {Op::kExposure, 1}, {Op::kGlobalGain, 1}, {Op::kAutoIris, 1}, {Op::kSnap, 12}, {Op::kLiveView, 1},
};

template <size_t N>
int FindWeight(const Weight (&rows)[N], Op op) {
    for (const Weight& row : rows) {
        if (row.op == op) {
            return row.weight;
        }
    }
    return 0;
}

constexpr int32_t kDepths[] = {8, 16, 24, 32, 48, 64};

class Draw {
public:
    explicit Draw(uint64_t seed) : engine_(seed) {}
    int32_t Between(int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(engine_); }
    bool OneIn(int32_t n) { return Between(1, n) == 1; }
    int32_t Depth() { return kDepths[Between(0, 5)]; }

private:
    std::mt19937_64 engine_;
};

// One row, each as often as its weight says.
template <typename Row, size_t N>
const Row& Pick(const Row (&rows)[N], Draw& draw) {
    int32_t total = 0;
    for (const Row& row : rows) {
        total += row.weight;
    }
    int32_t pick = draw.Between(0, total - 1);
    const Row* chosen = rows;
    while (pick >= chosen->weight) {
        pick -= chosen->weight;
        ++chosen;
    }
    return *chosen;
}

Call DrawCall(Op op, Draw& draw) {
    Call call{op};
    switch (op) {
        case Op::kWindow:
            // Sizes and origins on the steps of every sub-sampling, reaching every edge of the
            // sensor; now and then the whole sensor, or one that reaches past the sensor or is
            // too narrow, which is refused.
            if (draw.OneIn(8)) {
                call.a = 2592;
                call.b = 1944;
                break;
            }
            call.a = 64 * draw.Between(draw.OneIn(12) ? 4 : 5, 20);
            call.b = 16 * draw.Between(1, 40);
            call.c = 8 * draw.Between(0, (2592 - call.a) / 8 + (draw.OneIn(10) ? 20 : 0));
            call.d = 8 * draw.Between(0, (1944 - call.b) / 8);
            break;
        case Op::kSubSample:
            call.a = draw.OneIn(8) ? 3 : draw.Between(0, 2);
            break;
        case Op::kColourMode:
            call.a = draw.OneIn(8) ? 12 : draw.Depth();
            break;
        case Op::kMirrorH:
        case Op::kMirrorV:
            call.a = draw.Between(0, 1);
            break;
        case Op::kFilter: {
            const FilterRange& f = Pick(kFilters, draw);
            call.a = f.index;
            // Switches take any of their values; a scaling value half of the time one near
            // neutral, so that the pictures stay far from black and white and a later step still
            // has something to show.
            const int32_t near = (f.maximum - f.minimum) / 16;
            call.b = near == 0 || draw.OneIn(2) ? draw.Between(f.minimum, f.maximum)
                                                : std::clamp(f.neutral + draw.Between(-near, near), f.minimum, f.maximum);
            break;
        }
        case Op::kExposure:
            call.a = draw.Between(1, 300);
            break;
        case Op::kGlobalGain:
            call.a = draw.Between(-2, 70);
            break;
        case Op::kScene:
            call.a = draw.Between(1, 254);
            call.b = draw.Between(1, 254);
            call.c = draw.Between(1, 254);
            break;
        case Op::kSnap:
            call.a = draw.Between(0, 1);
            break;
        case Op::kLiveView:
            call.a = draw.Between(2, 4);
            break;
        case Op::kRecord:
            call.a = 100 * draw.Between(1, 4);
            break;
        case Op::kSave:
            call.a = draw.Between(0, 6);
            break;
        case Op::kRecordVersus:
            call.a = 100 * draw.Between(2, 6);
            call.b = draw.Between(0, 1);
            break;
        case Op::kAutoIris:
            call.a = draw.OneIn(8) ? 3 : draw.Between(0, 2);
            break;
        case Op::kPreview:
            call.a = draw.Between(1, 3);
            break;
        case Op::kMaskFile:
            // References that leave the hot and dead masks clear (dark at most 192, bright at
            // least 64, in 8-bit terms), so only the normalising step changes the picture.
            call.a = draw.Between(0, 3);
            call.b = draw.Between(0, 60);
            call.c = draw.Between(120, 255);
            call.d = draw.Between(0, 900);
            break;
        case Op::kMaskUpdate:
            call.a = draw.Between(0, 2);
            break;
        case Op::kConfigFile:
            call.a = draw.OneIn(4) ? -1 : draw.Between(0, 40);
            break;
        case Op::kTogether:
            call.a = draw.Between(2, 3);
            break;
        default:
            break;
    }
    return call;
}

bool Snapshot(const Call& call) { return call.op == Op::kSnap; }

}  // namespace

bool MayRunTogether(const Call* calls, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (FindWeight(kTogetherWeights, calls[i].op) == 0) {
            return false;
        }
        for (size_t j = 0; j < count; ++j) {
            if (i != j && calls[i].camera == calls[j].camera && !(Snapshot(calls[i]) && Snapshot(calls[j]))) {
                return false;
            }
        }
    }
    return true;
}

const char* OpName(Op op) { return kNames[static_cast<int>(op)]; }

std::string CallText(const Call& call) {
    std::ostringstream text;
    text << OpName(call.op) << ' ' << call.a << ' ' << call.b << ' ' << call.c << ' ' << call.d;
    if (call.camera != 0) {
        text << " cam" << call.camera;
    }
    return text.str();
}

// A third of the programs drive two cameras, a session each; a group of calls run at once is
// drawn until it keeps the rule of MayRunTogether.
Program Generate(uint64_t seed, int length) {
    Draw draw(seed);
    const bool twoCameras = draw.OneIn(3);
    const auto camera = [&] { return twoCameras ? draw.Between(0, 1) : 0; };
    Program program;
    while (static_cast<int>(program.size()) < length) {
        Call call = DrawCall(Pick(kWeights, draw).op, draw);
        call.camera = camera();
        program.push_back(call);
        if (call.op != Op::kTogether) {
            continue;
        }
        Program group;
        do {
            group.clear();
            for (int32_t i = 0; i < call.a; ++i) {
                Call member = DrawCall(Pick(kTogetherWeights, draw).op, draw);
                member.camera = camera();
                group.push_back(member);
            }
        } while (!MayRunTogether(group.data(), group.size()));
        program.insert(program.end(), group.begin(), group.end());
    }
    return program;
}

bool ReadProgram(const std::string& text, Program& program, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string name;
        if (!(words >> name)) {
            continue;
        }
        Call call;
        int op = 0;
        while (op < static_cast<int>(Op::kCount) && name != kNames[op]) {
            ++op;
        }
        if (op == static_cast<int>(Op::kCount)) {
            error = "line " + std::to_string(number) + ": no call named " + name;
            return false;
        }
        call.op = static_cast<Op>(op);
        int32_t* const numbers[] = {&call.a, &call.b, &call.c, &call.d};
        size_t read = 0;
        for (std::string word; words >> word;) {
            if (word.rfind("cam", 0) == 0) {
                call.camera = std::atoi(word.c_str() + 3);
            } else if (read < std::size(numbers)) {
                *numbers[read++] = std::atoi(word.c_str());
            }
        }
        program.push_back(call);
    }
    return true;
}

std::string WriteProgram(const Program& program, const std::string& header) {
    std::string text = header;
    for (const Call& call : program) {
        text += CallText(call) + "\n";
    }
    return text;
}

}  // namespace ovilux::test::sweep
