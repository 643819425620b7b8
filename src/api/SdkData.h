// SdkData.h - one entry of the handle table: the handle given to the application and the
// session it names.
#pragma once

#include <cstdint>

namespace ovilux::session {
class COvilux;
}

namespace ovilux::api {

struct CSDKDATA {
    uint32_t handle;
    session::COvilux* session;  // owned: Ovilux_Release deletes it
};

}  // namespace ovilux::api
