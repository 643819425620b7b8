// Dispatch.h - the frame every export with a handle follows: look the session up, call it,
// and turn an unknown handle or an escaping exception into the export's failure value.
#pragma once

#include <cstdint>

#include "api/SdkChain.h"
#include "session/Ovilux.h"

namespace ovilux::api {

// Failure values of an unknown handle: most exports return 0, the three integer getters whose
// 0 is a valid answer return -1, the two double getters 0.0.
constexpr int32_t kFailure = 0;
constexpr int32_t kFailureNegative = -1;
constexpr double kFailureDouble = 0.0;

template <typename Result, typename Body>
Result Dispatch(uint32_t handle, Result failure, Body&& body) noexcept {
    try {
        session::COvilux* session = FindSession(HandleTable(), handle);
        if (session == nullptr) {
            return failure;
        }
        return body(*session);
    } catch (...) {
        // Nothing may unwind into the application; a failed allocation lands here.
        return failure;
    }
}

}  // namespace ovilux::api
