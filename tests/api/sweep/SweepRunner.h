// SweepRunner.h - runs a sweep program against the simulated camera beside its model and
// reports the first call whose result, getters or picture disagree with the model. A call that
// blocks past its limit ends the process through the watchdog, which names the call.
#pragma once

#include <string>

#include "api/sweep/SweepProgram.h"

namespace ovilux::test::sweep {

// Exit codes of a program run in a child process, one per kind of disagreement, so that
// shrinking keeps a program failing the same way.
enum Verdict : int {
    kClean = 0,
    kSetupFailed = 20,
    kWrongResult = 21,  // the call's return value or code
    kWrongGetter = 22,  // a getter disagrees with the model after the call
    kWrongPicture = 23, // a delivered picture differs from the model's
    kBlocked = 24,      // the watchdog saw a call outlive its limit
};

struct Outcome {
    Verdict verdict = kClean;
    size_t call = 0;  // the failing call's position
    std::string message;
};

Outcome RunProgram(const Program& program);

}  // namespace ovilux::test::sweep
