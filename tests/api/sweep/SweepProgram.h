// SweepProgram.h - random programs of exports for the session sweep: the calls, a weighted
// table that draws them from a seed, and the one-line-per-call text a replay file holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ovilux::test::sweep {

enum class Op {
    kWindow,        // a: width, b: height, c: x start, d: y start
    kSubSample,     // a: code (3 is refused)
    kColourMode,    // a: bits per pixel (12 is refused)
    kMirrorH,       // a: on
    kMirrorV,       // a: on
    kFilter,        // a: filter index, b: value
    kExposure,      // a: value in 0.1 ms
    kGlobalGain,    // a: value
    kScene,         // a, b, c: blue, green, red of the still picture
    kSnap,          // a: row order (non-zero: first sensor row first)
    kLiveView,      // a: frames to see
    kRecord,        // a: milliseconds
    kSave,          // a: file format, after a snapshot
    kCloseReopen,   // the session closes its camera and selects it again
    kReplug,        // the camera is unplugged and plugged in again
    kRecordVersus,  // a: milliseconds; a second thread stops (b 0) or closes (b 1) meanwhile
    kAutoIris,      // a: mode (3 is refused)
    kPreview,       // a: frames to see in the library's preview window
    kMaskFile,      // a: 0 saves and loads back, 1 loads references b (8-bit dark), c (8-bit
                    // bright), d (16-bit dark; bright 16 x c), 2 a damaged file, 3 a missing one
    kMaskUpdate,    // a: selector
    kConfigFile,    // a: bytes of integer pairs, or -1 for a file that is not there
    kRelaunch,      // the session is released and a new one selects the camera
    kTogether,      // a: the next a calls run at once, each on its own thread
    kCount
};

// A call runs on camera 0 or, in programs with two cameras, on camera 1 (each camera has a
// session of its own).
struct Call {
    Op op = Op::kSnap;
    int32_t a = 0, b = 0, c = 0, d = 0;
    int32_t camera = 0;
};

// Calls that may run at once: on different cameras, or snapshots of one camera. A group that
// breaks the rule (a shrunk program may leave one) runs its calls one after the other.
bool MayRunTogether(const Call* calls, size_t count);

using Program = std::vector<Call>;

const char* OpName(Op op);
std::string CallText(const Call& call);

// Draws length calls from the weighted table; the same seed gives the same program.
Program Generate(uint64_t seed, int length);

// One call per line ("snap 24 1", "cam1" after the numbers for the second camera); '#' starts a
// comment. False for a line it cannot read.
bool ReadProgram(const std::string& text, Program& program, std::string& error);
std::string WriteProgram(const Program& program, const std::string& header);

}  // namespace ovilux::test::sweep
