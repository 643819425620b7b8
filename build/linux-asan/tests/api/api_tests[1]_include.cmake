if(EXISTS "/work/main/build/linux-asan/bin/api_tests")
  if(NOT EXISTS "/work/main/build/linux-asan/tests/api/api_tests[1]_tests.cmake" OR
     NOT "/work/main/build/linux-asan/tests/api/api_tests[1]_tests.cmake" IS_NEWER_THAN "/work/main/build/linux-asan/bin/api_tests" OR
     NOT "/work/main/build/linux-asan/tests/api/api_tests[1]_tests.cmake" IS_NEWER_THAN "${CMAKE_CURRENT_LIST_FILE}")
    include("/usr/share/cmake-3.25/Modules/GoogleTestAddTests.cmake")
    gtest_discover_tests_impl(
      TEST_EXECUTABLE [==[/work/main/build/linux-asan/bin/api_tests]==]
      TEST_EXECUTOR [==[]==]
      TEST_WORKING_DIR [==[/work/main/build/linux-asan/tests/api]==]
      TEST_EXTRA_ARGS [==[]==]
      TEST_PROPERTIES [==[LABELS;integration;threaded;TIMEOUT;300]==]
      TEST_PREFIX [==[asan/]==]
      TEST_SUFFIX [==[]==]
      TEST_FILTER [==[]==]
      NO_PRETTY_TYPES [==[FALSE]==]
      NO_PRETTY_VALUES [==[FALSE]==]
      TEST_LIST [==[api_tests_TESTS]==]
      CTEST_FILE [==[/work/main/build/linux-asan/tests/api/api_tests[1]_tests.cmake]==]
      TEST_DISCOVERY_TIMEOUT [==[120]==]
      TEST_XML_OUTPUT_DIR [==[]==]
    )
  endif()
  include("/work/main/build/linux-asan/tests/api/api_tests[1]_tests.cmake")
else()
  add_test(api_tests_NOT_BUILT api_tests_NOT_BUILT)
endif()
