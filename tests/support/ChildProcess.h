// ChildProcess.h - tests that need a second process run their own program again in a child role.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ovilux::test {

// A role's body gets the arguments after the role name and returns the child's exit code.
using ChildRole = std::function<int(const std::vector<std::string>& args)>;

// Registers a role at static-initialisation time; returns true so it can initialise a variable.
bool RegisterChildRole(const std::string& name, ChildRole role);

// Runs this program as "--child ROLE ARGS..." and returns its exit code, or -1 when it could not run.
int RunChild(const std::string& role, const std::vector<std::string>& args);

// Runs a registered role when argv asks for one; sets exitCode and returns true in that case.
bool RunChildRoleFromArgs(int argc, char** argv, int* exitCode);

}  // namespace ovilux::test
