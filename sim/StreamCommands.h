// StreamCommands.h - the stream commands the FX3 firmware passes on to the camera's frame path.
#pragma once

#include "sim/SimConstants.h"

namespace ovilux::sim {

class CStreamCommands {
public:
    virtual ~CStreamCommands() = default;
    // Drops the frame being sent, the frame in progress and the queued ones.
    virtual void ResetStream(SimClock::time_point now) = 0;
    // Arms the stream: the next bytes on the endpoint are the next frame's header.
    virtual void PrepareRead(SimClock::time_point now) = 0;
};

}  // namespace ovilux::sim
