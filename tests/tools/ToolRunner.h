// ToolRunner.h - runs the ovilux tool the way a user does and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace ovilux::test {

struct ToolRun {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

// Runs a program that sits beside this test program, with arguments, on the simulated camera in
// fast mode (unless the arguments ask otherwise), and waits for it.
ToolRun RunBesideMe(const std::string& program, const std::vector<std::string>& arguments);

// A path in the temporary folder for this test program.
std::string TemporaryPath(const std::string& name);

}  // namespace ovilux::test
