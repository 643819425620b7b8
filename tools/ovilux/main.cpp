// main.cpp - ovilux, the command-line tool of the Ovilux SDK: list cameras, show their
// capabilities, take snapshots, run live view, reach registers and keep cameras' settings. It
// uses only the public headers, so it doubles as an example of the API.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CameraSession.h"
#include "Commands.h"
#include "OviluxSdk.h"

using namespace ovilux_tool;

namespace {

using CommandFunction = int (*)(Arguments&, const GlobalOptions&);

CommandFunction FindCommand(const std::string& name) {
    if (name == "list") return ListCommand;
    if (name == "info") return InfoCommand;
    if (name == "snap") return SnapCommand;
    if (name == "live") return LiveCommand;
    if (name == "reg") return RegCommand;
    if (name == "record") return RecordCommand;
    if (name == "settings") return SettingsCommand;
    if (name == "doctor") return DoctorCommand;
    return nullptr;
}

void PrintVersion() {
    const uint32_t version = Ovilux_GetDllVersion();
    std::printf("ovilux with OviluxSdk_M03_UX version 0x%08X (camera model %u, interface %X.%02X)\n",
                static_cast<unsigned>(version), static_cast<unsigned>(version >> 16),
                static_cast<unsigned>((version >> 8) & 0xFFu), static_cast<unsigned>(version & 0xFFu));
}

}  // namespace

int main(int argc, char** argv) {
    // --simulate and --defaults may stand anywhere on the line; everything else keeps its place.
    GlobalOptions global;
    std::string simulateIds;
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--simulate" || word.rfind("--simulate=", 0) == 0) {
            global.simulate = true;
            simulateIds = word.size() > 11 ? word.substr(11) : "";
        } else if (word == "--defaults") {
            // The factory settings for this run; the stored ones are neither read nor changed.
            CameraSession::UseFactorySettings();
        } else {
            words.push_back(word);
        }
    }
    Arguments args(std::move(words));
    while (!args.Empty() && args.Peek().rfind("-", 0) == 0) {
        const std::string option = args.Take();
        if (option == "--help" || option == "-h") {
            PrintToolUsage(stdout);
            return kExitOk;
        }
        if (option == "--version") {
            PrintVersion();
            return kExitOk;
        }
        Complain("unknown option " + option);
        PrintToolUsage(stderr);
        return kExitUsage;
    }
    if (args.Empty()) {
        PrintToolUsage(stderr);
        return kExitUsage;
    }
    const std::string name = args.Take();
    if (name == "help") {
        // "ovilux help COMMAND" is "ovilux COMMAND --help"; alone, the tool's own help.
        if (args.Empty()) {
            PrintToolUsage(stdout);
            return kExitOk;
        }
        const std::string topic = args.Take();
        if (FindCommand(topic) == nullptr) {
            Complain("no help for \"" + topic + "\": it is not a command");
            PrintToolUsage(stderr);
            return kExitUsage;
        }
        PrintCommandUsage(topic, stdout);
        return kExitOk;
    }
    const CommandFunction command = FindCommand(name);
    if (command == nullptr) {
        Complain("unknown command \"" + name + "\"");
        PrintToolUsage(stderr);
        return kExitUsage;
    }
    if (!args.Empty() && (args.Peek() == "--help" || args.Peek() == "-h")) {
        PrintCommandUsage(name, stdout);
        return kExitOk;
    }
    if (!CheckSimulationEnvironment() || (global.simulate && !StartSimulation(simulateIds))) {
        return kExitUsage;
    }
    return command(args, global);
}
