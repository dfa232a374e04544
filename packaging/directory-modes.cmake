# Run by cpack on its staging tree before it packs it: every directory 0755. The install makes
# directories with the mode the builder's umask leaves (0700 under umask 077), whatever
# CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS says, and dpkg would make missing ones such as
# /usr/share/metainfo with that mode on every machine the package is installed on.
file(GLOB_RECURSE entries LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY "${entry}" AND NOT IS_SYMLINK "${entry}")
        file(CHMOD "${entry}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
             GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
endforeach()
