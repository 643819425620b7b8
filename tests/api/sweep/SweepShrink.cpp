// SweepShrink.cpp - dropping chunks of calls while the program keeps failing.
#include "api/sweep/SweepShrink.h"

#include <algorithm>
#include <cstddef>

namespace ovilux::test::sweep {

Program Shrink(const Program& failing, const std::function<bool(const Program&)>& stillFails) {
    Program program = failing;
    for (size_t chunk = std::max<size_t>(1, program.size() / 2); chunk >= 1; chunk /= 2) {
        bool dropped = true;
        while (dropped) {
            dropped = false;
            for (size_t start = 0; start < program.size(); start += chunk) {
                Program candidate(program.begin(), program.begin() + static_cast<ptrdiff_t>(start));
                const size_t end = std::min(program.size(), start + chunk);
                candidate.insert(candidate.end(), program.begin() + static_cast<ptrdiff_t>(end), program.end());
                if (!candidate.empty() && stillFails(candidate)) {
                    program = std::move(candidate);
                    dropped = true;
                    break;
                }
            }
        }
        if (chunk == 1) {
            break;
        }
    }
    return program;
}

}  // namespace ovilux::test::sweep
