# CMake generated Testfile for 
# Source directory: /work/main/src/api
# Build directory: /work/main/build/linux-asan/src/api
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
