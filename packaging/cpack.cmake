# SPDX-License-Identifier: MIT
# The package cpack makes from the installation: the Debian package on Linux, the zip on
# Windows. Included by the top-level CMakeLists.txt after every install rule.
set(CPACK_PACKAGE_NAME kestrune)
set(CPACK_PACKAGE_VENDOR "Kestrune maintainers")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/kestrune/kestrune)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "check Japanese text by its Shift-JIS bytes")
set(CPACK_STRIP_FILES ON)
# Directories 0755 whatever the umask; the files have their modes from the install rules.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/directory-modes.cmake)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    # kestrune.exe, kestrune-check.exe, README.txt and LICENSE.txt in one folder named after the
    # zip.
    set(CPACK_PACKAGE_FILE_NAME kestrune-${PROJECT_VERSION}-win64)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_CONTACT "${KESTRUNE_MAINTAINER}")
    # The long description, its paragraphs apart by a blank line; cpack indents it for the
    # control file.
    set(CPACK_PACKAGE_DESCRIPTION [=[
Kestrune checks Japanese text the way systems that store it in Shift-JIS
see it. Type or paste a string into the field at the top of its window; ten
buttons measure it (bytes, characters) or check that every character is of
one kind: full-width, half-width, full-width hiragana, full-width katakana,
full-width alphanumerics, half-width katakana, half-width digits or
half-width alphanumerics. A failing check names the byte position of the
first offending character and shows it bracketed.

kestrune-check runs the same checks over each line of a file, or each column
of a CSV file, for scripts and pipelines.]=])
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # kestrune_<version>_<architecture>.deb
    set(CPACK_DEBIAN_PACKAGE_SECTION text)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # Depends: the libraries the programs link, from dpkg-shlibdeps (dpkg-dev). Debian's
    # libqt6gui6 holds the platform plugins the window needs (xcb, and offscreen for tests).
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # The window asks for a Japanese font on a fixed grid; the completion of kestrune-check
    # needs bash-completion's helpers, which a minimal system lacks.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, bash-completion")
    # control and md5sums 0644, as dpkg-deb wants, whatever the umask.
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)
