# SPDX-License-Identifier: MIT
# cmake -DNM=... -DLIBRARY=... -DEXPECTED=... -P check-symbols.cmake: fails when the shared
# library's exported functions differ from the list, so that an ABI change is made on purpose.
execute_process(COMMAND ${NM} --dynamic --defined-only ${LIBRARY} OUTPUT_VARIABLE listing
                COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "[0-9a-f]+ [TDBRW] kestrune_[A-Za-z0-9_]*" found "${listing}")
list(TRANSFORM found REPLACE "^[0-9a-f]+ [A-Z] " "")
string(REGEX MATCHALL "[0-9a-f]+ [TDBRW] [^\n]*" exported "${listing}")
list(FILTER exported EXCLUDE REGEX " kestrune_| KESTRUNE_1[.]0$")
list(SORT found)
file(STRINGS ${EXPECTED} expected)
list(SORT expected)
if(NOT found STREQUAL expected OR exported)
    list(JOIN found " " found)
    message(FATAL_ERROR "${LIBRARY} exports ${found} ${exported}, not what ${EXPECTED} lists: "
                        "change both on purpose, with the version script")
endif()
