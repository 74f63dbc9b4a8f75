# Runs PROGRAM with the one argument ARGUMENT and fails unless it ends with status 0, writes
# exactly the line EXPECTED to standard output and nothing to standard error.
#   cmake -DPROGRAM=... -DARGUMENT=... -DEXPECTED=... -P expect_output.cmake
execute_process(COMMAND ${PROGRAM} ${ARGUMENT}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "${PROGRAM} ${ARGUMENT} ended with ${status}; it wrote:\n${out}${err}")
endif()
if(NOT out STREQUAL "${EXPECTED}\n")
  message(FATAL_ERROR "${PROGRAM} ${ARGUMENT} wrote \"${out}\", not the line \"${EXPECTED}\"")
endif()
if(NOT err STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} ${ARGUMENT} wrote to standard error:\n${err}")
endif()
