# The programs the CD ships are reproducible: the same commit gives the same
# bytes of installer.exe, uninst.exe and their .debug files in any folder, at
# any time.
# - No build folder in any output: the compiler records the source folder as
#   "." and the build folder as "build" (debug information, __FILE__).
# - The PE time stamp is the time of the last commit (SOURCE_DATE_EPOCH, which
#   the linker reads from its environment). DRAMA_COMMIT_TIME_FILE holds it:
#   SOURCE_DATE_EPOCH when the build runs with it set, else the last commit's
#   time from git; it is rewritten only when it changes, and the programs
#   relink when it does. Their links, and the strip and objcopy steps after
#   them (which write the time stamp anew), run through with-commit-time.sh,
#   which sets SOURCE_DATE_EPOCH from it (DRAMA_WITH_COMMIT_TIME).
# The .debug files are then reproducible too, and with them the CRC that
# each program's debug link carries.
if(WIN32)
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
endif()

set(DRAMA_COMMIT_TIME_FILE ${CMAKE_BINARY_DIR}/commit-time.txt)
add_custom_target(drama_commit_time
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR} -DOUT=${DRAMA_COMMIT_TIME_FILE}
          -P ${PROJECT_SOURCE_DIR}/cmake/CommitTime.cmake
  BYPRODUCTS ${DRAMA_COMMIT_TIME_FILE}
  COMMENT "Reading the last commit's time"
  VERBATIM)
set(DRAMA_WITH_COMMIT_TIME sh ${PROJECT_SOURCE_DIR}/cmake/with-commit-time.sh ${DRAMA_COMMIT_TIME_FILE})

# drama_reproducible(TARGET): TARGET's link carries the commit's time.
function(drama_reproducible target)
  add_dependencies(${target} drama_commit_time)
  set_target_properties(${target} PROPERTIES
    LINK_DEPENDS ${DRAMA_COMMIT_TIME_FILE}
    CXX_LINKER_LAUNCHER "${DRAMA_WITH_COMMIT_TIME}")
endfunction()
