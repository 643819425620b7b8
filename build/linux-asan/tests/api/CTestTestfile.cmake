# CMake generated Testfile for 
# Source directory: /work/main/tests/api
# Build directory: /work/main/build/linux-asan/tests/api
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/linux-asan/tests/api/api_tests[1]_include.cmake")
