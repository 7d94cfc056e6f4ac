# Runs COMMAND (a list) and passes when it exits with STATUS and its output
# (standard output and error together) matches the regular expression MESSAGE.
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
message("${out}")
if(NOT status STREQUAL "${STATUS}")
  message(FATAL_ERROR "exit status ${status}, not ${STATUS}")
endif()
if(NOT out MATCHES "${MESSAGE}")
  message(FATAL_ERROR "the output does not say: ${MESSAGE}")
endif()
