# drama_split_debug(TARGET)
# The shipped programs carry no symbols: after the link their debugging
# information moves to TARGET_FILE.debug beside them, the program is
# stripped, and it names that file (a GNU debug link) so a debugger given
# both finds the symbols again. The steps keep the program's time stamp
# (the commit's, see Reproducible.cmake): strip and objcopy write it anew.
# Last, the program is padded to 8 bytes and summed (cmake/pe_pad.py), so
# that removing a signature later gives back exactly these bytes.
function(drama_split_debug target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${DRAMA_WITH_COMMIT_TIME} ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${DRAMA_WITH_COMMIT_TIME} ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${target}>
    COMMAND ${DRAMA_WITH_COMMIT_TIME} ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug $<TARGET_FILE:${target}>
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/pe_pad.py $<TARGET_FILE:${target}>
    COMMENT "Moving the symbols of ${target} to $<TARGET_FILE_NAME:${target}>.debug"
    VERBATIM)
endfunction()
