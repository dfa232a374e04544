# SPDX-License-Identifier: MIT
# The package cpack makes from the installation: the Debian package on Linux, the zip on
# Windows. Included by the top-level CMakeLists.txt after every install rule.
set(CPACK_PACKAGE_NAME kestrune)
set(CPACK_PACKAGE_VENDOR "Kestrune maintainers")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/kestrune/kestrune)
# Each Debian package's summary is the first line of its own description. cpack puts any other
# CPACK_PACKAGE_DESCRIPTION_SUMMARY than its default (and it takes project()'s DESCRIPTION for
# one) before every package's description, so the summary is left at cpack's default.
set(kestrune_summary "check Japanese text by its Shift-JIS bytes")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
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
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # Depends: the libraries the programs link, from dpkg-shlibdeps (dpkg-dev). Debian's
    # libqt6gui6 holds the platform plugins the window needs (xcb, and offscreen for tests).
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # control and md5sums 0644, as dpkg-deb wants, whatever the umask.
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

    # One package a component: kestrune (the programs, every install rule that names no
    # component), and libkestrune's three, which need nothing of it.
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL kestrune library development)
    if(TARGET kestrune_python)
        list(APPEND CPACK_COMPONENTS_ALL python)
    endif()
    set(CPACK_DEBIAN_KESTRUNE_PACKAGE_NAME kestrune)
    set(CPACK_DEBIAN_KESTRUNE_PACKAGE_SECTION text)
    set(CPACK_DEBIAN_KESTRUNE_DESCRIPTION "${kestrune_summary}\n${CPACK_PACKAGE_DESCRIPTION}")
    # The window asks for a Japanese font on a fixed grid; the completion of kestrune-check
    # needs bash-completion's helpers, which a minimal system lacks.
    set(CPACK_DEBIAN_KESTRUNE_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, bash-completion")

    set(library_package libkestrune${PROJECT_VERSION_MAJOR})
    set(same_version "(= ${PROJECT_VERSION})")
    set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME ${library_package})
    set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
    # The shlibs file, so that what links libkestrune.so.1 depends on this version or later.
    # (cpack makes one only for a package that holds a shared library.)
    set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
    set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
    set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/ldconfig-trigger.cmake)
    set(CPACK_DEBIAN_LIBRARY_DESCRIPTION [=[check Japanese text by its Shift-JIS bytes (shared library)
libkestrune gives other programs the checks of kestrune-check through a C
interface: the operations by name (full-width katakana, JIS X 0208, the
bank-transfer character set, ...) on code page 932 or UTF-8 text, with the
first or every rejected position, each character's kind and a suggested fix;
rule lists as kestrune-check's --column takes them; and the conversion
between UTF-8 and code page 932.]=])

    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libkestrune-dev)
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${library_package} ${same_version}")
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SHLIBDEPS OFF)
    set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION [=[check Japanese text by its Shift-JIS bytes (development files)
libkestrune gives other programs the checks of kestrune-check through a C
interface.

This package holds the header kestrune.h, the static library, the
pkg-config file and the CMake package for find_package(Kestrune).]=])

    set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-kestrune)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
    # The module is built for one Python version, whose interpreter it needs.
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "${KESTRUNE_PYTHON_DEPENDS}")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS "python3-pandas")
    set(CPACK_DEBIAN_PYTHON_DESCRIPTION [=[check Japanese text by its Shift-JIS bytes (Python 3 module)
The module kestrune gives Python the checks of kestrune-check:
kestrune.check(text, operation), rule lists with kestrune.Rules, and
kestrune.check_column over a sequence or a pandas Series, which returns the
failing values without a Python loop per value and runs unchanged on Dask.]=])
endif()

include(CPack)
