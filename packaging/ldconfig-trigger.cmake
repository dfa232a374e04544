# SPDX-License-Identifier: MIT
# Run by cpack once it has made the packages: cpack gives a package with a shared library a
# postinst and a postrm that call ldconfig, where Debian asks for the ldconfig trigger instead
# (lintian: lacks-ldconfig-trigger, maintscript-calls-ldconfig). libkestrune's package is
# rebuilt with the trigger and without the two scripts; its files stay as they were.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    if(NOT deb MATCHES "/libkestrune[0-9]+_[^/]*[.]deb$")
        continue()
    endif()
    set(tree "${deb}.tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
    file(WRITE "${tree}/DEBIAN/triggers" "activate-noawait ldconfig\n")
    file(CHMOD "${tree}/DEBIAN/triggers" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    file(CHMOD "${tree}/DEBIAN" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${deb}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${tree}")
endforeach()
