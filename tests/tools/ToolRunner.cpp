// ToolRunner.cpp - running a sibling program through the system's command interpreter, with its
// output redirected into a file.
#include "tools/ToolRunner.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#endif

namespace ovilux::test {

namespace {

std::string MyDirectory() {
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    return self.substr(0, self.find_last_of("\\/") + 1);
#else
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string self(path, length > 0 ? static_cast<size_t>(length) : 0);
    return self.substr(0, self.find_last_of('/') + 1);
#endif
}

std::string ProcessTag() {
#ifdef _WIN32
    return std::to_string(GetCurrentProcessId());
#else
    return std::to_string(getpid());
#endif
}

void SetVariable(const std::string& name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

void ClearVariable(const std::string& name) {
#ifdef _WIN32
    _putenv_s(name.c_str(), "");
#else
    unsetenv(name.c_str());
#endif
}

}  // namespace

std::string TemporaryPath(const std::string& name) {
#ifdef _WIN32
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "ovilux-tool-" + ProcessTag() + "-" + name;
#else
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr ? folder : "/tmp") + "/ovilux-tool-" + ProcessTag() + "-" + name;
#endif
}

std::string ProgramBesideMe(const std::string& program) {
#ifdef _WIN32
    return MyDirectory() + program + ".exe";
#else
    return MyDirectory() + program;
#endif
}

ToolRun RunBesideMe(const std::string& program, const std::vector<std::string>& arguments,
                    const Environment& environment, const std::string& workingDirectory) {
    SetVariable("OVILUX_SIM_SPEED", "fast");
    for (const auto& [name, value] : environment) {
        SetVariable(name, value);
    }
    std::string command;
#ifdef _WIN32
    const char* quote = "\"";
    command.append(quote);  // cmd /c strips one pair of outer quotes
    if (!workingDirectory.empty()) {
        command.append("cd /d \"").append(workingDirectory).append("\" && ");
    }
#else
    const char* quote = "'";
    if (!workingDirectory.empty()) {
        command.append("cd '").append(workingDirectory).append("' && ");
    }
#endif
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about a chain of
    // operator+ that starts with a short literal.
    command.append(quote).append(ProgramBesideMe(program)).append(quote);
    for (const std::string& argument : arguments) {
        command += " \"" + argument + "\"";
    }
    // A fresh file for every run: under Wine the last run's file can still be held open for a
    // moment after the program ended, and the interpreter then refuses to redirect into it.
    static int runs = 0;
    const std::string outputFile = TemporaryPath("output-" + std::to_string(++runs) + ".txt");
    command += " > \"" + outputFile + "\" 2>&1";
#ifdef _WIN32
    command += "\"";  // cmd /c strips the outer quotes
#endif
    ToolRun run;
    const int status = std::system(command.c_str());
#ifdef _WIN32
    run.exitCode = status;
#else
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    {
        std::ifstream file(outputFile, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        run.output = text.str();
    }
    std::remove(outputFile.c_str());
    for (const auto& [name, value] : environment) {
        ClearVariable(name);
    }
    return run;
}

}  // namespace ovilux::test
