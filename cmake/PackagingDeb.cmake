# Debian packages of the Linux build (CPack, DEB generator):
#   cmake --preset deb && cmake --build --preset deb && cpack --preset deb
# writes build/deb/*.deb:
#   vidorra            component launcher: /usr/lib/vidorra (the launcher with
#                      its stand-ins), /usr/bin/vidorra, desktop entry, icons
#   libmetascope1      component probe-library: libMetaScope.so.1
#   metascope          component probe-tool: /usr/bin/metascope and its man page
#   libmetascope-dev   component probe-dev: header, link, pkg-config, CMake package
# Dependencies on system libraries come from dpkg-shlibdeps. The packages are
# meant for a build configured with CMAKE_INSTALL_PREFIX=/usr (preset deb),
# so that the libdir is Debian's multiarch one.

set(VIDORRA_DEB_PACKAGES vidorra libmetascope1 metascope libmetascope-dev)
set(VIDORRA_DEB_COMPONENTS launcher probe-library probe-tool probe-dev)

# Every package carries its copyright file and the changelog (gzip -9n, as
# Debian wants it: no name or time stamp inside).
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in
               ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
execute_process(
  COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/debian/changelog
  OUTPUT_FILE ${CMAKE_BINARY_DIR}/debian/changelog.gz
  RESULT_VARIABLE _gzip_result)
if(NOT _gzip_result EQUAL 0)
  message(FATAL_ERROR "gzip of the Debian changelog failed: ${_gzip_result}")
endif()
foreach(_package _component IN ZIP_LISTS VIDORRA_DEB_PACKAGES VIDORRA_DEB_COMPONENTS)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${_package}
          COMPONENT ${_component} EXCLUDE_FROM_ALL)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vidorra)
set(CPACK_PACKAGE_VENDOR "Vidorra developers")
set(CPACK_PACKAGE_CONTACT "Vidorra developers <packages@vidorra.example>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
# The install scripts see the real prefix (/usr), so that what they write at
# install time (metascope.pc) names it rather than the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${VIDORRA_DEB_COMPONENTS})

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Where dpkg-shlibdeps finds this tree's own libraries (libMetaScope.so.1 for
# metascope, libTavrel.so for the launcher); the dependencies on them are the
# packages' own (libmetascope1 (= version)).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vidorra.example/")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SOURCE vidorra)
# libmetascope1's shlibs file and its ldconfig trigger are written here:
# CPack's own (CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS) come with maintainer
# scripts that call ldconfig, which Debian replaced with the trigger.
file(WRITE ${CMAKE_BINARY_DIR}/debian/libmetascope1/shlibs
     "libMetaScope 1 libmetascope1 (>= ${PROJECT_VERSION})\n")
file(WRITE ${CMAKE_BINARY_DIR}/debian/libmetascope1/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_PROBE-LIBRARY_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/debian/libmetascope1/shlibs ${CMAKE_BINARY_DIR}/debian/libmetascope1/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_LAUNCHER_PACKAGE_NAME vidorra)
set(CPACK_DEBIAN_LAUNCHER_PACKAGE_SECTION video)
set(CPACK_COMPONENT_LAUNCHER_DESCRIPTION "launcher of the Vidorra video editing programs
The window that starts the Vidorra editing programs: Edit, Cut and Join.
This package holds the launcher with stand-ins for the update service,
the starter and the editors, the vidorra command, its desktop entry and
its icons.")

set(CPACK_DEBIAN_PROBE-LIBRARY_PACKAGE_NAME libmetascope1)
set(CPACK_DEBIAN_PROBE-LIBRARY_PACKAGE_SECTION libs)
# The MediaInfo library is loaded at run time (dlopen): dpkg-shlibdeps cannot
# see it.
set(CPACK_DEBIAN_PROBE-LIBRARY_PACKAGE_DEPENDS "libmediainfo0v5")
set(CPACK_COMPONENT_PROBE-LIBRARY_DESCRIPTION "media probe library of Vidorra
libMetaScope opens a media file and answers its picture size, duration,
bit rates, frame rate, pixel aspect, rotation, audio channels and sampling
rate through twelve C functions, asking the MediaInfo library.")

set(CPACK_DEBIAN_PROBE-TOOL_PACKAGE_NAME metascope)
set(CPACK_DEBIAN_PROBE-TOOL_PACKAGE_SECTION video)
set(CPACK_COMPONENT_PROBE-TOOL_DEPENDS probe-library)
set(CPACK_COMPONENT_PROBE-TOOL_DESCRIPTION "show the size, duration and rates of media files
metascope prints what libMetaScope answers about each media file given
to it: a table per file, or one JSON object per line.")

set(CPACK_DEBIAN_PROBE-DEV_PACKAGE_NAME libmetascope-dev)
set(CPACK_DEBIAN_PROBE-DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_PROBE-DEV_DEPENDS probe-library)
set(CPACK_COMPONENT_PROBE-DEV_DESCRIPTION "media probe library of Vidorra - development files
The header libMetaScopeSDK.h, the libMetaScope.so link, the pkg-config
file metascope.pc and the CMake package MetaScope (find_package(MetaScope),
target MetaScope::MetaScope).")

include(CPack)
