# The tools a package build calls besides the compiler, each with the Debian package that has it.
# cpack calls file and dpkg-shlibdeps only once everything is compiled, so all are looked for
# here first: a missing one stops the configure step with one line that names them all.
block()  # its variables stay here
    set(missing_tools)
    set(missing_packages)
    foreach(entry IN ITEMS
            python3:python3            # the larger icons
            help2man:help2man          # kestrune-check(1), from its --help
            gzip:gzip                  # the manual pages and the documents
            dpkg-shlibdeps:dpkg-dev    # the package's Depends
            file:file)                 # which of the package's files dpkg-shlibdeps reads
        string(REPLACE ":" ";" entry ${entry})
        list(GET entry 0 tool)
        list(GET entry 1 package)
        find_program(KESTRUNE_PACKAGING_${tool} ${tool})
        if(NOT KESTRUNE_PACKAGING_${tool})
            list(APPEND missing_tools ${tool})
            list(APPEND missing_packages ${package})
        endif()
    endforeach()
    if(missing_tools)
        list(JOIN missing_tools ", " tools)
        list(REMOVE_DUPLICATES missing_packages)
        list(JOIN missing_packages " " packages)
        message(FATAL_ERROR "The package build needs ${tools}: apt-get install ${packages}")
    endif()
endblock()
