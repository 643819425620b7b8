# The Python package as a wheel, built beside the library and packed with it: the .deb installs
# the package where Debian's python3 finds pure modules, and the wheel for virtual environments.
# The wheel is built from a copy of the sources, since building writes beside them.
if(WIN32)
  return()
endif()
find_program(OVILUX_WHEEL_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(OVILUX_WHEEL_PYTHON NAMES python3)
execute_process(COMMAND ${OVILUX_WHEEL_PYTHON} -c "import setuptools, wheel, pip"
  RESULT_VARIABLE wheel_tools_missing OUTPUT_QUIET ERROR_QUIET)
if(wheel_tools_missing)
  message(STATUS "No Python wheel: ${OVILUX_WHEEL_PYTHON} lacks setuptools, wheel or pip (scripts/install-deps.sh)")
  return()
endif()
file(STRINGS ${PROJECT_SOURCE_DIR}/python/pyproject.toml wheel_version_line REGEX "^version = ")
string(REGEX REPLACE "^version = \"(.*)\"$" "\\1" OVILUX_PYTHON_VERSION "${wheel_version_line}")
if(NOT OVILUX_PYTHON_VERSION STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "python/pyproject.toml says version ${OVILUX_PYTHON_VERSION}, the project ${PROJECT_VERSION}")
endif()
file(GLOB python_sources ${PROJECT_SOURCE_DIR}/python/ovilux/*.py)
set(wheel_dir ${PROJECT_BINARY_DIR}/python-dist)
set(wheel_sources ${PROJECT_BINARY_DIR}/python-wheel-sources)
set(OVILUX_WHEEL ${wheel_dir}/ovilux-${OVILUX_PYTHON_VERSION}-py3-none-any.whl)
add_custom_command(OUTPUT ${OVILUX_WHEEL}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${wheel_sources}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${wheel_sources}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/python/ovilux ${wheel_sources}/ovilux
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/python/pyproject.toml ${wheel_sources}/
  COMMAND ${CMAKE_COMMAND} -E env PYTHONDONTWRITEBYTECODE=1
          ${OVILUX_WHEEL_PYTHON} -m pip wheel -q --no-build-isolation --no-deps --no-index -w ${wheel_dir} ${wheel_sources}
  DEPENDS ${python_sources} ${PROJECT_SOURCE_DIR}/python/ovilux/py.typed ${PROJECT_SOURCE_DIR}/python/pyproject.toml
  COMMENT "Python wheel of the ovilux package")
add_custom_target(ovilux_python_wheel ALL DEPENDS ${OVILUX_WHEEL})
install(FILES ${OVILUX_WHEEL} DESTINATION ${CMAKE_INSTALL_DATADIR}/ovilux/python)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/ovilux DESTINATION lib/python3/dist-packages
  FILES_MATCHING PATTERN "*.py" PATTERN "py.typed" PATTERN "__pycache__" EXCLUDE)
