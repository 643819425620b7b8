// LiveSignals.h - how live view learns that the user wants it to stop (Ctrl-C, SIGTERM), and
// whether its progress may be redrawn in place.
#pragma once

#include <cstdio>

namespace ovilux_tool {

// While one exists, SIGINT and SIGTERM only ask for a stop (StopRequested turns true); the
// previous handlers come back when it goes.
class StopOnSignal {
public:
    StopOnSignal();
    ~StopOnSignal();
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

    bool StopRequested() const;
};

// True when the stream is a terminal, where a line may be rewritten with carriage returns.
bool IsTerminal(FILE* stream);

}  // namespace ovilux_tool
