# cp932-map.txt beside this file, the mapping of glibc's iconv "CP932", turned at configure time
# into one array element per token of cp932_map::kMap, for a source of `target` to include as
# "cp932_map.h" (from cp932_map.h.in, also beside it): "XXYY:"
# becomes At(0xXXYY), "CCCC+N" Run(0xCCCC, N), "-N" Gap(N), "CCCC>XX" OneWay(0xCCCC), 0xXX.
# Both the conversion and the character kinds of analysis read the same file this way.
function(kestrune_cp932_map target)
    set(map ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/cp932-map.txt)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${map})
    file(STRINGS ${map} lines REGEX "^[^#]")
    string(REGEX MATCHALL "[^ ;]+" tokens "${lines}")
    list(TRANSFORM tokens REPLACE "^([0-9A-F]+):$" "At(0x\\1)")
    list(TRANSFORM tokens REPLACE "^([0-9A-F]+)\\+([0-9]+)$" "Run(0x\\1, \\2)")
    list(TRANSFORM tokens REPLACE "^([0-9A-F]+)$" "Run(0x\\1, 0)")
    list(TRANSFORM tokens REPLACE "^-([0-9]+)$" "Gap(\\1)")
    list(TRANSFORM tokens REPLACE "^([0-9A-F]+)>([0-9A-F]+)$" "OneWay(0x\\1), 0x\\2")
    list(JOIN tokens ",\n" map_tokens)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/cp932_map.h.in)
    configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/cp932_map.h.in
                   ${CMAKE_CURRENT_BINARY_DIR}/cp932_map.h @ONLY)
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
