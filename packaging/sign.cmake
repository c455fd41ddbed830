# Runs inside CPack after the files are staged and before they are zipped: signs
# the staged phantomDeskTray.exe when a certificate is given (scripts/sign-exe.sh),
# leaving the build's own .exe as it was built.
file(GLOB_RECURSE staged_programs "${CPACK_TEMPORARY_DIRECTORY}/*.exe")
foreach(program ${staged_programs})
    execute_process(COMMAND "${CMAKE_CURRENT_LIST_DIR}/../scripts/sign-exe.sh" "${program}"
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()
