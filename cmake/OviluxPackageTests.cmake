# Tests of what an application developer gets: the Python package over the built library, and
# the binary package (a .deb on Linux, a .zip for Windows) with examples built against it.
# They need an unsanitised library, so sanitiser builds leave them out.
if(NOT OVILUX_PACKAGE_TESTS OR NOT OVILUX_SANITIZE STREQUAL "" OR OVILUX_THREADED_TESTS_ONLY)
  return()
endif()

set(labels package integration)
if(WIN32)
  list(APPEND labels windows)
  add_test(NAME ${OVILUX_TEST_PREFIX}Package.ZipBuildsAndRunsTheExamples
    COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/check-zip.sh ${PROJECT_BINARY_DIR})
  set_tests_properties(${OVILUX_TEST_PREFIX}Package.ZipBuildsAndRunsTheExamples PROPERTIES
    LABELS "${labels}" TIMEOUT 600 PASS_REGULAR_EXPRESSION "runs its examples under Wine")
  return()
endif()

# Debian's python3 (where python3-numpy and python3-pytest come from) unless told otherwise.
find_program(OVILUX_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(OVILUX_PYTHON NAMES python3)
execute_process(COMMAND ${OVILUX_PYTHON} -c "import numpy, pytest" RESULT_VARIABLE python_missing OUTPUT_QUIET ERROR_QUIET)
if(python_missing)
  message(STATUS "Python package and .deb not tested: ${OVILUX_PYTHON} lacks numpy or pytest "
                 "(scripts/install-deps.sh, or -DOVILUX_PYTHON=another python3)")
  return()
endif()

add_test(NAME ${OVILUX_TEST_PREFIX}Python.PackageOnTheSimulatedCamera
  COMMAND ${OVILUX_PYTHON} -m pytest -q -p no:cacheprovider ${PROJECT_SOURCE_DIR}/python/tests)
add_test(NAME ${OVILUX_TEST_PREFIX}Package.DebBuildsAndRunsTheExamples
  COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/check-deb.sh ${PROJECT_BINARY_DIR} ${OVILUX_PYTHON})
set_tests_properties(${OVILUX_TEST_PREFIX}Python.PackageOnTheSimulatedCamera PROPERTIES
  LABELS "${labels}" TIMEOUT 300
  ENVIRONMENT "OVILUX_LIBRARY=$<TARGET_FILE:OviluxSdk_M03_UX>;PYTHONPATH=${PROJECT_SOURCE_DIR}/python;OVILUX_SIM_SPEED=fast;PYTHONDONTWRITEBYTECODE=1")
set_tests_properties(${OVILUX_TEST_PREFIX}Package.DebBuildsAndRunsTheExamples PROPERTIES
  LABELS "${labels}" TIMEOUT 600 PASS_REGULAR_EXPRESSION "builds and runs its examples")
