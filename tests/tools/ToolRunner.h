// ToolRunner.h - runs the ovilux tool the way a user does and collects what it printed.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ovilux::test {

struct ToolRun {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

// Environment variables set for a run, as name and value.
using Environment = std::vector<std::pair<std::string, std::string>>;

// Runs a program that sits beside this test program, with arguments, on the simulated camera in
// fast mode unless environment says otherwise, in workingDirectory when one is given, and waits
// for it.
ToolRun RunBesideMe(const std::string& program, const std::vector<std::string>& arguments,
                    const Environment& environment = {}, const std::string& workingDirectory = "");

// The path of a program that sits beside this test program.
std::string ProgramBesideMe(const std::string& program);

// A path in the temporary folder for this test program.
std::string TemporaryPath(const std::string& name);

}  // namespace ovilux::test
