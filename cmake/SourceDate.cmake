# The one time a release carries: the module's PE time stamp and every
# archive entry's time. SOURCE_DATE_EPOCH when it is set, otherwise the
# commit's date, so two builds of one commit give the same bytes wherever and
# whenever they run.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(TARNWICK_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(
    COMMAND git log -1 --format=%ct
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE TARNWICK_SOURCE_DATE_EPOCH
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE git_result
    ERROR_QUIET)
  if(NOT git_result EQUAL 0 OR TARNWICK_SOURCE_DATE_EPOCH STREQUAL "")
    # No commit to date from (a source archive, say): the earliest time a zip
    # entry can carry.
    set(TARNWICK_SOURCE_DATE_EPOCH 315532800)
    message(STATUS "No SOURCE_DATE_EPOCH and no git commit: the release is dated 1980-01-01")
  endif()
  # A new commit dates the next build: configure again when HEAD moves.
  foreach(head .git/HEAD .git/logs/HEAD)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${head})
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${head})
    endif()
  endforeach()
endif()
if(NOT TARNWICK_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH must be seconds since 1970, not "
                      "\"${TARNWICK_SOURCE_DATE_EPOCH}\"")
endif()
# For the scripts that check a release against it.
file(WRITE ${CMAKE_BINARY_DIR}/source-date-epoch "${TARNWICK_SOURCE_DATE_EPOCH}\n")
# Commands that stamp files (the linker, strip, objcopy, cpack) run under it.
set(TARNWICK_DATED ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TARNWICK_SOURCE_DATE_EPOCH})
