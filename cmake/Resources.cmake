# drama_embed_resources(TARGET RC_FILE)
# On the host, compiles a resource script with windres into a .res file and
# links its bytes into TARGET, so the in-memory user interface reads the same
# dialog templates the Windows programs carry. The bytes are reachable
# through the function named by SYMBOL (see platform/memory/Resources.h).
function(drama_embed_resources target rc_file symbol)
  get_filename_component(rc_abs ${rc_file} ABSOLUTE)
  get_filename_component(rc_dir ${rc_abs} DIRECTORY)
  # The ids the script includes: a changed id must rebuild the .res.
  set(rc_headers)
  if(EXISTS ${rc_dir}/resource.h)
    set(rc_headers ${rc_dir}/resource.h)
  endif()
  set(res ${CMAKE_CURRENT_BINARY_DIR}/${symbol}.res)
  set(cpp ${CMAKE_CURRENT_BINARY_DIR}/${symbol}_res.cpp)
  add_custom_command(
    OUTPUT ${res}
    COMMAND ${DRAMA_WINDRES} -I ${rc_dir} -I ${PROJECT_SOURCE_DIR} -O res -o ${res} ${rc_abs}
    DEPENDS ${rc_abs} ${rc_headers}
    COMMENT "Compiling resources ${rc_file}")
  add_custom_command(
    OUTPUT ${cpp}
    COMMAND ${CMAKE_COMMAND} -DIN=${res} -DOUT=${cpp} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedBytes.cmake
    DEPENDS ${res} ${PROJECT_SOURCE_DIR}/cmake/EmbedBytes.cmake)
  target_sources(${target} PRIVATE ${cpp})
endfunction()
