# What `cmake --install` lays out for an application developer: the headers, the library (on
# Windows the DLL with its .def and import libraries for both linkers), the ovilux tool, a
# pkg-config file, a CMake package with an imported target, and the examples' sources.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(OVILUX_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OviluxSdk)
set(OVILUX_EXAMPLES_DIR ${CMAKE_INSTALL_DATADIR}/ovilux/examples)

install(TARGETS OviluxSdk_M03_UX ovilux_headers EXPORT OviluxSdkTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES include/OviluxSdk.h include/OviluxSettings.h include/OviluxSim.h include/OviluxCodes.h include/OviluxStream.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS ovilux RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES examples/minimal.c examples/live_view.c examples/settings.c packaging/examples/CMakeLists.txt
  DESTINATION ${OVILUX_EXAMPLES_DIR})

if(WIN32)
  # Microsoft's linker takes a COFF import library made from the same .def as the DLL.
  find_program(OVILUX_DLLTOOL NAMES llvm-dlltool ${CMAKE_DLLTOOL} x86_64-w64-mingw32-dlltool)
  set(msvc_import_library ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/OviluxSdk_M03_UX.lib)
  set(def_file ${PROJECT_SOURCE_DIR}/src/api/OviluxSdk_M03_UX.def)
  if(OVILUX_DLLTOOL)
    add_custom_command(OUTPUT ${msvc_import_library}
      COMMAND ${OVILUX_DLLTOOL} -m i386:x86-64 -d ${def_file} -D OviluxSdk_M03_UX.dll -l ${msvc_import_library}
      DEPENDS ${def_file}
      COMMENT "Import library for Microsoft's linker")
    add_custom_target(ovilux_msvc_import_library ALL DEPENDS ${msvc_import_library})
    install(FILES ${msvc_import_library} DESTINATION ${CMAKE_INSTALL_LIBDIR})
  else()
    message(WARNING "no dlltool found: the install has no import library for Microsoft's linker")
  endif()
  install(FILES ${def_file} DESTINATION ${CMAKE_INSTALL_LIBDIR})
else()
  # The installed tool finds the library beside it in any prefix.
  set_target_properties(ovilux PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  # The .pc file names its prefix relative to its own folder, so an unpacked package works in place.
  set(pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  file(RELATIVE_PATH OVILUX_PC_TO_PREFIX /${pkgconfig_dir} /)
  configure_file(packaging/ovilux.pc.in ${PROJECT_BINARY_DIR}/ovilux.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/ovilux.pc DESTINATION ${pkgconfig_dir})
  # Cameras the user at the seat may open through usbfs; udev reads /usr/lib/udev/rules.d.
  install(FILES packaging/60-ovilux.rules DESTINATION lib/udev/rules.d)
endif()

install(EXPORT OviluxSdkTargets NAMESPACE Ovilux:: DESTINATION ${OVILUX_CMAKE_PACKAGE_DIR})
configure_package_config_file(packaging/OviluxSdkConfig.cmake.in ${PROJECT_BINARY_DIR}/OviluxSdkConfig.cmake
  INSTALL_DESTINATION ${OVILUX_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OviluxSdkConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OviluxSdkConfig.cmake ${PROJECT_BINARY_DIR}/OviluxSdkConfigVersion.cmake
  DESTINATION ${OVILUX_CMAKE_PACKAGE_DIR})
