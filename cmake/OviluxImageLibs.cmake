# Finds libjpeg, libpng (with zlib) and libtiff for the image file writers, and makes their
# imported targets JPEG::JPEG, PNG::PNG, ZLIB::ZLIB and TIFF::TIFF visible to the whole build
# (the tests read the files back with them).
# Linux: the system's development packages. Windows: static mingw-w64 builds, so that the DLL
# imports nothing but system DLLs: zlib from the cross toolchain's root, the others from the
# prefix that scripts/build-mingw-image-libs.sh fills.
include_guard(GLOBAL)

if(WIN32)
  set(OVILUX_MINGW_IMAGE_LIBS "/var/cache/ovilux/mingw-image-libs/current" CACHE PATH
      "Prefix of the static mingw-w64 libjpeg, libpng and libtiff (scripts/build-mingw-image-libs.sh)")
  set(prefix "${OVILUX_MINGW_IMAGE_LIBS}")
  foreach(file lib/libjpeg.a lib/libpng16.a lib/libtiff.a include/jpeglib.h include/png.h include/tiffio.h)
    if(NOT EXISTS "${prefix}/${file}")
      message(FATAL_ERROR "${prefix}/${file} is missing: run scripts/build-mingw-image-libs.sh, "
                          "or point OVILUX_MINGW_IMAGE_LIBS at the prefix it built")
    endif()
  endforeach()
  # Exact files rather than a search: a search would prefer the toolchain's zlib import library.
  list(GET CMAKE_FIND_ROOT_PATH 0 toolchain_root)
  set(ZLIB_LIBRARY "${toolchain_root}/lib/libz.a" CACHE FILEPATH "")
  set(ZLIB_INCLUDE_DIR "${toolchain_root}/include" CACHE PATH "")
  set(JPEG_LIBRARY "${prefix}/lib/libjpeg.a" CACHE FILEPATH "")
  set(JPEG_INCLUDE_DIR "${prefix}/include" CACHE PATH "")
  set(PNG_LIBRARY "${prefix}/lib/libpng16.a" CACHE FILEPATH "")
  set(PNG_PNG_INCLUDE_DIR "${prefix}/include" CACHE PATH "")
  set(TIFF_LIBRARY "${prefix}/lib/libtiff.a" CACHE FILEPATH "")
  set(TIFF_INCLUDE_DIR "${prefix}/include" CACHE PATH "")
endif()

find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)
find_package(TIFF REQUIRED)
foreach(target ZLIB::ZLIB JPEG::JPEG PNG::PNG TIFF::TIFF)
  set_target_properties(${target} PROPERTIES IMPORTED_GLOBAL TRUE)
endforeach()
