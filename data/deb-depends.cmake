# SPDX-License-Identifier: GPL-3.0-or-later
# CPack project configuration for the Debian package: the shared libraries
# the program and its printing module need, asked of dpkg-shlibdeps here
# rather than by CPack. CPack's own run also writes ldconfig calls into the
# maintainer scripts whenever a shared object lies under /usr/lib, which the
# module does though it is no library on the linker's path.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(work "${CPACK_PACKAGE_DIRECTORY}/_deb-depends")
    file(MAKE_DIRECTORY "${work}/debian")
    file(WRITE "${work}/debian/control" "")
    execute_process(
        COMMAND dpkg-shlibdeps --ignore-missing-info -O ${CPACK_QUILLANE_ELF_FILES}
        WORKING_DIRECTORY "${work}"
        OUTPUT_VARIABLE shlibs
        RESULT_VARIABLE status
        ERROR_VARIABLE errors
        OUTPUT_STRIP_TRAILING_WHITESPACE)
    file(REMOVE_RECURSE "${work}")
    if(NOT status EQUAL 0 OR NOT shlibs MATCHES "^shlibs:Depends=(.+)$")
        message(FATAL_ERROR "dpkg-shlibdeps failed: ${errors}")
    endif()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}, ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
endif()
