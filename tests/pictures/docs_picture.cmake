# Takes one of the panel builders' pictures again and holds it to the one in
# docs/images: a change to a gauge's look or behaviour shows here, and the
# picture in the docs is then made again with the command in its script.
execute_process(
  COMMAND ${BENCH} shot ${SCRIPT} --modules ${MODULES} --out ${OUTPUT} ${PICTURE_ARGS}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gaugebench shot ${SCRIPT} failed (${status})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED}
                RESULT_VARIABLE different)
if(different)
  message(FATAL_ERROR "${OUTPUT} differs from ${EXPECTED}; look at both, and if the new "
                      "picture is right, make the docs' picture again with the command in ${SCRIPT}")
endif()
