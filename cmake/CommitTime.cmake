# cmake -DSOURCE=FOLDER -DOUT=FILE -P CommitTime.cmake
# Writes the build's time stamp, in seconds since 1970, to FILE: the
# environment's SOURCE_DATE_EPOCH if set, else the time of FOLDER's last
# commit. FILE is left alone when it already holds that time, so nothing
# relinks for a commit of the same time.
if(DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  find_program(GIT git)
  if(GIT)
    execute_process(COMMAND ${GIT} -C ${SOURCE} log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE status ERROR_VARIABLE why ERROR_STRIP_TRAILING_WHITESPACE)
  else()
    set(why "git is not installed")
  endif()
  if(NOT GIT OR NOT status EQUAL 0)
    message(FATAL_ERROR "cannot read the last commit's time of ${SOURCE} (${why}): "
                        "set SOURCE_DATE_EPOCH to the time the programs should carry")
  endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is '${epoch}', not a number of seconds")
endif()
set(old "")
if(EXISTS ${OUT})
  file(READ ${OUT} old)
endif()
if(NOT old STREQUAL "${epoch}\n")
  file(WRITE ${OUT} "${epoch}\n")
endif()
