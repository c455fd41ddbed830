# Runs inside CPack after the files are staged and before they are zipped: gives
# every staged file and folder the time of SOURCE_DATE_EPOCH, so that the same
# commit packs into the same bytes.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    return()
endif()
find_program(TOUCH_EXECUTABLE touch)
if(NOT TOUCH_EXECUTABLE)
    message(WARNING "touch not found: the package keeps the build's timestamps")
    return()
endif()
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
execute_process(
    COMMAND ${TOUCH_EXECUTABLE} -h -d @$ENV{SOURCE_DATE_EPOCH} ${CPACK_TEMPORARY_DIRECTORY} ${staged}
    COMMAND_ERROR_IS_FATAL ANY)
