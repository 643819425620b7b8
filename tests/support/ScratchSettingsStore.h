// ScratchSettingsStore.h - every test program keeps its settings in a store of its own, so no
// test reads what another left and none touches the user's real settings.
#pragma once

#include <string>

namespace ovilux::test {

// An environment variable as the library sees it (on Windows the process environment, not the
// C runtime's copy); "" when unset. Setting "" removes it.
std::string EnvironmentValue(const char* name);
void SetEnvironmentValue(const char* name, const std::string& value);

// Points OVILUX_REGISTRY at a fresh scratch store unless it is set already (child processes
// share their parent's), or always when asked to (a test that needs a fresh profile), and
// removes that store and puts the old setting back when the object goes.
class ScratchSettingsStore {
public:
    explicit ScratchSettingsStore(bool replace = false);
    ~ScratchSettingsStore();
    ScratchSettingsStore(const ScratchSettingsStore&) = delete;
    ScratchSettingsStore& operator=(const ScratchSettingsStore&) = delete;

private:
    std::string made_;  // the folder (POSIX) or key (Windows) this object made; empty when none
    std::string previous_;
};

}  // namespace ovilux::test
