// FilterValue.h - the filter-value family: one integer index selects a kept image setting, a
// camera gain or exposure, or a camera feature; every named getter and setter is one index.
#pragma once

#include <cstdint>

namespace ovilux::session {
class COvilux;
}

namespace ovilux::api {

// The value of index; *ok (when given) is 1 when the session has a camera object and the index
// is known, 0 on every failure. Failures return 0, or -1 where the index says so.
int32_t GetFilterValue(session::COvilux& session, int32_t index, int32_t* ok);
// 1 when the value was accepted; 0 with code 9 for a value out of range or an unknown index.
int32_t SetFilterValue(session::COvilux& session, int32_t index, int32_t value);

}  // namespace ovilux::api
