// ChildProcess.cpp - spawning this test program again in a child role.
#include "support/ChildProcess.h"

#include <map>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <thread>
extern char** environ;
#endif

namespace ovilux::test {

namespace {

std::map<std::string, ChildRole>& Roles() {
    static std::map<std::string, ChildRole> roles;
    return roles;
}

#ifdef _WIN32
std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }
#endif

}  // namespace

bool RegisterChildRole(const std::string& name, ChildRole role) {
    Roles()[name] = std::move(role);
    return true;
}

bool RunChildRoleFromArgs(int argc, char** argv, int* exitCode) {
    if (argc < 3 || std::string(argv[1]) != "--child") {
        return false;
    }
    auto it = Roles().find(argv[2]);
    if (it == Roles().end()) {
        *exitCode = 99;
        return true;
    }
    *exitCode = it->second(std::vector<std::string>(argv + 3, argv + argc));
    return true;
}

int RunChild(const std::string& role, const std::vector<std::string>& args, unsigned timeLimitMs) {
#ifdef _WIN32
    wchar_t self[MAX_PATH];
    if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0) {
        return -1;
    }
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --child " + Widen(role);
    for (const std::string& arg : args) {
        commandLine += L" \"" + Widen(arg) + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return -1;
    }
    if (WaitForSingleObject(process.hProcess, timeLimitMs == kNoTimeLimit ? INFINITE : timeLimitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return kChildTimedOut;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
#else
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0) {
        return -1;
    }
    self[length] = '\0';
    std::vector<std::string> all{self, "--child", role};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, self, nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const pid_t ended = waitpid(pid, &status, timeLimitMs == kNoTimeLimit ? 0 : WNOHANG);
        if (ended == pid) {
            break;
        }
        if (ended < 0) {
            return -1;
        }
        if (std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(timeLimitMs)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return kChildTimedOut;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
#endif
}

}  // namespace ovilux::test
