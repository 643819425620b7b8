# CMake generated Testfile for 
# Source directory: /work/main/src/platform
# Build directory: /work/main/build/linux-asan/src/platform
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
