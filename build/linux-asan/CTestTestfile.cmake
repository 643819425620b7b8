# CMake generated Testfile for 
# Source directory: /work/main
# Build directory: /work/main/build/linux-asan
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
subdirs("include")
subdirs("src/platform")
subdirs("src/api")
subdirs("tools/ovilux")
subdirs("tests")
