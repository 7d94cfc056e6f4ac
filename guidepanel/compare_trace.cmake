# Runs a panel script and holds its trace to the stored one, line for line,
# so the order of look-ups and key events is checked as well as their presence.
#   cmake -DBENCH=... -DMODULES=... -DSCRIPT=x.bench -DEXPECTED=x.trace -DOUTPUT=... -P compare_trace.cmake
execute_process(
  COMMAND ${BENCH} run ${SCRIPT} --modules ${MODULES} --trace ${OUTPUT}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SCRIPT}: gaugebench exited with ${status}")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${OUTPUT}
  RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  execute_process(COMMAND diff -u ${EXPECTED} ${OUTPUT})
  message(FATAL_ERROR "${OUTPUT} differs from ${EXPECTED}")
endif()
