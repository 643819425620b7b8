// Commands.h - the tool's commands. Each takes the words after its name and returns the exit
// status: 0 done, 1 a library call or the camera failed, 2 the command line was wrong.
#pragma once

#include <string>
#include <vector>

#include "Arguments.h"

namespace ovilux_tool {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// How long live view and recording wait for their first frame: as long as the library's transfer
// keeps trying a camera that sends nothing.
constexpr double kFirstFrameSeconds = 25.0;

// What every command shares: the camera to use and whether it is simulated.
struct GlobalOptions {
    bool simulate = false;
};

int ListCommand(Arguments& args, const GlobalOptions& global);
int InfoCommand(Arguments& args, const GlobalOptions& global);
int SnapCommand(Arguments& args, const GlobalOptions& global);
int LiveCommand(Arguments& args, const GlobalOptions& global);
int RegCommand(Arguments& args, const GlobalOptions& global);
int RecordCommand(Arguments& args, const GlobalOptions& global);
int SettingsCommand(Arguments& args, const GlobalOptions& global);
int DoctorCommand(Arguments& args, const GlobalOptions& global);

// Usage texts: the whole tool, and one command.
void PrintToolUsage(FILE* to);
// False for an unknown command name.
bool PrintCommandUsage(const std::string& command, FILE* to);

// Reads "-d N"/"--device N" when it is next; false (with a message) for a bad value.
bool TakeDeviceOption(Arguments& args, int32_t* device);
// Reads the rest of the line as "-d N" anywhere among plain words; false (with a message) for a
// bad device number.
bool TakeDeviceAndWords(Arguments& args, int32_t* device, std::vector<std::string>* words);

}  // namespace ovilux_tool
