# The Debian package (cpack -G DEB). It depends on the shared libraries the
# program links (found by dpkg-shlibdeps) and on the run-time packages that
# scripts/setup.sh installs: the GStreamer elements Vistrel builds its graphs
# from and the Qt platform plug-ins are loaded at run time, so no linker sees them.
file(READ "${PROJECT_SOURCE_DIR}/scripts/setup.sh" setup_script)
if(NOT setup_script MATCHES "RUNTIME_PACKAGES=\\(([^)]*)\\)")
  message(FATAL_ERROR "scripts/setup.sh has no RUNTIME_PACKAGES list")
endif()
string(REGEX REPLACE "#[^\n]*" "" runtime_packages "${CMAKE_MATCH_1}")
string(REGEX REPLACE "[ \t\r\n]+" ";" runtime_packages "${runtime_packages}")
list(FILTER runtime_packages EXCLUDE REGEX "^$")
list(JOIN runtime_packages ", " runtime_depends)

set(CPACK_PACKAGE_NAME vistrel)
set(CPACK_PACKAGE_VENDOR Brenvik)
set(CPACK_PACKAGE_CONTACT "Brenvik <vistrel@brenvik.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "video and audio capture: live preview, recording, still grabs")
# Debian wants the lines of the long description under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Vistrel shows a live preview of a webcam, a capture card, a DV camcorder\nor a plug-in source, records it in twelve formats, grabs stills and burns\na text inlay into the picture.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${runtime_depends}")
include(CPack)
