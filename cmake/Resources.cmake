# The programs' icons, drawn by scripts/make_icons.py into the build folder
# (DRAMA_ICON_DIR), where the resource scripts find them. Targets whose
# resources name an icon depend on drama_icons.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(DRAMA_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(DRAMA_ICONS ${DRAMA_ICON_DIR}/installer.ico ${DRAMA_ICON_DIR}/uninst.ico ${DRAMA_ICON_DIR}/remove.ico)
add_custom_command(
  OUTPUT ${DRAMA_ICONS}
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/make_icons.py ${DRAMA_ICON_DIR}
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make_icons.py
  COMMENT "Drawing the programs' icons")
add_custom_target(drama_icons DEPENDS ${DRAMA_ICONS})

# drama_embed_resources(TARGET RC_FILE)
# On the host, compiles a resource script with windres into a .res file and
# links its bytes into TARGET, so the in-memory user interface reads the same
# dialog templates the Windows programs carry. The bytes are reachable
# through the function named by SYMBOL (see tests/memory/Resources.h).
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
    COMMAND ${DRAMA_WINDRES} -I ${rc_dir} -I ${PROJECT_SOURCE_DIR} -I ${DRAMA_ICON_DIR} -O res -o ${res} ${rc_abs}
    DEPENDS ${rc_abs} ${rc_headers} ${PROJECT_SOURCE_DIR}/shell/VersionInfo.rc ${DRAMA_ICONS}
    COMMENT "Compiling resources ${rc_file}")
  add_custom_command(
    OUTPUT ${cpp}
    COMMAND ${CMAKE_COMMAND} -DIN=${res} -DOUT=${cpp} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedBytes.cmake
    DEPENDS ${res} ${PROJECT_SOURCE_DIR}/cmake/EmbedBytes.cmake)
  target_sources(${target} PRIVATE ${cpp})
  add_dependencies(${target} drama_icons)
endfunction()

# drama_windows_resources(TARGET RC_FILE): the resource script of a Windows
# program, rebuilt when an icon, the shared version information, or the
# manifest or ids beside the script change.
function(drama_windows_resources target rc_file)
  target_include_directories(${target} PRIVATE ${DRAMA_ICON_DIR})
  get_filename_component(rc_abs ${rc_file} ABSOLUTE)
  get_filename_component(rc_dir ${rc_abs} DIRECTORY)
  file(GLOB beside CONFIGURE_DEPENDS ${rc_dir}/*.manifest ${rc_dir}/resource.h)
  set_source_files_properties(${rc_file} PROPERTIES
    OBJECT_DEPENDS "${DRAMA_ICONS};${PROJECT_SOURCE_DIR}/shell/VersionInfo.rc;${beside}")
  add_dependencies(${target} drama_icons)
endfunction()
