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

// What RunChild returns for a child that outlived its time limit (and was killed).
constexpr int kChildTimedOut = -2;
constexpr unsigned kNoTimeLimit = 0xFFFFFFFFu;

// Runs this program as "--child ROLE ARGS..." and returns its exit code (128 + the signal for a
// child killed by one), -1 when it could not run, or kChildTimedOut when it was still running
// after timeLimitMs.
int RunChild(const std::string& role, const std::vector<std::string>& args, unsigned timeLimitMs = kNoTimeLimit);

// Runs a registered role when argv asks for one; sets exitCode and returns true in that case.
bool RunChildRoleFromArgs(int argc, char** argv, int* exitCode);

}  // namespace ovilux::test
