# ovilux_add_test(NAME SOURCES ... LIBS ... LABELS ... [THREADED] [SERIAL])
# One GoogleTest program; every test case becomes one CTest test named
# <OVILUX_TEST_PREFIX><case>. THREADED marks suites that the ThreadSanitizer build runs;
# SERIAL keeps timing-sensitive suites from sharing the two cores with other tests.
function(ovilux_add_test name)
  cmake_parse_arguments(T "THREADED;SERIAL" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(OVILUX_THREADED_TESTS_ONLY AND NOT T_THREADED)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ovilux_test_support)
  # One label, the suite's kind: gtest_discover_tests flattens a list-valued property, and a
  # second label would be read as a property name, dropping the timeout and serial marks.
  list(GET T_LABELS 0 label)
  set(props LABELS ${label} TIMEOUT 300)
  if(T_SERIAL)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${name}
    TEST_PREFIX "${OVILUX_TEST_PREFIX}"
    DISCOVERY_TIMEOUT 120
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ${props})
endfunction()
