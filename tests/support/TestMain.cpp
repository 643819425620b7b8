// TestMain.cpp - GoogleTest's main, with the child roles of multi-process tests.
#include <gtest/gtest.h>

#include "support/ChildProcess.h"

int main(int argc, char** argv) {
    int exitCode = 0;
    if (ovilux::test::RunChildRoleFromArgs(argc, argv, &exitCode)) {
        return exitCode;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
