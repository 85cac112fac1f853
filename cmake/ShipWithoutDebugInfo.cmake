# quelvo_ship_without_debug_info(TARGET): the executable is shipped without
# debug information. Its symbols are kept in TARGET.exe.debug beside it, which
# the program's .gnu_debuglink names (with its checksum) for debuggers, and
# addr2line reads for a crash address.
function(quelvo_ship_without_debug_info target)
  if(MSVC)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}> $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE_NAME:${target}>
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    BYPRODUCTS ${CMAKE_CURRENT_BINARY_DIR}/${target}.exe.debug
    VERBATIM)
endfunction()
