// TestMain.cpp - GoogleTest's main, with the child roles of multi-process tests and a settings
// store of the program's own.
#include <gtest/gtest.h>

#include "support/ChildProcess.h"
#include "support/ScratchSettingsStore.h"

int main(int argc, char** argv) {
    const ovilux::test::ScratchSettingsStore settings;
    int exitCode = 0;
    if (ovilux::test::RunChildRoleFromArgs(argc, argv, &exitCode)) {
        return exitCode;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
