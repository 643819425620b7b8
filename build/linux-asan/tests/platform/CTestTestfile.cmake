# CMake generated Testfile for 
# Source directory: /work/main/tests/platform
# Build directory: /work/main/build/linux-asan/tests/platform
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/linux-asan/tests/platform/platform_sync_tests[1]_include.cmake")
include("/work/main/build/linux-asan/tests/platform/platform_system_tests[1]_include.cmake")
