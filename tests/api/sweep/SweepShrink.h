// SweepShrink.h - cuts a failing program down to a short list of calls that still fails the
// same way.
#pragma once

#include <functional>

#include "api/sweep/SweepProgram.h"

namespace ovilux::test::sweep {

// stillFails runs a candidate and says whether it fails as the original did. Chunks of calls
// are dropped, halving their size down to one call, until no single call can go.
Program Shrink(const Program& failing, const std::function<bool(const Program&)>& stillFails);

}  // namespace ovilux::test::sweep
