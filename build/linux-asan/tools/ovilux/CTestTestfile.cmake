# CMake generated Testfile for 
# Source directory: /work/main/tools/ovilux
# Build directory: /work/main/build/linux-asan/tools/ovilux
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
